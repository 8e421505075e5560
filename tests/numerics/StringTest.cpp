#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BinaryFormTest.h"
#include "QV_String.h"

using namespace numerics_test;
using visagen_test::TempDir;

TEST(QV_String, FloatToTextTruncates)
{
    struct Case {
        float value;
        int decimals;
        const char* text;
    } cases[] = {
        {2.71828f, 3, "2.718"}, {2.7189f, 3, "2.718"}, {-0.5f, 3, "-0.500"}, {0.0f, 3, "0.000"},
        {0.7f, 3, "0.700"},     {0.35f, 3, "0.350"},   {-12.99999f, 2, "-12.99"}, {123.456f, 0, "123."},
        {1.5f, 1, "1.5"},       {1e6f, 2, "1000000.00"}, {-0.001f, 3, "-0.001"},
    };
    for (const Case& c : cases) EXPECT_STREQ(QV_String(c.value, c.decimals).CStr(), c.text) << c.value;
    QV_String s("x=");
    s.Append(3.14159f);
    EXPECT_STREQ(s.CStr(), "x=3.141");
    EXPECT_STREQ((QV_String("a") + 0.25f).CStr(), "a0.250");
}

TEST(QV_String, ConstructionAndAppending)
{
    QV_String empty;
    EXPECT_EQ(empty.Length(), 0);
    EXPECT_EQ(empty.Size(), 1u);
    EXPECT_STREQ(empty.CStr(), "");
    EXPECT_STREQ(QV_String(-42).CStr(), "-42");
    QV_String s("ab");
    s.Append('c').Append(QV_String("d")).Append("e").Append(12);
    EXPECT_STREQ(s.CStr(), "abcde12");
    EXPECT_EQ(s.Size(), 8u);
    EXPECT_STREQ((s + 'x' + "y" + QV_String("z") + 3).CStr(), "abcde12xyz3");
    EXPECT_STREQ(("<" + s).CStr(), "<abcde12");
    EXPECT_STREQ(s.CStr(), "abcde12");
}

TEST(QV_String, CompareAcceptsATrailingNewlineOnly)
{
    QV_String ana("ana");
    EXPECT_TRUE(ana.Compare("ana"));
    EXPECT_TRUE(ana.Compare("ana\n"));
    EXPECT_TRUE(ana.Compare("ana\r\n"));
    EXPECT_FALSE(ana.Compare("anab"));
    EXPECT_FALSE(ana.Compare("an"));
    EXPECT_FALSE(ana.Compare("an\n"));
    EXPECT_FALSE(ana.Compare("anA"));
    EXPECT_FALSE(ana.Compare(""));
    EXPECT_TRUE(ana == "ana\n");
    EXPECT_TRUE(ana != "anab");
    EXPECT_TRUE(QV_String().Compare(""));
    EXPECT_TRUE(QV_String().Compare("\n"));
    EXPECT_FALSE(QV_String().Compare("x"));
}

TEST(QV_String, SearchingAndSlicing)
{
    QV_String s("abcabc");
    EXPECT_EQ(s.Find('b'), 1);
    EXPECT_EQ(s.Find('z'), -1);
    EXPECT_EQ(s.FindLast('b'), 4);
    EXPECT_EQ(QV_String().FindLast('a'), -1);
    EXPECT_EQ(s.Find("ca"), 2);
    EXPECT_EQ(s.Find("cab c"), -1);
    EXPECT_STREQ(s.Left(2).CStr(), "ab");
    EXPECT_STREQ(s.Left(99).CStr(), "abcabc");
    EXPECT_STREQ(s.Right(2).CStr(), "bc");
    EXPECT_STREQ(s.Right(99).CStr(), "abcabc");
    EXPECT_STREQ(s.Mid(2, 3).CStr(), "cab");
    EXPECT_STREQ(s.Mid(4).CStr(), "bc");
    EXPECT_STREQ(s.Mid(4, 10).CStr(), "bc");
    EXPECT_STREQ(s.Mid(10, 1).CStr(), "");
    QV_String r("abc");
    EXPECT_STREQ(r.Reverse().CStr(), "cba");
}

