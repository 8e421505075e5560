#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "FaceSearchTestFaces.h"
#include "QV_FaceModelTrainer.h"
#include "QV_ShapeInstance.h"

namespace {

constexpr int kCols = 128;
constexpr int kRows = 96;
const QV_Point2D kSize(kCols, kRows);

struct Examples {
    std::vector<QV_Image> images;
    std::vector<QV_AnnotationModel> truths;
    std::vector<QV_FaceExample> list;
};

Examples Make(int n)
{
    Examples e;
    std::mt19937 rng(3);
    for (int i = 0; i < n; ++i) {
        visagen_test::FacePose pose = visagen_test::RandomPose(rng, 64.0f, 48.0f, 32.0f);
        e.images.push_back(visagen_test::FaceImage(pose, visagen_test::FaceLayout(), kCols, kRows, 40 + i));
        e.truths.push_back(visagen_test::FaceAnnotation(pose, visagen_test::FaceLayout(), kSize));
    }
    for (int i = 0; i < n; ++i) e.list.push_back({&e.images[i], &e.truths[i]});
    return e;
}

QV_FaceModelTrainer SmallTrainer()
{
    QV_FaceModelTrainer t;
    t.options.profileWidth = kCols;
    t.options.profileLevels = 3;
    t.options.appearanceLevels = 1;
    t.options.appearanceWidth = 32;
    return t;
}

}  // namespace

TEST(FaceModelTrainer, RefusesDataThatCannotGiveAModel)
{
    Examples e = Make(3);
    QV_AnnotationModel shortMouth = e.truths[1];
    {
        QV_Annotation m = shortMouth[3];
        m.points.Clear();
        for (int k = 0; k < 11; ++k) m.points.Append(shortMouth[3].points[k]);
        shortMouth[3] = m;
    }
    struct Case {
        const char* what;
        std::vector<QV_FaceExample> list;
        int levels;
    };
    const std::vector<Case> cases = {
        {"no examples", {}, 3},
        {"one example", {e.list[0]}, 3},
        {"no image", {e.list[0], {nullptr, &e.truths[1]}}, 3},
        {"no annotation", {e.list[0], {&e.images[1], nullptr}}, 3},
        {"annotation off the template", {e.list[0], {&e.images[1], &shortMouth}}, 3},
        {"no levels", {e.list[0], e.list[1]}, 0},
    };
    for (const Case& c : cases) {
        QV_FaceModelTrainer t = SmallTrainer();
        t.options.profileLevels = c.levels;
        QV_FaceSearch out;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(t.Train(e.truths[0], c.list, out)) << c.what;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("QV_FaceModelTrainer::Train() Error! : ", 0), 0u) << c.what << ": " << err;
    }
}

class TrainedModel : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        examples = new Examples(Make(16));
        templ = new QV_AnnotationModel(examples->truths[0]);
        (*templ)[1].landmarks.Append(6);
        (*templ)[3].used = 0;  // the inner mouth is not searched
        model = new QV_FaceSearch();
        QV_FaceModelTrainer t = SmallTrainer();
        trained = t.Train(*templ, examples->list, *model);
    }
    static void TearDownTestSuite()
    {
        delete model;
        delete templ;
        delete examples;
    }
    void SetUp() override { ASSERT_TRUE(trained); }

    static inline Examples* examples = nullptr;
    static inline QV_AnnotationModel* templ = nullptr;
    static inline QV_FaceSearch* model = nullptr;
    static inline bool trained = false;
};

TEST_F(TrainedModel, ProfileModelsPreferTheTrueEdgeToNearbyPositions)
{
    QV_ProfileSearch& profile = model->fitter.profileSearch;
    ASSERT_EQ(profile.profileModels.size(), 3u);
    ASSERT_EQ(profile.shapeModel.NumPoints(), 20 + 8 + 8);  // the unused mouth left out
    for (const auto& level : profile.profileModels) {
        ASSERT_EQ(static_cast<int>(level.models.size()), profile.shapeModel.NumPoints());
        for (const QV_PCA& pca : level.models) EXPECT_EQ(pca.ObservationSize(), profile.ProfileLength());
    }
    // On a face the model has not seen, the finest level's profile models
    // score the true points better than points moved 2 pixels off the edge.
    std::mt19937 rng(77);
    visagen_test::FacePose pose = visagen_test::RandomPose(rng, 64.0f, 48.0f, 32.0f);
    QV_Image image = visagen_test::FaceImage(pose, visagen_test::FaceLayout(), kCols, kRows, 999);
    QV_AnnotationModel truth = visagen_test::FaceAnnotation(pose, visagen_test::FaceLayout(), kSize);
    ASSERT_TRUE(profile.BuildPyramid(image));
    const int finest = profile.PyramidLevels() - 1;
    truth.CopyUsedFlags(*templ);
    QV_ShapeInstance shape;
    shape.SetFromAnnotation(profile.LevelSize(finest), truth);
    shape.UpdateNormals();
    int better = 0;
    const int n = shape.NumPoints();
    QV_Array<float> values;
    for (int p = 0; p < n; ++p) {
        QV_PCA& pca = profile.profileModels[static_cast<size_t>(finest)].models[static_cast<size_t>(p)];
        QV_Point2D at = shape.Point(p), u = shape.Normal(p);
        profile.TrainingProfile(profile.LevelImage(finest), at, u, values);
        float here = std::fabs(pca.Distance(values));
        profile.TrainingProfile(profile.LevelImage(finest), at + u * 2.0f, u, values);
        float out = std::fabs(pca.Distance(values));
        profile.TrainingProfile(profile.LevelImage(finest), at - u * 2.0f, u, values);
        float in = std::fabs(pca.Distance(values));
        if (here < out && here < in) ++better;
    }
    EXPECT_GT(better, n * 3 / 4);
}

TEST_F(TrainedModel, ReferenceIsTheMeanFaceInTheOutlineFrame)
{
    const QV_AnnotationModel& r = model->reference;
    ASSERT_EQ(r.Count(), templ->Count());
    QV_Point2D lo(1e9f, 1e9f), hi(-1e9f, -1e9f);
    for (int i = 0; i < r.Count(); ++i) {
        EXPECT_EQ(r[i].NumPoints(), (*templ)[i].NumPoints());
        EXPECT_TRUE(r[i].label == (*templ)[i].label);
        for (int k = 0; k < r[i].NumPoints(); ++k) {
            QV_Point2D p = r[i].points[k].Scaled(QV_Point2D(320, 512));
            lo = QV_Point2D(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y));
            hi = QV_Point2D(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y));
        }
    }
    EXPECT_NEAR((lo.y + hi.y) / 2, 256.0f, 0.1f);
    EXPECT_NEAR((lo.x + hi.x) / 2, 160.0f, 0.1f);
    EXPECT_NEAR(hi.y - lo.y, 0.8f * 512.0f, 0.1f);
    // The average face keeps its proportions: width over height as drawn
    // (outline half-width 0.75 +- 0.06 of the half-height).
    EXPECT_NEAR((hi.x - lo.x) / (hi.y - lo.y), 0.75f, 0.04f);
    ASSERT_EQ(r[1].landmarks.Size(), 1u);
    EXPECT_EQ(r[1].landmarks[0], 6);
}
