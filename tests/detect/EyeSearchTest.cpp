// Output records: face box arithmetic, the eye-level rule, the two half-box
// searches (the right one mirrored) and the weighted eye position.
#include <gtest/gtest.h>

#include <cmath>

#include "NetTexts.h"
#include "QV_FaceDetector.h"

using namespace visagen_test;

namespace {

class FaceRecordTest : public testing::Test {
protected:
    void Load(const QV_NetworkText& eye)
    {
        bool ok = false;
        LoadDetector(d, ConstantNet(30, 30, 1.0f), ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f), eye, ok);
        ASSERT_TRUE(ok);
    }
    // The pyramid of a flat 100 x 100 picture: levels 0..8.
    std::vector<QV_DetImage> FlatPyramid()
    {
        std::vector<QV_DetImage> p;
        QV_FaceDetector::BuildPyramid(QV_DetImage(100, 100, 90), p);
        EXPECT_EQ(p.size(), 9u);
        return p;
    }
    std::vector<int> Record(const std::vector<QV_DetImage>& pyramid, const QV_Detection& face)
    {
        std::vector<int> r(QV_REC_SIZE, 12345);
        d.FaceRecord(pyramid, face, r.data());
        return r;
    }
    QV_FaceDetector d;
};

TEST_F(FaceRecordTest, BoxInInputPixels)
{
    Load(ConstantNet(25, 15, -1.0f));
    const auto pyramid = FlatPyramid();
    struct Case {
        QV_Detection face;
        int box[4];
    };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, 20, 20}},
        {{10, 20, 3}, {17, 35, 52, 69}},  // 1.728 * (10, 20, 30, 40) + 0.5, floored
        {{-5, 7, 1}, {-6, 8, 18, 32}},    // floor(-6 + 0.5) = -6
        {{4, 6, 8}, {17, 26, 103, 112}},  // 4.29982 * (4, 6, 24, 26)
    };
    for (const Case& c : cases) {
        const auto r = Record(pyramid, c.face);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(r[k], c.box[k]) << c.face.level << " field " << k;
    }
}

TEST_F(FaceRecordTest, EyeLevelRule)
{
    // The eye network accepts every window: a search, when made, finds both eyes.
    Load(ConstantNet(25, 15, 1.0f));
    const auto pyramid = FlatPyramid();
    for (int level = 0; level <= 8; ++level) {
        const auto r = Record(pyramid, {2, 2, level});
        const int flag = level <= 3 ? -1 : 1;  // levels 0..3 are too small for the eyes
        EXPECT_EQ(r[QV_REC_EYE_A_FLAG], flag) << level;
        EXPECT_EQ(r[QV_REC_EYE_B_FLAG], flag) << level;
        if (level <= 3) {
            for (int f = QV_REC_EYE_A_X; f <= QV_REC_EYE_B_Y; ++f) EXPECT_EQ(r[f], -1) << level;
        }
    }
}

TEST_F(FaceRecordTest, NoVotesGiveFlagZero)
{
    Load(ConstantNet(25, 15, -1.0f));
    const auto r = Record(FlatPyramid(), {5, 5, 5});
    EXPECT_EQ(r[QV_REC_EYE_A_FLAG], 0);
    EXPECT_EQ(r[QV_REC_EYE_B_FLAG], 0);
    for (int f = QV_REC_EYE_A_X; f <= QV_REC_EYE_B_Y; ++f) EXPECT_EQ(r[f], -1);
}

TEST_F(FaceRecordTest, LevelFiveSearchesLevelZero)
{
    Load(CentrePixelEye());
    // Face (5, 5) at level 5 (scale 2.48832): window tops 5..21, left-half
    // lefts 0..24, right-half lefts 25..49 of level 0.
    auto pyramid = FlatPyramid();
    pyramid[0].At(24, 20) = 250;
    pyramid[0].At(50, 20) = 250;
    const auto r = Record(pyramid, {5, 5, 5});
    EXPECT_EQ(r[QV_REC_EYE_B_FLAG], 1);
    EXPECT_EQ(r[QV_REC_EYE_B_X], 24);
    EXPECT_EQ(r[QV_REC_EYE_B_Y], 20);
    EXPECT_EQ(r[QV_REC_EYE_A_FLAG], 1);
    EXPECT_EQ(r[QV_REC_EYE_A_X], 50);
    EXPECT_EQ(r[QV_REC_EYE_A_Y], 20);
    // Just outside the ranges: row 29 is below the last window centre (28),
    // column 62 right of the last right-half centre (61).
    pyramid[0].At(24, 20) = 90;
    pyramid[0].At(50, 20) = 90;
    pyramid[0].At(24, 29) = 250;
    pyramid[0].At(62, 20) = 250;
    const auto none = Record(pyramid, {5, 5, 5});
    EXPECT_EQ(none[QV_REC_EYE_A_FLAG], 0);
    EXPECT_EQ(none[QV_REC_EYE_B_FLAG], 0);
}

