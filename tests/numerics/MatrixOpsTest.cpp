#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "EigenReference.h"
#include "QV_MatrixOps.h"

namespace {

QV_Matrix Random(int rl, int rh, int cl, int ch, std::mt19937& rng)
{
    std::uniform_real_distribution<float> u(-2.0f, 2.0f);
    QV_Matrix a(rl, rh, cl, ch);
    for (float& x : a.Elements()) x = u(rng);
    return a;
}

using reference::FromQV;

QV_Array<float> Vec(std::initializer_list<float> v, int low = 0)
{
    QV_Array<float> a(low, low + static_cast<int>(v.size()) - 1);
    int i = low;
    for (float x : v) a[i++] = x;
    return a;
}

}  // namespace

TEST(QV_MatrixOps, ProductsAndTransposeMatchEigenForAnyBounds)
{
    std::mt19937 rng(1);
    QV_Matrix a = Random(1, 3, 1, 4, rng);   // 3 x 4, 1-based
    QV_Matrix b = Random(0, 3, 2, 6, rng);   // 4 x 5, columns from 2
    QV_Matrix p = QV_Multiply(a, b);
    ASSERT_EQ(p.Rows(), 3);
    ASSERT_EQ(p.Cols(), 5);
    EXPECT_EQ(p.RowLow(), 0);
    EXPECT_EQ(p.ColLow(), 0);
    EXPECT_LT(reference::Distance(FromQV(p), reference::Multiply(FromQV(a), FromQV(b))), 1e-5);

    QV_Matrix t = QV_Transpose(a);
    ASSERT_EQ(t.Rows(), 4);
    ASSERT_EQ(t.Cols(), 3);
    EXPECT_EQ(reference::Distance(FromQV(t), reference::Transpose(FromQV(a))), 0.0);

    QV_Array<float> v = Vec({1, -2, 0.5f, 3}, 1);
    const reference::Matrix aRef = reference::Multiply(FromQV(a), reference::Column({1, -2, 0.5, 3}));
    QV_Array<float> av = QV_Multiply(a, v);
    ASSERT_EQ(av.Count(), 3);
    EXPECT_EQ(av.Low(), 0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(av[i], aRef(i, 0), 1e-5);

    // Rows are taken four at a time with the rest one by one: 9 rows use both.
    QV_Matrix tall = Random(1, 9, 1, 6, rng);
    QV_Array<float> x = Vec({0.5f, -1, 2, 0.25f, -3, 1}, 1);
    const reference::Matrix tallRef = reference::Multiply(FromQV(tall), reference::Column({0.5, -1, 2, 0.25, -3, 1}));
    QV_Array<float> tx = QV_Multiply(tall, x);
    ASSERT_EQ(tx.Count(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(tx[i], tallRef(i, 0), 1e-5) << i;

    QV_Array<float> w = Vec({2, 0, -1});
    QV_Array<float> atw = QV_MultiplyTransposed(a, w);
    ASSERT_EQ(atw.Count(), 4);
    const reference::Matrix ref = reference::Multiply(reference::Transpose(FromQV(a)), reference::Column({2, 0, -1}));
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(atw[j], ref(j, 0), 1e-5);

    QV_Array<float> col = QV_Column(a, 2);  // the second column of a 1-based matrix
    ASSERT_EQ(col.Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(col[i], a(i + 1, 2));
}

TEST(QV_MatrixOps, MismatchedSizesGiveEmptyResultsWithAMessage)
{
    QV_Matrix a(2, 3), b(2, 3);
    a.Fill(1.0f);
    b.Fill(1.0f);
    QV_Array<float> v2(2), v3(3);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(QV_Multiply(a, b).Empty());
    EXPECT_EQ(QV_Multiply(a, v2).Count(), 0);
    EXPECT_EQ(QV_MultiplyTransposed(a, v3).Count(), 0);
    EXPECT_EQ(QV_Column(a, 3).Count(), 0);
    EXPECT_EQ(QV_Add(v2, v3).Count(), 0);
    EXPECT_EQ(QV_Subtract(v2, v3).Count(), 0);
    EXPECT_EQ(QV_Dot(v2, v3), 0.0f);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("QV_Multiply() Error!"), std::string::npos);
    EXPECT_NE(err.find("QV_Dot() Error!"), std::string::npos);
}

TEST(QV_MatrixOps, VectorOperations)
{
    QV_Array<float> a = Vec({3, -4}, 1), b = Vec({1, 2});
    QV_Array<float> s = QV_Add(a, b);
    EXPECT_EQ(s.Low(), 0);
    EXPECT_FLOAT_EQ(s[0], 4.0f);
    EXPECT_FLOAT_EQ(s[1], -2.0f);
    QV_Array<float> d = QV_Subtract(a, b);
    EXPECT_FLOAT_EQ(d[1], -6.0f);
    EXPECT_FLOAT_EQ(QV_Multiply(a, 2.0f)[1], -8.0f);
    EXPECT_FLOAT_EQ(QV_Divide(a, 2.0f)[0], 1.5f);
    EXPECT_FLOAT_EQ(QV_Sum(a), -1.0f);
    EXPECT_FLOAT_EQ(QV_Mean(a), -0.5f);
    EXPECT_FLOAT_EQ(QV_SumAbs(a), 7.0f);
    EXPECT_FLOAT_EQ(QV_Norm(a), 5.0f);
    EXPECT_FLOAT_EQ(QV_Dot(a, b), -5.0f);
    EXPECT_EQ(QV_Mean(QV_Array<float>()), 0.0f);

    QV_Array<float> n = a;
    QV_Normalise(n);
    EXPECT_FLOAT_EQ(n[0], 0.6f);
    EXPECT_FLOAT_EQ(n[1], -0.8f);
    QV_Array<float> z = Vec({0, 0, 0});
    QV_Normalise(z);
    for (float x : z) EXPECT_EQ(x, 0.0f);  // not NaN

    // Tiny values must not underflow to a zero norm.
    QV_Array<float> tiny = Vec({3e-30f, 4e-30f});
    EXPECT_NEAR(QV_Norm(tiny), 5e-30f, 1e-35f);
    QV_Normalise(tiny);
    EXPECT_NEAR(tiny[0], 0.6f, 1e-6f);
}

TEST(QV_MatrixOps, RotationMatrix2D)
{
    struct Case {
        float degrees, c, s;
    } cases[] = {{0, 1, 0}, {90, 0, 1}, {180, -1, 0}, {-30, std::sqrt(3.0f) / 2, -0.5f}};
    for (const Case& k : cases) {
        QV_Matrix r = QV_RotationMatrix2D(k.degrees);
        ASSERT_EQ(r.Rows(), 2);
        ASSERT_EQ(r.Cols(), 2);
        EXPECT_NEAR(r(0, 0), k.c, 1e-6f) << k.degrees;
        EXPECT_NEAR(r(0, 1), k.s, 1e-6f) << k.degrees;
        EXPECT_NEAR(r(1, 0), -k.s, 1e-6f) << k.degrees;
        EXPECT_NEAR(r(1, 1), k.c, 1e-6f) << k.degrees;
    }
}

TEST(QV_MatrixOps, PythagAvoidsOverflowAndUnderflow)
{
    EXPECT_FLOAT_EQ(QV_Pythag(3e30f, 4e30f), 5e30f);
    EXPECT_FLOAT_EQ(QV_Pythag(-3e-30f, 4e-30f), 5e-30f);
    EXPECT_EQ(QV_Pythag(0.0f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(QV_Pythag(std::numeric_limits<float>::max(), 1.0f), std::numeric_limits<float>::max());
}
