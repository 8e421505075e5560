#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BinaryFormTest.h"
#include "QV_List.h"
#include "QV_Point.h"

using namespace numerics_test;
using visagen_test::TempDir;

TEST(QV_List, GrowsOneBlockAtATimeWithoutMovingElements)
{
    QV_List<int> list(10);
    EXPECT_EQ(list.BlockCount(), 0u);
    EXPECT_EQ(list.Capacity(), 0u);
    list.Append(100);
    const int* first = &list[0];
    for (int i = 1; i < 25; ++i) {
        list.Append(100 + i);
        ASSERT_EQ(first, &list[0]) << "element 0 moved at append " << i;
    }
    EXPECT_EQ(list.Size(), 25u);
    EXPECT_EQ(list.BlockCount(), 3u);
    EXPECT_EQ(list.Capacity(), 30u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(list.At(i), 100 + i);
    EXPECT_EQ(*first, 100);
}

TEST(QV_List, CopyFitsInOneBlockAndIsIndependent)
{
    QV_List<int> list(10);
    for (int i = 0; i < 25; ++i) list.Append(i);
    QV_List<int> copy(list);
    EXPECT_EQ(copy.BlockSize(), 25u);
    EXPECT_EQ(copy.BlockCount(), 1u);
    EXPECT_EQ(copy.Size(), 25u);
    copy[3] = -1;
    EXPECT_EQ(list[3], 3);

    QV_List<int> assigned(4);
    assigned.Append(9);
    assigned = list;
    EXPECT_EQ(assigned.BlockSize(), 25u);
    EXPECT_EQ(assigned.Size(), 25u);
    EXPECT_EQ(assigned[24], 24);

    QV_List<int> empty(7);
    assigned = empty;
    EXPECT_EQ(assigned.Size(), 0u);
    EXPECT_EQ(assigned.BlockSize(), 7u);

    QV_List<int>& self = list;
    list = self;
    EXPECT_EQ(list.Size(), 25u);
    EXPECT_EQ(list.BlockCount(), 3u);
}

TEST(QV_List, ClearKeepsBlockSizeAndFindScans)
{
    QV_List<int> list(4);
    EXPECT_EQ(list.Find(1), -1);
    for (int v : {5, 7, 5, 9}) list.Append(v);
    EXPECT_EQ(list.Find(5), 0);
    EXPECT_EQ(list.Find(9), 3);
    EXPECT_EQ(list.Find(8), -1);
    list.Clear();
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_EQ(list.BlockCount(), 0u);
    EXPECT_EQ(list.Capacity(), 0u);
    EXPECT_EQ(list.BlockSize(), 4u);
    EXPECT_EQ(list.Find(5), -1);
}

TEST(QV_List, SetBlockSize)
{
    QV_List<int> list(4);
    list.SetBlockSize(0);
    EXPECT_EQ(list.BlockSize(), 4u);
    list.SetBlockSize(6);
    EXPECT_EQ(list.BlockSize(), 6u);
    for (int i = 0; i < 8; ++i) list.Append(i);
    EXPECT_EQ(list.BlockCount(), 2u);
    list.SetBlockSize(3);  // owns blocks: rebuilt into one block
    EXPECT_EQ(list.BlockCount(), 1u);
    EXPECT_EQ(list.BlockSize(), 8u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(list[i], i);
}

TEST(QV_List, ZeroBlockSizeStillAppends)
{
    QV_List<int> list(0);
    list.Append(3);
    list.Append(4);
    ASSERT_EQ(list.Size(), 2u);
    EXPECT_EQ(list[1], 4);
}

TEST(QV_List, AppendingAnElementOfTheSameListAcrossGrowth)
{
    QV_List<QV_Point2D> list(1);
    list.Append(QV_Point2D(1, 2));
    list.Append(list[0]);  // needs a new block while reading element 0
    EXPECT_EQ(list[1], QV_Point2D(1, 2));
}

TEST(QV_ListBinary, IndexListLayoutAndRoundTrip)
{
    TempDir dir;
    QV_List<int> list(4);
    for (int v : {1, -2, 70000}) list.Append(v);
    Bytes bytes = WriteObject(dir, list);
    Bytes expected = {3, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00};
    EXPECT_EQ(bytes, expected);

    QV_List<int> back(4);
    back.Append(42);
    ASSERT_TRUE(ReadObject(dir, bytes, back));
    ASSERT_EQ(back.Size(), 3u);
    EXPECT_EQ(back.BlockSize(), 3u);
    EXPECT_EQ(back[2], 70000);
    EXPECT_EQ(WriteObject(dir, back), bytes);
}

TEST(QV_ListBinary, PointListsRoundTripByteExact)
{
    TempDir dir;
    QV_List<QV_Point2D> p2(10);
    p2.Append(QV_Point2D(1.5f, -2.25f));
    p2.Append(QV_Point2D(1e-30f, 3e30f));
    Bytes b2 = WriteObject(dir, p2);
    ASSERT_EQ(b2.size(), 4u + 2 * 8);
    QV_List<QV_Point2D> r2;
    ASSERT_TRUE(ReadObject(dir, b2, r2));
    ASSERT_EQ(r2.Size(), 2u);
    EXPECT_EQ(r2[0], p2[0]);
    EXPECT_EQ(r2[1], p2[1]);
    EXPECT_EQ(WriteObject(dir, r2), b2);

    QV_List<QV_Point3D> p3(10);
    p3.Append(QV_Point3D(1, 2, 3));
    p3.Append(QV_Point3D(-4, 0.125f, 6));
    Bytes b3 = WriteObject(dir, p3);
    ASSERT_EQ(b3.size(), 4u + 2 * 12);
    EXPECT_EQ(b3[4 + 12 + 4 + 3], 0x3E);  // 0.125f = 0x3E000000, high byte last
    QV_List<QV_Point3D> r3;
    ASSERT_TRUE(ReadObject(dir, b3, r3));
    EXPECT_EQ(r3[1], p3[1]);
    EXPECT_EQ(WriteObject(dir, r3), b3);

    QV_List<QV_Point3D> empty(5);
    Bytes be = WriteObject(dir, empty);
    EXPECT_EQ(be, Le32(0));
    ASSERT_TRUE(ReadObject(dir, be, r3));
    EXPECT_EQ(r3.Size(), 0u);
}

// Corrupt inputs for the three list forms: each must fail without crashing
// or allocating for a count the file cannot hold.
template <class T>
class QV_ListCorrupt : public testing::Test {};
using ListKinds = testing::Types<int, QV_Point2D, QV_Point3D>;
TYPED_TEST_SUITE(QV_ListCorrupt, ListKinds);

TYPED_TEST(QV_ListCorrupt, FailsOnCorruptInput)
{
    TempDir dir;
    QV_List<TypeParam> good(3);
    for (int i = 0; i < 3; ++i) good.Append(TypeParam());
    Bytes whole = WriteObject(dir, good);

    std::vector<Bytes> cases;
    cases.push_back({});                                        // empty file
    cases.push_back({3, 0});                                    // count cut short
    for (size_t n : {size_t(4), size_t(5), whole.size() - 1})  // elements cut short
        cases.emplace_back(whole.begin(), whole.begin() + static_cast<long>(n));
    cases.push_back(Le32(0xFFFFFFFFu));                         // huge count, no data
    Bytes big = Le32(0x40000000u);
    big.insert(big.end(), 64, 0xAB);                            // huge count, some garbage
    cases.push_back(big);

    for (size_t c = 0; c < cases.size(); ++c) {
        QV_List<TypeParam> list(2);
        EXPECT_FALSE(ReadObject(dir, cases[c], list)) << "case " << c;
        if constexpr (!std::is_same_v<TypeParam, int>) {
            EXPECT_EQ(list.Size(), 0u) << "case " << c;
        }
    }
}
