// Training one appearance level, and the triangulation of the mean shape the
// sampling table is built on.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "AppearanceModelTestUtil.h"
#include "QV_AppearanceFit.h"
#include "QV_AppearanceTrainer.h"
#include "QV_Triangulation.h"

using namespace appearance_test;

namespace {

double Area(const std::vector<QV_Point2D>& p, const std::array<int, 3>& t)
{
    return 0.5 * ((p[t[1]].x - p[t[0]].x) * (p[t[2]].y - p[t[0]].y) -
                  (p[t[2]].x - p[t[0]].x) * (p[t[1]].y - p[t[0]].y));
}

struct LevelData {
    std::vector<QV_Image> images;
    std::vector<QV_AppearanceExample> examples;
};

// The training set at its full 64-pixel size.
LevelData FinestLevel()
{
    LevelData d;
    for (const Truth& t : TrainingSet()) d.images.push_back(Render(t.k, Pose(t.scale, t.angle, t.tx, t.ty)));
    for (const Truth& t : TrainingSet()) {
        d.examples.push_back({&d.images[d.examples.size()], ModelShape(t.k)});
        Pose(t.scale, t.angle, t.tx, t.ty).ApplyToVector(d.examples.back().shape);
    }
    return d;
}

}  // namespace

TEST(Triangulation, CoversTheHullCounterClockwiseAndSkipsDegenerateInput)
{
    std::vector<QV_Point2D> p = {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}, {2, 0}};
    const auto tris = QV_Triangulate(p);
    ASSERT_EQ(tris.size(), 4u);
    double area = 0.0;
    for (const auto& t : tris) {
        EXPECT_GT(Area(p, t), 0.0);
        area += Area(p, t);
        EXPECT_TRUE(t[0] == 4 || t[1] == 4 || t[2] == 4);  // the centre is in every triangle
        EXPECT_TRUE(t[0] != 5 && t[1] != 5 && t[2] != 5);  // a repeated point is used once
    }
    EXPECT_NEAR(area, 4.0, 1e-9);
    EXPECT_TRUE(QV_Triangulate({{0, 0}, {1, 1}}).empty());
    EXPECT_TRUE(QV_Triangulate({{0, 0}, {1, 1}, {2, 2}, {3, 3}}).empty());
    EXPECT_TRUE(QV_Triangulate({{1, 1}, {1, 1}, {1, 1}}).empty());
}

TEST(AppearanceTrainer, SamplesCoverTheMeanShapeAtTheChosenSpacing)
{
    QV_ShapeModel2D shapeModel = MakeShapeModel();
    LevelData d = FinestLevel();
    QV_AppearanceTrainer trainer;
    QV_AppearanceModel model;
    ASSERT_TRUE(trainer.Train(shapeModel, d.examples, model));
    EXPECT_TRUE(QV_AppearanceFitsShapeModel(model, shapeModel));
    EXPECT_EQ(model.update.ParameterCount(), model.AppearanceModes() + 6);
    for (const QV_SamplingTriangle& t : model.sampling) {
        for (const QV_SampleWeights& w : t.samples) {
            EXPECT_NEAR(w.w0 + w.w1 + w.w2, 1.0f, 1e-5f);
            EXPECT_GE(std::min({w.w0, w.w1, w.w2}), -1e-5f);
        }
    }
    // About one sample per pixel of the average face (an ellipse of radii
    // 14.75 and 1.2 x 14.75 pixels, a little more than the polygon).
    const double faceArea = 3.14159 * 1.2 * 14.75 * 14.75 * 0.95;
    EXPECT_NEAR(model.SampleCount(), faceArea, 0.15 * faceArea);
}

