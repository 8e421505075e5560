// Mapping entries from a reference annotation, samplers restricted to the
// photographed texels, and the standard plug-in's data built, written, loaded
// and used to create a head.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <sys/stat.h>

#include "QV_FaceSearch.h"
#include "QV_HeadModelFile.h"
#include "QV_MugShotBuilder.h"
#include "QV_MugShotFixture.h"
#include "QV_StandardHeadPlugin.h"
#include "QV_TemplateHead.h"
#include "TestSupport.h"

namespace {

namespace TH = QV_TemplateHead;

QV_AnnotationModel Square()
{
    QV_AnnotationModel m;
    QV_Annotation a;
    a.label = "FACE";
    for (const QV_Point2D& p : {QV_Point2D(0.2f, 0.2f), QV_Point2D(0.8f, 0.2f), QV_Point2D(0.8f, 0.8f),
                                QV_Point2D(0.2f, 0.8f)})
        a.points.Append(p);
    m.annotations.Append(a);
    QV_Annotation b;
    b.label = "NOSE";
    b.points.Append({0.5f, 0.45f});
    m.annotations.Append(b);
    return m;
}

TEST(MappingList, EntriesReproduceTargetsInsideAndOutsideTheHull)
{
    const QV_AnnotationModel model = Square();
    const QV_Point2D frame(200.0f, 100.0f);
    const std::vector<QV_Point2D> targets = {{100, 45}, {50, 30}, {150, 70}, {10, 5}, {190, 95}, {100, 99}, {40, 20}};
    QV_MappingList list;
    ASSERT_TRUE(QV_BuildMappingList(model, frame, targets, list));
    ASSERT_EQ(list.Size(), static_cast<int>(targets.size()));
    std::vector<QV_Point2D> points;
    QV_MugShotBase::ScaledModelPoints(model, frame, points);
    for (size_t k = 0; k < targets.size(); ++k) {
        const QV_MappingEntry& e = list.entries[k];
        ASSERT_TRUE(e.IndicesBelow(static_cast<int>(points.size())));
        const QV_Point2D p = e.Evaluate(points.data());
        EXPECT_NEAR(p.x, targets[k].x, 1e-3) << k;
        EXPECT_NEAR(p.y, targets[k].y, 1e-3) << k;
    }
    // The annotation point itself is taken with full weight.
    EXPECT_NEAR(list.entries[0].w[0] + list.entries[0].w[1] + list.entries[0].w[2], 1.0f, 1e-6);
    float largest = 0;
    for (float w : list.entries[0].w) largest = std::max(largest, w);
    EXPECT_NEAR(largest, 1.0f, 1e-5) << "target (100, 45) is the nose point";
    // Inside the hull the weights are a convex combination; outside, the
    // nearest triangle's extrapolation has a negative weight.
    for (float w : list.entries[1].w) EXPECT_GE(w, -1e-6f);
    EXPECT_LT(std::min({list.entries[3].w[0], list.entries[3].w[1], list.entries[3].w[2]}), 0.0f);
}

TEST(MappingList, CollinearPointsAreRefusedWithAMessage)
{
    QV_AnnotationModel m;
    QV_Annotation a;
    for (int i = 0; i < 4; ++i) a.points.Append({0.1f * i, 0.1f * i});
    m.annotations.Append(a);
    QV_MappingList list;
    list.entries.resize(3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_BuildMappingList(m, {100, 100}, {{1, 1}}, list));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QV_BuildMappingList() Error! : the annotation points form no triangle\n");
    EXPECT_TRUE(list.entries.empty());
}

TEST(RestrictSampler, KeepsExactlyTheTexelsNextToGreen)
{
    QV_Mesh quad;
    for (const QV_Point3D& p : {QV_Point3D(0, 0, 0), QV_Point3D(1, 0, 0), QV_Point3D(1, 1, 0), QV_Point3D(0, 1, 0)})
        quad.vertices.Append(p);
    for (const QV_Point2D& t : {QV_Point2D(0, 0), QV_Point2D(1, 0), QV_Point2D(1, 1), QV_Point2D(0, 1)})
        quad.texCoords.Append(t);
    QV_Face f;
    for (int i = 0; i < 4; ++i) f.Add({i, -1, i});
    quad.faces.Append(f);
    QV_TextureSampler s;
    ASSERT_TRUE(QV_BuildTextureSampler(quad, 8, 8, QV_TextureSampler::kRGB, s));
    ASSERT_EQ(s.EntryCount(), 64);
    QV_Image mask(8, 8);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) mask(r, c) = QV_Colour(0, 0, 255);
    mask(3, 3) = QV_Colour(0, 200, 55);
    mask(7, 7) = QV_Colour(0, 255, 0);
    QV_RestrictSamplerToMask(s, mask);
    std::set<std::pair<int, int>> kept;
    for (const QV_Texel& t : s.texels.items) kept.insert({t.row, t.col});
    std::set<std::pair<int, int>> expected;
    for (int r = 2; r <= 4; ++r)
        for (int c = 2; c <= 4; ++c) expected.insert({r, c});
    for (int r = 6; r <= 7; ++r)
        for (int c = 6; c <= 7; ++c) expected.insert({r, c});
    EXPECT_EQ(kept, expected);
    ASSERT_EQ(s.EntryCount(), static_cast<int>(s.texels.items.size()));
}

