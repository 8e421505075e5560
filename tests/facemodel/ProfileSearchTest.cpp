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

using shape_test::MakeAnnotation;
using Bytes = std::vector<unsigned char>;

constexpr int kSize = 64;
constexpr float kEdge = 32.0f;  // columns below are dark, the rest bright

// A vertical step edge with a little noise drawn from seed.
QV_Image EdgeImage(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-3, 3);
    QV_Image img(kSize, kSize);
    for (int r = 0; r < kSize; ++r)
        for (int c = 0; c < kSize; ++c) {
            const int v = (c < kEdge ? 50 : 200) + noise(rng);
            img(r, c) = QV_Colour(static_cast<unsigned char>(v), static_cast<unsigned char>(v + 10),
                                  static_cast<unsigned char>(v - 10), 255);
        }
    return img;
}

// Three points on a vertical line at x (normalised), listed downward so that
// their normals point along +x.
QV_AnnotationModel Line(float x)
{
    QV_AnnotationModel m;
    m.annotations.Append(MakeAnnotation("FACE", {{x, 0.75f}, {x, 0.5f}, {x, 0.25f}}));
    return m;
}

// A profile search over `levels` levels of a 64-pixel working image whose
// shape model is the vertical line with only tiny variation, and whose
// profile models (the same at every level) are trained on the edge.
QV_ProfileSearch MakeEdgeSearch(int levels)
{
    QV_ProfileSearch ps;
    ps.levels = levels;
    ps.workingWidth = kSize;
    QV_ShapeModel2D& sm = ps.shapeModel;
    sm.templateModel = Line(0.5f);
    QV_ShapeInstance::ShapeVector(QV_Point2D(1, 1), sm.templateModel, sm.referenceShape);
    sm.pca = std::make_unique<QV_PCA>();
    std::mt19937 rng(3);
    std::normal_distribution<float> g(0.0f, 0.001f);
    for (int s = 0; s < 20; ++s) {
        QV_Array<float> v = sm.referenceShape;
        for (int i = 0; i < v.Count(); ++i) v[i] += g(rng);
        sm.pca->AddObservation(v);
    }
    EXPECT_GE(sm.pca->BuildWithModes(2), 0.0f);

    // Training positions scatter a little about the edge, as hand-placed
    // points do.
    std::vector<QV_PCA> models(3);
    std::uniform_real_distribution<float> jitter(-0.75f, 0.75f);
    for (unsigned seed = 1; seed <= 30; ++seed) {
        const QV_Image img = EdgeImage(seed);
        for (int p = 0; p < 3; ++p) {
            QV_Array<float> profile;
            ps.TrainingProfile(img, QV_Point2D(kEdge + jitter(rng), 16.0f + 16.0f * p), QV_Point2D(1, 0), profile);
            models[static_cast<size_t>(p)].AddObservation(profile);
        }
    }
    for (QV_PCA& m : models) EXPECT_GE(m.Build(98.0f), 0.0f);
    ps.profileModels.resize(static_cast<size_t>(levels));
    for (auto& level : ps.profileModels) {
        level.low = 0;
        level.high = 2;
        level.models = models;
    }
    return ps;
}

