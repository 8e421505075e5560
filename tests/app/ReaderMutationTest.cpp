// The file readers against damaged copies of a good file: truncations, flipped
// and overwritten bytes, extreme 32-bit counts, inserted and deleted runs and
// absurd numbers in text. A reader must refuse or accept each copy and return;
// under the sanitizer build any out-of-bounds access, leak or unbounded
// allocation (which the test environment turns into a failed allocation)
// fails the test.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "MugShotTestFixture.h"
#include "QV_HeadModelFile.h"
#include "QV_MIO_STL.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_NeuralNet.h"
#include "TestSupport.h"

using visagen_test::TempDir;

namespace {

using Bytes = std::vector<unsigned char>;

// One to four random damages to a copy of the file.
void Damage(Bytes& d, std::mt19937& rng)
{
    auto pos = [&]() -> size_t { return d.empty() ? 0 : rng() % d.size(); };
    const int damages = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < damages; ++i) {
        switch (rng() % 7) {
        case 0: d.resize(pos()); break;
        case 1:
            if (!d.empty()) d[pos()] ^= static_cast<unsigned char>(1u << (rng() % 8));
            break;
        case 2:
            if (!d.empty()) d[pos()] = static_cast<unsigned char>(rng());
            break;
        case 3: {
            if (d.size() < 4) break;
            static const int32_t kExtremes[] = {0, -1, 0x7fffffff, INT32_MIN, 0x10000, 65535, 1 << 30, 3, -2};
            const int32_t x = kExtremes[rng() % 9];
            std::memcpy(&d[std::min(pos(), d.size() - 4)], &x, 4);
            break;
        }
        case 4: d.insert(d.begin() + pos(), 1 + rng() % 16, static_cast<unsigned char>(rng())); break;
        case 5: {
            if (d.empty()) break;
            const size_t p = pos(), n = std::min<size_t>(1 + rng() % 64, d.size() - p);
            d.erase(d.begin() + p, d.begin() + p + n);
            break;
        }
        default: {
            // A run of digits becomes a huge, negative or non-numeric number.
            size_t p = pos();
            while (p < d.size() && !(d[p] >= '0' && d[p] <= '9')) ++p;
            size_t e = p;
            while (e < d.size() && d[e] >= '0' && d[e] <= '9') ++e;
            if (p == e) break;
            static const char* const kNumbers[] = {"-1", "999999999", "2147483647", "-2147483648", "1e30", "nan",
                                                   "4294967296", "0"};
            const std::string r = kNumbers[rng() % 8];
            d.erase(d.begin() + p, d.begin() + e);
            d.insert(d.begin() + p, r.begin(), r.end());
        }
        }
    }
}

struct Outcome {
    int read = 0, refused = 0;
};

// Writes `copies` damaged versions of the good file at `path` there, one
// after another (fixed seed), and hands each to the reader. The undamaged
// file must read; it is put back at the end.
Outcome Exercise(const std::string& path, int copies, const std::function<bool()>& reader)
{
    Outcome out;
    const Bytes good = visagen_test::ReadFileBytes(path);
    EXPECT_FALSE(good.empty()) << path;
    EXPECT_TRUE(reader()) << "the undamaged file does not read: " << path;
    std::mt19937 rng(1);
    testing::internal::CaptureStderr();  // the refusals' messages
    for (int i = 0; i < copies; ++i) {
        Bytes d = good;
        Damage(d, rng);
        visagen_test::WriteFileBytes(path, d);
        (reader() ? out.read : out.refused)++;
    }
    testing::internal::GetCapturedStderr();
    visagen_test::WriteFileBytes(path, good);
    return out;
}

QV_Image Pattern()
{
    QV_Image im(7, 9);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 9; ++c)
            im.Row(r)[c] = QV_Colour(static_cast<unsigned char>(30 * r), static_cast<unsigned char>(25 * c),
                                     static_cast<unsigned char>(200 - 10 * r - 5 * c));
    return im;
}

constexpr int kCopies = 150;

}  // namespace

// The picture formats whose readers are ours (the library-backed JPEG, PNG
// and TIFF readers have their own damage test beside the dispatch).
TEST(ReaderMutation, PicturesAreRefusedOrReadNeverMisread)
{
    TempDir dir;
    const QV_Image pattern = Pattern();
    for (const char* ext : {"bmp", "gif", "tga", "ppm", "pgm"}) {
        const std::string path = dir.File(std::string("case.") + ext);
        ASSERT_TRUE(pattern.Save(QV_String(path.c_str()))) << ext;
        const Outcome o = Exercise(path, kCopies, [&] {
            QV_Image im;
            const bool ok = im.Load(QV_String(path.c_str()));
            // What reads is a whole picture, not an empty one called a success.
            if (ok) {
                EXPECT_GT(im.Rows(), 0) << ext;
                EXPECT_GT(im.Cols(), 0) << ext;
            }
            return ok;
        });
        EXPECT_GT(o.refused, 0) << ext << ": no damage was noticed";
    }
}

