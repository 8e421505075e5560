#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "QV_Image.h"

namespace {

// An image with bounds rows rLo..rHi, columns cLo..cHi whose pixel (r, c)
// encodes its own position.
QV_Image PositionImage(int rLo, int rHi, int cLo, int cHi)
{
    QV_Image img;
    img.Resize(rLo, rHi, cLo, cHi);
    for (int r = rLo; r <= rHi; ++r)
        for (int c = cLo; c <= cHi; ++c)
            img(r, c) = QV_Colour(static_cast<unsigned char>(r + 100), static_cast<unsigned char>(c + 100),
                                  static_cast<unsigned char>(r * 7 + c), 200);
    return img;
}

void ExpectBounds(const QV_Array2D<QV_Colour>& a, int rLo, int rHi, int cLo, int cHi)
{
    EXPECT_EQ(a.RowLow(), rLo);
    EXPECT_EQ(a.RowHigh(), rHi);
    EXPECT_EQ(a.ColLow(), cLo);
    EXPECT_EQ(a.ColHigh(), cHi);
}

QV_Image Uniform(int rows, int cols, const QV_Colour& c)
{
    QV_Image img(rows, cols);
    img.Fill(c);
    return img;
}

}  // namespace

TEST(ImageGrey, ToGreyUsesIntegerMeanAndOpaqueAlpha)
{
    struct Case {
        QV_Colour in;
        unsigned char grey;
    };
    const Case cases[] = {{{10, 20, 31, 4}, 20}, {{0, 0, 2, 0}, 0}, {{255, 255, 255, 9}, 255}, {{1, 1, 0, 255}, 0},
                          {{200, 100, 0, 1}, 100}};
    QV_Image img(1, 5);
    for (int c = 0; c < 5; ++c) img(0, c) = cases[c].in;
    img.ToGrey();
    for (int c = 0; c < 5; ++c) EXPECT_EQ(img(0, c), QV_Colour(cases[c].grey, cases[c].grey, cases[c].grey, 255)) << c;
}

TEST(ImageGrey, IntensityOfBlackIsTinyButNotZero)
{
    EXPECT_FLOAT_EQ(QV_Image::Intensity(QV_Colour(0, 0, 0)), 1e-8f * 0.33333334f);
    EXPECT_GT(QV_Image::Intensity(QV_Colour(0, 0, 0)), 0.0f);
    EXPECT_FLOAT_EQ(QV_Image::Intensity(QV_Colour(10, 20, 31)), 61.0f * 0.33333334f);
    EXPECT_FLOAT_EQ(QV_Image::Intensity(QV_Colour(255, 255, 255, 0)), 255.0f);
}

TEST(ImageChannels, ExtractAndSetEachChannelOverTheBounds)
{
    QV_Image img = PositionImage(-2, 1, 3, 5);
    struct Case {
        int k;
        unsigned char QV_Colour::*member;
    };
    const Case cases[] = {{0, &QV_Colour::red},  {1, &QV_Colour::green}, {2, &QV_Colour::blue},
                          {3, &QV_Colour::alpha}, {9, &QV_Colour::alpha}, {-1, &QV_Colour::alpha}};
    for (const Case& tc : cases) {
        QV_GreyImage g(7, 7);
        img.ExtractChannel(g, tc.k);
        EXPECT_EQ(g.RowLow(), -2);
        EXPECT_EQ(g.ColHigh(), 5);
        for (int r = -2; r <= 1; ++r)
            for (int c = 3; c <= 5; ++c) EXPECT_EQ(g(r, c), img(r, c).*tc.member) << tc.k;

        QV_Image target = PositionImage(-2, 1, 3, 5);
        for (int r = -2; r <= 1; ++r)
            for (int c = 3; c <= 5; ++c) g(r, c) = static_cast<unsigned char>(r * 3 + c + 40);
        target.SetChannel(g, tc.k);
        for (int r = -2; r <= 1; ++r) {
            for (int c = 3; c <= 5; ++c) {
                QV_Colour want = img(r, c);
                want.*tc.member = static_cast<unsigned char>(r * 3 + c + 40);
                EXPECT_EQ(target(r, c), want) << tc.k << " " << r << "," << c;
            }
        }
    }
}

