// Closed-form absolute orientation: centroids, symmetric scale, and the
// rotation as the dominant eigenvector of the 4 x 4 quaternion matrix.
#include "QV_Similarity3D.h"

#include <cmath>

#include "QV_Array.h"
#include "QV_Array2D.h"
#include "QV_CalcEigens.h"

void QV_Similarity3D::SetIdentity()
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) R[i][j] = (i == j) ? 1.0f : 0.0f;
    t = QV_Point3D();
    scale = 1.0f;
}

void QV_Similarity3D::SetRotation(float w, float x, float y, float z)
{
    double qw = w, qx = x, qy = y, qz = z;
    const double len = std::sqrt(qw * qw + qx * qx + qy * qy + qz * qz);
    if (!(len > 0.0) || !std::isfinite(len)) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) R[i][j] = (i == j) ? 1.0f : 0.0f;
        return;
    }
    qw /= len;
    qx /= len;
    qy /= len;
    qz /= len;
    R[0][0] = static_cast<float>(qw * qw + qx * qx - qy * qy - qz * qz);
    R[0][1] = static_cast<float>(2.0 * (qx * qy - qw * qz));
    R[0][2] = static_cast<float>(2.0 * (qx * qz + qw * qy));
    R[1][0] = static_cast<float>(2.0 * (qy * qx + qw * qz));
    R[1][1] = static_cast<float>(qw * qw - qx * qx + qy * qy - qz * qz);
    R[1][2] = static_cast<float>(2.0 * (qy * qz - qw * qx));
    R[2][0] = static_cast<float>(2.0 * (qz * qx - qw * qy));
    R[2][1] = static_cast<float>(2.0 * (qz * qy + qw * qx));
    R[2][2] = static_cast<float>(qw * qw - qx * qx - qy * qy + qz * qz);
}

bool QV_Similarity3D::Fit(const std::vector<QV_Point3D>& from, const std::vector<QV_Point3D>& to)
{
    if (from.size() != to.size() || from.size() > static_cast<size_t>(INT32_MAX)) {
        SetIdentity();
        return false;
    }
    return Fit(from.data(), to.data(), static_cast<int>(from.size()));
}

bool QV_Similarity3D::Fit(const QV_Point3D* from, const QV_Point3D* to, int n)
{
    SetIdentity();
    if (n < 1 || from == nullptr || to == nullptr) return false;

    // Centroids, in double so that large meshes do not lose the small offsets.
    double ca[3] = {0.0, 0.0, 0.0};
    double cb[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < n; ++i) {
        ca[0] += from[i].x;
        ca[1] += from[i].y;
        ca[2] += from[i].z;
        cb[0] += to[i].x;
        cb[1] += to[i].y;
        cb[2] += to[i].z;
    }
    for (int k = 0; k < 3; ++k) {
        ca[k] /= n;
        cb[k] /= n;
    }

    // Spreads and the cross-covariance S[j][k] = sum a'_j b'_k.
    double sa = 0.0, sb = 0.0;
    double S[3][3] = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
    for (int i = 0; i < n; ++i) {
        const double a[3] = {from[i].x - ca[0], from[i].y - ca[1], from[i].z - ca[2]};
        const double b[3] = {to[i].x - cb[0], to[i].y - cb[1], to[i].z - cb[2]};
        for (int j = 0; j < 3; ++j) {
            sa += a[j] * a[j];
            sb += b[j] * b[j];
            for (int k = 0; k < 3; ++k) S[j][k] += a[j] * b[k];
        }
    }
    // Coincident source points admit no scale or rotation; coincident targets
    // would give a zero scale that flattens everything onto one point.
    if (!(sa > 0.0) || !(sb > 0.0) || !std::isfinite(sa) || !std::isfinite(sb)) return false;
    const double s = std::sqrt(sb / sa);

    // The symmetric quaternion matrix, normalised by the spreads so that the
    // single-precision eigen solver works on values near 1.
    const double norm = std::sqrt(sa * sb);
    const double Sxx = S[0][0] / norm, Sxy = S[0][1] / norm, Sxz = S[0][2] / norm;
    const double Syx = S[1][0] / norm, Syy = S[1][1] / norm, Syz = S[1][2] / norm;
    const double Szx = S[2][0] / norm, Szy = S[2][1] / norm, Szz = S[2][2] / norm;
    const double N[4][4] = {
        {Sxx + Syy + Szz, Syz - Szy, Szx - Sxz, Sxy - Syx},
        {Syz - Szy, Sxx - Syy - Szz, Sxy + Syx, Szx + Sxz},
        {Szx - Sxz, Sxy + Syx, -Sxx + Syy - Szz, Syz + Szy},
        {Sxy - Syx, Szx + Sxz, Syz + Szy, -Sxx - Syy + Szz},
    };
    QV_Array2D<float> m(0, 3, 0, 3);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m(i, j) = static_cast<float>(N[i][j]);
    QV_Array<float> values;
    QV_Array2D<float> vectors;
    CalcEigens(m, values, vectors);
    if (values.Count() != 4) return false;

    // The solver orders by magnitude; the rotation belongs to the largest
    // signed eigenvalue, which need not be the largest in magnitude.
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (values[k] > values[best]) best = k;
    const float q[4] = {vectors(0, best), vectors(1, best), vectors(2, best), vectors(3, best)};
    for (float c : q)
        if (!std::isfinite(c)) return false;
    SetRotation(q[0], q[1], q[2], q[3]);

    scale = static_cast<float>(s);
    double ra[3];
    for (int i = 0; i < 3; ++i) ra[i] = R[i][0] * ca[0] + R[i][1] * ca[1] + R[i][2] * ca[2];
    t = QV_Point3D(static_cast<float>(cb[0] - s * ra[0]), static_cast<float>(cb[1] - s * ra[1]),
                   static_cast<float>(cb[2] - s * ra[2]));
    if (!std::isfinite(scale) || !std::isfinite(t.x) || !std::isfinite(t.y) || !std::isfinite(t.z)) {
        SetIdentity();
        return false;
    }
    return true;
}

QV_Point3D QV_Similarity3D::Apply(const QV_Point3D& v) const
{
    return QV_Point3D(scale * (R[0][0] * v.x + R[0][1] * v.y + R[0][2] * v.z) + t.x,
                      scale * (R[1][0] * v.x + R[1][1] * v.y + R[1][2] * v.z) + t.y,
                      scale * (R[2][0] * v.x + R[2][1] * v.y + R[2][2] * v.z) + t.z);
}
