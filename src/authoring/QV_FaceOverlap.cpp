// Overlap of detector windows and face records with a labelled face, in input
// pixels, whatever pyramid level the window belongs to.
#include "QV_FaceOverlap.h"

#include <cmath>
#include <cstdlib>

QV_InputBox QV_WindowBox(int left, int top, int level, int cols, int rows)
{
    const double s = std::pow(1.2, level);
    return {s * left, s * top, s * (left + cols), s * (top + rows)};
}

QV_InputBox QV_FaceBox(const QV_FacePlacement& face, double margin)
{
    const int level = QV_FaceLevel(face);
    int left, top;
    QV_FaceWindowAt(face, level, left, top);
    QV_InputBox b = QV_WindowBox(left, top, level);
    const double grow = margin * (b.x1 - b.x0);
    b.x0 -= grow;
    b.y0 -= grow;
    b.x1 += grow;
    b.y1 += grow;
    return b;
}

bool QV_BoxesOverlap(const QV_InputBox& a, const QV_InputBox& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool QV_WindowOnFace(const QV_FacePlacement& face, int left, int top, int level, int cols, int rows, double margin)
{
    if (std::abs(level - QV_FaceLevel(face)) > QV_FACE_NEAR_LEVELS) return false;
    return QV_BoxesOverlap(QV_WindowBox(left, top, level, cols, rows), QV_FaceBox(face, margin));
}

bool QV_RecordWindow(const int* record, QV_Detection& window)
{
    // Rounding may make the two sides differ by a pixel.
    const int side = record[QV_REC_X1] - record[QV_REC_X0];
    if (side < 20 || std::abs(record[QV_REC_Y1] - record[QV_REC_Y0] - side) > 1) return false;
    // The box side is floor(1.2^L x 20 + 0.5) up to one pixel of rounding.
    const int level = static_cast<int>(std::lround(std::log(side / 20.0) / std::log(1.2)));
    const double s = std::pow(1.2, level);
    if (std::fabs(20.0 * s - side) > 1.0) return false;
    window.level = level;
    window.x = static_cast<int>(std::lround(record[QV_REC_X0] / s));
    window.y = static_cast<int>(std::lround(record[QV_REC_Y0] / s));
    return true;
}

std::vector<int> QV_FalseFaceRecords(const int* records, int n, const QV_FacePlacement& face, double margin)
{
    std::vector<int> out;
    const QV_InputBox f = QV_FaceBox(face, margin);
    const int faceLevel = QV_FaceLevel(face);
    for (int i = 0; i < n; ++i) {
        const int* r = records + static_cast<long>(i) * QV_REC_SIZE;
        const QV_InputBox b = {static_cast<double>(r[QV_REC_X0]), static_cast<double>(r[QV_REC_Y0]),
                               static_cast<double>(r[QV_REC_X1]), static_cast<double>(r[QV_REC_Y1])};
        QV_Detection w;
        const bool farScale = QV_RecordWindow(r, w) && std::abs(w.level - faceLevel) > QV_FACE_NEAR_LEVELS;
        if (farScale || !QV_BoxesOverlap(b, f)) out.push_back(i);
    }
    return out;
}