TEST(AppearanceTrainer, MeasuredParametersReproduceTheTrainingShapes)
{
    // With every mode of non-zero variance kept the measured parameters give
    // each example's shape and texture back; with the default truncation, nearly.
    struct Case {
        float percentage, shapeTolerance, textureTolerance;
    };
    for (const Case c : {Case{99.999f, 0.02f, 0.02f}, Case{98.0f, 0.3f, 0.1f}}) {
        QV_ShapeModel2D shapeModel = MakeShapeModel();
        LevelData d = FinestLevel();
        QV_AppearanceTrainer trainer;
        trainer.options.texturePercentage = trainer.options.appearancePercentage = c.percentage;
        QV_AppearanceModel model;
        ASSERT_TRUE(trainer.Train(shapeModel, d.examples, model));
        for (const QV_AppearanceExample& e : d.examples) {
            QV_Array<float> params, shape, residual;
            ASSERT_TRUE(QV_AppearanceParamsFromImage(model, shapeModel, *e.image, e.shape, params));
            const float error = QV_AppearanceSynthesise(model, shapeModel, *e.image, params, shape, residual);
            ASSERT_GE(error, 0.0f);
            EXPECT_LT(ShapeError(shape, e.shape), c.shapeTolerance) << c.percentage;
            // Normalised textures have unit spread; the model explains them closely.
            EXPECT_LT(error, c.textureTolerance) << c.percentage;
        }
    }
}

TEST(AppearanceTrainer, UpdateModelUndoesAKnownDisplacementOfEachKindOfParameter)
{
    // A training example displaced in one parameter: the learned update turns
    // its residual into (about) the correction back, in that parameter.
    namespace P = QV_AppearanceParams;
    QV_ShapeModel2D shapeModel = MakeShapeModel();
    LevelData d = FinestLevel();
    QV_AppearanceTrainer trainer;
    QV_AppearanceModel model;
    ASSERT_TRUE(trainer.Train(shapeModel, d.examples, model));
    ASSERT_GE(model.AppearanceModes(), 1);
    const QV_Array<float> sd = model.appearanceModel.GetStandardDeviations();
    struct Case {
        int param;
        float delta, tolerance;  // tolerance as a fraction of |delta|
    };
    const float mode = 0.4f * sd[sd.Low()];
    const Case cases[] = {{P::kOffset, 5.0f, 0.1f},
                          {P::kPose + 2, 1.5f, 0.25f},
                          {P::kAppearance, mode, 0.12f},
                          {P::kAppearance, -mode, 0.12f}};
    for (const Case& c : cases) {
        const QV_AppearanceExample& e = d.examples[1];
        QV_Array<float> params, shape, residual, correction;
        ASSERT_TRUE(QV_AppearanceParamsFromImage(model, shapeModel, *e.image, e.shape, params));
        params[c.param] += c.delta;
        ASSERT_GE(QV_AppearanceSynthesise(model, shapeModel, *e.image, params, shape, residual), 0.0f);
        ASSERT_TRUE(model.update.Apply(residual, correction));
        ASSERT_EQ(correction.Count(), params.Count());
        EXPECT_NEAR(correction[c.param], -c.delta, c.tolerance * std::fabs(c.delta)) << c.param;
    }
}

TEST(AppearanceTrainer, RefusesDataThatCannotGiveAModel)
{
    LevelData d = FinestLevel();
    QV_AppearanceTrainer trainer;
    QV_AppearanceModel model;
    struct Case {
        const char* name;
        std::function<void(QV_ShapeModel2D&, std::vector<QV_AppearanceExample>&)> spoil;
    };
    const std::vector<Case> cases = {
        {"no shape PCA", [](QV_ShapeModel2D& s, auto&) { s.pca.reset(); }},
        {"one example", [](QV_ShapeModel2D&, auto& ex) { ex.resize(1); }},
        {"missing image", [](QV_ShapeModel2D&, auto& ex) { ex[3].image = nullptr; }},
        {"short shape", [](QV_ShapeModel2D&, auto& ex) { ex[2].shape.Resize(6); }},
    };
    for (const Case& c : cases) {
        QV_ShapeModel2D shapeModel = MakeShapeModel();
        std::vector<QV_AppearanceExample> examples = d.examples;
        c.spoil(shapeModel, examples);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(trainer.Train(shapeModel, examples, model)) << c.name;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("QV_AppearanceTrainer::Train() Error! : "), std::string::npos) << c.name;
        EXPECT_FALSE(model.textureModel.IsBuilt()) << c.name;
    }
}