TEST(QV_String, ToLowerAndTrim)
{
    QV_String s("ABC-xyz-09-\xC3\x89-Z");
    EXPECT_STREQ(s.ToLower().CStr(), "abc-xyz-09-\xC3\x89-z");
    QV_String t(" \t\n word  two\t\n ");
    EXPECT_STREQ(t.Trim().CStr(), "word  two");
    QV_String blank(" \t\n");
    EXPECT_STREQ(blank.Trim().CStr(), "");
}

TEST(QV_String, FileNameHelpersWithBothSeparators)
{
    struct Case {
        const char* path;
        const char* strip;
        const char* ext;
        const char* name;
        const char* dir;
    } cases[] = {
        {"face.mma", "face", "mma", "face", "face.mma"},
        {"README", "README", "README", "README", "README"},
        {"C:\\data\\Head.qvface", "C:\\data\\Head", "qvface", "Head", "C:\\data"},
        {"/tmp/data/pic.v2.jpg", "/tmp/data/pic.v2", "jpg", "pic.v2", "/tmp/data"},
        {"C:\\my.dir\\file", "C:\\my.dir\\file", "C:\\my.dir\\file", "file", "C:\\my.dir"},
        {"a/b\\c.txt", "a/b\\c", "txt", "c", "a/b"},
    };
    for (const Case& c : cases) {
        QV_String p(c.path);
        EXPECT_STREQ(p.StripExtension().CStr(), c.strip) << c.path;
        EXPECT_STREQ(p.Extension().CStr(), c.ext) << c.path;
        EXPECT_STREQ(p.FileName().CStr(), c.name) << c.path;
        EXPECT_STREQ(p.Directory().CStr(), c.dir) << c.path;
    }
    QV_String p("out\\head.obj");
    QV_String copy = p.ReplaceExtension("mtl");
    EXPECT_STREQ(p.CStr(), "out\\head.mtl");
    EXPECT_STREQ(copy.CStr(), "out\\head.mtl");
    QV_String bare("texture");
    bare.ReplaceExtension("png");
    EXPECT_STREQ(bare.CStr(), "texture.png");
}

TEST(QV_String, FloatList)
{
    const float v[] = {1.0f, -2.5f, 0.12345f};
    EXPECT_STREQ(QV_String::FloatList(v, 3).CStr(), "(1.000,-2.500,0.123)");
    EXPECT_STREQ(QV_String::FloatList(v, 2, 1).CStr(), "(1.0,-2.5)");
    EXPECT_STREQ(QV_String::FloatList(v, 0).CStr(), "()");
}

TEST(QV_String, BinaryRoundTripIsByteExact)
{
    TempDir dir;
    Bytes bytes = WriteObject(dir, QV_String("LEFT EYE"));
    Bytes expected = {9, 0, 0, 0, 'L', 'E', 'F', 'T', ' ', 'E', 'Y', 'E', 0};
    EXPECT_EQ(bytes, expected);
    QV_String back;
    ASSERT_TRUE(ReadObject(dir, bytes, back));
    EXPECT_STREQ(back.CStr(), "LEFT EYE");
    EXPECT_EQ(WriteObject(dir, back), bytes);

    Bytes empty = WriteObject(dir, QV_String());
    EXPECT_EQ(empty, (Bytes{1, 0, 0, 0, 0}));
    back = "x";
    ASSERT_TRUE(ReadObject(dir, empty, back));
    EXPECT_EQ(back.Length(), 0);

    // The string ends at the first NUL; the bytes after it are consumed.
    Bytes inner = {5, 0, 0, 0, 'a', 'b', 0, 'c', 0};
    ASSERT_TRUE(ReadObject(dir, inner, back));
    EXPECT_STREQ(back.CStr(), "ab");
}

TEST(QV_String, CorruptBinaryInputFailsAndLeavesTheStringAlone)
{
    TempDir dir;
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty file", {}},
        {"size cut short", {5, 0}},
        {"characters cut short", {5, 0, 0, 0, 'a', 'b'}},
        {"huge size", {0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c', 0}},
        {"large size, some garbage", {0x00, 0x00, 0x00, 0x10, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        QV_String s("keep");
        EXPECT_FALSE(ReadObject(dir, c.bytes, s)) << c.what;
        EXPECT_STREQ(s.CStr(), "keep") << c.what;
    }
}
