// Closed-form 3D similarity: recovery of known poses, the rotation sign
// choice on planar and half-turn data, and refusal of undetermined fits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "QV_Similarity3D.h"

namespace {

struct Pose {
    float q[4];  // w, x, y, z (normalised by SetRotation)
    float scale;
    QV_Point3D t;
};

QV_Similarity3D MakePose(const Pose& p)
{
    QV_Similarity3D s;
    s.SetRotation(p.q[0], p.q[1], p.q[2], p.q[3]);
    s.scale = p.scale;
    s.t = p.t;
    return s;
}

std::vector<QV_Point3D> Map(const QV_Similarity3D& s, const std::vector<QV_Point3D>& pts)
{
    std::vector<QV_Point3D> out;
    for (const QV_Point3D& p : pts) out.push_back(s.Apply(p));
    return out;
}

double Det(const QV_Similarity3D& s)
{
    const float(&R)[3][3] = s.R;
    return R[0][0] * (R[1][1] * R[2][2] - R[1][2] * R[2][1]) - R[0][1] * (R[1][0] * R[2][2] - R[1][2] * R[2][0]) +
           R[0][2] * (R[1][0] * R[2][1] - R[1][1] * R[2][0]);
}

void ExpectSamePose(const QV_Similarity3D& got, const QV_Similarity3D& want, float tol)
{
    EXPECT_NEAR(got.scale, want.scale, tol * want.scale);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(got.R[i][j], want.R[i][j], tol) << i << "," << j;
    const float tt = tol * (1.0f + std::fabs(want.t.x) + std::fabs(want.t.y) + std::fabs(want.t.z));
    EXPECT_NEAR(got.t.x, want.t.x, tt);
    EXPECT_NEAR(got.t.y, want.t.y, tt);
    EXPECT_NEAR(got.t.z, want.t.z, tt);
}

std::vector<QV_Point3D> RandomPoints(std::mt19937& rng, int n, float spread, QV_Point3D offset)
{
    std::uniform_real_distribution<float> u(-spread, spread);
    std::vector<QV_Point3D> pts;
    for (int i = 0; i < n; ++i) pts.push_back(QV_Point3D(u(rng), u(rng), u(rng)) + offset);
    return pts;
}

}  // namespace

TEST(Similarity3D, RecoversRandomPosesToFloatPrecision)
{
    std::mt19937 rng(1234);
    std::normal_distribution<float> g(0.0f, 1.0f);
    std::uniform_real_distribution<float> sc(0.2f, 5.0f), tr(-300.0f, 300.0f);
    const int counts[] = {3, 4, 10, 200};
    for (int trial = 0; trial < 40; ++trial) {
        const int n = counts[trial % 4];
        const Pose p{{g(rng), g(rng), g(rng), g(rng)}, sc(rng), QV_Point3D(tr(rng), tr(rng), tr(rng))};
        const QV_Similarity3D want = MakePose(p);
        // Head-sized coordinates away from the origin.
        const std::vector<QV_Point3D> a = RandomPoints(rng, n, 100.0f, QV_Point3D(50.0f, -20.0f, 10.0f));
        const std::vector<QV_Point3D> b = Map(want, a);
        QV_Similarity3D got;
        ASSERT_TRUE(got.Fit(a, b)) << "trial " << trial;
        SCOPED_TRACE(trial);
        ExpectSamePose(got, want, 2e-4f);
        EXPECT_NEAR(Det(got), 1.0, 1e-4);
        for (int i = 0; i < n; ++i) {
            const QV_Point3D m = got.Apply(a[i]);
            EXPECT_NEAR(Distance(m, b[i]), 0.0f, 2e-4f * (100.0f * p.scale + 300.0f));
        }
    }
}

