#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "EigenReference.h"
#include "QV_CalcEigens.h"

namespace {

QV_Matrix RandomSymmetric(int n, std::mt19937& rng, int rowLow = 0, int colLow = 0)
{
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    QV_Matrix a(rowLow, rowLow + n - 1, colLow, colLow + n - 1);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) a(rowLow + i, colLow + j) = a(rowLow + j, colLow + i) = u(rng);
    return a;
}

}  // namespace

TEST(CalcEigens, DiagonalMatrixSortedByMagnitudeWithSigns)
{
    QV_Matrix a(3, 3);
    a.Fill(0.0f);
    a(0, 0) = 1.0f;
    a(1, 1) = -3.0f;
    a(2, 2) = 2.0f;
    QV_Array<float> values;
    QV_Matrix vectors;
    CalcEigens(a, values, vectors);
    ASSERT_EQ(values.Count(), 3);
    EXPECT_EQ(values.Low(), 0);
    EXPECT_FLOAT_EQ(values[0], -3.0f);
    EXPECT_FLOAT_EQ(values[1], 2.0f);
    EXPECT_FLOAT_EQ(values[2], 1.0f);
    ASSERT_EQ(vectors.Rows(), 3);
    ASSERT_EQ(vectors.RowLow(), 0);
    const int axis[3] = {1, 2, 0};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(std::fabs(vectors(i, k)), i == axis[k] ? 1.0f : 0.0f, 1e-6f) << "column " << k;
}

TEST(CalcEigens, AgreesWithEigenOnRandomSymmetricMatrices)
{
    std::mt19937 rng(7);
    for (int n : {1, 2, 3, 5, 12, 40}) {
        // Odd sizes use 1-based input to check any bounds are accepted.
        int low = (n % 2) ? 1 : 0;
        QV_Matrix a = RandomSymmetric(n, rng, low, low);
        QV_Array<float> values;
        QV_Matrix vectors;
        CalcEigens(a, values, vectors);
        ASSERT_EQ(values.Count(), n);
        ASSERT_EQ(vectors.Rows(), n);
        ASSERT_EQ(vectors.Cols(), n);

        const reference::Matrix m = reference::FromQV(a);
        std::vector<double> sorted = reference::EigenSymmetric(m).values;
        std::sort(sorted.begin(), sorted.end(), [](double x, double y) { return std::fabs(x) > std::fabs(y); });
        double scale = std::fabs(sorted[0]);
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(values[k], sorted[static_cast<size_t>(k)], 2e-5 * scale) << "n=" << n << " k=" << k;
            if (k > 0) {
                EXPECT_GE(std::fabs(values[k - 1]), std::fabs(values[k]));
            }
        }
        // A·v = λ·v for every column and the columns are orthonormal.
        const reference::Matrix v = reference::FromQV(vectors);
        const reference::Matrix mv = reference::Multiply(m, v);
        for (int k = 0; k < n; ++k) {
            double residual = 0.0;
            for (int i = 0; i < n; ++i) residual += std::pow(mv(i, k) - values[k] * v(i, k), 2);
            EXPECT_LT(std::sqrt(residual), 5e-5 * scale) << "n=" << n << " k=" << k;
        }
        EXPECT_LT(reference::OrthonormalityError(v), 5e-5 * n) << "n=" << n;
    }
}

TEST(CalcEigens, ZeroAndEmptyMatrices)
{
    QV_Matrix zero(4, 4);
    zero.Fill(0.0f);
    QV_Array<float> values;
    QV_Matrix vectors;
    CalcEigens(zero, values, vectors);
    ASSERT_EQ(values.Count(), 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(values[k], 0.0f);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(vectors(i, k), i == k ? 1.0f : 0.0f);

    CalcEigens(QV_Matrix(), values, vectors);
    EXPECT_EQ(values.Count(), 0);
    EXPECT_TRUE(vectors.Empty());
}

TEST(CalcEigens, NonFiniteInputReturnsInsteadOfLoopingForEver)
{
    QV_Matrix a(3, 3);
    a.Fill(1.0f);
    a(1, 2) = a(2, 1) = std::nanf("");
    QV_Array<float> values;
    QV_Matrix vectors;
    testing::internal::CaptureStderr();
    CalcEigens(a, values, vectors);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(values.Count(), 3);
    EXPECT_NE(err.find("CalcEigens() Warning! : Many iterations required\n"), std::string::npos);
}
