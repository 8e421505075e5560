// Head creation and save of the standard head plug-in on a template of about
// 5,000 vertices with a 512 x 512 texture, from a 512 x 512 photograph.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "QV_FaceSearch.h"
#include "QV_HeadModelFile.h"
#include "QV_MugShotFixture.h"
#include "QV_StandardHeadPlugin.h"

namespace {

constexpr int kRows = 72;
constexpr int kCols = 70;  // 5,040 vertices
constexpr int kTexture = 512;
constexpr int kPhoto = 512;

QV_Point3D GridVertex(int r, int c)
{
    const float x = -90.0f + 180.0f * c / (kCols - 1);
    const float y = -200.0f + 300.0f * r / (kRows - 1);
    return {x, y, 30.0f * std::cos(x / 60.0f) + 12.0f * std::cos(y / 70.0f)};
}

// Template frame to normalised photograph coordinates.
QV_Point2D ToPhoto(float x, float y) { return {(256.0f + 1.4f * x) / kPhoto, (300.0f + 1.4f * y) / kPhoto}; }

QV_Image Picture(int size, int seed)
{
    QV_Image im(size, size);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            im.Row(r)[c] = QV_Colour(static_cast<unsigned char>((c * 3 + seed) & 255),
                                     static_cast<unsigned char>((r * 5 + seed) & 255),
                                     static_cast<unsigned char>((r + c) & 255), 255);
    return im;
}

void AddGroup(QV_Mesh& mesh, const char* name, float x, float y)
{
    const int c0 = static_cast<int>((x + 90.0f) / 180.0f * (kCols - 1)) - 1;
    const int r0 = static_cast<int>((y + 200.0f) / 300.0f * (kRows - 1)) - 1;
    QV_Feature f;
    f.name = name;
    for (int r = r0; r < r0 + 3; ++r)
        for (int c = c0; c < c0 + 3; ++c) {
            const int quad = r * (kCols - 1) + c;
            f.faceIndices.Append(2 * quad);
            f.faceIndices.Append(2 * quad + 1);
        }
    mesh.features.Append(f);
}

QV_MugShot2D3D MugShot()
{
    QV_MugShot2D3D mug;
    QV_Mesh& t = mug.templateMesh;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            t.vertices.Append(GridVertex(r, c));
            t.texCoords.Append(QV_Point2D(static_cast<float>(c) / (kCols - 1), static_cast<float>(r) / (kRows - 1)));
        }
    QV_Feature all;
    all.name = "Head";
    for (int r = 0; r + 1 < kRows; ++r)
        for (int c = 0; c + 1 < kCols; ++c) {
            const int a = r * kCols + c, b = a + 1, d = a + kCols, e = d + 1;
            QV_Face f1(a, b, e), f2(a, e, d);
            for (QV_Face* f : {&f1, &f2})
                for (int k = 0; k < 3; ++k) f->corners[k].texCoord = f->corners[k].vertex;
            t.faces.Append(f1);
            all.faceIndices.Append(t.FaceCount() - 1);
            t.faces.Append(f2);
            all.faceIndices.Append(t.FaceCount() - 1);
        }
    t.features.Append(all);
    AddGroup(t, "RightEye", -40.0f, 0.0f);
    AddGroup(t, "LeftEye", 40.0f, 0.0f);
    AddGroup(t, "RightEar", -80.0f, -30.0f);
    AddGroup(t, "LeftEar", 80.0f, -30.0f);
    t.texture = Picture(kTexture, 7);
    t.hasTexture = true;
    t.UpdateBounds();
    for (int k = 0; k < kRows * kCols; ++k) {
        QV_MappingEntry e;
        e.w[0] = 1.0f;
        e.i[0] = e.i[1] = e.i[2] = k;
        mug.frontMapping.entries.push_back(e);
        mug.profileMapping.entries.push_back(e);
    }
    QV_BuildTextureSampler(t, kTexture, kTexture, QV_TextureSampler::kRGB, mug.sampler);
    QV_BuildTextureSampler(t, kTexture, kTexture, QV_TextureSampler::kRGB, mug.samplerHigh);
    mug.mask = Picture(kTexture, 40);
    mug.DeriveAssociations();
    return mug;
}

QV_Annotation Ellipse(const char* label, float cx, float cy, float rx, float ry, int n)
{
    QV_Annotation a;
    a.label = label;
    for (int k = 0; k < n; ++k) {
        const float t = 6.2831853f * k / n;
        a.points.Append(ToPhoto(cx + rx * std::cos(t), cy + ry * std::sin(t)));
    }
    return a;
}

QV_AnnotationModel Annotation()
{
    QV_AnnotationModel m;
    QV_Annotation grid;
    grid.label = "GRID";
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) grid.points.Append(ToPhoto(GridVertex(r, c).x, GridVertex(r, c).y));
    m.annotations.Append(grid);
    m.annotations.Append(Ellipse("FACE", 0, -50, 85, 140, 22));
    m.annotations.Append(Ellipse("RIGHT EYE", -40, 0, 15, 6, 8));
    m.annotations.Append(Ellipse("LEFT EYE", 40, 0, 15, 6, 8));
    m.annotations.Append(Ellipse("NECK", 0, -190, 40, 10, 11));
    m.annotations.Append(Ellipse("HEAD", 0, -40, 95, 150, 17));
    return m;
}

// The plug-in as read from its head model file, with its derived lists.
std::unique_ptr<QV_AvatarPlugin> Plugin(const std::string& folder)
{
    QV_StandardHeadPlugin made;
    made.SetTypeCode(0);
    made.mugshot = MugShot();
    const std::string path = folder + "/Standard.qvhead";
    if (!QV_SaveHeadModel(path.c_str(), made)) return nullptr;
    QV_String error;
    return LoadHeadModel(path.c_str(), error);
}

struct Folder {
    std::string path = std::filesystem::temp_directory_path().string() + "/visagen-create-bench-" +
                       std::to_string(static_cast<long>(getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void BM_StandardCreateFromFront(benchmark::State& state)
{
    Folder folder;
    std::unique_ptr<QV_AvatarPlugin> plugin = Plugin(folder.path);
    const QV_Image photo = Picture(kPhoto, 99);
    const QV_AnnotationModel model = Annotation();
    const QV_FaceSearch search;
    if (!plugin) {
        state.SkipWithError("head model file not made");
        return;
    }
    for (auto _ : state) {
        QV_Mesh out;
        QV_String error;
        if (!plugin->CreateFromFront(search, photo, model, out, false, error)) {
            state.SkipWithError(error.CStr());
            break;
        }
        benchmark::DoNotOptimize(out.vertices[0]);
    }
}
BENCHMARK(BM_StandardCreateFromFront)->Unit(benchmark::kMillisecond);

void BM_StandardSaveFromApplication(benchmark::State& state)
{
    Folder folder;
    std::unique_ptr<QV_AvatarPlugin> plugin = Plugin(folder.path);
    QV_Mesh head;
    QV_String error;
    if (!plugin || !plugin->CreateFromFront(QV_FaceSearch(), Picture(kPhoto, 99), Annotation(), head, false, error)) {
        state.SkipWithError("no head to save");
        return;
    }
    const std::string path = folder.path + "/head.obj";
    for (auto _ : state) {
        if (!plugin->SaveFromApplication(head, path.c_str(), error)) {
            state.SkipWithError(error.CStr());
            break;
        }
    }
}
BENCHMARK(BM_StandardSaveFromApplication)->Unit(benchmark::kMillisecond);

}  // namespace
