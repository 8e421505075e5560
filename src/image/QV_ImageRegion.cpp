// Rectangle copies of a picture.
#include "QV_ImageRegion.h"

#include <algorithm>

QV_Image QV_CopyImageRegion(const QV_Image& source, int firstRow, int firstCol, int rows, int cols)
{
    // Clip in 64 bits so that no sum of the arguments can overflow.
    const long long r0 = std::max<long long>(firstRow, 0);
    const long long c0 = std::max<long long>(firstCol, 0);
    const long long r1 = std::min<long long>(static_cast<long long>(firstRow) + rows, source.Rows());
    const long long c1 = std::min<long long>(static_cast<long long>(firstCol) + cols, source.Cols());
    QV_Image out;
    out.SetJPEGQuality(source.JPEGQuality());
    out.SetComment(source.Comment());
    if (r1 <= r0 || c1 <= c0) return out;
    out.Resize(static_cast<int>(r1 - r0), static_cast<int>(c1 - c0));
    for (int r = 0; r < out.Rows(); ++r) {
        const QV_Colour* from = source.Row(source.RowLow() + static_cast<int>(r0) + r) + c0;
        std::copy(from, from + out.Cols(), out.Row(r));
    }
    return out;
}
