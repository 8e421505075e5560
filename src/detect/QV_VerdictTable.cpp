#include "QV_VerdictTable.h"

void QV_VerdictTable::Reset(const std::vector<QV_DetImage>& pyramid)
{
    first.clear();
    widths.clear();
    heights.clear();
    std::size_t total = 0;
    for (const QV_DetImage& level : pyramid) {
        const int w = level.width + 2 * kMargin, h = level.height + 2 * kMargin;
        first.push_back(total);
        widths.push_back(w);
        heights.push_back(h);
        total += static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    }
    cells.assign(total, kUnknown);
}

void QV_VerdictTable::Clear()
{
    cells.clear();
    first.clear();
    widths.clear();
    heights.clear();
}

unsigned char* QV_VerdictTable::At(int j, int px, int py)
{
    if (j < 0 || j >= static_cast<int>(first.size())) return nullptr;
    const int x = px + kMargin, y = py + kMargin;
    const std::size_t level = static_cast<std::size_t>(j);
    if (x < 0 || y < 0 || x >= widths[level] || y >= heights[level]) return nullptr;
    return &cells[first[level] + static_cast<std::size_t>(y) * static_cast<std::size_t>(widths[level]) +
                  static_cast<std::size_t>(x)];
}
