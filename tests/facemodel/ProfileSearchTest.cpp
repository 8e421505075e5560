#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_ProfileSearch.h"
#include "ShapeModelTestUtil.h"
#include "TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr float kEdge = 32.0f;  // columns below are dark, the rest bright

// A 64 x 64 vertical step edge with a little noise.
QV_Image EdgeImage(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-3, 3);
    QV_Image img(64, 64);
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 64; ++c) {
            const auto v = static_cast<unsigned char>((c < kEdge ? 50 : 200) + noise(rng));
            img(r, c) = QV_Colour(v, v, static_cast<unsigned char>(v - 10), 255);
        }
    return img;
}

// Three points on a vertical line, listed downward so their normals are +x.
QV_AnnotationModel Line(float x)
{
    QV_AnnotationModel m;
    m.annotations.Append(shape_test::MakeAnnotation("FACE", {{x, 0.75f}, {x, 0.5f}, {x, 0.25f}}));
    return m;
}

// A search over a 64-pixel image whose shape model is that line with tiny
// variation, and whose profile models (the same at every level) are trained
// on the edge at positions scattered a little, as hand-placed points are.
QV_ProfileSearch MakeEdgeSearch(int levels)
{
    QV_ProfileSearch ps;
    ps.levels = levels;
    ps.workingWidth = 64;
    QV_ShapeModel2D& sm = ps.shapeModel;
    sm.templateModel = Line(0.5f);
    QV_ShapeInstance::ShapeVector(QV_Point2D(1, 1), sm.templateModel, sm.referenceShape);
    sm.pca = std::make_unique<QV_PCA>();
    std::mt19937 rng(3);
    std::normal_distribution<float> g(0.0f, 0.001f);
    std::uniform_real_distribution<float> jitter(-0.75f, 0.75f);
    for (int s = 0; s < 20; ++s) {
        QV_Array<float> v = sm.referenceShape;
        for (float& x : v) x += g(rng);
        sm.pca->AddObservation(v);
    }
    sm.pca->BuildWithModes(2);
    std::vector<QV_PCA> models(3);
    for (unsigned seed = 1; seed <= 30; ++seed)
        for (int p = 0; p < 3; ++p) {
            QV_Array<float> profile;
            ps.TrainingProfile(EdgeImage(seed), QV_Point2D(kEdge + jitter(rng), 16.0f + 16.0f * p), {1, 0}, profile);
            models[p].AddObservation(profile);
        }
    for (QV_PCA& m : models) m.Build(98.0f);
    ps.profileModels.assign(static_cast<size_t>(levels), {0, 2, models});
    return ps;
}

TEST(QV_ProfileSearch, APointNearTheEdgeMovesOntoIt)
{
    for (const float startX : {kEdge + 2.0f, kEdge - 2.0f}) {
        QV_ProfileSearch ps = MakeEdgeSearch(1);
        ASSERT_TRUE(ps.BuildPyramid(EdgeImage(99)));
        QV_AnnotationModel start = Line(startX / 64.0f);
        ASSERT_TRUE(ps.Initialise(start));
        QV_Point2D moved;
        ps.SearchPoint(1, moved);
        EXPECT_EQ(moved, QV_Point2D(startX + (startX > kEdge ? -1.0f : 1.0f), 32.0f));
        float fit = 0.0f;
        for (int s = 0; s < 4; ++s) ps.Step(fit);
        for (int p = 0; p < 3; ++p) EXPECT_NEAR(ps.Shape().Point(p).x, kEdge, 0.1f) << startX << " point " << p;
    }
}

TEST(QV_ProfileSearch, AnAllZeroProfileIsScoredAsItIs)
{
    QV_ProfileSearch ps = MakeEdgeSearch(1);
    QV_Image flat(64, 64);
    flat.Fill(QV_Colour(90, 90, 90, 255));
    ASSERT_TRUE(ps.BuildPyramid(flat));
    QV_AnnotationModel start = Line(0.5f);
    ASSERT_TRUE(ps.Initialise(start));
    QV_Point2D moved;
    const float cost = ps.SearchPoint(0, moved);
    QV_Array<float> zeros(ps.ProfileLength());
    zeros.Fill(0.0f);
    EXPECT_TRUE(std::isfinite(cost));
    EXPECT_FLOAT_EQ(cost, std::fabs(ps.profileModels[0].models[0].Distance(zeros)));
    EXPECT_FLOAT_EQ(moved.x, kEdge - 1.0f);  // all candidates tie: the first wins
}

