#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "QV_Image.h"
#include "QV_ImageResampleKernels.h"
#include "QV_Parallel.h"

namespace {

QV_Image RandomImage(int rLo, int rHi, int cLo, int cHi, unsigned seed)
{
    std::mt19937 rng(seed);
    QV_Image img;
    img.Resize(rLo, rHi, cLo, cHi);
    for (int i = 0; i < img.Count(); ++i) img.Data()[i] = QV_Colour(rng() & 255, rng() & 255, rng() & 255, rng() & 255);
    return img;
}

bool Same(const QV_Image& a, const QV_Image& b)
{
    return a.RowLow() == b.RowLow() && a.ColLow() == b.ColLow() && a.Count() == b.Count() &&
           std::equal(a.Data(), a.Data() + a.Count(), b.Data());
}

// The Gaussian integrated over [k - 0.5, k + 0.5], from the error function.
double ExactWeight(double sigma, int k)
{
    const double s = sigma * std::sqrt(2.0);
    return 0.5 * (std::erf((k + 0.5) / s) - std::erf((k - 0.5) / s));
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

const QV_Colour kGrey(128, 128, 128, 255);

}  // namespace

TEST(BilinearSampler, OutsideGivesDefaultAndPixelCentresLieAtHalves)
{
    // 2 x 3 pixels with bounds away from zero; coordinates are relative.
    QV_Image img;
    img.Resize(4, 5, -1, 1);
    for (int r = 4; r <= 5; ++r)
        for (int c = -1; c <= 1; ++c) img(r, c) = QV_Colour(10 * (c + 2), 100 + r, 11 * (c + 2) + 60 * (r - 4));
    QV_BilinearSampler s(img);
    const float pts[][2] = {{-1.5f, 0.5f}, {2.5f, 0.5f}, {0.5f, -1.5f}, {0.5f, 1.5f}, {NAN, 0.5f}, {1e30f, 0.5f}};
    for (const auto& p : pts) EXPECT_EQ(s.Sample(p[0], p[1]), kGrey) << p[0] << "," << p[1];
    for (float x : {-0.5f, -0.25f, 0.0f, 0.5f}) EXPECT_EQ(s.Sample(x, 0.5f), img(4, -1)) << x;
    EXPECT_EQ(s.Sample(1.5f, 0.5f), img(4, 0));
    EXPECT_EQ(s.Sample(2.4f, 0.5f), QV_Colour(29, 104, 32));  // 0.9 of the way to column 2
    EXPECT_EQ(s.Sample(1.0f, 1.0f), QV_Colour(15, 105, 47));  // four neighbours, 46.5 -> 47
    s.SetDefault(QV_Colour(1, 2, 3, 4));
    EXPECT_EQ(s.Sample(-1.5f, 0.5f), QV_Colour(1, 2, 3, 4));

    QV_Image one(1, 1);  // no second neighbour to read
    one(0, 0) = QV_Colour(9, 8, 7, 6);
    EXPECT_EQ(QV_BilinearSampler(one).Sample(0.2f, 0.3f), QV_Colour(9, 8, 7, 6));
}

TEST(GaussianBlur, WeightsAreThePixelIntegralsOfTheGaussian)
{
    const float sigma[] = {0.25f, 1.0f, 2.5f, 0.977f};
    const int radius[] = {1, 3, 6, 4};
    for (int t = 0; t < 4; ++t) {
        const std::vector<float> w = qv_resample::GaussianWeights(sigma[t], radius[t]);
        ASSERT_EQ(w.size(), static_cast<size_t>(2 * radius[t] + 1));
        for (int k = -radius[t]; k <= radius[t]; ++k)
            EXPECT_NEAR(w[k + radius[t]], ExactWeight(sigma[t], k), 2e-6) << sigma[t] << " " << k;
    }
}

TEST(GaussianBlur, ImpulseSpreadsAsRoundedSeparablePassesAndTheFrameStays)
{
    QV_Image img(11, 12);
    img.Fill(QV_Colour(0, 0, 0, 5));
    img(5, 5) = QV_Colour(200, 200, 200, 255);
    img.GaussianBlur(1.0f, 2);
    for (int r = 0; r < 11; ++r)
        for (int c = 0; c < 12; ++c) {
            const bool frame = r < 2 || r > 8 || c < 2 || c > 9;
            int want = 0;
            if (std::abs(r - 5) <= 2 && std::abs(c - 5) <= 2)
                want = Round(ExactWeight(1.0, r - 5) * Round(200.0 * ExactWeight(1.0, c - 5)));
            EXPECT_EQ(img(r, c), QV_Colour(want, want, want, frame ? 5 : 255)) << r << "," << c;
        }
}

TEST(GaussianBlur, VerticalPassReadsTheUnblurredFrameRows)
{
    QV_Image img(7, 7);
    img.Fill(QV_Colour(100, 100, 100));
    img.GaussianBlur(1.0f, 1);
    const double w0 = ExactWeight(1.0, 0), w1 = ExactWeight(1.0, 1);
    const int h = Round(100.0 * (w0 + 2 * w1));  // not renormalised: below 100
    EXPECT_EQ(img(1, 3).red, Round(w1 * 100.0 + (w0 + w1) * h));
    EXPECT_EQ(img(3, 3).red, Round((w0 + 2 * w1) * h));
    EXPECT_EQ(img(0, 3).red, 100);

    const QV_Image src = RandomImage(0, 4, 0, 5, 3);
    for (auto [sigma, radius] : {std::pair{0.0f, 1}, {-1.0f, 1}, {1.0f, -1}, {1.0f, 3}, {NAN, 1}}) {
        QV_Image same = src;
        same.GaussianBlur(sigma, radius);
        EXPECT_TRUE(Same(same, src)) << sigma << " " << radius;
    }
}

TEST(Resize, SameSizeIsTheIdentityAndEnlargingHasNoGreyEdge)
{
    const QV_Image src = RandomImage(3, 8, -2, 4, 5);
    QV_Image img = src;
    img.SetJPEGQuality(30);
    img.Resize(6, 7, true);
    ASSERT_EQ(img.RowLow(), 0);
    EXPECT_EQ(img.JPEGQuality(), 30);
    EXPECT_TRUE(std::equal(img.Data(), img.Data() + img.Count(), src.Data()));

    QV_Image small(2, 3);
    for (int i = 0; i < 6; ++i) small.Data()[i] = QV_Colour(40 * i, 0, 0);
    QV_Image big = small;
    big.Resize(4, 6, true);
    EXPECT_EQ(big(3, 5), small(1, 2));  // the top right corner is the source's, not grey
    EXPECT_EQ(big(3, 0), small(1, 0));
    EXPECT_EQ(big(1, 1).red, 40);  // 0.1875 * 40 + 0.1875 * 120 + 0.0625 * 160

    big.Resize(0, 4, true);
    EXPECT_TRUE(big.Empty());
    big.ResizeToHeight(10, true);
    EXPECT_TRUE(big.Empty());
}

TEST(ResizeToHeight, SameHeightChangesNothingAndWidthKeepsTheAspect)
{
    const QV_Image src = RandomImage(2, 9, 1, 5, 4);
    QV_Image img = src;
    img.ResizeToHeight(8, true);
    EXPECT_TRUE(Same(img, src));
    QV_Image half = RandomImage(0, 19, 0, 15, 6), direct = half;
    half.ResizeToHeight(10, true);
    direct.Resize(10, 8, true);
    EXPECT_TRUE(Same(half, direct));
    const int cases[][4] = {{10, 15, 4, 6}, {7, 10, 3, 4}, {4, 5, 8, 10}, {4000, 3000, 512, 384}, {1000, 1, 1, 1}};
    for (const auto& tc : cases) {
        QV_Image im(tc[0], tc[1]);
        im.ResizeToHeight(tc[2], false);
        EXPECT_EQ(im.Rows(), tc[2]);
        EXPECT_EQ(im.Cols(), tc[3]) << tc[0] << "x" << tc[1];
    }
}

// Large targets share their rows out among the workers: the pixels are the
// same as on one.
TEST(Resize, SameOnAnyNumberOfWorkers)
{
    const QV_Image src = RandomImage(0, 599, 0, 436, 7);
    QV_SetWorkerCount(1);
    QV_Image up = src, down = src;
    up.Resize(700, 510, false);
    down.ResizeToHeight(300, true);
    for (int workers : {2, 3}) {
        QV_SetWorkerCount(workers);
        QV_Image up2 = src, down2 = src;
        up2.Resize(700, 510, false);
        down2.ResizeToHeight(300, true);
        EXPECT_TRUE(Same(up, up2)) << workers;
        EXPECT_TRUE(Same(down, down2)) << workers;
    }
    QV_SetWorkerCount(0);
    // A row in the last share is really drawn from the source.
    const QV_BilinearSampler s(src);
    EXPECT_EQ(up(650, 100), s.Sample((100 + 0.5f) / 510 * 437, (650 + 0.5f) / 700 * 600));
}

// Shrinking with antialias blurs only the rows and columns that the sampler
// reads; the result must equal blurring everything and then sampling (for a
// factor of 2: sigma 0.25, radius 1).
class ResizeMatchesBlurThenSample : public testing::TestWithParam<std::vector<int>> {};

TEST_P(ResizeMatchesBlurThenSample, OnOddSizes)
{
    const auto& p = GetParam();  // rLo, rows, cLo, cols, newRows, newCols
    const int rows = p[1], cols = p[3], newRows = p[4], newCols = p[5];
    const QV_Image src = RandomImage(p[0], p[0] + rows - 1, p[2], p[2] + cols - 1, 99 + rows);
    QV_Image img = src, plain = src;
    img.Resize(newRows, newCols, true);
    plain.Resize(newRows, newCols, false);
    ASSERT_EQ(img.Rows(), newRows);
    ASSERT_EQ(img.Cols(), newCols);

    const float x = (static_cast<float>(cols) / newCols + static_cast<float>(rows) / newRows) / 2.0f;
    QV_Image blurred = src;
    blurred.GaussianBlur(x * 0.125f, static_cast<int>(std::lround(x * 0.5f)));
    const QV_BilinearSampler s(blurred);
    int compared = 0, blurChanged = 0;
    for (int i = 0; i < newRows; ++i)
        for (int j = 0; j < newCols; ++j) {
            const float sx = (j + 0.5f) / newCols * cols, sy = (i + 0.5f) / newRows * rows;
            // The last half pixel of an axis that is not shrunk is covered above.
            if (!(sx + 0.5f < cols) || !(sy + 0.5f < rows)) continue;
            ASSERT_EQ(img(i, j), s.Sample(sx, sy)) << i << "," << j;
            ++compared;
            blurChanged += !(img(i, j) == plain(i, j));
        }
    EXPECT_GE(compared, (newRows - 1) * (newCols - 1));
    EXPECT_EQ(blurChanged > 0, 2 * std::lround(x * 0.5f) < std::min(rows, cols));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResizeMatchesBlurThenSample,
                         testing::Values(std::vector<int>{0, 20, 0, 16, 10, 8}, std::vector<int>{0, 37, 0, 53, 11, 17},
                                         std::vector<int>{-4, 40, 3, 29, 13, 29}, std::vector<int>{5, 61, -7, 47, 7, 5},
                                         std::vector<int>{0, 23, 0, 31, 22, 12}, std::vector<int>{0, 9, 0, 200, 3, 10},
                                         std::vector<int>{1, 12, 1, 9, 5, 20}, std::vector<int>{0, 101, 0, 77, 13, 10}));