TEST(QV_ProfileSearch, SampledProfilesAreColourDifferencesAcrossTheDiagonal)
{
    // Intensity grows by 4 per column and 1 per row: each difference between
    // q + (1, 1) and q - (1, 1) is 2 * 4 + 2 * 1 = 10 inside the image.
    QV_Image img(20, 20);
    for (int r = 0; r < 20; ++r)
        for (int c = 0; c < 20; ++c) {
            const auto v = static_cast<unsigned char>(4 * c + r);
            img(r, c) = QV_Colour(v, static_cast<unsigned char>(2 * v), 0, 255);
        }
    QV_Array<float> values;
    QV_ProfileSearch::SampleProfile(img, QV_Point2D(10.0f, 10.0f), QV_Point2D(0.6f, 0.8f), 2, values);
    ASSERT_EQ(values.Count(), 15);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(values[3 * i], 10.0f, 1.0f) << i;
        EXPECT_NEAR(values[3 * i + 1], 20.0f, 1.0f) << i;
        EXPECT_EQ(values[3 * i + 2], 0.0f) << i;
    }
    // Outside the image the sampler's grey background is used on both sides.
    QV_ProfileSearch::SampleProfile(img, QV_Point2D(-50.0f, -50.0f), QV_Point2D(1, 0), 0, values);
    ASSERT_EQ(values.Count(), 3);
    EXPECT_EQ(values[0], 0.0f);

    QV_Array<float> out;
    QV_Array<float> src(6);
    const float raw[] = {9, 3, 0, 4, 0, 7};
    for (int i = 0; i < 6; ++i) src[i] = raw[i];
    QV_ProfileSearch::NormaliseProfile(src, 1, 3, out);
    ASSERT_EQ(out.Count(), 3);
    EXPECT_FLOAT_EQ(out[0], 0.6f);
    EXPECT_FLOAT_EQ(out[1], 0.0f);
    EXPECT_FLOAT_EQ(out[2], 0.8f);
    QV_Array<float> zeros(4);
    zeros.Fill(0.0f);
    QV_ProfileSearch::NormaliseProfile(zeros, 0, 4, out);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], 0.0f);
}

TEST(QV_ProfileSearch, APointMovesOntoTheEdgeItsModelWasTrainedOn)
{
    for (const float startX : {kEdge + 2.0f, kEdge - 2.0f}) {
        QV_ProfileSearch ps = MakeEdgeSearch(1);
        ASSERT_TRUE(ps.BuildPyramid(EdgeImage(99)));
        QV_AnnotationModel start = Line(startX / kSize);
        ASSERT_TRUE(ps.Initialise(start));
        ASSERT_NEAR(ps.Shape().Normal(1).x, 1.0f, 1e-6f);

        // One point alone steps one pixel toward the edge.
        QV_Point2D moved;
        ps.SearchPoint(1, moved);
        EXPECT_FLOAT_EQ(moved.x, startX + (startX > kEdge ? -1.0f : 1.0f));
        EXPECT_FLOAT_EQ(moved.y, 32.0f);

        // Whole steps bring the constrained line onto the edge and hold it there.
        float fit = 0.0f, firstFit = 0.0f;
        for (int s = 0; s < 5; ++s) {
            ps.Step(fit);
            if (s == 0) firstFit = fit;
        }
        for (int p = 0; p < 3; ++p) EXPECT_NEAR(ps.Shape().Point(p).x, kEdge, 0.1f) << startX << " point " << p;
        EXPECT_LT(fit, firstFit);
        QV_AnnotationModel result;
        ps.ToAnnotation(result);
        EXPECT_NEAR(result[0].points[0].x, 0.5f, 0.01f);
    }
}

TEST(QV_ProfileSearch, AFlatImageGivesAllZeroProfilesScoredWithoutDivision)
{
    QV_ProfileSearch ps = MakeEdgeSearch(1);
    QV_Image flat(kSize, kSize);
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
    // Every candidate ties; the first (one step against the normal) wins.
    EXPECT_FLOAT_EQ(moved.x, kEdge - 1.0f);
}

