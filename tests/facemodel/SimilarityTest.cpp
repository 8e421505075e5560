#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "QV_Similarity.h"

namespace {

const std::vector<QV_Point2D> kPoints = {{0, 0}, {3, 1}, {-2, 4}, {1.5f, -2.5f}, {5, 5}};

TEST(QV_Similarity, AlignFindsTheIdentityAndAKnownPoseAndParametersRoundTrip)
{
    // Pixel-sized coordinates: the fit must stay exact far from the origin.
    std::vector<QV_Point2D> far;
    for (const auto& p : kPoints) far.emplace_back(p.x + 300.0f, p.y + 200.0f);
    QV_Similarity s;
    s.FromParams(0.3f, -0.2f, 7.0f, 1.0f);
    ASSERT_TRUE(s.Align(far, far));
    float a, b, tx, ty;
    s.ToParams(a, b, tx, ty);
    EXPECT_NEAR(s.scale, 1.0f, 1e-5f);
    for (float v : {a, b, tx, ty}) EXPECT_NEAR(v, 0.0f, 1e-3f);

    QV_Similarity truth;
    truth.FromParams(2.5f * std::cos(0.7f) - 1.0f, 2.5f * std::sin(0.7f), -40.0f, 12.0f);
    std::vector<QV_Point2D> to;
    for (const auto& p : kPoints) to.push_back(truth.Apply(p));
    ASSERT_TRUE(s.Align(kPoints, to));
    EXPECT_NEAR(s.scale, 2.5f, 1e-4f);
    EXPECT_NEAR(std::atan2(s.R[1][0], s.R[0][0]), 0.7f, 1e-5f);
    EXPECT_NEAR(s.tx, -40.0f, 1e-3f);
    EXPECT_NEAR(s.ty, 12.0f, 1e-3f);
    const QV_Point2D back = s.ApplyInverse(to[3]);
    EXPECT_NEAR(back.x, 1.5f, 1e-4f);
    EXPECT_NEAR(back.y, -2.5f, 1e-4f);

    s.FromParams(0, 0, 5, -3);
    s.ToParams(a, b, tx, ty);
    EXPECT_EQ(std::vector<float>({a, b, tx, ty}), std::vector<float>({0, 0, 5, -3}));
}

// User-edited annotations may have every point dragged onto one spot: the
// fit reports failure, the pose is the identity and the program goes on.
TEST(QV_Similarity, DegenerateInputFallsBackToTheIdentity)
{
    const std::vector<QV_Point2D> spot(5, QV_Point2D(0.4f, 0.6f)), origin(5, QV_Point2D());
    const std::vector<std::pair<std::vector<QV_Point2D>, std::vector<QV_Point2D>>> cases = {
        {spot, kPoints}, {origin, kPoints}, {{{1, 2}}, {{3, 4}}}, {{}, {}}, {kPoints, spot}, {kPoints, {{1, 1}}}};
    for (size_t i = 0; i < cases.size(); ++i) {
        QV_Similarity s;
        s.FromParams(0.5f, 0.5f, 3.0f, 3.0f);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(s.Align(cases[i].first, cases[i].second)) << i;
        testing::internal::GetCapturedStderr();
        EXPECT_TRUE(s.IsIdentity()) << i;
    }
}

}  // namespace
