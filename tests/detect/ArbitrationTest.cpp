// Arbitration of verified detections into faces: merging of overlapping hits,
// the weighted centroid, removal of overlapping faces and strongest-first order.
#include <gtest/gtest.h>

#include "QV_FaceDetector.h"

namespace {

std::vector<QV_Detection> Arbitrate(const std::vector<QV_Detection>& d, int levels)
{
    std::vector<QV_Detection> faces{{99, 99, 99}};  // must be cleared
    QV_FaceDetector::Arbitrate(d, levels, faces);
    return faces;
}

TEST(Arbitration, NoDetectionsNoFaces)
{
    EXPECT_TRUE(Arbitrate({}, 5).empty());
}

TEST(Arbitration, SingleDetectionCentroid)
{
    // Votes spread over levels k - 2 .. k + 2 that exist and +-2 pixels. With
    // all five levels present the centroid is the detection itself; near the
    // bottom or top of the pyramid the missing levels pull the mean level
    // away, and the position follows at that level.
    struct Case {
        QV_Detection in, out;
    };
    const Case cases[] = {
        {{20, 30, 4}, {20, 30, 4}},
        {{-5, 15, 2}, {-5, 15, 2}},
        {{3, 9, 7}, {3, 9, 7}},
        {{0, 0, 0}, {-2, -2, 1}},     // levels 0..2: centre 10 becomes 8.33 at level 1
        {{40, 40, 1}, {32, 32, 2}},   // levels 0..3, mean 1.5: centre 50 becomes 41.7
        {{12, 7, 9}, {16, 10, 8}},    // levels 7..9: centre (22, 17) becomes (26.4, 20.4)
    };
    for (const Case& c : cases) {
        const auto faces = Arbitrate({c.in}, 10);
        ASSERT_EQ(faces.size(), 1u) << c.in.x << "," << c.in.y << "," << c.in.level;
        EXPECT_EQ(faces[0], c.out) << c.in.x << "," << c.in.y << "," << c.in.level;
    }
}

TEST(Arbitration, OverlappingDetectionsMergeIntoOneFace)
{
    const auto faces = Arbitrate({{20, 30, 4}, {22, 30, 4}, {21, 32, 4}}, 10);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].level, 4);
    EXPECT_EQ(faces[0].x, 21);
    EXPECT_EQ(faces[0].y, 31);
}

TEST(Arbitration, MergedLevelIsTheWeightedMean)
{
    // The same input centre seen at levels 3 and 5 (centres (30, 30) at level
    // 3 and (20.8, 20.8) at level 5) merges at level 4.
    const auto faces = Arbitrate({{20, 20, 3}, {11, 11, 5}}, 10);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].level, 4);
    // The level-4 centre of input point 51.84 is 25.
    EXPECT_NEAR(faces[0].x + 10, 25, 1);
    EXPECT_NEAR(faces[0].y + 10, 25, 1);
}

TEST(Arbitration, NearbyFaceRemovedDistantFaceKept)
{
    // Centres 15 apart at the same level do not share votes, but the second
    // lies within round(10) + 10 of the first and is removed with it.
    EXPECT_EQ(Arbitrate({{20, 20, 3}, {35, 20, 3}}, 10).size(), 1u);
    EXPECT_EQ(Arbitrate({{20, 20, 3}, {20, 33, 3}}, 10).size(), 1u);
    // 40 apart: two faces.
    const auto two = Arbitrate({{20, 20, 3}, {60, 20, 3}}, 10);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], (QV_Detection{20, 20, 3}));
    EXPECT_EQ(two[1], (QV_Detection{60, 20, 3}));
}

TEST(Arbitration, StrongestRegionComesFirst)
{
    const auto faces = Arbitrate({{20, 20, 3}, {60, 20, 3}, {60, 20, 3}}, 10);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0], (QV_Detection{60, 20, 3}));
    EXPECT_EQ(faces[1], (QV_Detection{20, 20, 3}));
}

TEST(Arbitration, LargeFaceRemovesSmallOnesInside)
{
    // A face at level 6 (about 60 input pixels) and a level-0 face inside it:
    // removal at level 0 reaches round(1.2^6 * 10) + 10 = 40 pixels.
    const auto faces = Arbitrate({{10, 10, 6}, {10, 10, 6}, {50, 50, 0}}, 10);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0], (QV_Detection{10, 10, 6}));
}

}  // namespace
