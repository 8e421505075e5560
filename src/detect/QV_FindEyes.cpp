// Grey conversion for the detector and the choice of the eye pair.
#include "QV_FindEyes.h"

#include <cstdlib>
#include <vector>

int QV_DetectFaces(int width, int height, const unsigned char* grey, int** records)
{
    *records = nullptr;
    QV_FaceDetector* detector = QV_DefaultFaceDetector();
    if (!detector) return 0;
    return detector->Detect(width, height, grey, records);
}

void QV_DetectorGrey(const QV_Image& image, std::vector<unsigned char>& grey)
{
    const int rows = image.Rows(), cols = image.Cols();
    grey.assign(static_cast<size_t>(rows) * cols, 0);
    // The image keeps the bottom row first; the detector wants the top row first.
    for (int r = 0; r < rows; ++r) {
        const QV_Colour* src = image.Row(image.RowLow() + r);
        unsigned char* dst = &grey[static_cast<size_t>(rows - 1 - r) * cols];
        for (int c = 0; c < cols; ++c) dst[c] = static_cast<unsigned char>((src[c].red + src[c].green + src[c].blue) / 3);
    }
}

bool QV_EyesFromRecords(const int* records, int n, int rows, int cols, QV_Point2D& eye1, QV_Point2D& eye2)
{
    for (int f = 0; f < n; ++f) {
        const int* rec = records + f * QV_REC_SIZE;
        if (rec[QV_REC_EYE_A_FLAG] != 1 || rec[QV_REC_EYE_B_FLAG] != 1) continue;
        eye1 = QV_Point2D(static_cast<float>(rec[QV_REC_EYE_B_X]) / cols,
                          static_cast<float>(rows - rec[QV_REC_EYE_B_Y] - 1) / rows);
        eye2 = QV_Point2D(static_cast<float>(rec[QV_REC_EYE_A_X]) / cols,
                          static_cast<float>(rows - rec[QV_REC_EYE_A_Y] - 1) / rows);
        return true;
    }
    return false;
}

namespace {

bool FindEyesWith(QV_FaceDetector* detector, const QV_Image& image, QV_Point2D& eye1, QV_Point2D& eye2)
{
    const int rows = image.Rows(), cols = image.Cols();
    if (!detector || rows <= 0 || cols <= 0) return false;
    std::vector<unsigned char> grey;
    QV_DetectorGrey(image, grey);
    int* records = nullptr;
    const int n = detector->Detect(cols, rows, grey.data(), &records);
    const bool found = QV_EyesFromRecords(records, n, rows, cols, eye1, eye2);
    std::free(records);
    return found;
}

}  // namespace

bool FindEyes(const QV_Image& image, QV_Point2D& eye1, QV_Point2D& eye2)
{
    return FindEyesWith(QV_DefaultFaceDetector(), image, eye1, eye2);
}

bool FindEyes(QV_FaceDetector& detector, const QV_Image& image, QV_Point2D& eye1, QV_Point2D& eye2)
{
    return FindEyesWith(&detector, image, eye1, eye2);
}
