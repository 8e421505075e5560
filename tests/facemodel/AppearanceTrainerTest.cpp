// Training one appearance level, and the triangulation of the mean shape the
// sampling table is built on.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

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

bool InCircumcircle(const std::vector<QV_Point2D>& p, const std::array<int, 3>& t, const QV_Point2D& q)
{
    // The classic determinant, positive for a point strictly inside (counter-clockwise triangle).
    double m[3][3];
    for (int i = 0; i < 3; ++i) {
        const double dx = p[t[i]].x - q.x, dy = p[t[i]].y - q.y;
        m[i][0] = dx;
        m[i][1] = dy;
        m[i][2] = dx * dx + dy * dy;
    }
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    return det > 1e-6;
}

struct LevelData {
    std::vector<std::vector<QV_Image>> pyramids;
    std::vector<QV_AppearanceExample> examples;
};

// The training set's finest level.
LevelData FinestLevel()
{
    LevelData d;
    for (const Truth& t : TrainingSet()) {
        d.pyramids.emplace_back();
        d.pyramids.back().push_back(Render(t.k, Pose(t.scale, t.angle, t.tx, t.ty)));
    }
    const auto set = TrainingSet();
    for (size_t i = 0; i < set.size(); ++i) {
        QV_AppearanceExample e;
        e.image = &d.pyramids[i][0];
        e.shape = ModelShape(set[i].k);
        Pose(set[i].scale, set[i].angle, set[i].tx, set[i].ty).ApplyToVector(e.shape);
        d.examples.push_back(std::move(e));
    }
    return d;
}

}  // namespace

TEST(Triangulation, SquareWithCentreGivesFourCounterClockwiseTriangles)
{
    std::vector<QV_Point2D> p = {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}};
    const auto tris = QV_Triangulate(p);
    ASSERT_EQ(tris.size(), 4u);
    double area = 0.0;
    for (const auto& t : tris) {
        EXPECT_GT(Area(p, t), 0.0);
        area += Area(p, t);
        EXPECT_TRUE(t[0] == 4 || t[1] == 4 || t[2] == 4);
    }
    EXPECT_NEAR(area, 4.0, 1e-9);
}

TEST(Triangulation, DegenerateInputGivesNoOrFewerTriangles)
{
    EXPECT_TRUE(QV_Triangulate({{0, 0}, {1, 1}}).empty());
    EXPECT_TRUE(QV_Triangulate({{0, 0}, {1, 1}, {2, 2}, {3, 3}}).empty());
    EXPECT_TRUE(QV_Triangulate({{1, 1}, {1, 1}, {1, 1}}).empty());
    // A repeated corner is used once: still the two triangles of the square.
    std::vector<QV_Point2D> p = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {1, 0}};
    const auto tris = QV_Triangulate(p);
    ASSERT_EQ(tris.size(), 2u);
    for (const auto& t : tris)
        for (int k = 0; k < 3; ++k) EXPECT_NE(t[k], 4);
}

TEST(Triangulation, RandomPointsGiveAnEmptyCircumcircleCover)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(0.0f, 10.0f);
    std::vector<QV_Point2D> p;
    for (int i = 0; i < 40; ++i) p.push_back({u(rng), u(rng)});
    // The corners make the hull a known square.
    for (QV_Point2D c : {QV_Point2D(-1, -1), QV_Point2D(11, -1), QV_Point2D(11, 11), QV_Point2D(-1, 11)})
        p.push_back(c);
    const auto tris = QV_Triangulate(p);
    double area = 0.0;
    for (const auto& t : tris) {
        area += Area(p, t);
        for (size_t q = 0; q < p.size(); ++q) {
            if (static_cast<int>(q) == t[0] || static_cast<int>(q) == t[1] || static_cast<int>(q) == t[2]) continue;
            EXPECT_FALSE(InCircumcircle(p, t, p[q]));
        }
    }
    EXPECT_NEAR(area, 144.0, 1e-3);
    // Euler: a triangulation of n points with h on the hull has 2n - h - 2 triangles.
    EXPECT_EQ(tris.size(), 2 * p.size() - 4 - 2);
}

TEST(AppearanceTrainer, SamplesCoverTheMeanShapeAtTheChosenSpacing)
{
    QV_ShapeModel2D shapeModel = MakeShapeModel();
    LevelData d = FinestLevel();
    QV_AppearanceTrainer trainer;
    QV_AppearanceModel coarse, fine;
    trainer.options.sampleSpacing = 2.0f;
    ASSERT_TRUE(trainer.Train(shapeModel, d.examples, coarse));
    trainer.options.sampleSpacing = 1.0f;
    ASSERT_TRUE(trainer.Train(shapeModel, d.examples, fine));
    // Halving the spacing about quadruples the number of samples.
    const double ratio = static_cast<double>(fine.SampleCount()) / coarse.SampleCount();
    EXPECT_GT(ratio, 3.3);
    EXPECT_LT(ratio, 4.7);
    EXPECT_EQ(fine.TextureSize(), 3 * fine.SampleCount());
    EXPECT_TRUE(QV_AppearanceFitsShapeModel(fine, shapeModel));
    EXPECT_EQ(fine.version, 2);
    EXPECT_EQ(fine.update.ParameterCount(), fine.AppearanceModes() + 6);
    for (const QV_SamplingTriangle& t : fine.sampling) {
        for (const QV_SampleWeights& w : t.samples) {
            EXPECT_NEAR(w.w0 + w.w1 + w.w2, 1.0f, 1e-5f);
            EXPECT_GE(std::min({w.w0, w.w1, w.w2}), -1e-5f);
        }
    }
    // About one sample per pixel of the average face (area pi * 1.0 * 1.2 * 14.75^2).
    const double faceArea = 3.14159 * 1.2 * 14.75 * 14.75 * 0.95;  // the polygon is a little smaller
    EXPECT_NEAR(fine.SampleCount(), faceArea, 0.15 * faceArea);
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

TEST(AppearanceTrainer, UpdateModelPointsBackTowardsTheTruth)
{
    QV_ShapeModel2D shapeModel = MakeShapeModel();
    LevelData d = FinestLevel();
    QV_AppearanceTrainer trainer;
    QV_AppearanceModel model;
    ASSERT_TRUE(trainer.Train(shapeModel, d.examples, model));
    const QV_AppearanceExample& e = d.examples[5];
    QV_Array<float> truth, shape, residual, delta;
    ASSERT_TRUE(QV_AppearanceParamsFromImage(model, shapeModel, *e.image, e.shape, truth));
    // Displace the translation by (+1.5, -1) pixels: the correction undoes most of it.
    QV_Array<float> moved(truth);
    moved[QV_AppearanceParams::kPose + 2] += 1.5f;
    moved[QV_AppearanceParams::kPose + 3] -= 1.0f;
    ASSERT_GE(QV_AppearanceSynthesise(model, shapeModel, *e.image, moved, shape, residual), 0.0f);
    ASSERT_TRUE(model.update.Apply(residual, delta));
    EXPECT_NEAR(delta[QV_AppearanceParams::kPose + 2], -1.5f, 0.5f);
    EXPECT_NEAR(delta[QV_AppearanceParams::kPose + 3], 1.0f, 0.5f);
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
