#include <gtest/gtest.h>

#include <vector>

#include "QV_ImagePreparation.h"

namespace {

// A grey image, row 0 being the first row listed.
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

std::vector<int> Channel(const QV_Image& img, bool green)
{
    std::vector<int> out;
    for (int r = 0; r < img.Rows(); ++r)
        for (int c = 0; c < img.Cols(); ++c) out.push_back(green ? img(r, c).green : img(r, c).red);
    return out;
}

TEST(ImagePreparation, EachModeOnSmallHandComputedImages)
{
    const std::vector<std::vector<int>> two = {{10, 20, 50}, {30, 30, 35}};
    const std::vector<std::vector<int>> three = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 12, 20}};
    const std::vector<int> windowAngles = {0, 11, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    struct Case {
        int mode;
        std::vector<std::vector<int>> input;
        std::vector<int> red, green;  // green empty: equal to red
    };
    const std::vector<Case> cases = {
        {0, two, {10, 20, 50, 30, 30, 35}, {}},
        {7, two, {10, 20, 50, 30, 30, 35}, {}},
        // atan2(g1, g2) at (0, 0) = atan2(-30, -10) and at (0, 1) = atan2(5, -35);
        // positions not computed stay 0 before the stretch.
        {3, two, {0, 255, 99, 99, 99, 99}, {}},
        // (|g1| + |g2|) / sqrt(g1^2 + g2^2 + 100): 40 / sqrt(1100), 40 / sqrt(1350).
        {4, two, {255, 230, 0, 0, 0, 0}, {}},
        // v = top (row r-1) - bottom, h = left - right: atan2(-7, -25), atan2(-14, -33).
        {5, three, windowAngles, {}},
        // Orientation in red; |v| + |h| = 32 and 47 in green and blue.
        {6, three, windowAngles, {174, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        QV_Image img = Grey(c.input);
        QV_PrepareImage(img, c.mode);
        EXPECT_EQ(Channel(img, false), c.red) << "mode " << c.mode;
        EXPECT_EQ(Channel(img, true), c.green.empty() ? c.red : c.green) << "mode " << c.mode;
    }
    QV_Image colour(1, 1);
    colour(0, 0) = QV_Colour(10, 20, 31, 7);
    QV_PrepareImage(colour, 2);
    EXPECT_EQ(colour(0, 0), QV_Colour(20, 20, 20, 255));
    for (const auto& [width, window] : std::vector<std::pair<int, int>>{{512, 15}, {64, 3}, {102, 3}, {200, 5}})
        EXPECT_EQ(QV_SharpenWindow(width), window) << width;
}

TEST(ImagePreparation, PyramidLevelsCoarsestFirstFromTheMirroredPreparedImage)
{
    struct Case {
        int rows, cols, width, levels;
        std::vector<int> rowsPerLevel, colsPerLevel;
    };
    for (const Case& c : {Case{100, 200, 64, 3, {8, 16, 32}, {16, 32, 64}}, Case{3, 8, 12, 2, {3, 5}, {6, 12}}}) {
        std::vector<QV_Image> pyramid;
        ASSERT_TRUE(QV_BuildPyramid(QV_Image(c.rows, c.cols), c.width, c.levels, false, 0, pyramid));
        ASSERT_EQ(pyramid.size(), c.rowsPerLevel.size());
        for (size_t l = 0; l < pyramid.size(); ++l) {
            EXPECT_EQ(pyramid[l].Rows(), c.rowsPerLevel[l]) << c.rows << " level " << l;
            EXPECT_EQ(pyramid[l].Cols(), c.colsPerLevel[l]) << c.rows << " level " << l;
        }
    }
    QV_Image img(8, 16);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 16; ++c) img(r, c) = c < 8 ? QV_Colour(10, 10, 10, 255) : QV_Colour(200, 100, 0, 255);
    std::vector<QV_Image> mirrored;
    ASSERT_TRUE(QV_BuildPyramid(img, 16, 2, true, 2, mirrored));
    EXPECT_EQ(mirrored[1](3, 0), QV_Colour(100, 100, 100, 255));  // mirrored, then grey
    EXPECT_EQ(mirrored[1](3, 15), QV_Colour(10, 10, 10, 255));
    EXPECT_EQ(mirrored[0](1, 0).red, mirrored[0](1, 0).blue);  // halved from the prepared image
    EXPECT_FALSE(QV_BuildPyramid(QV_Image(), 64, 3, false, 0, mirrored));
    EXPECT_TRUE(mirrored.empty());
    EXPECT_FALSE(QV_BuildPyramid(img, 64, 0, false, 0, mirrored));
    EXPECT_FALSE(QV_BuildPyramid(QV_Image(4000, 1), 512, 2, false, 0, mirrored));
}

}  // namespace
