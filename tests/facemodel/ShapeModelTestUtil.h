// Builders shared by the shape model and profile search tests: annotations
// from point lists and a small trained shape model of two eyes and a mouth.
#pragma once

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "QV_ShapeInstance.h"
#include "QV_ShapeModel2D.h"

namespace shape_test {

inline QV_Annotation MakeAnnotation(const char* label, const std::vector<QV_Point2D>& pts, unsigned char used = 1)
{
    QV_Annotation a;
    a.label = QV_String(label);
    a.used = used;
    for (const QV_Point2D& p : pts) a.points.Append(p);
    return a;
}

inline std::vector<QV_Point2D> Ellipse(QV_Point2D c, float rx, float ry, int n)
{
    std::vector<QV_Point2D> pts;
    for (int i = 0; i < n; ++i)
        pts.emplace_back(c.x + rx * std::cos(6.2831853f * i / n), c.y + ry * std::sin(6.2831853f * i / n));
    return pts;
}

// Three modes over the used points (eye spacing, mouth width, mouth height),
// orthogonal to the similarity changes of the mean as in a model trained on
// aligned shapes, so a shape built from them aligns to the mean by the identity.
inline std::vector<QV_Array<float>> Modes(const QV_Array<float>& mean)
{
    const int n = mean.Count();
    std::vector<std::vector<double>> v(7, std::vector<double>(static_cast<size_t>(n), 0.0));
    for (int i = 0; i < n / 2; ++i) {
        const double x = mean[2 * i], y = mean[2 * i + 1];
        v[0][2 * i] = x, v[0][2 * i + 1] = y, v[1][2 * i] = -y, v[1][2 * i + 1] = x;  // scale, rotation
        v[2][2 * i] = 1.0, v[3][2 * i + 1] = 1.0;                                     // shifts
        if (i < 16) v[4][2 * i] = (i < 8 ? -0.1 : 0.1);
        else v[5][2 * i] = 0.2 * x, v[6][2 * i + 1] = 0.2 * (y + 1.2);
    }
    for (size_t k = 1; k < v.size(); ++k)  // Gram-Schmidt in this order
        for (size_t j = 0; j < k; ++j) {
            double dot = 0, jj = 0;
            for (int i = 0; i < n; ++i) dot += v[k][i] * v[j][i], jj += v[j][i] * v[j][i];
            for (int i = 0; i < n; ++i) v[k][i] -= dot / jj * v[j][i];
        }
    std::vector<QV_Array<float>> modes(3, QV_Array<float>(n));
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < n; ++i) modes[k][i] = static_cast<float>(v[4 + k][i]);
    return modes;
}

// Template "RIGHT EYE", unused "NOSE", "LEFT EYE", "OUTER MOUTH" (22 used
// points); PCA of 60 shapes with unit-deviation mode amplitudes.
inline QV_ShapeModel2D MakeShapeModel()
{
    QV_ShapeModel2D m;
    m.header = 11;
    m.templateModel.annotations.Append(MakeAnnotation("RIGHT EYE", Ellipse({-1.0f, 0.8f}, 0.4f, 0.2f, 8)));
    m.templateModel.annotations.Append(MakeAnnotation("NOSE", {{0.0f, 0.5f}, {0.0f, -0.3f}}, 0));
    m.templateModel.annotations.Append(MakeAnnotation("LEFT EYE", Ellipse({1.0f, 0.8f}, 0.4f, 0.2f, 8)));
    m.templateModel.annotations.Append(MakeAnnotation("OUTER MOUTH", Ellipse({0.0f, -1.2f}, 0.7f, 0.3f, 6)));
    QV_ShapeInstance::ShapeVector(QV_Point2D(1.0f, 1.0f), m.templateModel, m.referenceShape);
    const auto modes = Modes(m.referenceShape);
    std::mt19937 rng(7);
    std::normal_distribution<float> g(0.0f, 1.0f);
    m.pca = std::make_unique<QV_PCA>();
    for (int s = 0; s < 60; ++s) {
        QV_Array<float> v = m.referenceShape;
        for (const auto& mode : modes) {
            const float amp = g(rng);
            for (int i = 0; i < v.Count(); ++i) v[i] += amp * mode[i];
        }
        for (int i = 0; i < v.Count(); ++i) v[i] += 0.001f * g(rng);
        m.pca->AddObservation(v);
    }
    m.pca->BuildWithModes(3);
    m.pointTable.Resize(1, 2);
    m.pointTable[2] = QV_Point2D(3.5f, 9.0f);
    m.value1 = 0x01020304u;
    m.value6 = 9;
    return m;
}

}  // namespace shape_test