// The data is built once for the tests below.
const QV_TemplateHeadData& Data()
{
    static const QV_TemplateHeadData data = [] {
        QV_TemplateHeadData d;
        EXPECT_TRUE(QV_BuildTemplateHeadData(d));
        return d;
    }();
    return data;
}

TEST(TemplateHeadData, MappingFromTheReferenceAnnotationGivesBackEveryVertex)
{
    const QV_TemplateHeadData& d = Data();
    const QV_Mesh& mesh = d.mugshot.templateMesh;
    ASSERT_EQ(d.mugshot.frontMapping.Size(), mesh.VertexCount());
    ASSERT_EQ(d.mugshot.profileMapping.Size(), mesh.VertexCount());
    const QV_Point2D front(TH::kFrontWidth, TH::kFrameHeight), side(TH::kProfileWidth, TH::kFrameHeight);
    std::vector<QV_Point2D> fp, pp;
    ASSERT_TRUE(d.mugshot.ProjectPoints(QV_MugShotBase::kFront, front, d.front, fp));
    ASSERT_TRUE(d.mugshot.ProjectPoints(QV_MugShotBase::kProfile, side, d.profile, pp));
    double worst = 0;
    for (int v = 0; v < mesh.VertexCount(); ++v) {
        const QV_Point3D& p = mesh.vertices[v];
        const QV_Point2D f = TH::FrontFrame(p.x, p.y), s = TH::ProfileFrame(p.z, p.y);
        worst = std::max({worst, std::fabs(double(fp[v].x) - f.x * front.x), std::fabs(double(fp[v].y) - f.y * front.y),
                          std::fabs(double(pp[v].x) - s.x * side.x), std::fabs(double(pp[v].y) - s.y * side.y)});
    }
    EXPECT_LT(worst, 2e-3) << "pixels";
}

