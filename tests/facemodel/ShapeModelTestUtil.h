// Builders shared by the shape model and profile search tests: annotations
// from point lists, and a small trained shape model of two eyes and a mouth.
#pragma once

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_PCA.h"
#include "QV_ShapeInstance.h"
#include "QV_ShapeModel2D.h"

namespace shape_test {

inline QV_Annotation MakeAnnotation(const char* label, const std::vector<QV_Point2D>& pts, unsigned char open = 1,
                                    unsigned char used = 1)
{
    QV_Annotation a;
    a.label = QV_String(label);
    a.open = open;
    a.used = used;
    for (const QV_Point2D& p : pts) a.points.Append(p);
    return a;
}

// n points on an ellipse around c, counter-clockwise from angle 0.
inline std::vector<QV_Point2D> Ellipse(QV_Point2D c, float rx, float ry, int n)
{
    std::vector<QV_Point2D> pts;
    for (int i = 0; i < n; ++i) {
        const double t = 6.283185307179586 * i / n;
        pts.emplace_back(c.x + rx * static_cast<float>(std::cos(t)), c.y + ry * static_cast<float>(std::sin(t)));
    }
    return pts;
}

// Template: "RIGHT EYE" and "LEFT EYE" (8 points, closed), "OUTER MOUTH"
// (6 points, closed) used, and an unused "NOSE" of 3 points. Coordinates are
// the model frame's (face about 4 units high, centred at the origin).
inline QV_AnnotationModel MakeTemplate()
{
    QV_AnnotationModel m;
    m.annotations.Append(MakeAnnotation("RIGHT EYE", Ellipse({-1.0f, 0.8f}, 0.4f, 0.2f, 8), 0));
    m.annotations.Append(MakeAnnotation("NOSE", {{0.0f, 0.5f}, {0.1f, 0.0f}, {0.0f, -0.3f}}, 1, 0));
    m.annotations.Append(MakeAnnotation("LEFT EYE", Ellipse({1.0f, 0.8f}, 0.4f, 0.2f, 8), 0));
    m.annotations.Append(MakeAnnotation("OUTER MOUTH", Ellipse({0.0f, -1.2f}, 0.7f, 0.3f, 6), 0));
    return m;
}

// Three smooth modes of variation over the template's used points (eye
// spacing, mouth width, mouth height), made orthogonal to the similarity
// changes of the mean (scale, rotation, shifts) as in a model trained on
// aligned shapes: a shape built from them aligns to the mean by the identity.
inline std::vector<QV_Array<float>> Modes(const QV_Array<float>& mean)
{
    const int n = mean.Count();
    std::vector<std::vector<double>> basis(4, std::vector<double>(static_cast<size_t>(n), 0.0));
    for (int i = 0; i < n / 2; ++i) {
        basis[0][2 * i] = mean[2 * i];
        basis[0][2 * i + 1] = mean[2 * i + 1];
        basis[1][2 * i] = -mean[2 * i + 1];
        basis[1][2 * i + 1] = mean[2 * i];
        basis[2][2 * i] = 1.0;
        basis[3][2 * i + 1] = 1.0;
    }
    std::vector<std::vector<double>> raw(3, std::vector<double>(static_cast<size_t>(n), 0.0));
    for (int i = 0; i < n / 2; ++i) {
        if (i < 16) raw[0][2 * i] = (i < 8 ? -0.1 : 0.1);
        else {
            raw[1][2 * i] = 0.2 * mean[2 * i];
            raw[2][2 * i + 1] = 0.2 * (mean[2 * i + 1] + 1.2);
        }
    }
    // Gram-Schmidt: the similarity directions first, then each mode.
    std::vector<std::vector<double>> done;
    auto orthogonalise = [&](std::vector<double> v) {
        for (const auto& b : done) {
            double dot = 0, bb = 0;
            for (int i = 0; i < n; ++i) {
                dot += v[i] * b[i];
                bb += b[i] * b[i];
            }
            for (int i = 0; i < n; ++i) v[i] -= dot / bb * b[i];
        }
        done.push_back(v);
        return v;
    };
    for (const auto& b : basis) orthogonalise(b);
    std::vector<QV_Array<float>> modes;
    for (const auto& r : raw) {
        const std::vector<double> v = orthogonalise(r);
        QV_Array<float> m(n);
        for (int i = 0; i < n; ++i) m[i] = static_cast<float>(v[i]);
        modes.push_back(m);
    }
    return modes;
}

// A shape model over MakeTemplate() trained on `samples` random shapes with
// mode amplitudes of standard deviation 1 (plus a little noise).
inline QV_ShapeModel2D MakeShapeModel(unsigned seed = 7, int samples = 60)
{
    QV_ShapeModel2D model;
    model.header = 11;
    model.templateModel = MakeTemplate();
    model.meanScale = 1.0f;
    QV_ShapeInstance::ShapeVector(QV_Point2D(1.0f, 1.0f), model.templateModel, model.referenceShape);
    const std::vector<QV_Array<float>> modes = Modes(model.referenceShape);
    std::mt19937 rng(seed);
    std::normal_distribution<float> g(0.0f, 1.0f);
    model.pca = std::make_unique<QV_PCA>();
    for (int s = 0; s < samples; ++s) {
        QV_Array<float> v = model.referenceShape;
        for (const auto& m : modes) {
            const float amp = g(rng);
            for (int i = 0; i < v.Count(); ++i) v[i] += amp * m[i];
        }
        for (int i = 0; i < v.Count(); ++i) v[i] += 0.001f * g(rng);
        model.pca->AddObservation(v);
    }
    model.pca->BuildWithModes(3);
    model.pointTable.Resize(1, 2);
    model.pointTable[1] = QV_Point2D(0.25f, -4.0f);
    model.pointTable[2] = QV_Point2D(3.5f, 9.0f);
    model.value1 = 0x01020304u;
    model.value2 = 5;
    model.value3 = 6;
    model.value4 = 7;
    model.value5 = 8;
    model.value6 = 9;
    return model;
}

}  // namespace shape_test
