// Virtual trackball rotation of the 3D view.
#include "SceneViewTrackball.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

QV_Point3D QV_TrackballVector(float px, float py, int width, int height)
{
    const float x = (2.0f * px - float(width)) / float(width);
    const float y = (float(height) - 2.0f * py) / float(height);
    const float r = std::min(1.0f, std::sqrt(x * x + y * y));
    const float z = float(std::cos(r * kPi / 2.0));
    QV_Point3D v(x, y, z);
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length > 0.0f) v = v / length;
    return v;
}

QV_GLMatrix QV_TrackballRotation(const QV_Point2D& previous, const QV_Point2D& current, int width, int height)
{
    if (width <= 0 || height <= 0) return QV_GLMatrix();
    const QV_Point3D a = QV_TrackballVector(previous.x, previous.y, width, height);
    const QV_Point3D b = QV_TrackballVector(current.x, current.y, width, height);
    const QV_Point3D d = b - a;
    const float angle = 90.0f * std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const QV_Point3D axis(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    // Rotation() gives the identity for a zero axis (no movement).
    return QV_GLMatrix::Rotation(angle, axis.x, axis.y, axis.z);
}
