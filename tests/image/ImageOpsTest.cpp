#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "QV_Image.h"
#include "QV_ImageRegion.h"

namespace {

// Bounds rows rLo..rHi, columns cLo..cHi; pixel (r, c) encodes its position.
QV_Image PositionImage(int rLo, int rHi, int cLo, int cHi)
{
    QV_Image img;
    img.Resize(rLo, rHi, cLo, cHi);
    for (int r = rLo; r <= rHi; ++r)
        for (int c = cLo; c <= cHi; ++c) img(r, c) = QV_Colour(r + 100, c + 100, r * 7 + c, 200);
    return img;
}

bool Same(const QV_Image& a, const QV_Image& b)
{
    return a.RowLow() == b.RowLow() && a.ColLow() == b.ColLow() && a.Count() == b.Count() &&
           std::equal(a.Data(), a.Data() + a.Count(), b.Data());
}

}  // namespace

TEST(ImagePixels, ToGreyAndIntensity)
{
    QV_Image img(1, 4);
    img(0, 0) = QV_Colour(10, 20, 31, 4);
    img(0, 1) = QV_Colour(1, 1, 0, 9);
    img(0, 2) = QV_Colour(255, 255, 255, 0);
    img(0, 3) = QV_Colour(200, 100, 0);
    img.ToGrey();
    const unsigned char want[] = {20, 0, 255, 100};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(img(0, c), QV_Colour(want[c], want[c], want[c], 255)) << c;
    EXPECT_FLOAT_EQ(QV_Image::Intensity(QV_Colour(0, 0, 0)), 1e-8f * 0.33333334f);
    EXPECT_FLOAT_EQ(QV_Image::Intensity(QV_Colour(10, 20, 31)), 61.0f * 0.33333334f);
}

TEST(ImagePixels, ChannelsAndGreyImagesKeepTheBounds)
{
    const QV_Image src = PositionImage(-2, 1, 3, 5);
    unsigned char QV_Colour::*const member[] = {&QV_Colour::red, &QV_Colour::green, &QV_Colour::blue,
                                                &QV_Colour::alpha, &QV_Colour::alpha};
    const int channel[] = {0, 1, 2, 3, 9};
    for (int t = 0; t < 5; ++t) {
        QV_GreyImage g(7, 7);
        src.ExtractChannel(g, channel[t]);
        ASSERT_EQ(g.RowLow(), -2);
        ASSERT_EQ(g.ColHigh(), 5);
        EXPECT_EQ(g(1, 4), src(1, 4).*member[t]);
        g(1, 4) = 7;
        QV_Image img = src;
        img.SetChannel(g, channel[t]);
        QV_Colour want = src(1, 4);
        want.*member[t] = 7;
        EXPECT_EQ(img(1, 4), want) << channel[t];
        EXPECT_EQ(img(0, 3), src(0, 3));
    }
    // A smaller grey image sets only where it overlaps.
    QV_Image img = src;
    QV_GreyImage small(-2, -2, 3, 3);
    small(-2, 3) = 1;
    img.SetChannel(small, 0);
    EXPECT_EQ(img(-2, 3).red, 1);
    EXPECT_EQ(img(-1, 3), src(-1, 3));

    QV_GreyImage g;
    src.ToGreyBytes(g);
    g(0, 5) = 17;
    const QV_Image back(g);
    EXPECT_EQ(back.RowLow(), -2);
    EXPECT_EQ(back.ColLow(), 3);
    EXPECT_EQ(back(0, 5), QV_Colour(17, 17, 17, 255));
    EXPECT_EQ(back(1, 3), QV_Colour(src(1, 3).red, src(1, 3).red, src(1, 3).red, 255));
}

