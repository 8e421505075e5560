#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <vector>

#include "QV_OctreeQuantiser.h"

namespace {

// Key that orders colours the way a depth-first walk of the octree meets
// them: the bits of R, G and B interleaved from the most significant one.
uint32_t InterleavedKey(const QV_Colour& c)
{
    uint32_t key = 0;
    for (int bit = 7; bit >= 0; --bit) {
        key = (key << 3) | (((c.red >> bit) & 1u) << 2) | (((c.green >> bit) & 1u) << 1) | ((c.blue >> bit) & 1u);
    }
    return key;
}

// An image holding the given colours one per pixel, row 0 first.
QV_Image ImageOf(const std::vector<QV_Colour>& colours, int cols)
{
    const int rows = static_cast<int>((colours.size() + cols - 1) / cols);
    QV_Image img(rows, cols);
    for (size_t i = 0; i < static_cast<size_t>(rows) * cols; ++i) {
        img(static_cast<int>(i / cols), static_cast<int>(i % cols)) = colours[std::min(i, colours.size() - 1)];
    }
    return img;
}

// 253 even colours, each alone under its deepest parent node.
std::vector<QV_Colour> Singletons()
{
    std::vector<QV_Colour> v;
    for (int i = 0; i < 253; ++i) {
        v.emplace_back(static_cast<unsigned char>((i % 8) * 32), static_cast<unsigned char>(((i / 8) % 8) * 32),
                       static_cast<unsigned char>((i / 64) * 32));
    }
    return v;
}

}  // namespace

TEST(OctreeQuantiser, FewColoursEachGetTheirOwnEntryInTreeOrder)
{
    std::mt19937 rng(7);
    std::set<uint32_t> seen;
    std::vector<QV_Colour> distinct;
    while (distinct.size() < 256) {
        QV_Colour c(static_cast<unsigned char>(rng()), static_cast<unsigned char>(rng()),
                    static_cast<unsigned char>(rng()));
        if (seen.insert(InterleavedKey(c)).second) distinct.push_back(c);
    }
    // Every colour used several times, in a scrambled order.
    std::vector<QV_Colour> pixels;
    for (int rep = 0; rep < 3; ++rep) pixels.insert(pixels.end(), distinct.begin(), distinct.end());
    std::shuffle(pixels.begin(), pixels.end(), rng);
    QV_Image img = ImageOf(pixels, 24);

    QV_GreyImage idx;
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx, pal));
    ASSERT_EQ(pal.Count(), 256);
    for (int r = 0; r < img.Rows(); ++r) {
        for (int c = 0; c < img.Cols(); ++c) EXPECT_EQ(pal[idx(r, c)], img(r, c)) << r << "," << c;
    }
    std::vector<QV_Colour> sorted = distinct;
    std::sort(sorted.begin(), sorted.end(),
              [](const QV_Colour& a, const QV_Colour& b) { return InterleavedKey(a) < InterleavedKey(b); });
    for (int i = 0; i < 256; ++i) EXPECT_EQ(pal[i], sorted[i]) << i;
}

TEST(OctreeQuantiser, UnusedEntriesAreZeroAndIndicesTakeTheImageBounds)
{
    QV_Image img;
    img.Resize(2, 5, -3, -1);  // rows 2..5, columns -3..-1
    for (int r = 2; r <= 5; ++r)
        for (int c = -3; c <= -1; ++c) img(r, c) = (r % 2) ? QV_Colour(10, 20, 30, 7) : QV_Colour(200, 0, 90);
    QV_GreyImage idx;
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx, pal));
    EXPECT_EQ(idx.RowLow(), 2);
    EXPECT_EQ(idx.RowHigh(), 5);
    EXPECT_EQ(idx.ColLow(), -3);
    EXPECT_EQ(idx.ColHigh(), -1);
    // Palette colours are opaque whatever the source alpha.
    EXPECT_EQ(pal[0], QV_Colour(10, 20, 30, 255));
    EXPECT_EQ(pal[1], QV_Colour(200, 0, 90, 255));
    for (int i = 2; i < 256; ++i) EXPECT_EQ(pal[i], QV_Colour(0, 0, 0, 0)) << i;
    EXPECT_EQ(idx(3, -2), 0);
    EXPECT_EQ(idx(4, -3), 1);
}

// The 257th distinct colour forces one reduction among the two branching
// nodes of the deepest level: the smallest count goes, ties go to the node
// that became branching last.
struct ReductionCase {
    const char* name;
    int extraA1;  // extra pixels of colour a1 before the b pair
    int extraB1;  // extra pixels of colour b1 between b1 and b2
    bool aMerged;
};

class OctreeReduction : public testing::TestWithParam<ReductionCase> {};

