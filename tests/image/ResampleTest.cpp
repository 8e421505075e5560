#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "QV_Image.h"
#include "QV_ImageResampleKernels.h"

namespace {

QV_Image RandomImage(int rLo, int rHi, int cLo, int cHi, unsigned seed)
{
    std::mt19937 rng(seed);
    QV_Image img;
    img.Resize(rLo, rHi, cLo, cHi);
    for (int i = 0; i < img.Count(); ++i) {
        img.Data()[i] = QV_Colour(static_cast<unsigned char>(rng()), static_cast<unsigned char>(rng()),
                                  static_cast<unsigned char>(rng()), static_cast<unsigned char>(rng()));
    }
    return img;
}

bool SamePixels(const QV_Image& a, const QV_Image& b)
{
    return a.RowLow() == b.RowLow() && a.RowHigh() == b.RowHigh() && a.ColLow() == b.ColLow() &&
           a.ColHigh() == b.ColHigh() && std::equal(a.Data(), a.Data() + a.Count(), b.Data());
}

// The Gaussian integrated over [k - 0.5, k + 0.5], from the error function.
double ExactWeight(double sigma, int k)
{
    const double s = sigma * std::sqrt(2.0);
    return 0.5 * (std::erf((k + 0.5) / s) - std::erf((k - 0.5) / s));
}

int RoundHalfAway(double v)
{
    return static_cast<int>(std::lround(v));
}

const QV_Colour kGrey(128, 128, 128, 255);

}  // namespace

// ---- sampler ----

TEST(BilinearSampler, OutsideGivesDefaultAndPixelCentresLieAtHalves)
{
    // 2 rows x 3 columns with bounds away from zero; coordinates are relative.
    QV_Image img;
    img.Resize(4, 5, -1, 1);
    for (int r = 4; r <= 5; ++r)
        for (int c = -1; c <= 1; ++c)
            img(r, c) = QV_Colour(static_cast<unsigned char>(10 * (c + 2)), static_cast<unsigned char>(100 + r),
                                  static_cast<unsigned char>(11 * (c + 2) + 60 * (r - 4)), 255);
    QV_BilinearSampler s(img);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Outside {
        float x, y;
    };
    for (const Outside& o : {Outside{-1.5f, 0.5f}, Outside{2.5f, 0.5f}, Outside{0.5f, -1.5f}, Outside{0.5f, 1.5f},
                             Outside{3.7f, 0.5f}, Outside{nan, 0.5f}, Outside{0.5f, nan}, Outside{1e30f, 0.5f}}) {
        EXPECT_EQ(s.Sample(o.x, o.y), kGrey) << o.x << "," << o.y;
    }
    for (float x : {-0.5f, -0.25f, 0.0f, 0.3f, 0.5f}) EXPECT_EQ(s.Sample(x, 0.5f), img(4, -1)) << x;
    EXPECT_EQ(s.Sample(1.5f, 0.5f), img(4, 0));
    EXPECT_EQ(s.Sample(2.4f, 0.5f), QV_Colour(29, 104, 32, 255));  // 0.9 of the way to column 2
    EXPECT_EQ(s.Sample(1.5f, 1.0f), QV_Colour(20, 105, 52, 255));  // halfway between the rows
    // Four neighbours: red (10 + 20) / 2 = 15, green 104.5 -> 105,
    // blue (11 + 22 + 71 + 82) / 4 = 46.5 -> 47.
    EXPECT_EQ(s.Sample(1.0f, 1.0f), QV_Colour(15, 105, 47, 255));

    s.SetDefault(QV_Colour(1, 2, 3, 4));
    EXPECT_EQ(s.Sample(-1.5f, 0.5f), QV_Colour(1, 2, 3, 4));
}

