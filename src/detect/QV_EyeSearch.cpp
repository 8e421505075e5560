// The output record of a face: its box in input pixels and the two eyes found
// with the eye network in the upper part of the box.
#include <algorithm>
#include <cmath>

#include "QV_FaceDetector.h"
#include "QV_WindowInputs.h"

namespace {

int Round(double v) { return static_cast<int>(std::lround(v)); }

struct EyeVotes {
    double sumW = 0.0, sumX = 0.0, sumY = 0.0;
};

}  // namespace

int QV_FaceDetector::EyeLevel(int faceLevel)
{
    const int E = faceLevel - 7;
    return E < -3 ? -1 : std::max(0, E);
}

bool QV_FaceDetector::EyeSearch(const std::vector<QV_DetImage>& pyramid, const QV_Detection& face,
                                QV_EyeSearchArea& area)
{
    const int L = face.level;
    const int E = EyeLevel(L);
    if (E < 0 || E >= static_cast<int>(pyramid.size())) return false;
    const QV_DetImage& image = pyramid[E];
    const double s = std::pow(1.2, L - E);
    area.level = E;
    area.top0 = std::max(0, Round(s * face.y) - 7);
    area.top1 = std::min(Round(s * (face.y + 10)) - 15, image.height - 14);
    // Half 0 (eye A): the right half of the box; half 1 (eye B): the left.
    area.left0[0] = std::max(0, Round(s * (face.x + 10)) - 12);
    area.left1[0] = std::min(Round(s * (face.x + 20)) - 12, image.width - 24);
    area.left0[1] = std::max(0, Round(s * face.x) - 12);
    area.left1[1] = std::min(Round(s * (face.x + 10)) - 12, image.width - 24);
    return true;
}

void QV_FaceDetector::FaceRecord(const std::vector<QV_DetImage>& pyramid, const QV_Detection& face,
                                 int record[QV_REC_SIZE])
{
    const int L = face.level;
    const double sL = std::pow(1.2, L);
    record[QV_REC_X0] = static_cast<int>(std::floor(sL * face.x + 0.5));
    record[QV_REC_Y0] = static_cast<int>(std::floor(sL * face.y + 0.5));
    record[QV_REC_X1] = static_cast<int>(std::floor(sL * (face.x + 20) + 0.5));
    record[QV_REC_Y1] = static_cast<int>(std::floor(sL * (face.y + 20) + 0.5));

    QV_EyeSearchArea area;
    if (!EyeSearch(pyramid, face, area)) {
        for (int f = QV_REC_EYE_A_X; f <= QV_REC_EYE_B_FLAG; ++f) record[f] = -1;
        return;
    }
    const QV_DetImage& image = pyramid[area.level];
    const double toInput = std::pow(1.2, area.level);
    QV_NeuralNet& eye = nets[3];
    window.resize(375);
    EyeVotes votes[2];  // 0: eye A (right half, mirrored), 1: eye B (left half)
    for (int side = 0; side < 2; ++side) {
        const bool mirrored = side == 0;
        for (int top = area.top0; top < area.top1; ++top)
            for (int left = area.left0[side]; left < area.left1[side]; ++left) {
                QV_CopyWindow(image, left, top, 25, 15, mirrored, window.data());
                QV_EqualiseInto(window.data(), 375, nullptr, 0, 256, eye);
                const float o = eye.ForwardPass();
                if (o <= 0.0f) continue;
                votes[side].sumW += o;
                votes[side].sumX += o * toInput * (left + 12);
                votes[side].sumY += o * toInput * (top + 7);
            }
    }
    const int fields[2][3] = {{QV_REC_EYE_A_X, QV_REC_EYE_A_Y, QV_REC_EYE_A_FLAG},
                              {QV_REC_EYE_B_X, QV_REC_EYE_B_Y, QV_REC_EYE_B_FLAG}};
    for (int side = 0; side < 2; ++side) {
        const EyeVotes& v = votes[side];
        if (v.sumW > 0.0) {
            record[fields[side][0]] = Round(v.sumX / v.sumW);
            record[fields[side][1]] = Round(v.sumY / v.sumW);
            record[fields[side][2]] = 1;
        } else {
            record[fields[side][0]] = -1;
            record[fields[side][1]] = -1;
            record[fields[side][2]] = 0;
        }
    }
}
