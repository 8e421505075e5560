#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "EigenReference.h"
#include "QV_LUD.h"
#include "QV_SVD.h"

namespace {

QV_Matrix RandomMatrix(int m, int n, std::mt19937& rng, int rowLow = 0, int colLow = 0)
{
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    QV_Matrix a(rowLow, rowLow + m - 1, colLow, colLow + n - 1);
    for (float& x : a.Elements()) x = u(rng);
    return a;
}

std::vector<double> Doubles(const QV_Array<float>& a) { return std::vector<double>(a.begin(), a.end()); }

QV_Matrix FromRows(std::initializer_list<std::initializer_list<float>> rows)
{
    QV_Matrix a(static_cast<int>(rows.size()), static_cast<int>(rows.begin()->size()));
    int i = 0;
    for (auto& r : rows) {
        int j = 0;
        for (float x : r) a(i, j++) = x;
        ++i;
    }
    return a;
}

}  // namespace

TEST(QV_LUD, SwappedIdentityPivotsOnceAndHasDeterminantMinusOne)
{
    QV_LUD lud(FromRows({{0, 1}, {1, 0}}));
    EXPECT_FLOAT_EQ(lud.Parity(), -1.0f);
    EXPECT_FLOAT_EQ(lud.Determinant(), -1.0f);
    EXPECT_EQ(lud.Index()[0], 1);
    EXPECT_EQ(lud.Index()[1], 1);
}

TEST(QV_LUD, LastOfEqualPivotCandidatesWins)
{
    // Column 0 offers rows 0, 1 and 2 with equal scaled merit (1).
    QV_LUD lud(FromRows({{1, 0, 0}, {1, 1, 0}, {1, 0, 1}}));
    EXPECT_EQ(lud.Index()[0], 2);
    EXPECT_FLOAT_EQ(lud.Parity(), -1.0f);
    EXPECT_NEAR(lud.Determinant(), 1.0f, 1e-6f);
}

TEST(QV_LUD, SolveOnIdentityAndLeadingZeros)
{
    QV_Matrix id(4, 4);
    id.Fill(0.0f);
    for (int i = 0; i < 4; ++i) id(i, i) = 1.0f;
    QV_LUD lud(id);
    EXPECT_FLOAT_EQ(lud.Determinant(), 1.0f);
    QV_Array<float> b(1, 4), x;
    b[1] = 0.0f;
    b[2] = 0.0f;
    b[3] = 2.5f;
    b[4] = -7.0f;
    ASSERT_TRUE(lud.Solve(b, x));
    ASSERT_EQ(x.Count(), 4);
    EXPECT_EQ(x.Low(), 0);
    EXPECT_FLOAT_EQ(x[0], 0.0f);
    EXPECT_FLOAT_EQ(x[2], 2.5f);
    EXPECT_FLOAT_EQ(x[3], -7.0f);

    // A right-hand side whose permuted form starts with zeros.
    QV_Matrix a = FromRows({{2, 1, 0}, {1, 3, 1}, {0, 1, 4}});
    QV_LUD l2(a);
    QV_Array<float> rhs(3), sol;
    rhs[0] = 0.0f;
    rhs[1] = 0.0f;
    rhs[2] = 1.0f;
    ASSERT_TRUE(l2.Solve(rhs, sol));
    const std::vector<double> ref = reference::Solve(reference::FromQV(a), {0, 0, 1});
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(sol[i], ref[i], 1e-6);
}

TEST(QV_LUD, AgreesWithEigenOnRandomSystems)
{
    std::mt19937 rng(11);
    for (int n : {1, 2, 4, 7, 20}) {
        QV_Matrix a = RandomMatrix(n, n, rng, 1, 1);
        for (int i = 1; i <= n; ++i) a(i, i) += 2.0f;  // keep well away from singular
        QV_Array<float> b(n), x;
        for (int i = 0; i < n; ++i) b[i] = static_cast<float>(i) - 1.5f;
        QV_LUD lud(a);
        ASSERT_TRUE(lud.Solve(b, x));
        const reference::Matrix m = reference::FromQV(a);
        const std::vector<double> ref = reference::Solve(m, Doubles(b));
        for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], ref[i], 1e-5 * (1.0 + std::fabs(ref[i]))) << "n=" << n;
        const double det = reference::Determinant(m);
        EXPECT_NEAR(lud.Determinant(), det, 1e-5 * std::fabs(det)) << "n=" << n;
    }
}

TEST(QV_LUD, RefusesNonSquareAndMismatchedRightHandSide)
{
    QV_LUD lud;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(lud.Decompose(QV_Matrix(2, 3)));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    QV_LUD ok(FromRows({{2, 0}, {0, 2}}));
    QV_Array<float> b(3), x;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ok.Solve(b, x));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}

// A singular matrix is refused with its message; the program goes on.
TEST(QV_LUD, SingularInputIsRefusedWithItsMessage)
{
    const std::pair<QV_Matrix, std::string> cases[] = {
        {FromRows({{1, 2}, {0, 0}}), "QV_LUD::Decompose() Error! : All elements in matrix are zero!"},
        {FromRows({{1e-20f, 0}, {0, 1e-20f}}), "QV_LUD::Decompose() Error! Determinant too small!"}};
    for (const auto& [m, message] : cases) {
        QV_LUD lud;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(lud.Decompose(m));
        EXPECT_NE(testing::internal::GetCapturedStderr().find(message), std::string::npos);
    }
}