TEST(ImageChannels, SetChannelFromASmallerGreyImageOnlyTouchesTheOverlap)
{
    QV_Image img = Uniform(4, 4, QV_Colour(1, 2, 3, 4));
    QV_GreyImage g(2, 3);
    g.Fill(99);
    img.SetChannel(g, 1);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(img(r, c).green, (r < 2 && c < 3) ? 99 : 2) << r << "," << c;
}

TEST(ImageChannels, GreyBytesAndFromGreyKeepBounds)
{
    QV_Image img = PositionImage(3, 4, -1, 1);
    img.ToGrey();
    QV_GreyImage g;
    img.ToGreyBytes(g);
    EXPECT_EQ(g.RowLow(), 3);
    EXPECT_EQ(g.ColLow(), -1);
    EXPECT_EQ(g(4, 1), img(4, 1).red);

    g(3, 0) = 17;
    QV_Image back(g);
    ExpectBounds(back, 3, 4, -1, 1);
    EXPECT_EQ(back(3, 0), QV_Colour(17, 17, 17, 255));
    EXPECT_EQ(back(4, -1), QV_Colour(img(4, -1).red, img(4, -1).red, img(4, -1).red, 255));
    EXPECT_EQ(back.JPEGQuality(), 100);
}

TEST(ImageFloat, FromFloatStretchesMinToMax)
{
    QV_FloatImage f(1, 2, 0, 3);
    const float vals[] = {-2.0f, 0.0f, 0.55f, 8.0f, 3.0f, -1.0f, 7.0f, 2.9f};
    for (int i = 0; i < 8; ++i) f(1 + i / 4, i % 4) = vals[i];
    QV_Image img;
    img.FromFloat(f);
    ExpectBounds(img, 1, 2, 0, 3);
    // v = round((f + 2) * 25.5), halves away from zero.
    const unsigned char want[] = {0, 51, 65, 255, 128, 26, 230, 125};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(img(1 + i / 4, i % 4), QV_Colour(want[i], want[i], want[i], 255)) << i;
    }
}

TEST(ImageFloat, FlatFloatImagesDoNotDivideByZero)
{
    QV_FloatImage f(2, 3);
    f.Fill(4.5f);
    QV_Image img;
    img.FromFloat(f);
    for (int i = 0; i < img.Count(); ++i) EXPECT_EQ(img.Data()[i], QV_Colour(0, 0, 0, 255));

    QV_FloatImage f1(2, 3), f2(2, 3);
    f1.Fill(1.0f);
    f2.Fill(-3.0f);
    QV_Image two;
    two.FromFloat(f1, f2);
    for (int i = 0; i < two.Count(); ++i) EXPECT_EQ(two.Data()[i], QV_Colour(0, 0, 0, 255));
}

TEST(ImageFloat, TwoArraysStretchEachByItsOwnRange)
{
    QV_FloatImage f1(1, 3), f2(1, 3);
    f1(0, 0) = 0.0f, f1(0, 1) = 5.0f, f1(0, 2) = 10.0f;
    f2(0, 0) = 100.0f, f2(0, 1) = 101.0f, f2(0, 2) = 100.2f;
    QV_Image img(1, 3);
    img.Fill(QV_Colour(9, 9, 9, 33));
    img.FromFloat(f1, f2);
    EXPECT_EQ(img(0, 0), QV_Colour(0, 0, 0, 33));
    EXPECT_EQ(img(0, 1), QV_Colour(128, 255, 255, 33));
    EXPECT_EQ(img(0, 2), QV_Colour(255, 51, 51, 33));

    // A second array smaller than the first is never read past its bounds.
    QV_FloatImage small(1, 1);
    small(0, 0) = 2.0f;
    img.FromFloat(f1, small);
    EXPECT_EQ(img(0, 2).red, 255);
    EXPECT_EQ(img(0, 2).green, 0);
}

