// QV_Similarity: a 2D similarity pose (rotation, uniform scale, translation)
// mapping v to s*R*v + t, with its four-value parameter form and the
// least-squares fit between two point sets.
#pragma once

#include <vector>

#include "QV_Array.h"
#include "QV_Point.h"

class QV_Similarity {
public:
    // Rotation matrix, rows (cos a, -sin a) and (sin a, cos a).
    float R[2][2] = {{1.0f, 0.0f}, {0.0f, 1.0f}};
    float tx = 0.0f;
    float ty = 0.0f;
    float scale = 1.0f;

    void SetIdentity();
    bool IsIdentity() const;

    // Parameter form (s*cos a - 1, s*sin a, tx, ty): the identity is all zeros.
    void FromParams(float a, float b, float ntx, float nty);
    void ToParams(float& a, float& b, float& otx, float& oty) const;
    // The same on four consecutive values starting at index first of p
    // (FromParams reads nothing and returns false when p is too short).
    bool FromParams(const QV_Array<float>& p, int first);
    void ToParams(QV_Array<float>& p, int first) const;

    // Least-squares similarity mapping the points of `from` onto those of `to`.
    // When the fit is undetermined (fewer than two distinct points, a singular
    // system, a zero or non-finite scale) the pose becomes the identity and the
    // result is false, so that the caller can go on.
    bool Align(const QV_Point2D* from, const QV_Point2D* to, int n);
    bool Align(const std::vector<QV_Point2D>& from, const std::vector<QV_Point2D>& to);
    // Two shape vectors (x0, y0, x1, y1, ...) of equal even length.
    bool Align(const QV_Array<float>& from, const QV_Array<float>& to);

    QV_Point2D Apply(const QV_Point2D& v) const;
    // R^T * (v - t) / s.
    QV_Point2D ApplyInverse(const QV_Point2D& v) const;
    // Every (x, y) pair of a shape vector, in place.
    void ApplyToVector(QV_Array<float>& v) const;
    void ApplyInverseToVector(QV_Array<float>& v) const;
};
