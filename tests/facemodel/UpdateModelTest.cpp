// The update model: the correction it gives for a residual and its file form.
#include <gtest/gtest.h>

#include "QV_BinaryIO.h"
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

QV_UpdateModel Model(QV_Array<float> w)
{
    QV_UpdateModel m;
    m.Set(2.5e-6f, MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6}), w, MakeMatrix(2, 2, {1, -1, 2, 3}));
    return m;
}

}  // namespace

TEST(UpdateModel, AppliesUTransposeThenWeightsThenV)
{
    // r = (1, 0, -1): U^T r = (-4, -4). With w = (2, 0.5): tmp = (-2, -8),
    // delta = V tmp = (6, -28). A zero singular value contributes nothing.
    struct Case {
        float w1, delta0, delta1;
    };
    for (const Case c : {Case{0.5f, 6.0f, -28.0f}, Case{0.0f, -2.0f, -4.0f}}) {
        QV_UpdateModel m = Model(MakeArray({2.0f, c.w1}));
        QV_Array<float> delta;
        ASSERT_TRUE(m.Apply(MakeArray({1.0f, 0.0f, -1.0f}), delta));
        ASSERT_EQ(delta.Count(), 2);
        EXPECT_FLOAT_EQ(delta[0], c.delta0);
        EXPECT_FLOAT_EQ(delta[1], c.delta1);
    }
    // A residual of the wrong length is refused and the output left alone.
    QV_Array<float> untouched = MakeArray({7.0f});
    EXPECT_FALSE(Model(MakeArray({2.0f, 0.5f})).Apply(MakeArray({1.0f, 2.0f}), untouched));
    EXPECT_EQ(untouched[0], 7.0f);
}

TEST(UpdateModel, FileFormRoundTripsAndRejectsBadRecords)
{
    visagen_test::TempDir dir;
    auto write = [&](const QV_UpdateModel& m, const std::string& name) {
        QV_File f = QV_OpenFile(dir.File(name).c_str(), "wb");
        EXPECT_TRUE(m.Write(f.get()));
    };
    auto read = [&](QV_UpdateModel& m, const std::string& name) {
        QV_File f = QV_OpenFile(dir.File(name).c_str(), "rb");
        return m.Read(f.get());
    };
    write(Model(MakeArray({2.0f, 0.5f})), "u.bin");
    QV_UpdateModel back;
    ASSERT_TRUE(read(back, "u.bin"));
    EXPECT_EQ(back.Tolerance(), 2.5e-6f);
    EXPECT_EQ(back.ResidualSize(), 3);
    EXPECT_EQ(back.ParameterCount(), 2);
    write(back, "v.bin");
    EXPECT_EQ(visagen_test::ReadFileBytes(dir.File("u.bin")), visagen_test::ReadFileBytes(dir.File("v.bin")));

    // Three singular values do not fit U's two columns.
    write(Model(MakeArray({1, 2, 3})), "bad.bin");
    EXPECT_FALSE(read(back, "bad.bin"));
    EXPECT_EQ(back.ResidualSize(), 0);

    const size_t size = visagen_test::ReadFileBytes(dir.File("u.bin")).size();
    for (size_t n : {size_t{0}, size_t{3}, size_t{20}, size / 2, size - 1}) {
        visagen_test::WriteTruncated(dir.File("u.bin"), dir.File("t.bin"), n);
        QV_UpdateModel cut;
        EXPECT_FALSE(read(cut, "t.bin")) << n;
    }
}
