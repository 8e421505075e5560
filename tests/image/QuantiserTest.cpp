#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "QV_OctreeQuantiser.h"

namespace {

// Orders colours as a depth-first walk of the octree meets them: the bits of
// R, G and B interleaved from the most significant one.
uint32_t TreeKey(const QV_Colour& c)
{
    uint32_t key = 0;
    for (int bit = 7; bit >= 0; --bit)
        key = (key << 3) | (((c.red >> bit) & 1u) << 2) | (((c.green >> bit) & 1u) << 1) | ((c.blue >> bit) & 1u);
    return key;
}

QV_Image RowImage(const std::vector<QV_Colour>& px)
{
    QV_Image img(1, static_cast<int>(px.size()));
    std::copy(px.begin(), px.end(), img.Data());
    return img;
}

}  // namespace

TEST(OctreeQuantiser, FewColoursEachGetTheirOwnEntryInTreeOrder)
{
    std::mt19937 rng(7);
    std::set<uint32_t> seen;
    std::vector<QV_Colour> distinct, px;
    while (distinct.size() < 200) {
        QV_Colour c(rng() & 255, rng() & 255, rng() & 255, rng() & 255);
        if (seen.insert(TreeKey(c)).second) distinct.push_back(c);
    }
    for (int rep = 0; rep < 3; ++rep) px.insert(px.end(), distinct.begin(), distinct.end());
    std::shuffle(px.begin(), px.end(), rng);
    QV_GreyImage idx;
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(RowImage(px), idx, pal));
    ASSERT_EQ(pal.Count(), 256);
    ASSERT_EQ(idx.Cols(), 600);
    for (int c = 0; c < 600; ++c) EXPECT_EQ(pal[idx(0, c)], QV_Colour(px[c].red, px[c].green, px[c].blue, 255));
    std::sort(distinct.begin(), distinct.end(), [](auto& a, auto& b) { return TreeKey(a) < TreeKey(b); });
    for (int i = 0; i < 200; ++i) EXPECT_EQ(pal[i], QV_Colour(distinct[i].red, distinct[i].green, distinct[i].blue));
    for (int i = 200; i < 256; ++i) EXPECT_EQ(pal[i], QV_Colour(0, 0, 0, 0)) << i;
}

// 253 colours alone under their deepest nodes, then pairs a and b that share
// one: the 257th colour forces one reduction; the smaller count goes, a tie
// goes to the node that became reducible last (b).
struct ReductionCase {
    int extraA1, extraB1;
    bool aMerged;
};
class OctreeReduction : public testing::TestWithParam<ReductionCase> {};

TEST_P(OctreeReduction, FoldsTheExpectedPair)
{
    const ReductionCase tc = GetParam();
    const QV_Colour a1(200, 200, 200), a2(201, 200, 200), b1(100, 100, 100), b2(100, 100, 101);
    std::vector<QV_Colour> px;
    for (int i = 0; i < 253; ++i) px.emplace_back((i % 8) * 32, ((i / 8) % 8) * 32, (i / 64) * 32);
    px.push_back(a1);
    px.push_back(a2);
    px.insert(px.end(), tc.extraA1, a1);
    px.insert(px.end(), tc.extraB1 + 1, b1);
    px.push_back(b2);
    QV_GreyImage idx;
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(RowImage(px), idx, pal));
    const int n = idx.Cols();
    EXPECT_EQ(idx(0, 253) == idx(0, 254), tc.aMerged);
    EXPECT_EQ(idx(0, n - 2) == idx(0, n - 1), !tc.aMerged);
    EXPECT_EQ(pal[idx(0, tc.aMerged ? n - 1 : 254)], tc.aMerged ? b2 : a2);
    for (int c = 0; c < 253; ++c) EXPECT_EQ(pal[idx(0, c)], px[c]) << c;
}

INSTANTIATE_TEST_SUITE_P(TieAndCount, OctreeReduction,
                         testing::Values(ReductionCase{0, 0, false}, ReductionCase{1, 0, false},
                                         ReductionCase{0, 1, true}));

TEST(OctreeQuantiser, ManyColoursMapToNearUsedEntriesDeterministically)
{
    std::mt19937 rng(42);
    QV_Image img(90, 110);
    for (int r = 0; r < 90; ++r)
        for (int c = 0; c < 110; ++c) {
            const int e = static_cast<int>(rng() % 9) - 4;
            img(r, c) = QV_Colour(std::clamp(r * 255 / 89 + e, 0, 255), std::clamp(c * 255 / 109 - e, 0, 255),
                                  std::clamp(r + c + e, 0, 255));
        }
    QV_GreyImage idx, idx2;
    QV_Array<QV_Colour> pal, pal2;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx, pal));
    int used = 0;
    while (used < 256 && pal[used].alpha == 255) ++used;
    EXPECT_GE(used, 128);
    double total = 0.0;
    for (int i = 0; i < img.Count(); ++i) {
        const QV_Colour &p = img.Data()[i], &q = pal[idx.Data()[i]];
        ASSERT_LT(idx.Data()[i], used);
        const int d = std::max({std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
        ASSERT_LE(d, 40);
        total += d;
    }
    EXPECT_LT(total / img.Count(), 12.0);
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx2, pal2));
    EXPECT_TRUE(std::equal(pal.Data(), pal.Data() + 256, pal2.Data()));
    EXPECT_TRUE(std::equal(idx.Data(), idx.Data() + idx.Count(), idx2.Data()));
}
