// QV_VerdictTable: what the verification networks said of each window of one
// picture's pyramid, by level and window centre, so that windows shared by
// neighbouring candidates are judged once.
#pragma once

#include <cstddef>
#include <vector>

#include "QV_NamedImages.h"

class QV_VerdictTable {
public:
    enum Verdict : unsigned char { kUnknown = 0, kQueued, kNo, kYes };

    // Room for every window centre of the pyramid's levels and a margin
    // around each; every entry unknown.
    void Reset(const std::vector<QV_DetImage>& pyramid);
    // Holds nothing: every lookup is null.
    void Clear();
    // The entry of the window centred at (px, py) of level j, or null when
    // the level is not in the table or the centre lies beyond its margin.
    unsigned char* At(int j, int px, int py);

private:
    // Window centres a little outside a level (candidates near its edges
    // look there) still have entries.
    static constexpr int kMargin = 32;
    std::vector<unsigned char> cells;
    std::vector<std::size_t> first;  // index of each level's first entry
    std::vector<int> widths, heights;
};