TEST(TemplateHeadData, SamplersHaveAnEntryForEveryPhotographedTexel)
{
    const QV_TemplateHeadData& d = Data();
    for (const QV_TextureSampler* s : {&d.mugshot.sampler, &d.mugshot.samplerHigh}) {
        SCOPED_TRACE(s->height);
        QV_Image mask(d.mask);
        if (mask.Rows() != s->height) mask.Resize(s->height, s->width, true);
        std::vector<char> has(static_cast<size_t>(s->height) * s->width, 0);
        for (const QV_Texel& t : s->texels.items) has[static_cast<size_t>(t.row) * s->width + t.col] = 1;
        int green = 0, missing = 0;
        for (int r = 0; r < s->height; ++r)
            for (int c = 0; c < s->width; ++c)
                if (mask(r, c).green > 0) {
                    ++green;
                    if (!has[static_cast<size_t>(r) * s->width + c]) ++missing;
                }
        EXPECT_GT(green, 1000);
        EXPECT_EQ(missing, 0);
        EXPECT_LT(s->EntryCount(), s->height * s->width / 5) << "entries limited to the photographed texels";
        EXPECT_TRUE(s->IndicesBelow(d.mugshot.templateMesh.TexCoordCount()));
    }
    EXPECT_EQ(d.mugshot.sampler.height, 512);
    EXPECT_EQ(d.mugshot.samplerHigh.height, 1024);
}

// Writes the asset folder and the head file as the tool does.
void WriteDataDirectory(const std::string& dir)
{
    const std::string assets = dir + "/QuorHeadLoadDir";
    ASSERT_EQ(::mkdir(assets.c_str(), 0755), 0);
    ASSERT_TRUE(QV_SaveTemplateHeadData(Data(), QV_String(assets.c_str())));
}

TEST(TemplateHeadData, StandardPluginLoadsItAndCreatesAHeadFromTheReference)
{
    visagen_test::TempDir dir;
    WriteDataDirectory(dir.Path());
    QV_StandardHeadPlugin plugin;
    QV_String error;
    ASSERT_TRUE(plugin.LoadDataDirectory(QV_String(dir.Path().c_str()), error)) << error.CStr();
    const QV_Mesh& templ = Data().mugshot.templateMesh;
    EXPECT_EQ(plugin.rightEye.size(), static_cast<size_t>((TH::kEyeRings - 1) * TH::kEyeColumns + 2));
    EXPECT_FALSE(plugin.leftEar.empty());

    // The reference annotation, placed in a 512 x 512 photograph.
    QV_AnnotationModel model(Data().front);
    for (int a = 0; a < model.Count(); ++a)
        for (int i = 0; i < model[a].NumPoints(); ++i) {
            QV_Point2D& p = model[a].points[i];
            p.x = (p.x * TH::kFrontWidth + 0.5f * (512.0f - TH::kFrontWidth)) / 512.0f;
        }
    QV_Image photo(512, 512);
    for (int r = 0; r < 512; ++r)
        for (int c = 0; c < 512; ++c) photo(r, c) = QV_Colour(180, 140, 120);
    QV_FaceSearch search;
    QV_Mesh out;
    ASSERT_TRUE(plugin.CreateFromFront(search, photo, model, out, false, error)) << error.CStr();
    EXPECT_EQ(out.VertexCount(), templ.VertexCount());
    EXPECT_EQ(out.FaceCount(), templ.FaceCount());
    EXPECT_EQ(out.texture.Rows(), 512);
    // Created from its own reference, the head keeps the template's shape.
    double worst = 0;
    for (int v = 0; v < out.VertexCount(); ++v) {
        const QV_Point3D& a = out.vertices[v];
        const QV_Point3D& b = templ.vertices[v];
        worst = std::max({worst, std::fabs(double(a.x) - b.x), std::fabs(double(a.y) - b.y), std::fabs(double(a.z) - b.z)});
    }
    EXPECT_LT(worst, 0.05) << "head units (head height about 3)";
}

