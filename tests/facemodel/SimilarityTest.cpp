#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "QV_Array2D.h"
#include "QV_LUD.h"
#include "QV_Similarity.h"

namespace {

std::vector<QV_Point2D> SomePoints()
{
    return {{0.0f, 0.0f}, {3.0f, 1.0f}, {-2.0f, 4.0f}, {1.5f, -2.5f}, {5.0f, 5.0f}};
}

void ExpectIdentity(const QV_Similarity& s)
{
    EXPECT_FLOAT_EQ(s.scale, 1.0f);
    EXPECT_FLOAT_EQ(s.R[0][0], 1.0f);
    EXPECT_FLOAT_EQ(s.R[0][1], 0.0f);
    EXPECT_FLOAT_EQ(s.R[1][0], 0.0f);
    EXPECT_FLOAT_EQ(s.R[1][1], 1.0f);
    EXPECT_FLOAT_EQ(s.tx, 0.0f);
    EXPECT_FLOAT_EQ(s.ty, 0.0f);
}

TEST(QV_Similarity, AlignOfAShapeVectorToItselfIsTheIdentity)
{
    QV_Array<float> v(10);
    const auto pts = SomePoints();
    for (int i = 0; i < 5; ++i) {
        v[2 * i] = pts[i].x + 100.0f;
        v[2 * i + 1] = pts[i].y + 50.0f;
    }
    QV_Similarity s;
    s.FromParams(0.3f, -0.2f, 7.0f, 1.0f);  // Align must not depend on what was there
    ASSERT_TRUE(s.Align(v, v));
    EXPECT_NEAR(s.scale, 1.0f, 1e-4f);
    EXPECT_NEAR(s.R[0][0], 1.0f, 1e-4f);
    EXPECT_NEAR(s.R[1][0], 0.0f, 1e-4f);
    EXPECT_NEAR(s.tx, 0.0f, 2e-3f);
    EXPECT_NEAR(s.ty, 0.0f, 2e-3f);
    float a, b, x, y;
    s.ToParams(a, b, x, y);
    EXPECT_NEAR(a, 0.0f, 1e-4f);
    EXPECT_NEAR(b, 0.0f, 1e-4f);
}

struct Pose {
    float scale, angle, tx, ty;
};

class AlignRecovers : public testing::TestWithParam<Pose> {};

TEST_P(AlignRecovers, AKnownPoseFromExactCorrespondences)
{
    const Pose p = GetParam();
    QV_Similarity truth;
    truth.FromParams(p.scale * std::cos(p.angle) - 1.0f, p.scale * std::sin(p.angle), p.tx, p.ty);
    const auto from = SomePoints();
    std::vector<QV_Point2D> to;
    for (const auto& q : from) to.push_back(truth.Apply(q));

    QV_Similarity fit;
    ASSERT_TRUE(fit.Align(from, to));
    EXPECT_NEAR(fit.scale, p.scale, 1e-4f * p.scale);
    EXPECT_NEAR(std::atan2(fit.R[1][0], fit.R[0][0]), p.angle, 1e-4f);
    EXPECT_NEAR(fit.R[0][1], -fit.R[1][0], 1e-6f);  // a rotation, not a shear
    EXPECT_NEAR(fit.tx, p.tx, 1e-3f * (1.0f + std::fabs(p.tx)));
    EXPECT_NEAR(fit.ty, p.ty, 1e-3f * (1.0f + std::fabs(p.ty)));
    for (const auto& q : from) {
        const QV_Point2D back = fit.ApplyInverse(fit.Apply(q));
        EXPECT_NEAR(back.x, q.x, 1e-3f);
        EXPECT_NEAR(back.y, q.y, 1e-3f);
    }
}

INSTANTIATE_TEST_SUITE_P(Poses, AlignRecovers,
                         testing::Values(Pose{1.0f, 0.0f, 5.0f, -3.0f}, Pose{2.5f, 0.7f, -40.0f, 12.0f},
                                         Pose{0.1f, -2.9f, 0.5f, 0.25f}, Pose{80.0f, 1.5707963f, 256.0f, 192.0f}));

TEST(QV_Similarity, AlignMinimisesTheSquaredErrorForNoisyPoints)
{
    // Points mapped by a pure translation, one of them disturbed: the fit is
    // the least-squares one, so nudging any parameter cannot lower the error.
    auto from = SomePoints();
    std::vector<QV_Point2D> to;
    for (const auto& q : from) to.emplace_back(q.x + 1.0f, q.y + 2.0f);
    to[2].x += 0.5f;
    QV_Similarity fit;
    ASSERT_TRUE(fit.Align(from, to));
    auto error = [&](const QV_Similarity& s) {
        double e = 0;
        for (size_t i = 0; i < from.size(); ++i) {
            const QV_Point2D m = s.Apply(from[i]);
            e += (m.x - to[i].x) * (m.x - to[i].x) + (m.y - to[i].y) * (m.y - to[i].y);
        }
        return e;
    };
    float a, b, x, y;
    fit.ToParams(a, b, x, y);
    const double best = error(fit);
    const float d = 1e-2f;
    for (int k = 0; k < 8; ++k) {
        float q[4] = {a, b, x, y};
        q[k / 2] += (k % 2 ? d : -d);
        QV_Similarity other;
        other.FromParams(q[0], q[1], q[2], q[3]);
        EXPECT_GT(error(other), best) << "parameter " << k / 2;
    }
}

TEST(QV_Similarity, ParametersRoundTrip)
{
    const float cases[][4] = {{0, 0, 5, -3}, {0.5f, -0.25f, 1, 2}, {-0.9f, 0.3f, -100, 0}, {-2.0f, 0.0f, 0, 0}};
    for (const auto& c : cases) {
        QV_Similarity s;
        s.FromParams(c[0], c[1], c[2], c[3]);
        float a, b, x, y;
        s.ToParams(a, b, x, y);
        EXPECT_NEAR(a, c[0], 1e-6f);
        EXPECT_NEAR(b, c[1], 1e-6f);
        EXPECT_EQ(x, c[2]);
        EXPECT_EQ(y, c[3]);
    }
    QV_Similarity s;
    s.FromParams(0, 0, 5, -3);
    EXPECT_FLOAT_EQ(s.scale, 1.0f);
    EXPECT_FLOAT_EQ(s.R[0][0], 1.0f);
    // The array form reads and writes four values at the given index.
    QV_Array<float> p(1, 8);
    p.Fill(9.0f);
    s.FromParams(0.5f, 0.5f, 1.0f, 2.0f);
    s.ToParams(p, 3);
    EXPECT_EQ(p[2], 9.0f);
    EXPECT_EQ(p[5], 1.0f);
    EXPECT_EQ(p[7], 9.0f);
    QV_Similarity t;
    EXPECT_TRUE(t.FromParams(p, 3));
    EXPECT_NEAR(t.scale, s.scale, 1e-6f);
    EXPECT_FALSE(t.FromParams(p, 6));  // only three values left
}

TEST(QV_Similarity, VectorFormsMapEveryPair)
{
    QV_Similarity s;
    s.FromParams(1.0f, 0.0f, 3.0f, -1.0f);  // scale 2, no rotation
    QV_Array<float> v(4);
    v[0] = 1;
    v[1] = 2;
    v[2] = -1;
    v[3] = 0;
    s.ApplyToVector(v);
    EXPECT_FLOAT_EQ(v[0], 5.0f);
    EXPECT_FLOAT_EQ(v[1], 3.0f);
    EXPECT_FLOAT_EQ(v[2], 1.0f);
    EXPECT_FLOAT_EQ(v[3], -1.0f);
    s.ApplyInverseToVector(v);
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_FLOAT_EQ(v[1], 2.0f);
    EXPECT_FLOAT_EQ(v[2], -1.0f);
    EXPECT_FLOAT_EQ(v[3], 0.0f);
}

// Degenerate fits (user-edited annotations with every point dragged onto one
// spot, repeated points): the process goes on and the pose is the identity.
TEST(QV_Similarity, DegenerateInputFallsBackToTheIdentity)
{
    const std::vector<QV_Point2D> spot(6, QV_Point2D(0.4f, 0.6f));
    const std::vector<QV_Point2D> origin(6, QV_Point2D(0.0f, 0.0f));
    const auto good = SomePoints();
    struct Case {
        const char* name;
        std::vector<QV_Point2D> from, to;
    };
    const std::vector<Case> cases = {
        {"all source points on one spot", spot, std::vector<QV_Point2D>(good.begin(), good.end() - 0)},
        {"all source points at the origin", origin, spot},
        {"one pair", {{1.0f, 2.0f}}, {{3.0f, 4.0f}}},
        {"no pairs", {}, {}},
        {"all targets on one spot", good, std::vector<QV_Point2D>(good.size(), QV_Point2D(2.0f, 2.0f))},
        {"lengths differ", good, spot},
    };
    for (const Case& c : cases) {
        std::vector<QV_Point2D> to = c.to;
        if (std::string(c.name) == "all source points on one spot") to.resize(c.from.size(), QV_Point2D(1, 1));
        QV_Similarity s;
        s.FromParams(0.5f, 0.5f, 3.0f, 3.0f);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(s.Align(c.from, to)) << c.name;
        testing::internal::GetCapturedStderr();
        ExpectIdentity(s);
        EXPECT_TRUE(s.IsIdentity()) << c.name;
    }
}

TEST(QV_LUD, SingularMatricesAreRefusedWithTheirMessage)
{
    struct Case {
        std::vector<float> values;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{0, 0, 0, 0}, "QV_LUD::Decompose() Error! : All elements in matrix are zero!"},
        {{1, 2, 0, 0}, "QV_LUD::Decompose() Error! : All elements in matrix are zero!"},
        {{1e-20f, 0, 0, 1e-20f}, "QV_LUD::Decompose() Error! Determinant too small!"},
    };
    for (const Case& c : cases) {
        QV_Matrix m(2, 2);
        for (int i = 0; i < 4; ++i) m(i / 2, i % 2) = c.values[static_cast<size_t>(i)];
        QV_LUD lud;
        testing::internal::CaptureStderr();
        const bool ok = lud.Decompose(m);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
    // A regular matrix is still decomposed.
    QV_Matrix m(2, 2);
    m(0, 0) = 2;
    m(0, 1) = 1;
    m(1, 0) = 1;
    m(1, 1) = 3;
    QV_LUD lud;
    EXPECT_TRUE(lud.Decompose(m));
    EXPECT_NEAR(lud.Determinant(), 5.0f, 1e-5f);
}

}  // namespace
