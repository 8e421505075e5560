// Bilinear sampling and resampling of images, with the antialiasing blur
// evaluated only where the sampler reads it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "QV_Image.h"
#include "QV_ImageResampleKernels.h"
#include "QV_Parallel.h"

using qv_resample::AxisSplit;

QV_BilinearSampler::QV_BilinearSampler(const QV_Image& image) : img(image) {}

QV_Colour QV_BilinearSampler::Sample(float x, float y) const
{
    const AxisSplit sx = qv_resample::SplitAxis(x, img.Cols());
    const AxisSplit sy = qv_resample::SplitAxis(y, img.Rows());
    if (!sx.inside || !sy.inside) return defaultColour;
    const QV_Colour* row0 = img.Row(img.RowLow() + sy.i0);
    const QV_Colour* row1 = img.Row(img.RowLow() + sy.i1);
    return qv_resample::Blend(row0[sx.i0], row0[sx.i1], row1[sx.i0], row1[sx.i1], sx.t, sy.t);
}

namespace {

// Marks the indices that a list of axis splits reads; slot[i] becomes the
// position of index i in the returned ascending list, or -1.
std::vector<int> NeededIndices(const std::vector<AxisSplit>& splits, int n, std::vector<int>& slot)
{
    slot.assign(static_cast<size_t>(n), -1);
    for (const AxisSplit& s : splits) {
        if (!s.inside) continue;
        slot[static_cast<size_t>(s.i0)] = 0;
        slot[static_cast<size_t>(s.i1)] = 0;
    }
    std::vector<int> list;
    for (int i = 0; i < n; ++i) {
        if (slot[static_cast<size_t>(i)] == 0) {
            slot[static_cast<size_t>(i)] = static_cast<int>(list.size());
            list.push_back(i);
        }
    }
    return list;
}

// The source after GaussianBlur(sigma, radius), evaluated only at the given
// rows and columns (indices relative to the lower bounds). Element
// [ri * cols.size() + ci] is the blurred pixel at (rowList[ri], colList[ci]).
// The arithmetic is that of the full blur, so the values are identical.
std::vector<QV_Colour> BlurAt(const QV_Image& src, float sigma, int radius, const std::vector<int>& rowList,
                              const std::vector<int>& colList)
{
    const int rows = src.Rows(), cols = src.Cols(), rLo = src.RowLow();
    const size_t nC = colList.size();
    std::vector<QV_Colour> out(rowList.size() * nC);
    auto inner = [radius](int i, int n) { return i >= radius && i <= n - radius - 1; };

    // Horizontal pass at the needed columns of every inner row that a needed
    // inner row reaches.
    std::vector<int> hSlot(static_cast<size_t>(rows), -1);
    int nH = 0;
    for (int r : rowList) {
        if (!inner(r, rows)) continue;
        for (int k = -radius; k <= radius; ++k) {
            const int rk = r + k;
            if (inner(rk, rows) && hSlot[static_cast<size_t>(rk)] < 0) hSlot[static_cast<size_t>(rk)] = nH++;
        }
    }
    const std::vector<float> w = qv_resample::GaussianWeights(sigma, radius);
    std::vector<QV_Colour> h(static_cast<size_t>(nH) * nC);
    for (int r = 0; r < rows; ++r) {
        const int slot = hSlot[static_cast<size_t>(r)];
        if (slot < 0) continue;
        const QV_Colour* s = src.Row(rLo + r);
        QV_Colour* dst = h.data() + static_cast<size_t>(slot) * nC;
        for (size_t ci = 0; ci < nC; ++ci) {
            const int c = colList[ci];
            dst[ci] = inner(c, cols) ? qv_resample::Convolve(w.data(), radius,
                                                             [s, c](int k) -> const QV_Colour& { return s[c + k]; })
                                     : s[c];
        }
    }

    // Vertical pass: inner rows read the horizontal result where the row is
    // inner and the untouched source in the frame.
    std::vector<const QV_Colour*> srcRows(static_cast<size_t>(2 * radius + 1));
    std::vector<const QV_Colour*> hRows(static_cast<size_t>(2 * radius + 1));
    for (size_t ri = 0; ri < rowList.size(); ++ri) {
        const int r = rowList[ri];
        const QV_Colour* s = src.Row(rLo + r);
        QV_Colour* dst = out.data() + ri * nC;
        if (!inner(r, rows)) {
            for (size_t ci = 0; ci < nC; ++ci) dst[ci] = s[colList[ci]];
            continue;
        }
        for (int k = -radius; k <= radius; ++k) {
            const int slot = hSlot[static_cast<size_t>(r + k)];
            srcRows[static_cast<size_t>(k + radius)] = src.Row(rLo + r + k);
            hRows[static_cast<size_t>(k + radius)] = slot >= 0 ? h.data() + static_cast<size_t>(slot) * nC : nullptr;
        }
        const QV_Colour* const* sw = srcRows.data() + radius;
        const QV_Colour* const* hw = hRows.data() + radius;
        for (size_t ci = 0; ci < nC; ++ci) {
            const int c = colList[ci];
            if (!inner(c, cols)) {
                dst[ci] = s[c];
                continue;
            }
            dst[ci] = qv_resample::Convolve(w.data(), radius, [sw, hw, c, ci](int k) -> const QV_Colour& {
                return hw[k] ? hw[k][ci] : sw[k][c];
            });
        }
    }
    return out;
}

}  // namespace

