// Synthetic data for the appearance tests: a one-contour shape model whose
// shapes are ellipse-like polygons, images of such a polygon filled with a
// gradient tied to its own frame, and a two-level appearance search trained
// on them.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "QV_AppearanceSearch.h"
#include "QV_AppearanceTrainer.h"
#include "QV_Image.h"
#include "QV_ImagePreparation.h"
#include "QV_PCA.h"
#include "QV_ShapeModel2D.h"
#include "QV_Similarity.h"

namespace appearance_test {

constexpr int kPoints = 10;
constexpr int kImageSize = 64;

// Model-frame shape: a polygon on an ellipse whose axes trade against each
// other with k, with a bump on one side that grows with k too.
inline QV_Array<float> ModelShape(float k)
{
    QV_Array<float> s(2 * kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double t = 6.283185307179586 * i / kPoints;
        const double bump = (i == 2) ? 0.15 * k : 0.0;
        s[2 * i] = static_cast<float>((1.0 + 0.15 * k + bump) * std::cos(t));
        s[2 * i + 1] = static_cast<float>((1.2 - 0.15 * k + bump) * std::sin(t));
    }
    return s;
}

inline QV_Similarity Pose(float scale, float angle, float tx, float ty)
{
    QV_Similarity p;
    p.FromParams(scale * std::cos(angle) - 1.0f, scale * std::sin(angle), tx, ty);
    return p;
}

// Training set: shape k and pose per example, in pixels of a 64 x 64 image.
struct Truth {
    float k, scale, angle, tx, ty;
};

inline std::vector<Truth> TrainingSet()
{
    std::vector<Truth> set;
    for (int i = 0; i < 12; ++i) {
        const float k = -0.9f + 0.15f * i;
        set.push_back({k, 14.0f + 0.5f * (i % 4), 0.08f * ((i % 3) - 1), 31.0f + (i % 5) - 2, 32.0f + (i % 3) - 1});
    }
    return set;
}

// A shape model of one closed "FACE" contour over the training set's shapes
// ModelShape(k) (the appearance models assume the shape parameters of their
// examples average to zero, as they do for the shapes the PCA was built on).
inline QV_ShapeModel2D MakeShapeModel()
{
    QV_ShapeModel2D m;
    QV_Annotation face;
    face.label = QV_String("FACE");
    face.open = 0;
    face.used = 1;
    QV_Array<float> mean = ModelShape(0.0f);
    for (int i = 0; i < kPoints; ++i) face.points.Append(QV_Point2D(mean[2 * i], mean[2 * i + 1]));
    m.templateModel.annotations.Append(face);
    // The shapes are aligned to their mean (a few rounds), as a shape model's are.
    std::vector<QV_Array<float>> shapes;
    for (const Truth& t : TrainingSet()) shapes.push_back(ModelShape(t.k));
    for (int round = 0; round < 5; ++round) {
        QV_Array<float> target(2 * kPoints);
        target.Fill(0.0f);
        for (const auto& x : shapes)
            for (int i = 0; i < target.Count(); ++i) target[i] += x[i] / shapes.size();
        if (round == 0) target = mean;
        for (auto& x : shapes) {
            QV_Similarity pose;
            pose.Align(target, x);
            pose.ApplyInverseToVector(x);
        }
    }
    m.pca = std::make_unique<QV_PCA>();
    for (const auto& x : shapes) m.pca->AddObservation(x);
    m.pca->Build(99.9f);
    m.referenceShape = m.pca->GetMean();
    return m;
}

inline bool InPolygon(const QV_Array<float>& s, float x, float y)
{
    bool inside = false;
    const int n = s.Count() / 2;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const float xi = s[2 * i], yi = s[2 * i + 1], xj = s[2 * j], yj = s[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

// The polygon of shape k at a pose, drawn with 4 x 4 supersampling on a dark
// background (pixel k's centre at k + 0.5, as the sampler has it); inside,
// the colour is a gradient over the polygon's own frame.
inline QV_Image Render(float k, const QV_Similarity& pose, int size = kImageSize)
{
    QV_Array<float> shape = ModelShape(k);
    pose.ApplyToVector(shape);
    QV_Image image(size, size);
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            float sum[3] = {0, 0, 0};
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const float x = c + 0.125f + 0.25f * sx, y = r + 0.125f + 0.25f * sy;
                    if (!InPolygon(shape, x, y)) {
                        sum[0] += 20;
                        sum[1] += 30;
                        sum[2] += 40;
                        continue;
                    }
                    const QV_Point2D u = pose.ApplyInverse(QV_Point2D(x, y));
                    sum[0] += 150 + 60 * u.x;
                    sum[1] += 120 + 50 * u.y;
                    sum[2] += 160 - 30 * u.x - 30 * u.y;
                }
            }
            image(r, c) = QV_Colour(QV_RoundToByte(sum[0] / 16), QV_RoundToByte(sum[1] / 16),
                                    QV_RoundToByte(sum[2] / 16));
        }
    }
    return image;
}

inline float ShapeError(const QV_Array<float>& a, const QV_Array<float>& b)
{
    double sum = 0.0;
    for (int i = 0; i + 1 < a.Count(); i += 2) sum += std::hypot(a[i] - b[i], a[i + 1] - b[i + 1]);
    return static_cast<float>(sum / (a.Count() / 2));
}

// Trains a two-level appearance search (levels 0: 32 x 32, 1: 64 x 64) on
// the training set. Returns false when training fails.
inline bool TrainSearch(QV_AppearanceSearch& search)
{
    search.shapeModel = MakeShapeModel();
    search.levels = 2;
    search.workingWidth = kImageSize;
    search.models.assign(2, QV_AppearanceModel());
    std::vector<std::vector<QV_Image>> pyramids;
    std::vector<Truth> set = TrainingSet();
    for (const Truth& t : set) {
        pyramids.emplace_back();
        if (!QV_BuildPyramid(Render(t.k, Pose(t.scale, t.angle, t.tx, t.ty)), kImageSize, 2, false, 0,
                             pyramids.back()))
            return false;
    }
    for (int level = 0; level < 2; ++level) {
        const float f = (level == 0) ? 0.5f : 1.0f;
        std::vector<QV_AppearanceExample> examples(set.size());
        for (size_t i = 0; i < set.size(); ++i) {
            const Truth& t = set[i];
            examples[i].image = &pyramids[i][static_cast<size_t>(level)];
            examples[i].shape = ModelShape(t.k);
            Pose(t.scale * f, t.angle, t.tx * f, t.ty * f).ApplyToVector(examples[i].shape);
        }
        QV_AppearanceTrainer trainer;
        if (!trainer.Train(search.shapeModel, examples, search.models[static_cast<size_t>(level)])) return false;
    }
    return true;
}

}  // namespace appearance_test