TEST(BilinearSampler, OnePixelWideImageIsReadInsideItsBounds)
{
    QV_Image img(1, 1);
    img(0, 0) = QV_Colour(9, 8, 7, 6);
    QV_BilinearSampler s(img);
    EXPECT_EQ(s.Sample(0.2f, 0.3f), QV_Colour(9, 8, 7, 6));
    EXPECT_EQ(s.Sample(0.5f, 0.5f), kGrey);
}

// ---- blur ----

TEST(GaussianBlur, WeightsAreThePixelIntegralsOfTheGaussian)
{
    struct Case {
        float sigma;
        int radius;
    };
    for (const Case& tc : {Case{0.25f, 1}, Case{1.0f, 3}, Case{2.5f, 6}, Case{0.977f, 4}, Case{0.1f, 5}}) {
        const std::vector<float> w = qv_resample::GaussianWeights(tc.sigma, tc.radius);
        ASSERT_EQ(w.size(), static_cast<size_t>(2 * tc.radius + 1));
        double sum = 0.0;
        for (int k = -tc.radius; k <= tc.radius; ++k) {
            EXPECT_NEAR(w[static_cast<size_t>(k + tc.radius)], ExactWeight(tc.sigma, k), 2e-6)
                << "sigma " << tc.sigma << " k " << k;
            sum += w[static_cast<size_t>(k + tc.radius)];
        }
        // Not renormalised: a short kernel sums to less than 1.
        double exactSum = 0.0;
        for (int k = -tc.radius; k <= tc.radius; ++k) exactSum += ExactWeight(tc.sigma, k);
        EXPECT_NEAR(sum, exactSum, 1e-5);
    }
}

TEST(GaussianBlur, FrameOfRadiusKeepsItsPixels)
{
    const QV_Image src = RandomImage(-3, 7, 2, 14, 11);  // 11 x 13
    QV_Image img = src;
    img.GaussianBlur(1.2f, 2);
    int changedInner = 0;
    for (int r = -3; r <= 7; ++r) {
        for (int c = 2; c <= 14; ++c) {
            const bool frame = r < -3 + 2 || r > 7 - 2 || c < 2 + 2 || c > 14 - 2;
            if (frame) {
                EXPECT_EQ(img(r, c), src(r, c)) << r << "," << c;
            } else {
                EXPECT_EQ(img(r, c).alpha, 255);
                changedInner += !(img(r, c) == src(r, c));
            }
        }
    }
    EXPECT_GT(changedInner, 0);
}

TEST(GaussianBlur, ImpulseSpreadsAsTheRoundedSeparablePasses)
{
    QV_Image img = [] {
        QV_Image i(11, 11);
        i.Fill(QV_Colour(0, 0, 0, 255));
        return i;
    }();
    img(5, 5) = QV_Colour(200, 200, 200, 255);
    img.GaussianBlur(1.0f, 2);
    for (int r = 0; r < 11; ++r) {
        for (int c = 0; c < 11; ++c) {
            int want = 0;
            if (std::abs(r - 5) <= 2 && std::abs(c - 5) <= 2) {
                const int horizontal = RoundHalfAway(200.0 * ExactWeight(1.0, c - 5));
                want = RoundHalfAway(ExactWeight(1.0, r - 5) * horizontal);
            }
            EXPECT_EQ(img(r, c), QV_Colour(want, want, want, 255)) << r << "," << c;
        }
    }
}

TEST(GaussianBlur, VerticalPassReadsTheUnblurredFrameRows)
{
    QV_Image img(7, 7);
    img.Fill(QV_Colour(100, 100, 100, 255));
    img.GaussianBlur(1.0f, 1);
    const double w0 = ExactWeight(1.0, 0), w1 = ExactWeight(1.0, 1);
    const int h = RoundHalfAway(100.0 * (w0 + 2 * w1));  // horizontal pass, inner rows
    const int nextToFrame = RoundHalfAway(w1 * 100.0 + (w0 + w1) * h);
    const int middle = RoundHalfAway((w0 + 2 * w1) * h);
    EXPECT_EQ(img(1, 3).red, nextToFrame);
    EXPECT_EQ(img(5, 3).red, nextToFrame);
    EXPECT_EQ(img(3, 3).red, middle);
    EXPECT_EQ(img(3, 1).red, middle);
    EXPECT_EQ(img(0, 3).red, 100);
    EXPECT_EQ(img(3, 6).red, 100);
}

