// Closed-form 3D similarity: recovery of known poses (including half turns and
// planar sets, where the rotation's eigenvalue is not the largest in
// magnitude), the symmetric scale, and refusal of undetermined fits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "QV_Similarity3D.h"

namespace {

QV_Similarity3D Pose(float w, float x, float y, float z, float s, QV_Point3D t)
{
    QV_Similarity3D p;
    p.SetRotation(w, x, y, z);
    p.scale = s;
    p.t = t;
    return p;
}

std::vector<QV_Point3D> Points(std::mt19937& rng, int n, bool planar)
{
    std::uniform_real_distribution<float> u(-100.0f, 100.0f);
    std::vector<QV_Point3D> pts;
    for (int i = 0; i < n; ++i) pts.push_back(QV_Point3D(u(rng) + 50.0f, u(rng) - 20.0f, planar ? 3.0f : u(rng)));
    return pts;
}

std::vector<QV_Point3D> Map(const QV_Similarity3D& s, const std::vector<QV_Point3D>& pts)
{
    std::vector<QV_Point3D> out;
    for (const QV_Point3D& p : pts) out.push_back(s.Apply(p));
    return out;
}

}  // namespace

TEST(Similarity3D, RecoversKnownPosesToFloatPrecision)
{
    std::mt19937 rng(1234);
    std::normal_distribution<float> g(0.0f, 1.0f);
    std::uniform_real_distribution<float> sc(0.2f, 5.0f), tr(-300.0f, 300.0f);
    struct Case {
        QV_Similarity3D pose;
        int n;
        bool planar;
    };
    std::vector<Case> cases = {
        {Pose(0, 0, 0, 1, 1.0f, {}), 12, false},          // half turns: w = 0
        {Pose(0, 1, 1, 1, 0.5f, {-4, 0, 9}), 12, false},
        {Pose(0, 0, 0, 1, 1.0f, {}), 12, true},           // planar: eigenvalues +-m tie in magnitude
        {Pose(0, 0, 1, 0, 3.0f, {5, 5, 5}), 12, true},
        {Pose(1, 0, 0, 0, 1.0f, {}), 12, true},
        {Pose(1, 0, 0, 1, 1.5f, {2, -1, 0}), 3, true},
    };
    for (int i = 0; i < 40; ++i)
        cases.push_back({Pose(g(rng), g(rng), g(rng), g(rng), sc(rng), {tr(rng), tr(rng), tr(rng)}), 3 + i * 5, i % 5 == 0});
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE("case " + std::to_string(c));
        const QV_Similarity3D& want = cases[c].pose;
        const std::vector<QV_Point3D> a = Points(rng, cases[c].n, cases[c].planar);
        QV_Similarity3D got;
        ASSERT_TRUE(got.Fit(a, Map(want, a)));
        EXPECT_NEAR(got.scale, want.scale, 1e-4f * want.scale);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_NEAR(got.R[i][j], want.R[i][j], 1e-4f);
        EXPECT_NEAR(Distance(got.t, want.t), 0.0f, 2e-4f * (300.0f + 100.0f * want.scale));
    }
}

// The scale is the ratio of spreads, so fits a -> b and b -> a on noisy data
// give reciprocal scales (a one-sided least-squares scale would not).
TEST(Similarity3D, ScaleIsSymmetricOnNoisyData)
{
    std::mt19937 rng(5);
    std::normal_distribution<float> noise(0.0f, 8.0f);
    const std::vector<QV_Point3D> a = Points(rng, 30, false);
    std::vector<QV_Point3D> b = Map(Pose(0.3f, 0.5f, -0.2f, 0.7f, 2.5f, {3, 4, 5}), a);
    for (QV_Point3D& p : b) p += QV_Point3D(noise(rng), noise(rng), noise(rng));
    QV_Similarity3D ab, ba;
    ASSERT_TRUE(ab.Fit(a, b));
    ASSERT_TRUE(ba.Fit(b, a));
    EXPECT_NEAR(ab.scale * ba.scale, 1.0f, 1e-5f);
}

TEST(Similarity3D, UndeterminedFitsAreRefusedWithTheIdentity)
{
    const QV_Point3D p(1, 2, 3), q(4, 5, 6), o;
    const std::vector<std::pair<std::vector<QV_Point3D>, std::vector<QV_Point3D>>> cases = {
        {{}, {}},                               // no points
        {{p}, {q}},                             // one point
        {{p, p, p}, {p, q, o}},                 // coincident sources
        {{p, q, o}, {q, q, q}},                 // coincident targets: zero scale
        {{p, q}, {p}},                          // unequal counts
        {{p, QV_Point3D(NAN, 0, 0)}, {p, q}},   // non-finite
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        QV_Similarity3D s = Pose(0, 1, 0, 0, 7.0f, {1, 1, 1});
        EXPECT_FALSE(s.Fit(cases[c].first, cases[c].second)) << c;
        EXPECT_EQ(s.Apply(q), q) << c;  // the identity, no NaN
    }
}
