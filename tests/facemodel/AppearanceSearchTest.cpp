// The appearance search on synthetic images: convergence from a displaced
// pose, the level and step structure, rejected steps, the source level choice
// and its part of the face model file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "AppearanceModelTestUtil.h"
#include "QV_AppearanceFit.h"
#include "QV_AppearanceSearch.h"
#include "QV_BinaryIO.h"
#include "QV_ShapeInstance.h"
#include "TestSupport.h"

using namespace appearance_test;

namespace {

// The search trained once for the whole file (training takes a moment).
QV_AppearanceSearch& TrainedSearch()
{
    static QV_AppearanceSearch search;
    static bool trained = TrainSearch(search);
    EXPECT_TRUE(trained);
    return search;
}

// An annotation of shape k at a pose in a 64 x 64 image, normalised.
QV_AnnotationModel AnnotationOf(float k, const QV_Similarity& pose)
{
    QV_ShapeInstance inst;
    inst.parts.push_back({QV_String("FACE"), kPoints, 0});
    inst.points = ModelShape(k);
    pose.ApplyToVector(inst.points);
    QV_AnnotationModel a;
    inst.ToAnnotation(QV_Point2D(kImageSize, kImageSize), a);
    return a;
}

QV_Array<float> ScaledShape(const QV_Array<float>& s, float f)
{
    QV_Array<float> out(s);
    for (float& v : out) v *= f;
    return out;
}

}  // namespace

TEST(AppearanceSearch, ConvergesFromADisplacedPose)
{
    QV_AppearanceSearch search = TrainedSearch();
    const float k = 0.3f;
    const QV_Similarity truePose = Pose(14.5f, 0.05f, 32.0f, 31.0f);
    QV_Array<float> truth = ModelShape(k);
    truePose.ApplyToVector(truth);
    const QV_Image image = Render(k, truePose);

    // Start shifted by (3, -2) pixels and 8% too large.
    QV_AnnotationModel start = AnnotationOf(0.0f, Pose(14.5f * 1.08f, 0.0f, 35.0f, 29.0f));
    ASSERT_TRUE(search.Initialise(image, start));
    EXPECT_EQ(search.level, 0);
    const float startError = search.bestError;
    const float startShapeError = ShapeError(ScaledShape(search.shape.points, 2.0f), truth);

    float fit = 0.0f;
    int steps = 0;
    float levelZeroEnd = 0.0f;
    while (!search.Step(fit)) {
        ++steps;
        if (steps == 4) levelZeroEnd = search.bestError;
        ASSERT_LT(steps, 100);
    }
    EXPECT_LT(levelZeroEnd, startError * 0.7f);
    const float endShapeError = ShapeError(search.shape.points, truth);
    EXPECT_LT(endShapeError, 0.5f * startShapeError) << startShapeError << " -> " << endShapeError;
    EXPECT_LT(endShapeError, 1.0f);
    EXPECT_FLOAT_EQ(fit, search.bestError * 1000.0f);
}

TEST(AppearanceSearch, FiveStepsOnTheFirstLevelAndTenOnTheLast)
{
    QV_AppearanceSearch search = TrainedSearch();
    const QV_Similarity pose = Pose(14.0f, 0.0f, 32.0f, 32.0f);
    const QV_Image image = Render(0.0f, pose);
    QV_AnnotationModel start = AnnotationOf(0.0f, Pose(14.0f, 0.0f, 33.0f, 32.0f));
    ASSERT_TRUE(search.Initialise(image, start));
    EXPECT_FLOAT_EQ(search.shapeModel.PCA()->GetLimit(), 70.0f);
    EXPECT_EQ(search.LastLevel(), 1);

    std::vector<int> levelAfterStep;
    float fit = 0.0f;
    bool finished = false;
    while (!finished && levelAfterStep.size() < 40) {
        finished = search.Step(fit);
        levelAfterStep.push_back(search.level);
    }
    ASSERT_TRUE(finished);
    ASSERT_EQ(levelAfterStep.size(), 15u);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(levelAfterStep[i], i < 4 ? 0 : 1) << i;
    EXPECT_EQ(search.totalIterations, 15);
    EXPECT_EQ(search.levelIterations, 10);
    EXPECT_FLOAT_EQ(search.shapeModel.PCA()->GetLimit(), 105.0f);
    // The shape now lives in pixels of the 64-pixel level.
    EXPECT_EQ(search.LevelSize(search.level).x, 64.0f);

    // Searching only the first level: it becomes the last, with twice the steps.
    QV_AnnotationModel again = AnnotationOf(0.0f, Pose(14.0f, 0.0f, 33.0f, 32.0f));
    search.levelsToUse = 1;
    ASSERT_TRUE(search.Initialise(image, again));
    int steps = 1;
    while (!search.Step(fit) && steps < 40) ++steps;
    EXPECT_EQ(steps, 10);
    EXPECT_EQ(search.level, 0);
}

