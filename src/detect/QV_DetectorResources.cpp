// Face and eye masks and the lighting matrix.
#include "QV_DetectorResources.h"

#include <cmath>
#include <utility>

#include "QV_Error.h"

namespace {

// Pixels cut from each side of the mask in rows 0..3 (and symmetrically in
// rows 19..16); column 0 and column 19 are outside in every row.
int CornerCut(int row)
{
    static const int cut[4] = {5, 4, 3, 2};
    const int r = row < 10 ? row : 19 - row;
    return r < 4 ? cut[r] : 1;
}

QV_DetectorResources Build()
{
    QV_DetectorResources res;
    QV_DetImage* face = QV_CreateNamedImage("facemask", 20, 20);
    for (int y = 0; y < 20; ++y) {
        const int cut = CornerCut(y);
        for (int x = 0; x < 20; ++x) face->At(x, y) = (x >= cut && x < 20 - cut) ? 255 : 0;
    }
    QV_DetImage* eye = QV_CreateNamedImage("eyemask", 25, 15);
    eye->pixels.assign(eye->pixels.size(), 255);
    res.faceMask = face;
    res.eyeMask = eye;

    double m[3][3] = {};
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            if (!face->At(x, y)) continue;
            // Every row of the mask is inside along one span.
            if (res.insideTo[y] == 0) res.insideFrom[y] = x;
            res.insideTo[y] = x + 1;
            res.faceInside.push_back(y * 20 + x);
            const double l = x - 10, mm = y - 10;
            m[0][0] += l * l;
            m[0][1] += l * mm;
            m[0][2] += l;
            m[1][1] += mm * mm;
            m[1][2] += mm;
            m[2][2] += 1.0;
        }
    m[1][0] = m[0][1];
    m[2][0] = m[0][2];
    m[2][1] = m[1][2];
    res.lightingValid = QV_Invert3x3(m, res.lighting);
    return res;
}

}  // namespace

bool QV_Invert3x3(const double in[3][3], double out[3][3])
{
    double a[3][6];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            a[i][j] = in[i][j];
            a[i][j + 3] = i == j ? 1.0 : 0.0;
        }
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (a[pivot][col] == 0.0) {
            QV_PrintError("Singular matrix!\n");
            return false;
        }
        if (pivot != col)
            for (int j = 0; j < 6; ++j) std::swap(a[pivot][j], a[col][j]);
        const double p = a[col][col];
        for (int j = 0; j < 6; ++j) a[col][j] /= p;
        for (int r = 0; r < 3; ++r) {
            if (r == col) continue;
            const double f = a[r][col];
            for (int j = 0; j < 6; ++j) a[r][j] -= f * a[col][j];
        }
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = a[i][j + 3];
    return true;
}

const QV_DetectorResources& QV_GetDetectorResources()
{
    static const QV_DetectorResources resources = Build();
    return resources;
}