TEST(QV_ProfileSearch, EveryLevelTakesMaxIterationsStepsAndTheLimitGrows)
{
    QV_ProfileSearch ps = MakeEdgeSearch(5);
    ASSERT_TRUE(ps.BuildPyramid(EdgeImage(5)));
    EXPECT_EQ(ps.LevelSize(0), QV_Point2D(4.0f, 4.0f));
    ps.SetLimitBase(70.0f);
    QV_AnnotationModel start = Line(0.5f);
    ASSERT_TRUE(ps.Initialise(start));
    std::vector<int> steps(5, 0);
    std::vector<float> limits(5, 0.0f);
    bool finished = false;
    for (int n = 0; n < 30 && !finished; ++n) {
        const size_t level = static_cast<size_t>(ps.Level());
        limits[level] = ps.shapeModel.PCA()->GetLimit();
        float fit;
        finished = ps.Step(fit);
        ++steps[level];
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(ps.TotalIterations(), 25);
    EXPECT_EQ(steps, std::vector<int>(5, 5));
    EXPECT_EQ(limits, (std::vector<float>{70.0f, 105.0f, 140.0f, 175.0f, 210.0f}));
    // The shape followed the levels into the finest level's pixels.
    EXPECT_NEAR(ps.Shape().Point(0).y - ps.Shape().Point(2).y, 32.0f, 6.0f);
    // The mirrored flag mirrors the result back.
    QV_AnnotationModel plain, mirrored;
    ps.ToAnnotation(plain);
    ps.mirror = 1;
    ps.ToAnnotation(mirrored);
    EXPECT_FLOAT_EQ(mirrored[0].points[1].x, 1.0f - plain[0].points[1].x);
}

Bytes WritePart(const QV_ProfileSearch& ps, const visagen_test::TempDir& dir)
{
    {
        QV_File f = QV_OpenFile(dir.File("out.bin").c_str(), "wb");
        EXPECT_TRUE(ps.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(dir.File("out.bin"));
}

bool ReadPart(QV_ProfileSearch& ps, const Bytes& bytes, const visagen_test::TempDir& dir)
{
    visagen_test::WriteFileBytes(dir.File("in.bin"), bytes);
    QV_File f = QV_OpenFile(dir.File("in.bin").c_str(), "rb");
    return ps.Read(f.get());
}

Bytes With(Bytes b, size_t at, int32_t v)
{
    std::memcpy(&b[at], &v, 4);
    return b;
}

TEST(QV_ProfileSearch, FilePartRoundTripsAndMalformedPartsFail)
{
    visagen_test::TempDir dir;
    QV_ProfileSearch ps = MakeEdgeSearch(2);
    ps.preprocessing = 4;
    ps.shapeModel.searchValue = -17;
    const Bytes good = WritePart(ps, dir);
    QV_ProfileSearch back;
    ASSERT_TRUE(ReadPart(back, good, dir));
    EXPECT_EQ(back.preprocessing, 4);
    EXPECT_EQ(back.shapeModel.searchValue, -17);
    EXPECT_EQ(WritePart(back, dir), good);
    // The older form has no preprocessing value: mode 0, written as version 2.
    Bytes old = With(good, 4, 1);  // version 1 where the preprocessing value was
    old.erase(old.begin(), old.begin() + 4);
    ASSERT_TRUE(ReadPart(back, old, dir));
    EXPECT_EQ(WritePart(back, dir), With(good, 4, 0));

    // Offsets: version 0, preprocessing 4, levels 8, width 12, half length 16.
    std::vector<Bytes> cases = {With(good, 8, 3), With(good, 8, 1 << 30), With(good, 12, 1 << 30),
                                With(good, 16, -1), With(good, 16, 4)};
    for (size_t cut : {size_t{10}, size_t{22}, good.size() / 2, good.size() - 1})
        cases.emplace_back(good.begin(), good.begin() + static_cast<long>(cut));
    QV_ProfileSearch bad = MakeEdgeSearch(2);
    bad.profileModels[1].models.pop_back();  // fewer profile models than points
    bad.profileModels[1].high = 1;
    cases.push_back(WritePart(bad, dir));
    bad = MakeEdgeSearch(2);
    bad.profileModels[0].models[2] = QV_PCA();  // an unbuilt profile model
    cases.push_back(WritePart(bad, dir));
    for (size_t i = 0; i < cases.size(); ++i) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ReadPart(back, cases[i], dir)) << i;
        testing::internal::GetCapturedStderr();
    }
}

}  // namespace