TEST(AppearanceSearch, RejectedStepKeepsParametersButCounts)
{
    QV_AppearanceSearch search = TrainedSearch();
    const QV_Image image = Render(0.2f, Pose(14.0f, 0.0f, 32.0f, 32.0f));
    QV_AnnotationModel start = AnnotationOf(0.0f, Pose(14.0f, 0.0f, 34.0f, 32.0f));
    ASSERT_TRUE(search.Initialise(image, start));
    // No candidate can have a mean |residual| below zero: all eight tries fail.
    search.bestError = -1.0f;
    const QV_Array<float> params = search.params;
    const QV_Array<float> points = search.shape.points;
    float fit = 0.0f;
    EXPECT_FALSE(search.Step(fit));
    EXPECT_EQ(search.levelIterations, 1);
    EXPECT_EQ(search.totalIterations, 1);
    EXPECT_FLOAT_EQ(fit, -1000.0f);
    ASSERT_EQ(search.params.Count(), params.Count());
    for (int i = 0; i < params.Count(); ++i) EXPECT_EQ(search.params[i], params[i]) << i;
    for (int i = 0; i < points.Count(); ++i) EXPECT_EQ(search.shape.points[i], points[i]) << i;
}

TEST(AppearanceSearch, FixedCoordinatesHoldOnEveryLevel)
{
    QV_AppearanceSearch search = TrainedSearch();
    const QV_Image image = Render(0.0f, Pose(14.0f, 0.0f, 32.0f, 32.0f));
    QV_AnnotationModel start = AnnotationOf(0.0f, Pose(14.0f, 0.0f, 34.0f, 31.0f));
    // Point 3 held at (10, 20) pixels of level 0 (32 x 32).
    search.shape.fixedValues.Resize(2 * kPoints);
    search.shape.fixedFlags.Resize(2 * kPoints);
    search.shape.fixedValues.Fill(0.0f);
    search.shape.fixedFlags.Fill(0);
    search.shape.fixedValues[6] = 10.0f;
    search.shape.fixedValues[7] = 20.0f;
    search.shape.fixedFlags[6] = search.shape.fixedFlags[7] = 1;
    ASSERT_TRUE(search.Initialise(image, start));
    float fit = 0.0f;
    int accepted = 0;
    for (int step = 0; step < 15; ++step) {
        const QV_Array<float> before = search.params;
        search.Step(fit);
        bool changed = false;
        for (int i = 0; i < before.Count() && i < search.params.Count(); ++i) changed |= before[i] != search.params[i];
        if (!changed || step == 4) continue;  // step 4 moves to level 1 and measures afresh
        ++accepted;
        const float f = (search.level == 0) ? 1.0f : 2.0f;
        EXPECT_FLOAT_EQ(search.shape.points[6], 10.0f * f) << step;
        EXPECT_FLOAT_EQ(search.shape.points[7], 20.0f * f) << step;
    }
    EXPECT_GT(accepted, 0);
}

TEST(AppearanceSearch, AppearanceParametersAreClampedToSixDeviations)
{
    QV_AppearanceSearch search = TrainedSearch();
    const QV_Image image = Render(0.0f, Pose(14.0f, 0.0f, 32.0f, 32.0f));
    QV_AnnotationModel start = AnnotationOf(0.0f, Pose(14.0f, 0.0f, 32.0f, 32.0f));
    ASSERT_TRUE(search.Initialise(image, start));
    QV_AppearanceModel& model = search.models[0];
    // A zero update: the candidate is the current vector, clamped.
    QV_Matrix u = model.update.U(), v = model.update.V();
    u.Fill(0.0f);
    v.Fill(0.0f);
    model.update.Set(model.update.Tolerance(), u, model.update.W(), v);
    const QV_Array<float> sd = model.appearanceModel.GetStandardDeviations();
    ASSERT_GE(sd.Count(), 1);
    search.params[QV_AppearanceParams::kAppearance] = 100.0f * sd[0];
    if (sd.Count() > 1) search.params[QV_AppearanceParams::kAppearance + 1] = -100.0f * sd[1];
    const float scale = search.params[QV_AppearanceParams::kScale];
    search.bestError = 3.4028235e38f;
    float fit = 0.0f;
    search.Step(fit);
    EXPECT_FLOAT_EQ(search.params[QV_AppearanceParams::kAppearance], 6.0f * sd[0]);
    if (sd.Count() > 1) {
        EXPECT_FLOAT_EQ(search.params[QV_AppearanceParams::kAppearance + 1], -6.0f * sd[1]);
    }
    // Photometric and pose values are not clamped.
    EXPECT_EQ(search.params[QV_AppearanceParams::kScale], scale);
}

