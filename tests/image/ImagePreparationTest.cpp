#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QV_ImagePreparation.h"

namespace {

// An image from grey levels, row 0 being the first row listed.
QV_Image Grey(const std::vector<std::vector<int>>& rows)
{
    QV_Image img(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (int r = 0; r < img.Rows(); ++r)
        for (int c = 0; c < img.Cols(); ++c) {
            const auto v = static_cast<unsigned char>(rows[r][c]);
            img(r, c) = QV_Colour(v, v, v, 255);
        }
    return img;
}

// Red channel of every pixel, row by row.
std::vector<int> Reds(const QV_Image& img)
{
    std::vector<int> out;
    for (int r = 0; r < img.Rows(); ++r)
        for (int c = 0; c < img.Cols(); ++c) out.push_back(img(r, c).red);
    return out;
}
std::vector<int> Greens(const QV_Image& img)
{
    std::vector<int> out;
    for (int r = 0; r < img.Rows(); ++r)
        for (int c = 0; c < img.Cols(); ++c) out.push_back(img(r, c).green);
    return out;
}

struct ModeCase {
    int mode;
    std::vector<std::vector<int>> input;
    std::vector<int> red, green;  // expected; green empty when it equals red
};

TEST(ImagePreparation, EachModeOnSmallHandComputedImages)
{
    const std::vector<std::vector<int>> two = {{10, 20, 50}, {30, 30, 35}};
    const std::vector<std::vector<int>> three = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 12, 20}};
    const std::vector<ModeCase> cases = {
        // Nothing done.
        {0, two, {10, 20, 50, 30, 30, 35}, {}},
        {7, two, {10, 20, 50, 30, 30, 35}, {}},
        {-1, two, {10, 20, 50, 30, 30, 35}, {}},
        // Edge orientation atan2(g1, g2) at (0,0) = atan2(-30,-10), (0,1) =
        // atan2(5,-35); the uncomputed row and column stay 0 before the stretch.
        {3, two, {0, 255, 99, 99, 99, 99}, {}},
        // Edge strength (|g1| + |g2|) / sqrt(g1^2 + g2^2 + 100): 40/sqrt(1100)
        // and 40/sqrt(1350).
        {4, two, {255, 230, 0, 0, 0, 0}, {}},
        // Window gradients: v = top row - bottom row, h = left - right column;
        // atan2(-7, -25) and atan2(-14, -33) at (0, 0) and (0, 1).
        {5, three, {0, 11, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}, {}},
        // Orientation in red, |v| + |h| = 32 and 47 in green and blue.
        {6, three, {0, 11, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
         {174, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const ModeCase& c : cases) {
        QV_Image img = Grey(c.input);
        QV_PrepareImage(img, c.mode);
        EXPECT_EQ(Reds(img), c.red) << "mode " << c.mode;
        EXPECT_EQ(Greens(img), c.green.empty() ? c.red : c.green) << "mode " << c.mode;
        EXPECT_EQ(img(0, 0).alpha, 255) << "mode " << c.mode;
    }
}

TEST(ImagePreparation, GreyModeAveragesTheChannels)
{
    QV_Image img(1, 2);
    img(0, 0) = QV_Colour(10, 20, 31, 7);
    img(0, 1) = QV_Colour(255, 0, 1, 255);
    QV_PrepareImage(img, 2);
    EXPECT_EQ(img(0, 0), QV_Colour(20, 20, 20, 255));
    EXPECT_EQ(img(0, 1), QV_Colour(85, 85, 85, 255));
}

TEST(ImagePreparation, SharpenWindowFollowsTheWidth)
{
    const std::vector<std::pair<int, int>> cases = {{512, 15}, {64, 3}, {102, 3}, {103, 3}, {200, 5}, {1024, 30}, {0, 3}};
    for (const auto& [width, window] : cases) EXPECT_EQ(QV_SharpenWindow(width), window) << width;
    // Mode 1 on a 200-pixel-wide image sharpens with window 5.
    QV_Image img(6, 200);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 200; ++c) {
            const auto v = static_cast<unsigned char>((r * 37 + c * 11) % 256);
            img(r, c) = QV_Colour(v, v, v, 255);
        }
    QV_Image expected = img;
    expected.Sharpen(5);
    QV_PrepareImage(img, 1);
    EXPECT_EQ(Reds(img), Reds(expected));
    QV_Image source(6, 200);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 200; ++c) {
            const auto v = static_cast<unsigned char>((r * 37 + c * 11) % 256);
            source(r, c) = QV_Colour(v, v, v, 255);
        }
    source.Sharpen(3);
    EXPECT_NE(Reds(img), Reds(source));  // the window matters on this image
}

TEST(ImagePreparation, PyramidSizesAndOrder)
{
    struct Case {
        int rows, cols, width, levels;
        std::vector<std::pair<int, int>> sizes;  // (rows, cols), coarsest first
    };
    const std::vector<Case> cases = {
        {100, 200, 64, 3, {{8, 16}, {16, 32}, {32, 64}}},
        {7, 3, 10, 1, {{23, 10}}},    // 23.33 rows
        {3, 8, 12, 2, {{3, 6}, {5, 12}}},  // 4.5 rounds up; odd sizes halve upward
        {512, 512, 512, 5, {{32, 32}, {64, 64}, {128, 128}, {256, 256}, {512, 512}}},
    };
    for (const Case& c : cases) {
        QV_Image img(c.rows, c.cols);
        img.Fill(QV_Colour(50, 60, 70, 255));
        std::vector<QV_Image> pyramid;
        ASSERT_TRUE(QV_BuildPyramid(img, c.width, c.levels, false, 0, pyramid));
        ASSERT_EQ(pyramid.size(), c.sizes.size());
        for (size_t l = 0; l < pyramid.size(); ++l) {
            EXPECT_EQ(pyramid[l].Rows(), c.sizes[l].first) << c.rows << "x" << c.cols << " level " << l;
            EXPECT_EQ(pyramid[l].Cols(), c.sizes[l].second) << c.rows << "x" << c.cols << " level " << l;
        }
        // A flat image stays flat at every level.
        EXPECT_EQ(pyramid[0](0, 0), QV_Colour(50, 60, 70, 255));
    }
    std::vector<QV_Image> pyramid(2);
    EXPECT_FALSE(QV_BuildPyramid(QV_Image(), 64, 3, false, 0, pyramid));
    EXPECT_TRUE(pyramid.empty());
    EXPECT_FALSE(QV_BuildPyramid(QV_Image(4, 4), 64, 0, false, 0, pyramid));
    EXPECT_FALSE(QV_BuildPyramid(QV_Image(4, 4), 0, 2, false, 0, pyramid));
    EXPECT_FALSE(QV_BuildPyramid(QV_Image(4000, 1), 512, 2, false, 0, pyramid));  // 2 million rows
}

TEST(ImagePreparation, PyramidMirrorsBeforePreparing)
{
    // Left half dark, right half bright, at the working width already.
    QV_Image img(8, 16);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 16; ++c) img(r, c) = c < 8 ? QV_Colour(10, 10, 10, 255) : QV_Colour(200, 100, 0, 255);
    std::vector<QV_Image> plain, mirrored;
    ASSERT_TRUE(QV_BuildPyramid(img, 16, 2, false, 2, plain));
    ASSERT_TRUE(QV_BuildPyramid(img, 16, 2, true, 2, mirrored));
    EXPECT_EQ(plain[1](3, 0), QV_Colour(10, 10, 10, 255));
    EXPECT_EQ(plain[1](3, 15), QV_Colour(100, 100, 100, 255));  // prepared: grey
    EXPECT_EQ(mirrored[1](3, 0), QV_Colour(100, 100, 100, 255));
    EXPECT_EQ(mirrored[1](3, 15), QV_Colour(10, 10, 10, 255));
    // The coarser level is made from the prepared image.
    EXPECT_EQ(mirrored[0](1, 0).red, mirrored[0](1, 0).blue);
    EXPECT_GT(mirrored[0](1, 0).red, mirrored[0](1, 7).red);
}

}  // namespace