TEST(QV_SVD, ReconstructsAndIsOrthonormalAgainstEigen)
{
    std::mt19937 rng(3);
    const std::pair<int, int> shapes[] = {{1, 1}, {3, 3}, {6, 4}, {4, 6}, {30, 10}, {12, 12}};
    for (auto [m, n] : shapes) {
        QV_Matrix a = RandomMatrix(m, n, rng, m % 2, n % 2);
        QV_SVD svd(a);
        ASSERT_EQ(svd.U().Rows(), m);
        ASSERT_EQ(svd.U().Cols(), n);
        ASSERT_EQ(svd.V().Rows(), n);
        ASSERT_EQ(svd.W().Count(), n);
        EXPECT_EQ(svd.U().RowLow(), 0);
        EXPECT_EQ(svd.W().Low(), 0);
        const reference::Matrix u = reference::FromQV(svd.U()), v = reference::FromQV(svd.V());
        const std::vector<double> w = Doubles(svd.W());
        for (int k = 0; k < n; ++k) EXPECT_GE(w[k], 0.0);
        const reference::Matrix ref = reference::FromQV(a);
        const double scale = reference::Norm(ref);
        const reference::Matrix back =
            reference::Multiply(reference::Multiply(u, reference::Diagonal(w)), reference::Transpose(v));
        EXPECT_LT(reference::Distance(back, ref), 1e-5 * scale) << m << "x" << n;
        EXPECT_LT(reference::OrthonormalityError(v), 1e-5 * n) << m << "x" << n;
        // Columns of u belonging to non-zero values are orthonormal.
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                if (w[j] == 0 || w[k] == 0) continue;
                double dot = 0.0;
                for (int i = 0; i < m; ++i) dot += u(i, j) * u(i, k);
                EXPECT_NEAR(dot, j == k ? 1.0 : 0.0, 1e-5) << m << "x" << n;
            }
        std::vector<double> mine = w;
        std::sort(mine.rbegin(), mine.rend());
        const std::vector<double> sv = reference::SingularValues(ref);
        for (size_t k = 0; k < sv.size(); ++k) EXPECT_NEAR(mine[k], sv[k], 1e-5 * sv[0]);
    }
}

TEST(QV_SVD, RankDeficientMatrixGetsExactZeros)
{
    // Rank 2: the third column is the sum of the first two, the fourth is zero.
    QV_Matrix a = FromRows({{1, 2, 3, 0}, {4, 5, 9, 0}, {7, 8, 15, 0}, {1, 0, 1, 0}, {2, 2, 4, 0}});
    QV_SVD svd(a);
    int zeros = 0, positive = 0;
    for (float x : svd.W()) (x == 0.0f ? zeros : positive)++;
    EXPECT_EQ(zeros, 2);
    EXPECT_EQ(positive, 2);
    const reference::Matrix back = reference::Multiply(
        reference::Multiply(reference::FromQV(svd.U()), reference::Diagonal(Doubles(svd.W()))),
        reference::Transpose(reference::FromQV(svd.V())));
    EXPECT_LT(reference::Distance(back, reference::FromQV(a)), 1e-4);
}

TEST(QV_SVD, BackSubstituteGivesLeastSquaresSolution)
{
    std::mt19937 rng(5);
    QV_Matrix a = RandomMatrix(8, 3, rng);
    QV_Array<float> b(1, 8), x;
    for (int i = 1; i <= 8; ++i) b[i] = static_cast<float>(i % 3) - 0.5f;
    QV_SVD svd(a);
    ASSERT_TRUE(svd.BackSubstitute(b, x));
    ASSERT_EQ(x.Count(), 3);
    const std::vector<double> ref = reference::LeastSquares(reference::FromQV(a), Doubles(b));
    const double norm = reference::Norm(reference::Column(ref));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(x[i], ref[i], 1e-5 * (1 + norm));

    // A zero singular value contributes nothing: the minimum-norm solution.
    QV_SVD diag(FromRows({{2, 0}, {0, 0}}));
    QV_Array<float> rhs(2), sol;
    rhs[0] = 4.0f;
    rhs[1] = 3.0f;
    ASSERT_TRUE(diag.BackSubstitute(rhs, sol));
    EXPECT_FLOAT_EQ(sol[0], 2.0f);
    EXPECT_FLOAT_EQ(sol[1], 0.0f);

    QV_Array<float> wrong(5);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(diag.BackSubstitute(wrong, sol));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}

TEST(QV_SVD, EmptyAndNonFiniteInput)
{
    QV_SVD svd;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(svd.Decompose(QV_Matrix()));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    // A zero matrix decomposes into zero values with finite factors.
    QV_Matrix zero(3, 2);
    zero.Fill(0.0f);
    ASSERT_TRUE(svd.Decompose(zero));
    for (float x : svd.W()) EXPECT_EQ(x, 0.0f);
    for (float x : svd.U().Elements()) EXPECT_TRUE(std::isfinite(x));
    for (float x : svd.V().Elements()) EXPECT_TRUE(std::isfinite(x));
    QV_Array<float> b(3), x;
    b.Fill(1.0f);
    ASSERT_TRUE(svd.BackSubstitute(b, x));
    EXPECT_EQ(x[0], 0.0f);
    EXPECT_EQ(x[1], 0.0f);

    // Must come back (no endless loop, no read outside the arrays).
    QV_Matrix bad = FromRows({{1, 2}, {3, std::nanf("")}});
    EXPECT_TRUE(svd.Decompose(bad));
    EXPECT_EQ(svd.W().Count(), 2);
}
