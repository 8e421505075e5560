#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <random>
#include <string>

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

Eigen::MatrixXd ToEigen(const QV_Matrix& a)
{
    Eigen::MatrixXd r(a.Rows(), a.Cols());
    for (int i = 0; i < a.Rows(); ++i)
        for (int j = 0; j < a.Cols(); ++j) r(i, j) = a(a.RowLow() + i, a.ColLow() + j);
    return r;
}

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
    Eigen::VectorXd ref = ToEigen(a).lu().solve(Eigen::Vector3d(0, 0, 1));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(sol[i], ref(i), 1e-6);
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
        Eigen::MatrixXd m = ToEigen(a);
        Eigen::VectorXd eb(n);
        for (int i = 0; i < n; ++i) eb(i) = b[i];
        Eigen::VectorXd ref = m.partialPivLu().solve(eb);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], ref(i), 1e-5 * (1.0 + std::fabs(ref(i)))) << "n=" << n;
        EXPECT_NEAR(lud.Determinant(), m.determinant(), 1e-5 * std::fabs(m.determinant())) << "n=" << n;
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
        Eigen::MatrixXd u = ToEigen(svd.U()), v = ToEigen(svd.V());
        Eigen::VectorXd w(n);
        for (int k = 0; k < n; ++k) {
            EXPECT_GE(svd.W()[k], 0.0f);
            w(k) = svd.W()[k];
        }
        Eigen::MatrixXd ref = ToEigen(a);
        double scale = ref.norm();
        EXPECT_LT((u * w.asDiagonal() * v.transpose() - ref).norm(), 1e-5 * scale) << m << "x" << n;
        EXPECT_LT((v.transpose() * v - Eigen::MatrixXd::Identity(n, n)).norm(), 1e-5 * n) << m << "x" << n;
        // Columns of u belonging to non-zero values are orthonormal.
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                if (w(j) == 0 || w(k) == 0) continue;
                EXPECT_NEAR(u.col(j).dot(u.col(k)), j == k ? 1.0 : 0.0, 1e-5) << m << "x" << n;
            }
        std::vector<double> mine(w.data(), w.data() + n);
        std::sort(mine.rbegin(), mine.rend());
        Eigen::VectorXd sv = Eigen::JacobiSVD<Eigen::MatrixXd>(ref).singularValues();
        for (int k = 0; k < sv.size(); ++k) EXPECT_NEAR(mine[static_cast<size_t>(k)], sv(k), 1e-5 * sv(0));
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
    Eigen::MatrixXd w = Eigen::MatrixXd::Zero(4, 4);
    for (int k = 0; k < 4; ++k) w(k, k) = svd.W()[k];
    Eigen::MatrixXd back = ToEigen(svd.U()) * w * ToEigen(svd.V()).transpose();
    EXPECT_LT((back - ToEigen(a)).norm(), 1e-4);
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
    Eigen::VectorXd eb(8);
    for (int i = 0; i < 8; ++i) eb(i) = b[i + 1];
    Eigen::VectorXd ref = ToEigen(a).colPivHouseholderQr().solve(eb);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(x[i], ref(i), 1e-5 * (1 + ref.norm()));

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