TEST(TemplateHeadData, FrontAndProfileReferencesGiveBackTheTemplate)
{
    // The profile reference with its own photograph supplies depth: created
    // from both references, the head is the template again.
    visagen_test::TempDir dir;
    WriteDataDirectory(dir.Path());
    QV_StandardHeadPlugin plugin;
    QV_String error;
    ASSERT_TRUE(plugin.LoadDataDirectory(QV_String(dir.Path().c_str()), error)) << error.CStr();
    QV_Image front(512, 334);
    for (int r = 0; r < front.Rows(); ++r)
        for (int c = 0; c < front.Cols(); ++c) front(r, c) = QV_Colour(170, 130, 110);
    QV_FaceSearch search;
    QV_Mesh out;
    ASSERT_TRUE(plugin.CreateFromFrontAndProfile(search, front, Data().front, plugin.profileImage,
                                                 plugin.profileReference, out, false, error))
        << error.CStr();
    const QV_Mesh& templ = Data().mugshot.templateMesh;
    ASSERT_EQ(out.VertexCount(), templ.VertexCount());
    double worst = 0;
    for (int v = 0; v < out.VertexCount(); ++v) {
        const QV_Point3D& a = out.vertices[v];
        const QV_Point3D& b = templ.vertices[v];
        worst = std::max({worst, std::fabs(double(a.x) - b.x), std::fabs(double(a.y) - b.y), std::fabs(double(a.z) - b.z)});
    }
    EXPECT_LT(worst, 0.05);
}

TEST(TemplateHeadData, EveryFullyPhotographedTexelTakesThePhotographAtBothResolutions)
{
    visagen_test::TempDir dir;
    WriteDataDirectory(dir.Path());
    QV_StandardHeadPlugin plugin;
    QV_String error;
    ASSERT_TRUE(plugin.LoadDataDirectory(QV_String(dir.Path().c_str()), error)) << error.CStr();
    QV_AnnotationModel model(Data().front);
    QV_Image photo(512, 334);
    const QV_Colour skin(181, 139, 117);
    for (int r = 0; r < photo.Rows(); ++r)
        for (int c = 0; c < photo.Cols(); ++c) photo(r, c) = skin;
    QV_FaceSearch search;
    for (bool highRes : {false, true}) {
        SCOPED_TRACE(highRes);
        QV_Mesh out;
        ASSERT_TRUE(plugin.CreateFromFront(search, photo, model, out, highRes, error)) << error.CStr();
        const int size = highRes ? 1024 : 512;
        ASSERT_EQ(out.texture.Rows(), size);
        QV_Image mask(Data().mask);
        if (mask.Rows() != size) mask.Resize(size, size, true);
        int full = 0, wrong = 0;
        for (int r = 0; r < size; ++r)
            for (int c = 0; c < size; ++c) {
                if (mask(r, c).green != 255) continue;
                ++full;
                const QV_Colour& t = out.texture(r, c);
                if (std::abs(t.red - skin.red) > 1 || std::abs(t.green - skin.green) > 1 || std::abs(t.blue - skin.blue) > 1)
                    ++wrong;
            }
        EXPECT_GT(full, size * size / 50);
        EXPECT_EQ(wrong, 0);
    }
}

TEST(TemplateHeadData, ToolWritesTheFolderAndAHeadFileThatLoads)
{
    visagen_test::TempDir dir;
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "make-head", dir.Path()}), 0);
    for (const char* name : {"Front.mma", "Right.mma", "Right.jpg", "MUG.mug2d3d", "TexMask.bmp"})
        EXPECT_FALSE(visagen_test::ReadFileBytes(dir.Path() + "/QuorHeadLoadDir/" + name).empty()) << name;
    QV_String error;
    const std::unique_ptr<QV_AvatarPlugin> plugin = LoadHeadModel(QV_String((dir.Path() + "/Standard.qvhead").c_str()), error);
    ASSERT_NE(plugin, nullptr) << error.CStr();
    EXPECT_EQ(plugin->TypeCode(), 0);
    const auto* standard = dynamic_cast<const QV_StandardHeadPlugin*>(plugin.get());
    ASSERT_NE(standard, nullptr);
    EXPECT_EQ(standard->mugshot.templateMesh.VertexCount(), Data().mugshot.templateMesh.VertexCount());
    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "make-head"}), 2);
}

}  // namespace
