// QV_GLMatrix: a 4 x 4 float matrix in OpenGL's column-major order, with the
// transforms the renderers build (frustum, translation, rotation) and point
// projection, computed on the CPU so that drawing and picking agree.
#pragma once

#include "QV_Point.h"

struct QV_GLMatrix {
    float m[16];  // element (row r, column c) at m[c * 4 + r]

    QV_GLMatrix();  // identity

    static QV_GLMatrix Identity() { return QV_GLMatrix(); }
    static QV_GLMatrix Translation(float x, float y, float z);
    // Rotation by angle degrees about the axis (x, y, z); identity for a zero axis.
    static QV_GLMatrix Rotation(float degrees, float x, float y, float z);
    // As glFrustum.
    static QV_GLMatrix Frustum(float left, float right, float bottom, float top, float nearZ, float farZ);
    // The perspective of the views: half-height = tan(fov / 2) x near,
    // half-width = half-height x aspect.
    static QV_GLMatrix Perspective(float fieldOfViewDegrees, float aspect, float nearZ, float farZ);

    float& At(int row, int col) { return m[col * 4 + row]; }
    float At(int row, int col) const { return m[col * 4 + row]; }

    QV_GLMatrix operator*(const QV_GLMatrix& b) const;
    // The point (w = 1) transformed, divided by the resulting w.
    QV_Point3D TransformPoint(const QV_Point3D& p) const;
};

// Window coordinates (x, y in pixels from the bottom-left corner, z the depth
// in 0..1) of a point under model-view, projection and a viewport of
// width x height at (0, 0), as gluProject computes them. False when the point
// lies on the eye plane (w = 0).
bool QV_GLProject(const QV_Point3D& p, const QV_GLMatrix& modelView, const QV_GLMatrix& projection, int width,
                  int height, QV_Point3D& window);
