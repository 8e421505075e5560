#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "QV_Array.h"
#include "QV_Array2D.h"
#include "BinaryFormTest.h"

using namespace numerics_test;
using visagen_test::TempDir;

TEST(QV_Array, ResizeWithSameCountMovesBoundsAndKeepsElements)
{
    QV_Array<float> a(3);
    a[0] = 1.0f;
    a[1] = 2.0f;
    a[2] = 3.0f;
    float* storage = a.Data();
    a.Resize(1, 3);
    EXPECT_EQ(a.Data(), storage);
    EXPECT_EQ(a.Low(), 1);
    EXPECT_EQ(a.High(), 3);
    EXPECT_FLOAT_EQ(a[1], 1.0f);
    EXPECT_FLOAT_EQ(a[3], 3.0f);
    a.Resize(0, -1);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.Low(), 0);
    EXPECT_EQ(a.High(), -1);
    EXPECT_EQ(a.Data(), nullptr);
}

TEST(QV_Array, ResizeToOtherCountAndAssignment)
{
    QV_Array<int> a(1, 4);
    for (int i = 1; i <= 4; ++i) a[i] = i * 10;
    a.Resize(7);
    EXPECT_EQ(a.Count(), 7);
    EXPECT_EQ(a.Low(), 0);
    EXPECT_EQ(a.High(), 6);

    QV_Array<int> src(5, 7);
    src[5] = 1;
    src[6] = 2;
    src[7] = 3;
    QV_Array<int> dst(2);
    dst = src;  // target takes the count with range 0..count-1
    ASSERT_EQ(dst.Count(), 3);
    EXPECT_EQ(dst.Low(), 0);
    EXPECT_EQ(dst.High(), 2);
    EXPECT_EQ(dst[0], 1);
    EXPECT_EQ(dst[2], 3);
    dst[0] = 99;
    EXPECT_EQ(src[5], 1);
}

TEST(QV_Array, TextForm)
{
    QV_Array<float> a(1, 3);
    a[1] = 1.5f;
    a[2] = -2.0f;
    a[3] = 1.0f / 3.0f;
    std::ostringstream os;
    os << a;
    EXPECT_EQ(os.str(), " QV_Array( 1 3 ) 1.5 -2 0.333333\n");
    std::ostringstream empty;
    empty << QV_Array<int>();
    EXPECT_EQ(empty.str(), " QV_Array( 0 -1 )\n");
}

TEST(QV_Array, BinaryRoundTripIsByteExact)
{
    TempDir dir;
    QV_Array<float> a(-1, 1);
    a[-1] = 0.5f;
    a[0] = -3.0f;
    a[1] = 1e-20f;
    Bytes bytes = WriteObject(dir, a);
    Bytes expected;
    Put64(expected, 3);
    Put64(expected, -1);
    Put64(expected, 1);
    PutFloats(expected, {0.5f, -3.0f, 1e-20f});
    EXPECT_EQ(bytes, expected);

    QV_Array<float> back;
    ASSERT_TRUE(ReadObject(dir, bytes, back));
    EXPECT_EQ(back.Low(), -1);
    EXPECT_EQ(back.High(), 1);
    EXPECT_EQ(back[1], 1e-20f);
    EXPECT_EQ(WriteObject(dir, back), bytes);

    QV_Array<int> empty;
    Bytes e = WriteObject(dir, empty);
    EXPECT_EQ(e.size(), 24u);
    QV_Array<int> emptyBack(4);
    ASSERT_TRUE(ReadObject(dir, e, emptyBack));
    EXPECT_EQ(emptyBack.Count(), 0);
}