TEST(ImageContrast, ZeroPercentAndFlatImagesChangeNothing)
{
    QV_Image img = PositionImage(0, 5, 0, 6);
    const QV_Image before = img;
    img.ContrastStretch(0.0f);
    img.ContrastStretch(-3.0f);
    img.ContrastStretch(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::equal(img.Data(), img.Data() + img.Count(), before.Data()));

    QV_Image flat = Uniform(5, 5, QV_Colour(30, 60, 90, 7));
    flat.ContrastStretch(2.0f);
    for (int i = 0; i < flat.Count(); ++i) EXPECT_EQ(flat.Data()[i], QV_Colour(30, 60, 90, 7));

    // A share beyond the whole image finds no percentile.
    QV_Image over = PositionImage(0, 5, 0, 6);
    over.ContrastStretch(150.0f);
    EXPECT_TRUE(std::equal(over.Data(), over.Data() + over.Count(), before.Data()));
}

TEST(ImageContrast, StretchMapsThePercentilesToTheFullRange)
{
    // Grey levels 0..99 once each: bins are 101 apart, the 5% percentiles
    // are levels 4 and 95, so c' = (c - 4) * 255 / 91.
    QV_Image img(10, 10);
    for (int i = 0; i < 100; ++i) {
        const auto v = static_cast<unsigned char>(i);
        img(i / 10, i % 10) = QV_Colour(v, v, v, 77);
    }
    img.ContrastStretch(5.0f);
    struct Case {
        int level;
        unsigned char out;
    };
    const Case cases[] = {{0, 0}, {3, 0}, {4, 0}, {5, 3}, {30, 73}, {50, 129}, {70, 185}, {95, 255}, {99, 255}};
    for (const Case& tc : cases) {
        EXPECT_EQ(img(tc.level / 10, tc.level % 10), QV_Colour(tc.out, tc.out, tc.out, 77)) << tc.level;
    }
}

TEST(ImageSharpen, CentreAgainstItsNeighbours)
{
    QV_Image img = Uniform(3, 3, QV_Colour(30, 0, 0, 5));  // grey 10
    img(1, 1) = QV_Colour(20, 20, 20);
    img.Sharpen(3);
    // Centre: 9 * 20 - 8 * 10 = 100; the frame stays 0; stretched to 0..255.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const unsigned char v = (r == 1 && c == 1) ? 255 : 0;
            EXPECT_EQ(img(r, c), QV_Colour(v, v, v, 255)) << r << "," << c;
        }
}

TEST(ImageSharpen, WorksWithinNonZeroBounds)
{
    QV_Image img;
    img.Resize(5, 9, -2, 3);
    img.Fill(QV_Colour(10, 10, 10));
    img(7, 0) = QV_Colour(40, 40, 40);
    img.Sharpen(3);
    ExpectBounds(img, 5, 9, -2, 3);
    // Inner pixels: 9 * 10 - 80 = 10, next to the bright one 10 - 30 = -20,
    // the bright one 9 * 40 - 80 = 280; frame 0. Stretch -20..280.
    auto at = [&](int r, int c) { return img(r, c).red; };
    EXPECT_EQ(at(5, 0), QV_RoundToByte(20.0f * 255.0f / 300.0f));
    EXPECT_EQ(at(9, 3), at(5, -2));
    EXPECT_EQ(at(7, 0), 255);
    EXPECT_EQ(at(6, 1), 0);
    EXPECT_EQ(at(8, -1), 0);
    EXPECT_EQ(at(6, 2), QV_RoundToByte(30.0f * 255.0f / 300.0f));
}

