// 4 x 4 matrix arithmetic in OpenGL's conventions.
#include "QV_GLMatrix.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

QV_GLMatrix::QV_GLMatrix()
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

QV_GLMatrix QV_GLMatrix::Translation(float x, float y, float z)
{
    QV_GLMatrix t;
    t.At(0, 3) = x;
    t.At(1, 3) = y;
    t.At(2, 3) = z;
    return t;
}

QV_GLMatrix QV_GLMatrix::Rotation(float degrees, float x, float y, float z)
{
    QV_GLMatrix r;
    const double len = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (len == 0.0) return r;
    const double ux = x / len, uy = y / len, uz = z / len;
    const double a = degrees * kPi / 180.0;
    const double c = std::cos(a), s = std::sin(a), k = 1.0 - c;
    r.At(0, 0) = float(ux * ux * k + c);
    r.At(0, 1) = float(ux * uy * k - uz * s);
    r.At(0, 2) = float(ux * uz * k + uy * s);
    r.At(1, 0) = float(uy * ux * k + uz * s);
    r.At(1, 1) = float(uy * uy * k + c);
    r.At(1, 2) = float(uy * uz * k - ux * s);
    r.At(2, 0) = float(uz * ux * k - uy * s);
    r.At(2, 1) = float(uz * uy * k + ux * s);
    r.At(2, 2) = float(uz * uz * k + c);
    return r;
}

QV_GLMatrix QV_GLMatrix::Frustum(float l, float r, float b, float t, float n, float f)
{
    QV_GLMatrix p;
    p.At(0, 0) = 2.0f * n / (r - l);
    p.At(0, 2) = (r + l) / (r - l);
    p.At(1, 1) = 2.0f * n / (t - b);
    p.At(1, 2) = (t + b) / (t - b);
    p.At(2, 2) = -(f + n) / (f - n);
    p.At(2, 3) = -2.0f * f * n / (f - n);
    p.At(3, 2) = -1.0f;
    p.At(3, 3) = 0.0f;
    return p;
}

QV_GLMatrix QV_GLMatrix::Perspective(float fieldOfViewDegrees, float aspect, float nearZ, float farZ)
{
    const float halfHeight = float(std::tan(fieldOfViewDegrees * kPi / 360.0)) * nearZ;
    const float halfWidth = halfHeight * aspect;
    return Frustum(-halfWidth, halfWidth, -halfHeight, halfHeight, nearZ, farZ);
}

QV_GLMatrix QV_GLMatrix::operator*(const QV_GLMatrix& b) const
{
    QV_GLMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += At(r, k) * b.At(k, c);
            out.At(r, c) = sum;
        }
    return out;
}

QV_Point3D QV_GLMatrix::TransformPoint(const QV_Point3D& p) const
{
    const float v[4] = {p.x, p.y, p.z, 1.0f};
    float o[4];
    for (int r = 0; r < 4; ++r) o[r] = At(r, 0) * v[0] + At(r, 1) * v[1] + At(r, 2) * v[2] + At(r, 3) * v[3];
    if (o[3] == 0.0f) return QV_Point3D(o[0], o[1], o[2]);
    return QV_Point3D(o[0] / o[3], o[1] / o[3], o[2] / o[3]);
}

bool QV_GLProject(const QV_Point3D& p, const QV_GLMatrix& modelView, const QV_GLMatrix& projection, int width,
                  int height, QV_Point3D& window)
{
    const QV_GLMatrix all = projection * modelView;
    const float v[4] = {p.x, p.y, p.z, 1.0f};
    float o[4];
    for (int r = 0; r < 4; ++r) o[r] = all.At(r, 0) * v[0] + all.At(r, 1) * v[1] + all.At(r, 2) * v[2] + all.At(r, 3) * v[3];
    if (o[3] == 0.0f) return false;
    window.x = (o[0] / o[3] * 0.5f + 0.5f) * float(width);
    window.y = (o[1] / o[3] * 0.5f + 0.5f) * float(height);
    window.z = o[2] / o[3] * 0.5f + 0.5f;
    return true;
}