// OBJ (with its material and texture beside it), VRML, ASCII and binary STL.
TEST(ReaderMutation, MeshFilesAreRefusedOrReadNeverMisread)
{
    TempDir dir;
    QV_Mesh mesh = mugshot_fixture::TemplateMesh();
    for (const char* ext : {"obj", "wrl", "stl", "binary.stl"}) {
        const std::string path = dir.File(std::string("case.") + ext);
        if (std::string(ext) == "binary.stl") {
            QV_MIO_STL stl(QV_String(path.c_str()));
            stl.SetBinary(true);
            ASSERT_TRUE(stl.Save(mesh));
        } else {
            ASSERT_TRUE(mesh.Save(QV_String(path.c_str()))) << ext;
        }
        const Outcome o = Exercise(path, kCopies, [&] {
            QV_Mesh m;
            const bool ok = m.Load(QV_String(path.c_str()));
            if (ok) {
                // Every index a face holds names an element of the mesh.
                for (unsigned f = 0; f < m.faces.Size(); ++f)
                    for (int k = 0; k < m.faces[f].count; ++k) {
                        const QV_Corner& c = m.faces[f].corners[k];
                        EXPECT_LT(c.vertex, static_cast<int>(m.vertices.Size())) << ext;
                        EXPECT_LT(c.texCoord, static_cast<int>(m.texCoords.Size())) << ext;
                        EXPECT_LT(c.normal, static_cast<int>(m.normals.Size())) << ext;
                    }
            }
            return ok;
        });
        EXPECT_GT(o.refused, 0) << ext << ": no damage was noticed";
    }
}

// The annotation model in its three forms.
TEST(ReaderMutation, AnnotationFilesAreRefusedOrRead)
{
    TempDir dir;
    const QV_AnnotationModel model = mugshot_fixture::FrontAnnotation();
    for (const char* ext : {"mma", "ana", "anb"}) {
        const std::string path = dir.File(std::string("case.") + ext);
        ASSERT_TRUE(model.Save(QV_String(path.c_str()))) << ext;
        const Outcome o = Exercise(path, kCopies, [&] {
            QV_AnnotationModel m;
            return m.Load(QV_String(path.c_str()));
        });
        EXPECT_GT(o.refused, 0) << ext << ": no damage was noticed";
    }
}

// The mugshot file and a head model file that embeds one.
TEST(ReaderMutation, MugShotAndHeadModelFilesAreRefusedOrRead)
{
    TempDir dir;
    const std::string mugPath = dir.File("case.mug2d3d");
    const std::unique_ptr<QV_AvatarPlugin> head = QV_CreatePlugin(4);
    auto* plugin = dynamic_cast<QV_PlainHeadPlugin*>(head.get());
    ASSERT_NE(plugin, nullptr);
    plugin->mugshot = mugshot_fixture::MugShot();
    plugin->frontReference = mugshot_fixture::FrontAnnotation();
    ASSERT_TRUE(plugin->mugshot.Save(QV_String(mugPath.c_str())));
    Outcome o = Exercise(mugPath, kCopies, [&] {
        QV_MugShot2D3D m;
        return m.Load(QV_String(mugPath.c_str()));
    });
    EXPECT_GT(o.refused, 0);

    const std::string headPath = dir.File("case.qvhead");
    ASSERT_TRUE(QV_SaveHeadModel(QV_String(headPath.c_str()), *plugin));
    o = Exercise(headPath, kCopies, [&] {
        QV_String error;
        return LoadHeadModel(QV_String(headPath.c_str()), error) != nullptr;
    });
    EXPECT_GT(o.refused, 0);
}

// The shipped eye network's structure and weight texts, each damaged in turn;
// a network that reads must also run.
TEST(ReaderMutation, NetworkTextsAreRefusedOrReadAndRun)
{
    const std::string folder = VISAGEN_NETWORKS_DIR;
    const std::vector<std::string> structure = visagen_test::ReadFileLines(folder + "/eye.structure.txt");
    const std::vector<std::string> weights = visagen_test::ReadFileLines(folder + "/eye.weights.txt");
    ASSERT_FALSE(structure.empty());
    ASSERT_FALSE(weights.empty());
    TempDir dir;
    for (int part = 0; part < 2; ++part) {
        const std::string path = dir.File(part == 0 ? "structure.txt" : "weights.txt");
        visagen_test::WriteFileBytes(path, visagen_test::ReadFileBytes(folder + (part == 0 ? "/eye.structure.txt"
                                                                                               : "/eye.weights.txt")));
        const Outcome o = Exercise(path, kCopies / 3, [&] {
            const std::vector<std::string> damaged = visagen_test::ReadFileLines(path);
            QV_NeuralNet net;
            const bool ok = part == 0 ? net.Read(damaged, weights) : net.Read(structure, damaged);
            if (ok) net.ForwardPass();
            return ok;
        });
        EXPECT_GT(o.refused, 0) << part;
    }
}