TEST(ImagePixels, FromFloatStretchesEachArrayByItsOwnRange)
{
    QV_FloatImage f(1, 2, 0, 3);
    const float vals[] = {-2.0f, 0.0f, 0.55f, 8.0f, 3.0f, -1.0f, 7.0f, 2.9f};
    std::copy(vals, vals + 8, f.Data());
    QV_Image img;
    img.FromFloat(f);
    ASSERT_EQ(img.RowLow(), 1);
    const unsigned char want[] = {0, 51, 65, 255, 128, 26, 230, 125};  // (v + 2) * 25.5, halves up
    for (int i = 0; i < 8; ++i) EXPECT_EQ(img.Data()[i], QV_Colour(want[i], want[i], want[i], 255)) << i;

    QV_FloatImage f1(1, 3), f2(1, 3), flat(1, 3);
    f1(0, 0) = 0.0f, f1(0, 1) = 5.0f, f1(0, 2) = 10.0f;
    f2(0, 0) = 100.0f, f2(0, 1) = 101.0f, f2(0, 2) = 100.2f;
    flat.Fill(4.5f);
    QV_Image two(1, 3);
    two.Fill(QV_Colour(9, 9, 9, 33));
    two.FromFloat(f1, f2);
    EXPECT_EQ(two(0, 1), QV_Colour(128, 255, 255, 33));
    EXPECT_EQ(two(0, 2), QV_Colour(255, 51, 51, 33));
    // Flat arrays give 0 instead of dividing by zero.
    two.FromFloat(flat, flat);
    img.FromFloat(flat);
    EXPECT_EQ(two(0, 2), QV_Colour(0, 0, 0, 33));
    EXPECT_EQ(img(0, 1), QV_Colour(0, 0, 0, 255));
}

TEST(ImageContrast, NoPercentFlatImageOrTooLargeShareChangeNothing)
{
    const QV_Image src = PositionImage(0, 5, 0, 6);
    for (float p : {0.0f, -3.0f, NAN, 150.0f}) {
        QV_Image img = src;
        img.ContrastStretch(p);
        EXPECT_TRUE(Same(img, src)) << p;
    }
    QV_Image flat(5, 5);
    flat.Fill(QV_Colour(30, 60, 90, 7));
    flat.ContrastStretch(2.0f);
    EXPECT_EQ(flat(4, 4), QV_Colour(30, 60, 90, 7));
}

TEST(ImageContrast, StretchMapsThePercentilesToTheFullRange)
{
    // Levels 0..99 once each: bins 101 apart, the 5% percentiles are levels 4
    // and 95, so c' = (c - 4) * 255 / 91; alpha is untouched.
    QV_Image img(10, 10);
    for (int i = 0; i < 100; ++i) img.Data()[i] = QV_Colour(i, i, i, 77);
    img.ContrastStretch(5.0f);
    const int level[] = {0, 4, 5, 30, 50, 70, 95, 99};
    const unsigned char want[] = {0, 0, 3, 73, 129, 185, 255, 255};
    for (int t = 0; t < 8; ++t) EXPECT_EQ(img.Data()[level[t]], QV_Colour(want[t], want[t], want[t], 77)) << level[t];
}

TEST(ImageSharpen, CentreAgainstItsWindowWithinNonZeroBounds)
{
    QV_Image img;
    img.Resize(5, 9, -2, 3);
    img.Fill(QV_Colour(30, 0, 0));  // grey 10
    img(7, 0) = QV_Colour(40, 40, 40);
    img.Sharpen(3);
    // Inner: 9 * 10 - 80 = 10; next to the bright pixel 90 - 110 = -20; the
    // bright one 360 - 80 = 280; frame 0. Stretched from -20..280.
    EXPECT_EQ(img.RowLow(), 5);
    EXPECT_EQ(img(5, 0), QV_Colour(17, 17, 17, 255));
    EXPECT_EQ(img(9, 3).red, 17);
    EXPECT_EQ(img(7, 0).red, 255);
    EXPECT_EQ(img(6, 1).red, 0);
    EXPECT_EQ(img(8, -1).red, 0);
    EXPECT_EQ(img(6, 2).red, 26);
}

TEST(ImageGeometry, FlipsAndRotationOnNonSquareBounds)
{
    const int rLo = 2, rHi = 4, cLo = -3, cHi = 1;
    const QV_Image src = PositionImage(rLo, rHi, cLo, cHi);
    QV_Image flipped = src, mirrored = src, rotated = src;
    flipped.FlipVertical();
    mirrored.Mirror();
    rotated.Rotate90();
    ASSERT_EQ(rotated.RowLow(), cLo);
    ASSERT_EQ(rotated.RowHigh(), cHi);
    ASSERT_EQ(rotated.ColLow(), rLo);
    ASSERT_EQ(rotated.ColHigh(), rHi);
    for (int r = rLo; r <= rHi; ++r)
        for (int c = cLo; c <= cHi; ++c) {
            EXPECT_EQ(flipped(r, c), src(rLo + rHi - r, c));
            EXPECT_EQ(mirrored(r, c), src(r, cLo + cHi - c));
            EXPECT_EQ(rotated(c, r), src(r, cLo + cHi - c));
        }
    for (int i = 0; i < 3; ++i) rotated.Rotate90();
    EXPECT_TRUE(Same(rotated, src));
}