TEST(QV_Array, LargeArraysBehaveLikeSmallOnesThroughCopiesSwapsAndFiles)
{
    // Arrays of a few megabytes take other storage than small ones; values,
    // bounds and ownership must not notice (the sanitizer build also checks
    // that each storage is released the way it was taken).
    const int n = static_cast<int>(kQV_LargeBufferBytes / sizeof(float)) + 3;
    QV_Array<float> big(1, n);
    for (int i = 1; i <= n; ++i) big[i] = static_cast<float>(i % 1000) * 0.5f;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(big.Data()) % 64, 0u);

    QV_Array<float> copy(big);
    EXPECT_EQ(copy.Low(), 0);
    EXPECT_EQ(copy[n - 1], big[n]);
    QV_Array<float> small(2);
    small[0] = 7.0f;
    small.Swap(copy);  // large and small storage change owners
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy[0], 7.0f);
    EXPECT_EQ(small.Count(), n);
    EXPECT_EQ(small[12345], big[12346]);
    small.Resize(5);  // large storage given back for small
    EXPECT_EQ(small.Count(), 5);
    copy.Resize(0, n - 1);  // and small for large
    copy.Fill(1.5f);
    EXPECT_EQ(copy[n - 1], 1.5f);

    TempDir dir;
    Bytes bytes = WriteObject(dir, big);
    QV_Array<float> back(3);
    ASSERT_TRUE(ReadObject(dir, bytes, back));
    ASSERT_EQ(back.Count(), n);
    EXPECT_EQ(back.Low(), 1);
    for (int i : {1, 2, n / 2, n}) EXPECT_EQ(back[i], big[i]) << i;
    QV_Array<float> moved(std::move(back));
    EXPECT_EQ(moved[n], big[n]);
    EXPECT_TRUE(back.Empty());
}

TEST(QV_Array, CorruptBinaryInputFailsAndLeavesTheArrayAlone)
{
    TempDir dir;
    QV_Array<float> good(0, 3);
    for (int i = 0; i < 4; ++i) good[i] = static_cast<float>(i);
    Bytes whole = WriteObject(dir, good);

    auto header = [](int64_t n, int64_t lo, int64_t hi) {
        Bytes b;
        Put64(b, n);
        Put64(b, lo);
        Put64(b, hi);
        return b;
    };
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases = {
        {"empty file", {}},
        {"count cut short", Bytes(whole.begin(), whole.begin() + 5)},
        {"bounds cut short", Bytes(whole.begin(), whole.begin() + 20)},
        {"no elements", Bytes(whole.begin(), whole.begin() + 24)},
        {"last element cut short", Bytes(whole.begin(), whole.end() - 1)},
        {"huge range, no data", header(INT32_MAX, 0, INT32_MAX - 1)},
        {"widest range", header(int64_t(1) << 32, INT32_MIN, INT32_MAX)},
        {"count disagrees with bounds", header(2, 0, 3)},
        {"negative count", header(-4, 0, -5)},
        {"inverted bounds with a count", header(4, 3, 0)},
        {"bounds beyond 32 bits", header(4, int64_t(1) << 40, (int64_t(1) << 40) + 3)},
        {"garbage", Bytes(40, 0xFF)},
    };
    for (const Case& c : cases) {
        QV_Array<float> a(1, 2);
        a[1] = 7.0f;
        EXPECT_FALSE(ReadObject(dir, c.bytes, a)) << c.what;
        EXPECT_EQ(a.Low(), 1) << c.what;
        EXPECT_EQ(a.Count(), 2) << c.what;
        EXPECT_EQ(a[1], 7.0f) << c.what;
    }
}

TEST(QV_Array2D, OneBasedAndZeroBasedShareLayout)
{
    QV_Array2D<float> m(1, 3, 1, 3);
    for (int i = 0; i < 9; ++i) m.Data()[i] = static_cast<float>(i);
    EXPECT_FLOAT_EQ(m(1, 1), 0.0f);
    EXPECT_FLOAT_EQ(m(2, 3), 5.0f);
    EXPECT_EQ(m.Row(2), m.Data() + 3);
    m.Resize(1, 3, 1, 3);
    EXPECT_FLOAT_EQ(m(3, 3), 8.0f);
    // Same element count, other bounds: contents kept, now reached from 0.
    m.Resize(0, 2, 0, 2);
    EXPECT_FLOAT_EQ(m(0, 0), 0.0f);
    EXPECT_FLOAT_EQ(m(1, 2), 5.0f);
    m.Resize(0, 0);
    EXPECT_TRUE(m.Empty());
    EXPECT_EQ(m.RowLow(), 0);
    EXPECT_EQ(m.RowHigh(), -1);
    EXPECT_EQ(m.ColHigh(), -1);
}

TEST(QV_Array2D, CopyTakesBoundsAndIsIndependent)
{
    QV_Array2D<int> a(2, 3, 5, 6);
    a(2, 5) = 1;
    a(3, 6) = 4;
    QV_Array2D<int> b;
    b = a;
    EXPECT_EQ(b.RowLow(), 2);
    EXPECT_EQ(b.ColLow(), 5);
    EXPECT_EQ(b(3, 6), 4);
    b(2, 5) = 9;
    EXPECT_EQ(a(2, 5), 1);
    QV_Array2D<int> c(b);
    EXPECT_EQ(c(2, 5), 9);
    EXPECT_NE(c.Row(2), b.Row(2));
}

