// The file readers against damaged copies of a good file (see
// DamagedCopies.h). A reader must refuse or accept each copy and return;
// under the sanitizer build any out-of-bounds access, leak or unbounded
// allocation (which the test environment turns into a failed allocation)
// fails the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DamagedCopies.h"
#include "MugShotTestFixture.h"
#include "QV_HeadModelFile.h"
#include "QV_MIO_STL.h"
#include "QV_MugShot.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_NeuralNet.h"
#include "TestSupport.h"

using visagen_test::DamageOutcome;
using visagen_test::ExerciseDamagedCopies;
using visagen_test::TempDir;

namespace {

QV_Image Pattern()
{
    QV_Image im(7, 9);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 9; ++c)
            im.Row(r)[c] = QV_Colour(static_cast<unsigned char>(30 * r), static_cast<unsigned char>(25 * c),
                                     static_cast<unsigned char>(200 - 10 * r - 5 * c));
    return im;
}

const int kCopies = visagen_test::DamagedCopyCount(150);

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
        const DamageOutcome o = ExerciseDamagedCopies(path, kCopies, [&] {
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
        const DamageOutcome o = ExerciseDamagedCopies(path, kCopies, [&] {
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
        const DamageOutcome o = ExerciseDamagedCopies(path, kCopies, [&] {
            QV_AnnotationModel m;
            return m.Load(QV_String(path.c_str()));
        });
        EXPECT_GT(o.refused, 0) << ext << ": no damage was noticed";
    }
}

// The mugshot files, current and older, and a head model file that embeds one.
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
    DamageOutcome o = ExerciseDamagedCopies(mugPath, kCopies, [&] {
        QV_MugShot2D3D m;
        return m.Load(QV_String(mugPath.c_str()));
    });
    EXPECT_GT(o.refused, 0);

    const std::string olderPath = dir.File("case.mug");
    ASSERT_TRUE(mugshot_fixture::OlderMugShot().Save(QV_String(olderPath.c_str())));
    o = ExerciseDamagedCopies(olderPath, kCopies, [&] {
        QV_MugShot m;
        return m.Load(QV_String(olderPath.c_str()));
    });
    EXPECT_GT(o.refused, 0);

    const std::string headPath = dir.File("case.qvhead");
    ASSERT_TRUE(QV_SaveHeadModel(QV_String(headPath.c_str()), *plugin));
    o = ExerciseDamagedCopies(headPath, kCopies, [&] {
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
        const DamageOutcome o = ExerciseDamagedCopies(path, kCopies / 3, [&] {
            const std::vector<std::string> damaged = visagen_test::ReadFileLines(path);
            QV_NeuralNet net;
            const bool ok = part == 0 ? net.Read(damaged, weights) : net.Read(structure, damaged);
            if (ok) net.ForwardPass();
            return ok;
        });
        EXPECT_GT(o.refused, 0) << part;
    }
}
