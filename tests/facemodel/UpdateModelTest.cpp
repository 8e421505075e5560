// The update model: the correction it gives for a residual and its file form.
#include <gtest/gtest.h>

#include <cstdio>

#include "QV_BinaryIO.h"
#include "QV_SVD.h"
#include "QV_UpdateModel.h"
#include "TestSupport.h"

namespace {

QV_Matrix MakeMatrix(int rows, int cols, std::initializer_list<float> values)
{
    QV_Matrix m(rows, cols);
    auto it = values.begin();
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) m(i, j) = *it++;
    return m;
}

QV_Array<float> MakeArray(std::initializer_list<float> values)
{
    QV_Array<float> a(static_cast<int>(values.size()));
    int i = 0;
    for (float v : values) a[i++] = v;
    return a;
}

}  // namespace

TEST(UpdateModel, AppliesUTransposeThenWeightsThenV)
{
    // U is 3 x 2, w = (2, 0.5), V is 2 x 2.
    QV_UpdateModel m;
    m.Set(1e-6f, MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6}), MakeArray({2.0f, 0.5f}), MakeMatrix(2, 2, {1, -1, 2, 3}));
    QV_Array<float> r = MakeArray({1.0f, 0.0f, -1.0f});
    // tmp0 = (1 - 5) / 2 = -2, tmp1 = (2 - 6) / 0.5 = -8
    // delta0 = 1 * -2 + -1 * -8 = 6, delta1 = 2 * -2 + 3 * -8 = -28
    QV_Array<float> delta;
    ASSERT_TRUE(m.Apply(r, delta));
    ASSERT_EQ(delta.Count(), 2);
    EXPECT_FLOAT_EQ(delta[0], 6.0f);
    EXPECT_FLOAT_EQ(delta[1], -28.0f);
}

TEST(UpdateModel, ZeroSingularValueContributesNothing)
{
    QV_UpdateModel m;
    m.Set(1e-6f, MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6}), MakeArray({2.0f, 0.0f}), MakeMatrix(2, 2, {1, -1, 2, 3}));
    QV_Array<float> r = MakeArray({1.0f, 0.0f, -1.0f});
    QV_Array<float> delta;
    ASSERT_TRUE(m.Apply(r, delta));
    EXPECT_FLOAT_EQ(delta[0], -2.0f);
    EXPECT_FLOAT_EQ(delta[1], -4.0f);
}

TEST(UpdateModel, ResidualBoundsDoNotMatterButLengthDoes)
{
    QV_UpdateModel m;
    m.Set(1e-6f, MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6}), MakeArray({2.0f, 0.5f}), MakeMatrix(2, 2, {1, -1, 2, 3}));
    QV_Array<float> oneBased(1, 3);
    oneBased[1] = 1.0f;
    oneBased[2] = 0.0f;
    oneBased[3] = -1.0f;
    QV_Array<float> delta;
    ASSERT_TRUE(m.Apply(oneBased, delta));
    EXPECT_FLOAT_EQ(delta[0], 6.0f);

    QV_Array<float> tooShort = MakeArray({1.0f, 2.0f});
    QV_Array<float> untouched = MakeArray({7.0f});
    EXPECT_FALSE(m.Apply(tooShort, untouched));
    ASSERT_EQ(untouched.Count(), 1);
    EXPECT_EQ(untouched[0], 7.0f);
}

TEST(UpdateModel, FromSVDInvertsTheDecomposedMatrix)
{
    // An invertible 3 x 3 matrix: applying its decomposition to A·x gives x.
    QV_Matrix a = MakeMatrix(3, 3, {2, 1, 0, 1, 3, 1, 0, 1, 4});
    QV_SVD svd(a);
    QV_UpdateModel m;
    m.SetFromSVD(svd);
    QV_Array<float> x = MakeArray({1.0f, -2.0f, 0.5f});
    QV_Array<float> ax(3);
    for (int i = 0; i < 3; ++i) ax[i] = a(i, 0) * x[0] + a(i, 1) * x[1] + a(i, 2) * x[2];
    QV_Array<float> delta;
    ASSERT_TRUE(m.Apply(ax, delta));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(delta[i], x[i], 1e-4f);
}

TEST(UpdateModel, FileFormRoundTripsAndRejectsMismatchedParts)
{
    visagen_test::TempDir dir;
    QV_UpdateModel m;
    m.Set(2.5e-6f, MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6}), MakeArray({2.0f, 0.5f}), MakeMatrix(2, 2, {1, -1, 2, 3}));
    {
        QV_File f = QV_OpenFile(dir.File("u.bin").c_str(), "wb");
        ASSERT_TRUE(m.Write(f.get()));
    }
    QV_UpdateModel back;
    {
        QV_File f = QV_OpenFile(dir.File("u.bin").c_str(), "rb");
        ASSERT_TRUE(back.Read(f.get()));
    }
    EXPECT_EQ(back.Tolerance(), 2.5e-6f);
    EXPECT_EQ(back.ResidualSize(), 3);
    EXPECT_EQ(back.ParameterCount(), 2);
    {
        QV_File f = QV_OpenFile(dir.File("v.bin").c_str(), "wb");
        ASSERT_TRUE(back.Write(f.get()));
    }
    EXPECT_EQ(visagen_test::ReadFileBytes(dir.File("u.bin")), visagen_test::ReadFileBytes(dir.File("v.bin")));

    // w with three values does not fit U's two columns.
    QV_UpdateModel bad;
    bad.Set(1e-6f, MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6}), MakeArray({1, 2, 3}), MakeMatrix(2, 2, {1, 0, 0, 1}));
    {
        QV_File f = QV_OpenFile(dir.File("bad.bin").c_str(), "wb");
        ASSERT_TRUE(bad.Write(f.get()));
    }
    QV_File f = QV_OpenFile(dir.File("bad.bin").c_str(), "rb");
    EXPECT_FALSE(back.Read(f.get()));
    EXPECT_EQ(back.ResidualSize(), 0);

    const auto bytes = visagen_test::ReadFileBytes(dir.File("u.bin"));
    for (size_t n : {size_t{0}, size_t{3}, size_t{20}, bytes.size() / 2, bytes.size() - 1}) {
        visagen_test::WriteTruncated(dir.File("u.bin"), dir.File("t.bin"), n);
        QV_File t = QV_OpenFile(dir.File("t.bin").c_str(), "rb");
        QV_UpdateModel cut;
        EXPECT_FALSE(cut.Read(t.get())) << n;
    }
}