TEST(AppearanceSearch, SourceLevelIsTheNearestWidthFirstOnATie)
{
    std::vector<QV_Image> levels;
    for (int w : {32, 64, 128, 256, 512}) levels.emplace_back(w / 2, w);
    EXPECT_EQ(QV_AppearanceSearch::ChooseSourceLevel(levels, 64), 1);
    EXPECT_EQ(QV_AppearanceSearch::ChooseSourceLevel(levels, 90), 1);
    EXPECT_EQ(QV_AppearanceSearch::ChooseSourceLevel(levels, 100), 2);
    EXPECT_EQ(QV_AppearanceSearch::ChooseSourceLevel(levels, 1000), 4);
    std::vector<QV_Image> tie;
    tie.emplace_back(10, 48);
    tie.emplace_back(10, 80);
    EXPECT_EQ(QV_AppearanceSearch::ChooseSourceLevel(tie, 64), 0);
    EXPECT_EQ(QV_AppearanceSearch::ChooseSourceLevel({}, 64), -1);
}

namespace {

std::vector<unsigned char> WriteSearch(const QV_AppearanceSearch& s, const std::string& path)
{
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(s.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(path);
}

bool ReadSearch(QV_AppearanceSearch& s, const std::string& path)
{
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return f && s.Read(f.get());
}

}  // namespace

TEST(AppearanceSearch, FilePartRoundTripsByteForByte)
{
    visagen_test::TempDir dir;
    QV_AppearanceSearch search = TrainedSearch();
    search.preprocessing = 3;
    search.modelsLow = 1;
    const auto first = WriteSearch(search, dir.File("a.bin"));
    QV_AppearanceSearch back;
    ASSERT_TRUE(ReadSearch(back, dir.File("a.bin")));
    EXPECT_EQ(back.version, 2);
    EXPECT_EQ(back.preprocessing, 3);
    EXPECT_EQ(back.levels, 2);
    EXPECT_EQ(back.workingWidth, kImageSize);
    EXPECT_EQ(back.models.size(), 2u);
    EXPECT_EQ(back.modelsLow, 1);
    EXPECT_EQ(WriteSearch(back, dir.File("b.bin")), first);
}

TEST(AppearanceSearch, MalformedFilePartsFailCleanly)
{
    visagen_test::TempDir dir;
    QV_AppearanceSearch search = TrainedSearch();
    const auto good = WriteSearch(search, dir.File("good.bin"));

    // The model count sits right after the shape model.
    QV_AppearanceSearch headerOnly = search;
    headerOnly.models.clear();
    const size_t countAt = WriteSearch(headerOnly, dir.File("h.bin")).size() - 24;

    auto patch64 = [&](size_t at, int64_t v) {
        auto b = good;
        for (int i = 0; i < 8; ++i) b[at + i] = static_cast<unsigned char>(static_cast<uint64_t>(v) >> (8 * i));
        return b;
    };
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    std::vector<Case> cases;
    {
        auto b = patch64(countAt, int64_t{1} << 40);
        cases.push_back({"huge model count", b});
    }
    {
        auto b = patch64(countAt, 1);
        auto c = b;
        for (int i = 0; i < 8; ++i) c[countAt + 16 + i] = 0;  // upper bound 0: one model, two levels
        cases.push_back({"one model for two levels", c});
    }
    {
        auto b = good;
        b[8] = 0xFF;  // levels = 255 + ...
        b[9] = 0xFF;
        cases.push_back({"levels out of range", b});
    }
    for (size_t n : {size_t{2}, size_t{9}, countAt + 10, good.size() / 2, good.size() - 3})
        cases.push_back({"truncated", std::vector<unsigned char>(good.begin(), good.begin() + n)});

    for (const Case& c : cases) {
        visagen_test::WriteFileBytes(dir.File("bad.bin"), c.bytes);
        QV_AppearanceSearch back;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ReadSearch(back, dir.File("bad.bin"))) << c.name;
        testing::internal::GetCapturedStderr();
        EXPECT_TRUE(back.models.empty()) << c.name;
    }
}

TEST(AppearanceSearch, ModelsThatDoNotFitTheShapeModelAreRefused)
{
    visagen_test::TempDir dir;
    QV_AppearanceSearch search = TrainedSearch();
    // A shape model with another point count: the trained models index past it.
    QV_ShapeModel2D other;
    QV_Annotation face;
    face.label = QV_String("FACE");
    face.open = 0;
    for (int i = 0; i < 4; ++i) face.points.Append(QV_Point2D(static_cast<float>(i % 2), static_cast<float>(i / 2)));
    other.templateModel.annotations.Append(face);
    other.pca = std::make_unique<QV_PCA>();
    for (int i = 0; i < 3; ++i) {
        QV_Array<float> s(8);
        for (int j = 0; j < 8; ++j) s[j] = static_cast<float>((j * 7 + i * 3) % 5);
        other.pca->AddObservation(s);
    }
    ASSERT_GE(other.pca->Build(99.0f), 0.0f);
    other.referenceShape = other.pca->GetMean();
    search.shapeModel = std::move(other);
    WriteSearch(search, dir.File("mismatch.bin"));
    QV_AppearanceSearch back;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ReadSearch(back, dir.File("mismatch.bin")));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("QV_AppearanceSearch::Read()"), std::string::npos) << err;
}