void QV_Image::Resize(int newRows, int newCols, bool antialias)
{
    if (newRows <= 0 || newCols <= 0) {
        QV_Array2D<QV_Colour>::Resize(0, -1, 0, -1);
        return;
    }
    // A target larger than the array template can hold is refused there.
    if (static_cast<int64_t>(newRows) * newCols > INT32_MAX) {
        QV_Array2D<QV_Colour>::Resize(newRows, newCols);
        return;
    }
    const int rows = Rows(), cols = Cols();

    // Where each target row and column samples the source. A target centre
    // never lies outside the source, so the last half pixel takes the last
    // pixel rather than the sampler's default colour.
    std::vector<AxisSplit> xs(static_cast<size_t>(newCols)), ys(static_cast<size_t>(newRows));
    for (int j = 0; j < newCols; ++j) xs[static_cast<size_t>(j)] = qv_resample::SplitAxis(qv_resample::TargetCoord(j, newCols, cols), cols, true);
    for (int i = 0; i < newRows; ++i) ys[static_cast<size_t>(i)] = qv_resample::SplitAxis(qv_resample::TargetCoord(i, newRows, rows), rows, true);

    std::vector<int> rowSlot, colSlot;
    const std::vector<int> rowList = NeededIndices(ys, rows, rowSlot);
    const std::vector<int> colList = NeededIndices(xs, cols, colSlot);

    // The pixels the sampler reads: the source itself, or the source blurred
    // when shrinking with antialias.
    std::vector<QV_Colour> picked;
    const size_t nC = colList.size();
    bool blurred = false;
    if (antialias && (newRows < rows || newCols < cols)) {
        const float x = (static_cast<float>(cols) / static_cast<float>(newCols) +
                         static_cast<float>(rows) / static_cast<float>(newRows)) / 2.0f;
        const float sigma = x * 0.125f;
        const int radius = static_cast<int>(std::lround(x * 0.5f));
        if (sigma > 0.0f && rows - 2L * radius >= 1 && cols - 2L * radius >= 1) {
            picked = BlurAt(*this, sigma, radius, rowList, colList);
            blurred = true;
        }
    }
    if (!blurred) {
        picked.resize(rowList.size() * nC);
        for (size_t ri = 0; ri < rowList.size(); ++ri) {
            const QV_Colour* s = Row(RowLow() + rowList[ri]);
            for (size_t ci = 0; ci < nC; ++ci) picked[ri * nC + ci] = s[colList[ci]];
        }
    }

    const QV_Colour outside(128, 128, 128, 255);
    QV_Array2D<QV_Colour> target(newRows, newCols);
    // Target rows are independent of one another: they are shared out among
    // the workers.
    const int minRows = std::max(8, (1 << 16) / newCols);
    QV_ParallelFor(newRows, QV_ChunkCount(newRows, minRows), [&](int begin, int end, int) {
        for (int i = begin; i < end; ++i) {
            const AxisSplit& sy = ys[static_cast<size_t>(i)];
            QV_Colour* dst = target.Row(i);
            if (!sy.inside) {
                for (int j = 0; j < newCols; ++j) dst[j] = outside;
                continue;
            }
            const QV_Colour* row0 = picked.data() + static_cast<size_t>(rowSlot[static_cast<size_t>(sy.i0)]) * nC;
            const QV_Colour* row1 = picked.data() + static_cast<size_t>(rowSlot[static_cast<size_t>(sy.i1)]) * nC;
            for (int j = 0; j < newCols; ++j) {
                const AxisSplit& sx = xs[static_cast<size_t>(j)];
                if (!sx.inside) {
                    dst[j] = outside;
                    continue;
                }
                const int c0 = colSlot[static_cast<size_t>(sx.i0)], c1 = colSlot[static_cast<size_t>(sx.i1)];
                dst[j] = qv_resample::Blend(row0[c0], row0[c1], row1[c0], row1[c1], sx.t, sy.t);
            }
        }
    });
    QV_Array2D<QV_Colour>::operator=(std::move(target));
}

void QV_Image::ResizeToHeight(int newRows, bool antialias)
{
    if (newRows == Rows()) return;
    // An empty image has no aspect ratio to keep.
    if (Empty()) return;
    long newCols = std::lround(static_cast<float>(newRows) / static_cast<float>(Rows()) * static_cast<float>(Cols()));
    if (newRows > 0 && newCols < 1) newCols = 1;  // a very tall, thin image keeps one column
    if (newCols > INT32_MAX) return;
    Resize(newRows, static_cast<int>(newCols), antialias);
}
