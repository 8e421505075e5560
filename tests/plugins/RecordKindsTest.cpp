// The record kinds of head model files read on their own, and vertex-list
// files: malformed counts and entries fail before anything is allocated.
#include <gtest/gtest.h>

#include "PluginTestUtil.h"
#include "QV_HeadRecords.h"
#include "QV_VertexList.h"

using namespace plugin_test;
using visagen_test::TempDir;
using visagen_test::WriteFileText;

namespace {

// A stream holding the bytes, positioned at the start.
struct Stream {
    explicit Stream(const std::vector<unsigned char>& bytes) : f(std::tmpfile())
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
    }
    ~Stream() { std::fclose(f); }
    std::FILE* f;
};

std::vector<unsigned char> I64Bytes(std::initializer_list<int64_t> values)
{
    std::vector<unsigned char> out;
    for (int64_t v : values)
        for (int k = 0; k < 8; ++k) out.push_back(static_cast<unsigned char>(static_cast<uint64_t>(v) >> (8 * k)));
    return out;
}

std::vector<unsigned char> Concat(std::vector<unsigned char> a, const std::vector<unsigned char>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(RecordKinds, CountsBeyondTheStreamFail)
{
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        std::function<bool(std::FILE*)> read;
    };
    QV_List<int> list;
    std::vector<QV_String> names;
    std::vector<QV_VertexBoneWeight> triples;
    std::vector<int32_t> ints;
    QV_Array<unsigned char> bytes;
    QV_Array<int32_t> indices;
    const Case cases[] = {
        {"index list", I32Bytes({3, 1, 2}), [&](std::FILE* f) { return QV_ReadIndexList(f, list); }},
        {"index list huge", I32Bytes({-1, 1}), [&](std::FILE* f) { return QV_ReadIndexList(f, list); }},
        {"name list", I32Bytes({0x40000000, 1, 0}), [&](std::FILE* f) { return QV_ReadNameList(f, names); }},
        {"name list short string", I32Bytes({2, 1, 0}), [&](std::FILE* f) { return QV_ReadNameList(f, names); }},
        {"triple list", I32Bytes({2, 1, 2, 3}), [&](std::FILE* f) { return QV_ReadTripleList(f, triples); }},
        {"counted ints negative", I32Bytes({-2, 1, 2}), [&](std::FILE* f) { return QV_ReadCountedInts(f, ints); }},
        {"counted ints huge", I32Bytes({0x7fffffff, 1}), [&](std::FILE* f) { return QV_ReadCountedInts(f, ints); }},
        {"byte array", Concat(I64Bytes({100, 0, 99}), {1, 2}),
         [&](std::FILE* f) { return QV_ReadByteArray(f, bytes); }},
        {"byte array inconsistent", Concat(I64Bytes({2, 0, 5}), {1, 2}),
         [&](std::FILE* f) { return QV_ReadByteArray(f, bytes); }},
        {"index array huge", Concat(I64Bytes({INT64_MAX, 0, INT64_MAX - 1}), I32Bytes({1})),
         [&](std::FILE* f) { return QV_ReadIndexArray(f, indices); }},
        {"float pair", I32Bytes({0}), [&](std::FILE* f) {
             QV_Point2D p;
             return QV_ReadFloatPair(f, p);
         }},
    };
    for (const Case& c : cases) {
        Stream s(c.bytes);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(c.read(s.f)) << c.what;
        testing::internal::GetCapturedStderr();
    }
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(triples.empty());
    EXPECT_TRUE(ints.empty());
    EXPECT_EQ(bytes.Count(), 0);
    EXPECT_EQ(indices.Count(), 0);
}

TEST(VertexListFile, Contents)
{
    struct Case {
        const char* text;
        bool ok;
        std::vector<int> list;
    };
    const Case cases[] = {
        {"3\n4 5 6\n", true, {4, 5, 6}},
        {"  2\t\t7\n\n  8", true, {7, 8}},
        {"0\n", true, {}},
        {"2 1 2 99", true, {1, 2}},  // what follows the list is not read
        {"3 1 2", false, {9}},
        {"2 1 -2", false, {9}},
        {"2 1 x", false, {9}},
        {"2 1 2.5", false, {9}},
        {"-1 4", false, {9}},
        {"abc", false, {9}},
        {"", false, {9}},
        {"1 2147483648", false, {9}},
        {"1 2147483647", true, {2147483647}},
        {"1000000000 1 2 3", false, {9}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        WriteFileText(dir.File("l.verts"), c.text);
        QV_List<int> list = Indices({9});
        EXPECT_EQ(QV_LoadVertexList(dir.File("l.verts").c_str(), list), c.ok) << c.text;
        std::vector<int> got;
        for (unsigned i = 0; i < list.Size(); ++i) got.push_back(list[i]);
        EXPECT_EQ(got, c.list) << c.text;
    }
}

TEST(VertexListFile, MissingFileLeavesTheListAndSaveReadsBack)
{
    TempDir dir;
    QV_List<int> list = Indices({1, 2});
    EXPECT_FALSE(QV_LoadVertexList(dir.File("none.verts").c_str(), list));
    EXPECT_EQ(list.Size(), 2u);

    ASSERT_TRUE(QV_SaveVertexList(dir.File("w.verts").c_str(), Indices({0, 10, 3})));
    QV_List<int> back;
    ASSERT_TRUE(QV_LoadVertexList(dir.File("w.verts").c_str(), back));
    ASSERT_EQ(back.Size(), 3u);
    EXPECT_EQ(back[1], 10);
}

}  // namespace