TEST(QV_ProfileSearch, EveryLevelTakesMaxIterationsStepsAndTheLimitGrows)
{
    QV_ProfileSearch ps = MakeEdgeSearch(5);
    ASSERT_TRUE(ps.BuildPyramid(EdgeImage(5)));
    ASSERT_EQ(ps.PyramidLevels(), 5);
    EXPECT_EQ(ps.LevelSize(0).x, 4.0f);
    EXPECT_EQ(ps.LevelSize(4).x, 64.0f);
    ps.SetLimitBase(70.0f);
    QV_AnnotationModel start = Line(0.5f);
    ASSERT_TRUE(ps.Initialise(start));
    EXPECT_EQ(ps.MaxIterations(), 5);
    EXPECT_FLOAT_EQ(ps.shapeModel.PCA()->GetLimit(), 70.0f);

    std::vector<int> stepsAtLevel(5, 0);
    std::vector<float> limitAtLevel(5, 0.0f);
    int steps = 0;
    bool finished = false;
    while (!finished && steps < 100) {
        const int level = ps.Level();
        limitAtLevel[static_cast<size_t>(level)] = ps.shapeModel.PCA()->GetLimit();
        float fit;
        finished = ps.Step(fit);
        ++stepsAtLevel[static_cast<size_t>(level)];
        ++steps;
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(steps, 25);
    EXPECT_EQ(ps.TotalIterations(), 25);
    EXPECT_EQ(ps.Level(), 4);
    for (int l = 0; l < 5; ++l) {
        EXPECT_EQ(stepsAtLevel[static_cast<size_t>(l)], 5) << l;
        EXPECT_FLOAT_EQ(limitAtLevel[static_cast<size_t>(l)], 70.0f * (1.0f + 0.5f * l)) << l;
    }
    EXPECT_FLOAT_EQ(limitAtLevel[4], 210.0f);
    // The shape followed the levels: at the finest level it is in its pixels
    // (coarse levels, searched with the fine level's profiles, may drift a little).
    EXPECT_NEAR(ps.Shape().Point(1).y, 32.0f, 6.0f);
    EXPECT_NEAR(ps.Shape().Point(0).y - ps.Shape().Point(2).y, 32.0f, 6.0f);
}

TEST(QV_ProfileSearch, InitialisationNeedsABuiltModelAndMatchingPoints)
{
    QV_ProfileSearch ps = MakeEdgeSearch(2);
    QV_AnnotationModel start = Line(0.5f);
    EXPECT_FALSE(ps.Initialise(start));  // no pyramid yet
    ASSERT_TRUE(ps.BuildPyramid(EdgeImage(1)));
    QV_AnnotationModel other;
    other.annotations.Append(MakeAnnotation("FACE", {{0.5f, 0.5f}, {0.5f, 0.4f}}));
    EXPECT_FALSE(ps.Initialise(other));  // two points against three models
    QV_ProfileSearch noPca = ps;
    noPca.shapeModel.pca.reset();
    EXPECT_FALSE(noPca.Initialise(start));
    // Contours the model does not know are switched off before the layout.
    QV_AnnotationModel extra = Line(0.5f);
    extra.annotations.Append(MakeAnnotation("HAIR", {{0.1f, 0.1f}}));
    EXPECT_TRUE(ps.Initialise(extra));
    EXPECT_EQ(extra[1].used, 0);
    EXPECT_EQ(ps.Shape().NumPoints(), 3);
}

TEST(QV_ProfileSearch, MirroredSearchRunsOnTheMirroredImageAndMirrorsBack)
{
    QV_ProfileSearch ps = MakeEdgeSearch(1);
    ps.mirror = 1;
    ASSERT_TRUE(ps.BuildPyramid(EdgeImage(4)));
    EXPECT_GT(ps.LevelImage(0)(5, 2).red, 150);  // bright half now on the left
    EXPECT_LT(ps.LevelImage(0)(5, 60).red, 100);
    QV_AnnotationModel start = Line(0.25f);
    ps.ToSearchFrame(start);
    EXPECT_FLOAT_EQ(start[0].points[0].x, 0.75f);
    ASSERT_TRUE(ps.Initialise(start));
    QV_AnnotationModel result;
    ps.ToAnnotation(result);
    EXPECT_NEAR(result[0].points[0].x, 0.25f, 1e-6f);
}

Bytes WritePart(const QV_ProfileSearch& ps, const visagen_test::TempDir& dir, const char* name)
{
    const std::string path = dir.File(name);
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(f && ps.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(path);
}

bool ReadPart(QV_ProfileSearch& ps, const Bytes& bytes, const visagen_test::TempDir& dir)
{
    const std::string path = dir.File("in.bin");
    visagen_test::WriteFileBytes(path, bytes);
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return f && ps.Read(f.get());
}

void PutI32(Bytes& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }

TEST(QV_ProfileSearch, FilePartRoundTripsByteForByte)
{
    visagen_test::TempDir dir;
    QV_ProfileSearch ps = MakeEdgeSearch(2);
    ps.preprocessing = 4;
    ps.shapeModel.searchValue = -17;
    ps.profileModels[1].low = 1;
    ps.profileModels[1].high = 3;
    const Bytes first = WritePart(ps, dir, "a.bin");
    QV_ProfileSearch back;
    ASSERT_TRUE(ReadPart(back, first, dir));
    EXPECT_EQ(back.levels, 2);
    EXPECT_EQ(back.workingWidth, kSize);
    EXPECT_EQ(back.preprocessing, 4);
    EXPECT_EQ(back.shapeModel.searchValue, -17);
    ASSERT_EQ(back.profileModels.size(), 2u);
    EXPECT_EQ(back.profileModels[1].low, 1);
    EXPECT_EQ(back.profileModels[1].models.size(), 3u);
    EXPECT_EQ(WritePart(back, dir, "b.bin"), first);

    // The older form without the preprocessing value reads as mode 0 and is
    // written back in the current form.
    Bytes old(first.begin(), first.begin() + 4);
    PutI32(old, 0, 1);
    old.insert(old.end(), first.begin() + 8, first.end());
    QV_ProfileSearch fromOld;
    ASSERT_TRUE(ReadPart(fromOld, old, dir));
    EXPECT_EQ(fromOld.version, 2);
    EXPECT_EQ(fromOld.preprocessing, 0);
    Bytes expected = first;
    PutI32(expected, 4, 0);
    EXPECT_EQ(WritePart(fromOld, dir, "c.bin"), expected);
}

TEST(QV_ProfileSearch, MalformedFilePartsFailCleanly)
{
    visagen_test::TempDir dir;
    const QV_ProfileSearch ps = MakeEdgeSearch(2);
    const Bytes good = WritePart(ps, dir, "good.bin");
    // Offsets: version 0, preprocessing 4, levels 8, width 12, half length 16.
    struct Case {
        std::string name;
        Bytes bytes;
    };
    std::vector<Case> cases;
    for (size_t cut : {size_t{2}, size_t{10}, size_t{22}, size_t{200}, good.size() / 2, good.size() - 1})
        cases.push_back({"truncated at " + std::to_string(cut), Bytes(good.begin(), good.begin() + cut)});
    auto with = [&](const char* name, size_t at, int32_t v) {
        Bytes b = good;
        PutI32(b, at, v);
        cases.push_back({name, b});
    };
    with("levels beyond the profile models", 8, 3);
    with("no levels", 8, 0);
    with("huge level count", 8, 1 << 30);
    with("huge working width", 12, 1 << 30);
    with("negative profile half length", 16, -1);
    with("profile length against the models", 16, 4);
    {
        QV_ProfileSearch bad = MakeEdgeSearch(2);
        bad.profileModels[1].models.pop_back();
        bad.profileModels[1].high = 1;
        cases.push_back({"fewer profile models than points", WritePart(bad, dir, "bad1.bin")});
    }
    {
        QV_ProfileSearch bad = MakeEdgeSearch(2);
        bad.profileModels.pop_back();
        cases.push_back({"fewer model levels than levels", WritePart(bad, dir, "bad2.bin")});
    }
    {
        QV_ProfileSearch bad = MakeEdgeSearch(2);
        bad.profileModels[0].models[2] = QV_PCA();
        cases.push_back({"an unbuilt profile model", WritePart(bad, dir, "bad3.bin")});
    }
    for (const Case& c : cases) {
        QV_ProfileSearch back;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ReadPart(back, c.bytes, dir)) << c.name;
        testing::internal::GetCapturedStderr();
    }
}

}  // namespace
