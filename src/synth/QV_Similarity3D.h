// QV_Similarity3D: a 3D similarity (uniform scale, rotation, translation)
// mapping v to s*R*v + t, fitted between two point sets in closed form with
// unit quaternions; used by every head alignment, graft and rigid replacement.
#pragma once

#include <vector>

#include "QV_Point.h"

class QV_Similarity3D {
public:
    // Row-major rotation matrix.
    float R[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    QV_Point3D t;
    float scale = 1.0f;

    void SetIdentity();

    // Fits the similarity taking from[i] to to[i] (equal counts). Both sets are
    // centred on their centroids; the scale is sqrt(sum |to'|^2 / sum |from'|^2),
    // the rotation is the unit quaternion that is the eigenvector of the
    // largest eigenvalue of the symmetric 4 x 4 matrix built from the
    // cross-covariance sum from' to'^T, and t = mean(to) - s R mean(from).
    // False, with the identity, when the fit is undetermined: no points,
    // unequal counts, all source points coincident, all target points
    // coincident (a zero scale), or a non-finite result.
    bool Fit(const QV_Point3D* from, const QV_Point3D* to, int n);
    bool Fit(const std::vector<QV_Point3D>& from, const std::vector<QV_Point3D>& to);

    QV_Point3D Apply(const QV_Point3D& v) const;

    // The rotation as a unit quaternion (w, x, y, z), and back; the rotation
    // set from a quaternion that is not of unit length is normalised first.
    void SetRotation(float w, float x, float y, float z);
};
