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

void QV_FaceDetector::FaceRecord(const std::vector<QV_DetImage>& pyramid, const QV_Detection& face,
                                 int record[QV_REC_SIZE])
{
    const int L = face.level;
    const double sL = std::pow(1.2, L);
    record[QV_REC_X0] = static_cast<int>(std::floor(sL * face.x + 0.5));
    record[QV_REC_Y0] = static_cast<int>(std::floor(sL * face.y + 0.5));
    record[QV_REC_X1] = static_cast<int>(std::floor(sL * (face.x + 20) + 0.5));
    record[QV_REC_Y1] = static_cast<int>(std::floor(sL * (face.y + 20) + 0.5));

    // Eyes are searched seven levels finer than the face, or at level 0 for
    // faces up to three levels too small for that; smaller faces are skipped.
    int E = L - 7;
    if (E < -3) {
        for (int f = QV_REC_EYE_A_X; f <= QV_REC_EYE_B_FLAG; ++f) record[f] = -1;
        return;
    }
    if (E < 0) E = 0;
    const QV_DetImage& image = pyramid[E];
    const double s = std::pow(1.2, L - E);
    const double toInput = std::pow(1.2, E);
    const int top0 = std::max(0, Round(s * face.y) - 7);
    const int top1 = std::min(Round(s * (face.y + 10)) - 15, image.height - 14);

    QV_NeuralNet& eye = nets[3];
    window.resize(375);
    EyeVotes votes[2];  // 0: eye A (right half, mirrored), 1: eye B (left half)
    for (int side = 0; side < 2; ++side) {
        const bool mirrored = side == 0;
        const int left0 = mirrored ? std::max(0, Round(s * (face.x + 10)) - 12) : std::max(0, Round(s * face.x) - 12);
        const int left1 = mirrored ? std::min(Round(s * (face.x + 20)) - 12, image.width - 24)
                                   : std::min(Round(s * (face.x + 10)) - 12, image.width - 24);
        for (int top = top0; top < top1; ++top)
            for (int left = left0; left < left1; ++left) {
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