TEST(ImageGeometry, FlipsAndRotationOnNonSquareBounds)
{
    const int rLo = 2, rHi = 4, cLo = -3, cHi = 1;  // 3 rows, 5 columns
    const QV_Image src = PositionImage(rLo, rHi, cLo, cHi);

    QV_Image flipped = src;
    flipped.FlipVertical();
    ExpectBounds(flipped, rLo, rHi, cLo, cHi);
    for (int r = rLo; r <= rHi; ++r)
        for (int c = cLo; c <= cHi; ++c) EXPECT_EQ(flipped(r, c), src(rLo + rHi - r, c));

    QV_Image mirrored = src;
    mirrored.Mirror();
    ExpectBounds(mirrored, rLo, rHi, cLo, cHi);
    for (int r = rLo; r <= rHi; ++r)
        for (int c = cLo; c <= cHi; ++c) EXPECT_EQ(mirrored(r, c), src(r, cLo + cHi - c));

    QV_Image rotated = src;
    rotated.SetJPEGQuality(42);
    rotated.Rotate90();
    ExpectBounds(rotated, cLo, cHi, rLo, rHi);
    EXPECT_EQ(rotated.JPEGQuality(), 42);
    for (int r = cLo; r <= cHi; ++r)
        for (int c = rLo; c <= rHi; ++c) EXPECT_EQ(rotated(r, c), src(c, cLo + cHi - r)) << r << "," << c;
    // The old right-hand column ends up as the bottom row.
    EXPECT_EQ(rotated(cLo, rLo), src(rLo, cHi));

    // Four quarter turns give the original back.
    for (int i = 0; i < 3; ++i) rotated.Rotate90();
    ExpectBounds(rotated, rLo, rHi, cLo, cHi);
    EXPECT_TRUE(std::equal(rotated.Data(), rotated.Data() + rotated.Count(), src.Data()));
}

TEST(ImageMeanColour, WindowIsClippedToTheBounds)
{
    QV_Image img(4, 6);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c)
            img(r, c) = QV_Colour(static_cast<unsigned char>(10 * r), static_cast<unsigned char>(c), 50, 1);
    struct Case {
        float u, v;
        int h;
        float red, green, blue;
    };
    const Case cases[] = {
        {0.5f, 0.5f, 0, 20.0f, 3.0f, 50.0f},    // centre (2, 3)
        {0.5f, 0.5f, 1, 20.0f, 3.0f, 50.0f},    // full 3 x 3 window
        {0.0f, 0.0f, 1, 5.0f, 0.5f, 50.0f},     // corner: 2 x 2 inside
        {1.0f, 1.0f, 1, 30.0f, 5.0f, 50.0f},    // centre (4, 6): only (3, 5)
        {0.4f, 0.6f, 100, 15.0f, 2.5f, 50.0f},  // everything
        {5.0f, 0.5f, 2, 0.0f, 0.0f, 0.0f},      // nothing inside
        {0.5f, 0.5f, -1, 0.0f, 0.0f, 0.0f},
    };
    for (const Case& tc : cases) {
        const QV_ColourF m = img.MeanColour(QV_Point2D(tc.u, tc.v), tc.h);
        EXPECT_FLOAT_EQ(m.red, tc.red) << tc.u << "," << tc.v << " h " << tc.h;
        EXPECT_FLOAT_EQ(m.green, tc.green) << tc.u << "," << tc.v << " h " << tc.h;
        EXPECT_FLOAT_EQ(m.blue, tc.blue) << tc.u << "," << tc.v << " h " << tc.h;
    }
    QV_Colour px(0, 0, 0, 9);
    img.MeanColour(QV_Point2D(0.0f, 0.0f), 1, px);
    EXPECT_EQ(px, QV_Colour(5, 1, 50, 9));  // 0.5 rounds away from zero
}

TEST(ImageQuality, OutOfRangeQualityIsIgnored)
{
    QV_Image img;
    for (int q : {101, -1, 1000}) {
        img.SetJPEGQuality(55);
        img.SetJPEGQuality(q);
        EXPECT_EQ(img.JPEGQuality(), 55) << q;
    }
    img.SetJPEGQuality(0);
    EXPECT_EQ(img.JPEGQuality(), 0);
}