TEST_P(OctreeReduction, FoldsTheExpectedPair)
{
    const ReductionCase& tc = GetParam();
    const QV_Colour a1(200, 200, 200), a2(201, 200, 200), b1(100, 100, 100), b2(100, 100, 101);
    std::vector<QV_Colour> px = Singletons();
    px.push_back(a1);
    px.push_back(a2);
    for (int i = 0; i < tc.extraA1; ++i) px.push_back(a1);
    px.push_back(b1);
    for (int i = 0; i < tc.extraB1; ++i) px.push_back(b1);
    px.push_back(b2);
    QV_Image img(1, static_cast<int>(px.size()));
    for (int c = 0; c < img.Cols(); ++c) img(0, c) = px[c];

    QV_GreyImage idx;
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx, pal));
    const int n = img.Cols();
    const int ia1 = idx(0, 253), ia2 = idx(0, 254), ib1 = idx(0, n - 2), ib2 = idx(0, n - 1);
    if (tc.aMerged) {
        EXPECT_EQ(ia1, ia2);
        EXPECT_NE(ib1, ib2);
        EXPECT_EQ(pal[ib2], b2);
    } else {
        EXPECT_NE(ia1, ia2);
        EXPECT_EQ(ib1, ib2);
        EXPECT_EQ(pal[ia2], a2);
    }
    // 256 colours in use, all singletons still exact.
    for (int c = 0; c < 253; ++c) EXPECT_EQ(pal[idx(0, c)], px[c]) << c;
    EXPECT_NE(pal[255].alpha, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, OctreeReduction,
                         testing::Values(ReductionCase{"TieGoesToFront", 0, 0, false},
                                         ReductionCase{"SmallerCountGoes", 1, 0, false},
                                         ReductionCase{"SmallerCountGoesEvenAtBack", 0, 1, true}),
                         [](const testing::TestParamInfo<ReductionCase>& i) { return std::string(i.param.name); });

TEST(OctreeQuantiser, ManyColoursMapToNearColoursDeterministically)
{
    std::mt19937 rng(42);
    QV_Image img(90, 110);
    for (int r = 0; r < img.Rows(); ++r) {
        for (int c = 0; c < img.Cols(); ++c) {
            const int noise = static_cast<int>(rng() % 9) - 4;
            img(r, c) = QV_Colour(static_cast<unsigned char>(std::clamp(r * 255 / 89 + noise, 0, 255)),
                                  static_cast<unsigned char>(std::clamp(c * 255 / 109 - noise, 0, 255)),
                                  static_cast<unsigned char>(std::clamp((r + c) + noise, 0, 255)));
        }
    }
    QV_GreyImage idx;
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx, pal));
    double total = 0.0;
    int worst = 0;
    for (int r = 0; r < img.Rows(); ++r) {
        for (int c = 0; c < img.Cols(); ++c) {
            const QV_Colour& p = img(r, c);
            const QV_Colour& q = pal[idx(r, c)];
            ASSERT_EQ(q.alpha, 255);  // a used entry
            const int d = std::max({std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
            worst = std::max(worst, d);
            total += d;
        }
    }
    EXPECT_LE(worst, 40);
    EXPECT_LT(total / (img.Rows() * img.Cols()), 12.0);

    QV_GreyImage idx2;
    QV_Array<QV_Colour> pal2;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx2, pal2));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(pal[i], pal2[i]);
    EXPECT_TRUE(std::equal(idx.Data(), idx.Data() + idx.Count(), idx2.Data()));
}

TEST(OctreeQuantiser, EmptyImageGivesZeroPalette)
{
    QV_Image img;
    QV_GreyImage idx(3, 3);
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx, pal));
    EXPECT_TRUE(idx.Empty());
    ASSERT_EQ(pal.Count(), 256);
    EXPECT_EQ(pal[0], QV_Colour(0, 0, 0, 0));
}

TEST(OctreeQuantiser, RandomColoursStayWithinTheUsedPalette)
{
    std::mt19937 rng(3);
    QV_Image img(128, 128);
    for (int i = 0; i < img.Count(); ++i) {
        img.Data()[i] = QV_Colour(static_cast<unsigned char>(rng()), static_cast<unsigned char>(rng()),
                                  static_cast<unsigned char>(rng()));
    }
    QV_GreyImage idx;
    QV_Array<QV_Colour> pal;
    ASSERT_TRUE(QV_OctreeQuantiser::Quantise(img, idx, pal));
    int used = 0;
    while (used < 256 && pal[used].alpha == 255) ++used;
    for (int i = used; i < 256; ++i) EXPECT_EQ(pal[i], QV_Colour(0, 0, 0, 0)) << i;
    EXPECT_GE(used, 64);
    std::vector<int> hits(256, 0);
    for (int i = 0; i < idx.Count(); ++i) {
        ASSERT_LT(idx.Data()[i], used);
        ++hits[idx.Data()[i]];
    }
    // Every palette entry stands for some pixel.
    for (int i = 0; i < used; ++i) EXPECT_GT(hits[i], 0) << i;
}