TEST(GaussianBlur, DegenerateArgumentsChangeNothing)
{
    const QV_Image src = RandomImage(0, 4, 0, 5, 3);
    struct Case {
        float sigma;
        int radius;
    };
    for (const Case& tc : {Case{0.0f, 1}, Case{-1.0f, 1}, Case{1.0f, -1}, Case{1.0f, 3},
                           Case{std::numeric_limits<float>::quiet_NaN(), 1}}) {
        QV_Image img = src;
        img.GaussianBlur(tc.sigma, tc.radius);
        EXPECT_TRUE(SamePixels(img, src)) << tc.sigma << " " << tc.radius;
    }
}

// ---- resize ----

TEST(Resize, SameSizeIsTheIdentityAndEnlargingHasNoGreyEdge)
{
    const QV_Image src = RandomImage(3, 8, -2, 4, 5);  // 6 x 7
    for (bool aa : {false, true}) {
        QV_Image img = src;
        img.Resize(6, 7, aa);
        ASSERT_EQ(img.RowLow(), 0);
        ASSERT_EQ(img.ColHigh(), 6);
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 7; ++c) EXPECT_EQ(img(r, c), src(3 + r, -2 + c)) << r << "," << c;
    }
    QV_Image small(2, 3);
    for (int i = 0; i < 6; ++i) small.Data()[i] = QV_Colour(static_cast<unsigned char>(40 * i), 0, 0, 255);
    QV_Image big = small;
    big.Resize(4, 6, true);
    EXPECT_EQ(big(0, 0), small(0, 0));
    EXPECT_EQ(big(3, 5), small(1, 2));  // the top right corner is the source's, not grey
    EXPECT_EQ(big(3, 0), small(1, 0));
    // A quarter of the way along both axes: 0.1875 * 40 + 0.1875 * 120 + 0.0625 * 160.
    EXPECT_EQ(big(1, 1).red, 40);
}

TEST(Resize, KeepsQualityAndCommentAndHandlesEmptySizes)
{
    QV_Image img = RandomImage(0, 5, 0, 5, 8);
    img.SetJPEGQuality(30);
    img.SetComment(QV_String("note"));
    img.Resize(3, 2, true);
    EXPECT_EQ(img.Rows(), 3);
    EXPECT_EQ(img.Cols(), 2);
    EXPECT_EQ(img.JPEGQuality(), 30);
    EXPECT_EQ(img.Comment(), QV_String("note"));

    img.Resize(0, 4, true);
    EXPECT_TRUE(img.Empty());
    QV_Image empty;
    empty.ResizeToHeight(10, true);
    EXPECT_TRUE(empty.Empty());
}

TEST(ResizeToHeight, SameHeightChangesNothing)
{
    const QV_Image src = RandomImage(2, 9, 1, 5, 4);
    QV_Image img = src;
    img.ResizeToHeight(8, true);
    EXPECT_TRUE(SamePixels(img, src));
}

TEST(ResizeToHeight, WidthFollowsTheAspectRatio)
{
    struct Case {
        int rows, cols, newRows, wantCols;
    };
    for (const Case& tc : {Case{10, 15, 4, 6}, Case{7, 10, 3, 4}, Case{4, 5, 8, 10}, Case{3, 5, 2, 3},
                           Case{4000, 3000, 512, 384}, Case{1000, 1, 1, 1}}) {
        QV_Image img(tc.rows, tc.cols);
        img.Fill(QV_Colour(1, 2, 3));
        img.ResizeToHeight(tc.newRows, false);
        EXPECT_EQ(img.Rows(), tc.newRows) << tc.rows << "x" << tc.cols;
        EXPECT_EQ(img.Cols(), tc.wantCols) << tc.rows << "x" << tc.cols;
    }
}