TEST_F(FaceRecordTest, RightHalfReadMirrored)
{
    // The network looks at window pixel (10, 7): unmirrored that is the image
    // column left + 10, mirrored left + 14, while the vote goes to left + 12.
    Load(ThresholdNet(25, 15, {{7 * 25 + 10, 10.0f}}, -5.0f));
    auto pyramid = FlatPyramid();
    pyramid[0].At(24, 20) = 250;
    pyramid[0].At(50, 20) = 250;
    const auto r = Record(pyramid, {5, 5, 5});
    ASSERT_EQ(r[QV_REC_EYE_B_FLAG], 1);
    ASSERT_EQ(r[QV_REC_EYE_A_FLAG], 1);
    EXPECT_EQ(r[QV_REC_EYE_B_X], 26);
    EXPECT_EQ(r[QV_REC_EYE_A_X], 48);
}

TEST_F(FaceRecordTest, LevelEightSearchesLevelOneAndScales)
{
    Load(CentrePixelEye());
    // Face (3, 3) at level 8, eyes at level 1 (scale 3.5832 from the face):
    // tops 4..31, left-half centres 12..46, right-half centres 47..70.
    auto pyramid = FlatPyramid();
    pyramid[1].At(30, 20) = 250;
    pyramid[1].At(60, 25) = 250;
    const auto r = Record(pyramid, {3, 3, 8});
    ASSERT_EQ(r[QV_REC_EYE_B_FLAG], 1);
    ASSERT_EQ(r[QV_REC_EYE_A_FLAG], 1);
    EXPECT_EQ(r[QV_REC_EYE_B_X], 36);  // 1.2 * 30
    EXPECT_EQ(r[QV_REC_EYE_B_Y], 24);
    EXPECT_EQ(r[QV_REC_EYE_A_X], 72);
    EXPECT_EQ(r[QV_REC_EYE_A_Y], 30);
}

TEST_F(FaceRecordTest, EyeIsTheOutputWeightedMean)
{
    // Two bright pixels in the left half; each window centred on one of them
    // votes, the brighter one (ranked first) with the larger output.
    Load(ThresholdNet(25, 15, {{7 * 25 + 12, 100.0f}}, -99.0f));
    auto pyramid = FlatPyramid();
    pyramid[0].At(20, 20) = 250;
    pyramid[0].At(24, 20) = 240;
    const auto r = Record(pyramid, {5, 5, 5});
    ASSERT_EQ(r[QV_REC_EYE_B_FLAG], 1);
    // Inputs 1 - 1/375 and 1 - 3/375 at the two centres.
    const double o1 = std::tanh(std::tanh(100.0 * (1.0 - 1.0 / 375) - 99.0));
    const double o2 = std::tanh(std::tanh(100.0 * (1.0 - 3.0 / 375) - 99.0));
    const int expected = static_cast<int>(std::lround((o1 * 20 + o2 * 24) / (o1 + o2)));
    EXPECT_EQ(expected, 21);  // not the plain mean 22
    EXPECT_EQ(r[QV_REC_EYE_B_X], expected);
    EXPECT_EQ(r[QV_REC_EYE_B_Y], 20);
    EXPECT_EQ(r[QV_REC_EYE_A_FLAG], 0);
}

}  // namespace

TEST_F(FaceRecordTest, EyeSearchAreaIsWhereTheRecordLooks)
{
    const auto pyramid = FlatPyramid();
    QV_EyeSearchArea area{};
    // The ranges the level-five record above searches (ends excluded), half 0
    // the right one.
    ASSERT_TRUE(QV_FaceDetector::EyeSearch(pyramid, {5, 5, 5}, area));
    EXPECT_EQ(area.level, 0);
    EXPECT_EQ(area.top0, 5);
    EXPECT_EQ(area.top1, 22);
    EXPECT_EQ(area.left0[1], 0);
    EXPECT_EQ(area.left1[1], 25);
    EXPECT_EQ(area.left0[0], 25);
    EXPECT_EQ(area.left1[0], 50);
    // Level eight: level one, scale 1.2^7 from the face.
    ASSERT_TRUE(QV_FaceDetector::EyeSearch(pyramid, {3, 3, 8}, area));
    EXPECT_EQ(area.level, 1);
    EXPECT_EQ(area.top0, 4);
    EXPECT_EQ(area.top1, 32);
    EXPECT_EQ(area.left1[1], area.left0[0]);
    // Faces too small for an eye search, and the level rule the trainer shares.
    for (int level = 0; level <= 3; ++level) {
        EXPECT_FALSE(QV_FaceDetector::EyeSearch(pyramid, {2, 2, level}, area));
        EXPECT_EQ(QV_FaceDetector::EyeLevel(level), -1);
    }
    EXPECT_EQ(QV_FaceDetector::EyeLevel(4), 0);
    EXPECT_EQ(QV_FaceDetector::EyeLevel(7), 0);
    EXPECT_EQ(QV_FaceDetector::EyeLevel(12), 5);
}