// Half turns have a zero quaternion w, and planar point sets make the most
// negative eigenvalue of the quaternion matrix as large in magnitude as the
// most positive one; the rotation must still be the proper one.
TEST(Similarity3D, HalfTurnsAndPlanarSetsGiveTheProperRotation)
{
    struct Case {
        const char* name;
        Pose pose;
        bool planar;
    };
    const Case cases[] = {
        {"half turn about z", {{0, 0, 0, 1}, 1.0f, {0, 0, 0}}, false},
        {"half turn about x", {{0, 1, 0, 0}, 2.0f, {1, 2, 3}}, false},
        {"half turn about a diagonal", {{0, 1, 1, 1}, 0.5f, {-4, 0, 9}}, false},
        {"half turn about z, planar in z", {{0, 0, 0, 1}, 1.0f, {0, 0, 0}}, true},
        {"half turn about y, planar in z", {{0, 0, 1, 0}, 3.0f, {5, 5, 5}}, true},
        {"identity, planar in z", {{1, 0, 0, 0}, 1.0f, {0, 0, 0}}, true},
        {"quarter turn about z, planar in z", {{1, 0, 0, 1}, 1.5f, {2, -1, 0}}, true},
    };
    std::mt19937 rng(99);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<QV_Point3D> a = RandomPoints(rng, 12, 10.0f, QV_Point3D());
        if (c.planar)
            for (QV_Point3D& p : a) p.z = 0.0f;
        const QV_Similarity3D want = MakePose(c.pose);
        QV_Similarity3D got;
        ASSERT_TRUE(got.Fit(a, Map(want, a)));
        ExpectSamePose(got, want, 1e-4f);
        EXPECT_NEAR(Det(got), 1.0, 1e-4);
    }
}

TEST(Similarity3D, MirroredTargetsGetARotationNotAReflection)
{
    std::mt19937 rng(7);
    std::vector<QV_Point3D> a = RandomPoints(rng, 20, 5.0f, QV_Point3D());
    std::vector<QV_Point3D> b = a;
    for (QV_Point3D& p : b) p.x = -p.x;
    QV_Similarity3D s;
    ASSERT_TRUE(s.Fit(a, b));
    EXPECT_NEAR(Det(s), 1.0, 1e-4);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(std::isfinite(s.R[i][j]));
}

// The scale is the ratio of spreads, so fitting a -> b and b -> a on noisy data
// gives reciprocal scales (a least-squares scale would not).
TEST(Similarity3D, ScaleIsSymmetricOnNoisyData)
{
    std::mt19937 rng(5);
    std::normal_distribution<float> noise(0.0f, 0.8f);
    std::vector<QV_Point3D> a = RandomPoints(rng, 30, 4.0f, QV_Point3D(1, 2, 3));
    const QV_Similarity3D pose = MakePose({{0.3f, 0.5f, -0.2f, 0.7f}, 2.5f, {3, 4, 5}});
    std::vector<QV_Point3D> b = Map(pose, a);
    for (QV_Point3D& p : b) p += QV_Point3D(noise(rng), noise(rng), noise(rng));
    QV_Similarity3D ab, ba;
    ASSERT_TRUE(ab.Fit(a, b));
    ASSERT_TRUE(ba.Fit(b, a));
    EXPECT_NEAR(ab.scale * ba.scale, 1.0f, 1e-5f);
    // The centroid of the sources always lands on the centroid of the targets.
    QV_Point3D ca, cb;
    for (size_t i = 0; i < a.size(); ++i) {
        ca += a[i];
        cb += b[i];
    }
    const QV_Point3D mapped = ab.Apply(ca / static_cast<float>(a.size()));
    EXPECT_NEAR(Distance(mapped, cb / static_cast<float>(b.size())), 0.0f, 1e-3f);
}

TEST(Similarity3D, UndeterminedFitsAreRefusedWithTheIdentity)
{
    const QV_Point3D p(1, 2, 3), q(4, 5, 6);
    struct Case {
        const char* name;
        std::vector<QV_Point3D> from, to;
    };
    const Case cases[] = {
        {"no points", {}, {}},
        {"one point", {p}, {q}},
        {"coincident sources", {p, p, p}, {p, q, QV_Point3D(0, 0, 0)}},
        {"coincident targets", {p, q, QV_Point3D(0, 0, 0)}, {q, q, q}},
        {"unequal counts", {p, q}, {p}},
        {"non-finite source", {p, QV_Point3D(NAN, 0, 0)}, {p, q}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QV_Similarity3D s;
        s.scale = 7.0f;
        s.t = QV_Point3D(1, 1, 1);
        EXPECT_FALSE(s.Fit(c.from, c.to));
        const QV_Point3D m = s.Apply(q);
        EXPECT_EQ(m, q);  // identity, no NaN
    }
}