TEST(ResizeToHeight, HalvingWithAntialiasBlursWithSigmaQuarterRadiusOne)
{
    const QV_Image src = RandomImage(0, 19, 0, 15, 21);
    QV_Image img = src;
    img.ResizeToHeight(10, true);
    ASSERT_EQ(img.Rows(), 10);
    ASSERT_EQ(img.Cols(), 8);

    QV_Image blurred = src;
    blurred.GaussianBlur(0.25f, 1);
    const QV_BilinearSampler s(blurred);
    QV_Image plain = src;
    plain.ResizeToHeight(10, false);
    int differsFromPlain = 0;
    for (int i = 0; i < 10; ++i) {
        for (int j = 0; j < 8; ++j) {
            const float x = (j + 0.5f) / 8.0f * 16.0f, y = (i + 0.5f) / 10.0f * 20.0f;
            EXPECT_EQ(img(i, j), s.Sample(x, y)) << i << "," << j;
            differsFromPlain += !(img(i, j) == plain(i, j));
        }
    }
    EXPECT_GT(differsFromPlain, 0);
}

// The resampler blurs only the rows and columns that the sampler reads; the
// result must equal blurring everything and then sampling.
struct ShrinkCase {
    int rLo, rows, cLo, cols, newRows, newCols;
};

class ResizeMatchesBlurThenSample : public testing::TestWithParam<ShrinkCase> {};

TEST_P(ResizeMatchesBlurThenSample, OnOddSizes)
{
    const ShrinkCase tc = GetParam();
    const QV_Image src = RandomImage(tc.rLo, tc.rLo + tc.rows - 1, tc.cLo, tc.cLo + tc.cols - 1, 99 + tc.rows);
    QV_Image img = src;
    img.Resize(tc.newRows, tc.newCols, true);
    ASSERT_EQ(img.Rows(), tc.newRows);
    ASSERT_EQ(img.Cols(), tc.newCols);

    const float x = (static_cast<float>(tc.cols) / static_cast<float>(tc.newCols) +
                     static_cast<float>(tc.rows) / static_cast<float>(tc.newRows)) / 2.0f;
    QV_Image blurred = src;
    blurred.GaussianBlur(x * 0.125f, static_cast<int>(std::lround(x * 0.5f)));
    const QV_BilinearSampler s(blurred);
    int compared = 0;
    for (int i = 0; i < tc.newRows; ++i) {
        for (int j = 0; j < tc.newCols; ++j) {
            const float sx = (j + 0.5f) / static_cast<float>(tc.newCols) * static_cast<float>(tc.cols);
            const float sy = (i + 0.5f) / static_cast<float>(tc.newRows) * static_cast<float>(tc.rows);
            // The last half pixel of an axis that is not shrunk is the
            // source's last pixel; checked elsewhere.
            if (!(sx + 0.5f < tc.cols) || !(sy + 0.5f < tc.rows)) continue;
            ASSERT_EQ(img(i, j), s.Sample(sx, sy)) << i << "," << j;
            ++compared;
        }
    }
    EXPECT_GE(compared, (tc.newRows - 1) * (tc.newCols - 1));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResizeMatchesBlurThenSample,
                         testing::Values(ShrinkCase{0, 37, 0, 53, 11, 17}, ShrinkCase{-4, 40, 3, 29, 13, 29},
                                         ShrinkCase{5, 61, -7, 47, 7, 5}, ShrinkCase{0, 23, 0, 31, 22, 12},
                                         ShrinkCase{0, 9, 0, 200, 3, 10}, ShrinkCase{1, 12, 1, 9, 5, 20},
                                         ShrinkCase{0, 101, 0, 77, 13, 10}));
