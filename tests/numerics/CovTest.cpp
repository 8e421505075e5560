#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "EigenReference.h"
#include "QV_Cov.h"

namespace {

QV_Array<float> Vec(std::initializer_list<float> values)
{
    QV_Array<float> v(static_cast<int>(values.size()));
    int i = 0;
    for (float x : values) v[i++] = x;
    return v;
}

}  // namespace

TEST(QV_Cov, PopulationCovarianceOfTwoObservations)
{
    QV_Cov cov;
    ASSERT_TRUE(cov.AddObservation(Vec({1, 2})));
    ASSERT_TRUE(cov.AddObservation(Vec({3, 6})));
    ASSERT_TRUE(cov.Build());
    EXPECT_EQ(cov.GetCount(), 2u);
    EXPECT_FLOAT_EQ(cov.GetMean()[0], 2.0f);
    EXPECT_FLOAT_EQ(cov.GetMean()[1], 4.0f);
    // Divisor is the count (2), not count - 1.
    EXPECT_FLOAT_EQ(cov.GetCovariance()(0, 0), 1.0f);
    EXPECT_FLOAT_EQ(cov.GetCovariance()(0, 1), 2.0f);
    EXPECT_FLOAT_EQ(cov.GetCovariance()(1, 0), 2.0f);
    EXPECT_FLOAT_EQ(cov.GetCovariance()(1, 1), 4.0f);
}

// Data far from zero with a small spread: the raw second moments cancel
// almost completely, so naive float sums lose the covariance.
TEST(QV_Cov, MatchesDoublePrecisionOnOffsetRandomData)
{
    const int n = 5, count = 400;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    reference::Matrix data(count, n);
    QV_Cov cov;
    for (int s = 0; s < count; ++s) {
        QV_Array<float> v(n);
        for (int i = 0; i < n; ++i) {
            v[i] = static_cast<float>(1000.0 * (i + 1) + (i + 1) * noise(rng) + (i ? 0.5 * v[0] - 500 : 0));
            data(s, i) = v[i];
        }
        ASSERT_TRUE(cov.AddObservation(v));
    }
    ASSERT_TRUE(cov.Build());
    std::vector<double> mean;
    const reference::Matrix expected = reference::Covariance(data, mean);
    for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(cov.GetMean()[i], mean[i], 1e-3 * std::abs(mean[i]) * 1e-3);
        for (int j = 0; j < n; ++j)
            EXPECT_NEAR(cov.GetCovariance()(i, j), expected(i, j), 1e-3 * (1 + std::abs(expected(i, j))))
                << i << "," << j;
    }
}

TEST(QV_Cov, RefusedObservationsAndTooFewForBuild)
{
    struct Case {
        const char* name;
        QV_Array<float> first, second;
        const char* message;
    };
    const Case cases[] = {
        {"empty", Vec({1, 2}), QV_Array<float>(),
         "QV_Cov::AddObservation() Error! : Zero length observation vector\n: "},
        {"wrong length", Vec({1, 2}), Vec({1, 2, 3}),
         "QV_Cov::AddObservation() Error! : Incorrect observation vector length\n: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QV_Cov cov;
        ASSERT_TRUE(cov.AddObservation(c.first));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(cov.AddObservation(c.second));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind(c.message, 0), 0u) << err;
        EXPECT_EQ(cov.GetCount(), 1u);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(cov.Build());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "QV_Cov::Build() Error! : less than 2 observations loaded!\n");
        EXPECT_FALSE(cov.IsBuilt());
    }
}

TEST(QV_Cov, RebuildAfterMoreObservationsAndClear)
{
    QV_Cov cov;
    cov.AddObservation(Vec({0, 0}));
    cov.AddObservation(Vec({2, 0}));
    ASSERT_TRUE(cov.Build());
    ASSERT_TRUE(cov.Build());  // a second build must not divide again
    EXPECT_FLOAT_EQ(cov.GetCovariance()(0, 0), 1.0f);
    cov.AddObservation(Vec({4, 3}));
    EXPECT_FALSE(cov.IsBuilt());
    ASSERT_TRUE(cov.Build());
    // x: 0,2,4 -> var 8/3; y: 0,0,3 -> var 2; cov(x,y) = (4*3)/3 - 2*1 = 2.
    EXPECT_NEAR(cov.GetCovariance()(0, 0), 8.0f / 3.0f, 1e-6);
    EXPECT_NEAR(cov.GetCovariance()(1, 1), 2.0f, 1e-6);
    EXPECT_NEAR(cov.GetCovariance()(0, 1), 2.0f, 1e-6);

    cov.Clear();
    EXPECT_EQ(cov.GetCount(), 0u);
    EXPECT_FALSE(cov.IsBuilt());
    EXPECT_TRUE(cov.AddObservation(Vec({1, 2, 3})));  // a new length after Clear
    EXPECT_EQ(cov.Size(), 3u);
}