TEST(QV_Array2D, BinaryRoundTripIsByteExact)
{
    TempDir dir;
    QV_Matrix m(1, 2, 0, 2);
    for (int i = 0; i < 6; ++i) m.Data()[i] = static_cast<float>(i) - 2.5f;
    Bytes bytes = WriteObject(dir, m);
    Bytes expected;
    Put32(expected, 1);
    Put32(expected, 2);
    Put32(expected, 0);
    Put32(expected, 2);
    Put64(expected, 6);
    Put64(expected, 0);
    Put64(expected, 5);
    PutFloats(expected, {-2.5f, -1.5f, -0.5f, 0.5f, 1.5f, 2.5f});
    EXPECT_EQ(bytes, expected);

    QV_Matrix back;
    ASSERT_TRUE(ReadObject(dir, bytes, back));
    EXPECT_EQ(back.RowLow(), 1);
    EXPECT_EQ(back.ColHigh(), 2);
    EXPECT_EQ(back(2, 2), 2.5f);
    EXPECT_EQ(WriteObject(dir, back), bytes);

    QV_Matrix empty;
    Bytes e = WriteObject(dir, empty);
    QV_Matrix eb(2, 2);
    ASSERT_TRUE(ReadObject(dir, e, eb));
    EXPECT_TRUE(eb.Empty());

    QV_GreyImage g(2, 3);
    for (int i = 0; i < 6; ++i) g.Data()[i] = static_cast<unsigned char>(250 + i);
    Bytes gb = WriteObject(dir, g);
    EXPECT_EQ(gb.size(), 16u + 24u + 6u);
    QV_GreyImage gback;
    ASSERT_TRUE(ReadObject(dir, gb, gback));
    EXPECT_EQ(gback(1, 2), 255);
}

TEST(QV_Array2D, CorruptBinaryInputFails)
{
    TempDir dir;
    QV_Matrix m(2, 2);
    m.Fill(1.0f);
    Bytes whole = WriteObject(dir, m);

    auto record = [](int32_t r0, int32_t r1, int32_t c0, int32_t c1, int64_t n, int64_t lo, int64_t hi) {
        Bytes b;
        for (int32_t v : {r0, r1, c0, c1}) Put32(b, static_cast<uint32_t>(v));
        Put64(b, n);
        Put64(b, lo);
        Put64(b, hi);
        return b;
    };
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes mismatch = record(0, 2, 0, 2, 4, 0, 3);  // 3 x 3 bounds, 4 elements
    PutFloats(mismatch, {1, 2, 3, 4});
    Bytes inverted = record(2, 0, 0, 1, 2, 0, 1);
    PutFloats(inverted, {1, 2});
    Bytes extreme = record(INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, 1, 0, 0);
    PutFloats(extreme, {1});
    std::vector<Case> cases = {
        {"empty file", {}},
        {"bounds cut short", Bytes(whole.begin(), whole.begin() + 10)},
        {"element header cut short", Bytes(whole.begin(), whole.begin() + 30)},
        {"elements cut short", Bytes(whole.begin(), whole.end() - 3)},
        {"huge element count", record(0, 46339, 0, 46339, int64_t(46340) * 46340, 0, int64_t(46340) * 46340 - 1)},
        {"bounds disagree with element count", mismatch},
        {"inverted row bounds", inverted},
        {"extreme bounds", extreme},
        {"garbage", Bytes(64, 0xA5)},
    };
    for (const Case& c : cases) {
        QV_Matrix target(3, 3);
        EXPECT_FALSE(ReadObject(dir, c.bytes, target)) << c.what;
    }
}

TEST(QV_Array2DDeathTest, RangeBeyondThirtyTwoBitsStopsWithTheMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QV_Matrix m;
    EXPECT_DEATH(m.Resize(INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX), "QV_Array<T>::Resize\\(\\), run out of memory");
    QV_Array<int> a;
    EXPECT_DEATH(a.Resize(INT32_MIN, INT32_MAX), "QV_Array<T>::Resize\\(\\), run out of memory");
}