TEST(ImageMeanColour, WindowIsClippedToTheBounds)
{
    QV_Image img(4, 6);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c) img(r, c) = QV_Colour(10 * r, c, 50, 1);
    struct Case {
        float u, v;
        int h;
        float red, green, blue;
    };
    for (const Case& tc : {Case{0.5f, 0.5f, 0, 20, 3, 50},      // centre (2, 3)
                           Case{0.5f, 0.5f, 1, 20, 3, 50},      // full window
                           Case{0.0f, 0.0f, 1, 5, 0.5f, 50},    // 2 x 2 inside
                           Case{1.0f, 1.0f, 1, 30, 5, 50},      // only (3, 5)
                           Case{0.4f, 0.6f, 100, 15, 2.5f, 50}, // everything
                           Case{5.0f, 0.5f, 2, 0, 0, 0}}) {     // nothing inside
        const QV_ColourF m = img.MeanColour(QV_Point2D(tc.u, tc.v), tc.h);
        EXPECT_FLOAT_EQ(m.red, tc.red) << tc.u << "," << tc.v << "," << tc.h;
        EXPECT_FLOAT_EQ(m.green, tc.green) << tc.u << "," << tc.v << "," << tc.h;
        EXPECT_FLOAT_EQ(m.blue, tc.blue) << tc.u << "," << tc.v << "," << tc.h;
    }
    QV_Colour px(0, 0, 0, 9);
    img.MeanColour(QV_Point2D(0.0f, 0.0f), 1, px);
    EXPECT_EQ(px, QV_Colour(5, 1, 50, 9));
}

TEST(ImagePixels, SamePixelsComparesBoundsAndEveryByte)
{
    QV_Image a(3, 4);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) a(r, c) = QV_Colour(static_cast<unsigned char>(r * 40), static_cast<unsigned char>(c * 30), 7);
    QV_Image b = a;
    EXPECT_TRUE(a.SamePixels(b));
    b.SetComment(QV_String("not compared"));
    EXPECT_TRUE(a.SamePixels(b));
    b(2, 3).alpha = 254;  // the last byte
    EXPECT_FALSE(a.SamePixels(b));
    QV_Image wide(4, 3);  // the same pixel count in other bounds
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) wide(r, c) = QV_Colour(0, 0, 0);
    QV_Image flat(3, 4);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) flat(r, c) = QV_Colour(0, 0, 0);
    EXPECT_FALSE(wide.SamePixels(flat));
    EXPECT_TRUE(QV_Image().SamePixels(QV_Image()));
    EXPECT_FALSE(QV_Image().SamePixels(a));
}

TEST(ImageRegion, CopiesTheRectangleClippedToThePicture)
{
    QV_Image im(4, 5);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) im.Row(r)[c] = QV_Colour(static_cast<unsigned char>(r), static_cast<unsigned char>(c), 0, 255);
    im.SetJPEGQuality(60);
    const QV_Image inner = QV_CopyImageRegion(im, 1, 2, 2, 3);
    ASSERT_EQ(inner.Rows(), 2);
    ASSERT_EQ(inner.Cols(), 3);
    EXPECT_EQ(inner.RowLow(), 0);
    EXPECT_EQ(inner.Row(1)[2], QV_Colour(2, 4, 0, 255));
    EXPECT_EQ(inner.JPEGQuality(), 60);

    const QV_Image clipped = QV_CopyImageRegion(im, -1, 3, 3, 10);
    ASSERT_EQ(clipped.Rows(), 2);
    ASSERT_EQ(clipped.Cols(), 2);
    EXPECT_EQ(clipped.Row(0)[0], QV_Colour(0, 3, 0, 255));
    for (const QV_Image& none : {QV_CopyImageRegion(im, 4, 0, 2, 2), QV_CopyImageRegion(im, 0, 0, 0, 3),
                                 QV_CopyImageRegion(im, 2147483000, 2147483000, 2147483000, 2147483000)})
        EXPECT_EQ(none.Rows() * none.Cols(), 0);

    // Counted from the picture's own lower bounds.
    const QV_Image shifted = QV_CopyImageRegion(PositionImage(2, 5, -1, 3), 1, 1, 1, 2);
    ASSERT_EQ(shifted.Cols(), 2);
    EXPECT_EQ(shifted(0, 0), QV_Colour(103, 100, 21, 200));
}
