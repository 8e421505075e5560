// The plug-in factory and the head model records of every type.
#include <gtest/gtest.h>

#include <unistd.h>

#include "DamagedCopies.h"
#include "PluginTestUtil.h"
#include "QV_PluginNames.h"

using namespace plugin_test;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;

namespace {

// Loads a head model file and returns the plug-in; error starts empty.
std::unique_ptr<QV_AvatarPlugin> Load(const std::string& path, QV_String& error)
{
    testing::internal::CaptureStderr();
    std::unique_ptr<QV_AvatarPlugin> p = LoadHeadModel(path.c_str(), error);
    testing::internal::GetCapturedStderr();
    return p;
}

class EveryType : public testing::TestWithParam<int> {};

TEST_P(EveryType, ReadBackAndWrittenAgainIsByteIdentical)
{
    TempDir dir;
    const int type = GetParam();
    const std::vector<unsigned char> first = WriteFilledHead(type, dir.File("a.qvhead"));
    ASSERT_GT(first.size(), 8u);

    QV_String error;
    std::unique_ptr<QV_AvatarPlugin> p = Load(dir.File("a.qvhead"), error);
    ASSERT_TRUE(p) << error;
    EXPECT_TRUE(error.IsEmpty());
    EXPECT_EQ(p->TypeCode(), type);
    EXPECT_EQ(p->DataDirectory(), dir.Path().c_str());

    ASSERT_TRUE(QV_SaveHeadModel(dir.File("b.qvhead").c_str(), *p));
    EXPECT_EQ(ReadFileBytes(dir.File("b.qvhead")), first);
}

// Every cut of the file, at a spread of offsets from just after the type code
// to one byte short of the end, fails with the type's message.
TEST_P(EveryType, TruncatedFilesFailWithTheTypeMessage)
{
    TempDir dir;
    const int type = GetParam();
    const std::vector<unsigned char> bytes = WriteFilledHead(type, dir.File("a.qvhead"));
    const size_t n = bytes.size();
    const std::vector<size_t> cuts = {4, 6, 8, 9, 12, 20, n / 5, n / 3, n / 2, 2 * n / 3, n - 8, n - 2, n - 1};
    for (size_t cut : cuts) {
        if (cut < 4 || cut >= n) continue;
        visagen_test::WriteTruncated(dir.File("a.qvhead"), dir.File("cut.qvhead"), cut);
        QV_String error;
        EXPECT_FALSE(Load(dir.File("cut.qvhead"), error)) << "cut at " << cut;
        EXPECT_EQ(error, ("Failed to read head for type " + std::to_string(type)).c_str()) << "cut at " << cut;
    }
}

// Random damage anywhere in the file: the reader refuses it or gives a plug-in
// of the file's type that writes itself out again.
TEST_P(EveryType, DamagedFilesAreRefusedOrReadWhole)
{
    TempDir dir;
    const int type = GetParam();
    const std::string path = dir.File("a.qvhead");
    WriteFilledHead(type, path);
    const visagen_test::DamageOutcome o =
        visagen_test::ExerciseDamagedCopies(path, visagen_test::DamagedCopyCount(60), [&] {
            QV_String error;
            std::unique_ptr<QV_AvatarPlugin> p = LoadHeadModel(path.c_str(), error);
            if (!p) return false;
            EXPECT_EQ(p->TypeCode(), type);
            EXPECT_TRUE(QV_SaveHeadModel(dir.File("again.qvhead").c_str(), *p));
            return true;
        });
    EXPECT_GT(o.refused, 0);
}

INSTANTIATE_TEST_SUITE_P(HeadModel, EveryType, testing::Range(0, kQV_HeadTypeCount));

TEST(HeadModelLoad, ShortFilesGiveNothingAndLeaveTheErrorText)
{
    TempDir dir;
    for (size_t size : {0u, 3u}) {
        WriteFileBytes(dir.File("s.qvhead"), std::vector<unsigned char>(size, 0));
        QV_String error = "before";
        EXPECT_FALSE(Load(dir.File("s.qvhead"), error)) << size;
        EXPECT_EQ(error, "before") << size;
    }
    QV_String error;
    EXPECT_FALSE(Load(dir.File("missing.qvhead"), error));
    EXPECT_TRUE(error.IsEmpty());
}

TEST(HeadModelLoad, UnknownTypeCodes)
{
    TempDir dir;
    for (int code : {16, -1, 1000}) {
        std::vector<unsigned char> bytes = I32Bytes({code, 1});
        WriteFileBytes(dir.File("u.qvhead"), bytes);
        QV_String error;
        EXPECT_FALSE(Load(dir.File("u.qvhead"), error)) << code;
        EXPECT_EQ(error, "Unrecognised head type") << code;
    }
}

TEST(HeadModelLoad, FileEndingAfterTheFormatValue)
{
    TempDir dir;
    for (int code : {0, 7, 15}) {
        WriteFileBytes(dir.File("f.qvhead"), I32Bytes({code, 1}));
        QV_String error;
        EXPECT_FALSE(Load(dir.File("f.qvhead"), error));
        EXPECT_EQ(error, ("Failed to read head for type " + std::to_string(code)).c_str());
    }
}

TEST(HeadModelLoad, FormatValueIsIgnoredAndWrittenAsOne)
{
    TempDir dir;
    std::vector<unsigned char> bytes = WriteFilledHead(4, dir.File("a.qvhead"));
    PutI32(bytes, 4, 77);
    WriteFileBytes(dir.File("b.qvhead"), bytes);
    QV_String error;
    std::unique_ptr<QV_AvatarPlugin> p = Load(dir.File("b.qvhead"), error);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->FormatValue(), 1);
    ASSERT_TRUE(QV_SaveHeadModel(dir.File("c.qvhead").c_str(), *p));
    PutI32(bytes, 4, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("c.qvhead")), bytes);
}

// Byte offset of the first image record of a type 15 file: type code, format
// value, byte, mugshot, annotation, float pair.
size_t FlatSkinImageOffset(const QV_FlatSkinPlugin& p)
{
    std::FILE* f = std::tmpfile();
    QV_WriteU8(f, 0);
    p.mugshot.WriteBinary(f);
    p.frontReference.WriteBinary(f);
    const long size = std::ftell(f);
    std::fclose(f);
    return 8 + static_cast<size_t>(size) + 8;
}

TEST(HeadModelLoad, ImageRecordOfVersionTwoFailsTheFile)
{
    TempDir dir;
    QV_FlatSkinPlugin filled;
    Fill(filled);
    std::vector<unsigned char> bytes = WriteFilledHead(15, dir.File("a.qvhead"));
    const size_t at = FlatSkinImageOffset(filled);
    ASSERT_LT(at + 4, bytes.size());
    ASSERT_EQ(std::vector<unsigned char>(bytes.begin() + at, bytes.begin() + at + 4), I32Bytes({1}));
    PutI32(bytes, at, 2);
    WriteFileBytes(dir.File("v2.qvhead"), bytes);
    QV_String error;
    EXPECT_FALSE(Load(dir.File("v2.qvhead"), error));
    EXPECT_EQ(error, "Failed to read head for type 15");
}

TEST(HeadModelLoad, HugeListCountFailsCleanly)
{
    TempDir dir;
    QV_FlatSkinPlugin filled;
    Fill(filled);
    std::vector<unsigned char> bytes = WriteFilledHead(15, dir.File("a.qvhead"));
    // The neck list's count follows the torso image record.
    std::FILE* f = std::tmpfile();
    filled.torso.Write(f);
    const size_t at = FlatSkinImageOffset(filled) + static_cast<size_t>(std::ftell(f));
    std::fclose(f);
    ASSERT_EQ(std::vector<unsigned char>(bytes.begin() + at, bytes.begin() + at + 4), I32Bytes({2}));
    for (int32_t count : {-1, 0x7ffffff0, 1000}) {
        PutI32(bytes, at, count);
        WriteFileBytes(dir.File("h.qvhead"), bytes);
        QV_String error;
        EXPECT_FALSE(Load(dir.File("h.qvhead"), error)) << count;
        EXPECT_EQ(error, "Failed to read head for type 15") << count;
    }
}

// A vertex list naming a vertex the template head does not have fails the
// read instead of reaching the creation.
TEST(HeadModelLoad, VertexListsAreCheckedAgainstTheTemplateHead)
{
    struct Case {
        int type;
        int badIndex;
        bool loads;
    };
    const Case cases[] = {{9, 7, true}, {9, 8, false}, {9, -1, false}, {12, 8, false},
                          {14, 100, false}, {1, 5000, true}, {1, -3, false}, {3, -1, false}};
    TempDir dir;
    for (const Case& c : cases) {
        std::unique_ptr<QV_AvatarPlugin> p = QV_CreatePlugin(c.type);
        Fill(*p);
        if (auto* t = dynamic_cast<QV_BodySkinPlugin*>(p.get())) t->leftEar.Append(c.badIndex);
        if (auto* t = dynamic_cast<QV_SolidHeadPlugin*>(p.get())) t->neck.Append(c.badIndex);
        if (auto* t = dynamic_cast<QV_AnimatedFacePlugin*>(p.get())) t->nonFace.Append(c.badIndex);
        if (auto* t = dynamic_cast<QV_BodyAvatarPlugin*>(p.get())) t->maleNeckBlend.Append(c.badIndex);
        if (auto* t = dynamic_cast<QV_FigureHeadPlugin*>(p.get())) t->bodyHeadCorrespondance[2] = c.badIndex;
        ASSERT_TRUE(QV_SaveHeadModel(dir.File("x.qvhead").c_str(), *p));
        QV_String error;
        EXPECT_EQ(Load(dir.File("x.qvhead"), error) != nullptr, c.loads) << c.type << " " << c.badIndex;
        if (!c.loads) {
            EXPECT_EQ(error, ("Failed to read head for type " + std::to_string(c.type)).c_str());
        }
    }
}

TEST(HeadModelLoad, DataDirectoryIsTheFolderOfThePath)
{
    TempDir dir;
    WriteFilledHead(4, dir.File("p.qvhead"));
    QV_String error;
    std::unique_ptr<QV_AvatarPlugin> slash = Load(dir.File("p.qvhead"), error);
    ASSERT_TRUE(slash);
    EXPECT_EQ(slash->DataDirectory(), dir.Path().c_str());

    const std::string backslashed = dir.Path() + "\\p.qvhead";
    std::unique_ptr<QV_AvatarPlugin> back = Load(backslashed, error);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->DataDirectory(), dir.Path().c_str());

    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    std::unique_ptr<QV_AvatarPlugin> bare = Load("p.qvhead", error);
    ASSERT_EQ(chdir(cwd), 0);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->DataDirectory(), "p.qvhead");
}

TEST(HeadModelFactory, ClassesAndNames)
{
    using namespace QV_PluginNames;
    const char* names[kQV_HeadTypeCount] = {kMaker,      kBodyAvatar, kEyeRig,   kFigure,    kPlainHead, kPlainHead2,
                                            kEarNeck,    kPlainHead3, kSkinnedXml, kBodySkin, kNeckBlend, kEyeParts,
                                            kMaker,      kIrisTeeth,  kMaker,    kMaker};
    for (int t = 0; t < kQV_HeadTypeCount; ++t) {
        std::unique_ptr<QV_AvatarPlugin> p = QV_CreatePlugin(t);
        ASSERT_TRUE(p) << t;
        EXPECT_EQ(p->TypeCode(), t);
        EXPECT_EQ(p->Name(), names[t]) << t;
    }
    EXPECT_FALSE(QV_CreatePlugin(16));
    EXPECT_FALSE(QV_CreatePlugin(-1));
    EXPECT_TRUE(dynamic_cast<QV_StandardHeadPlugin*>(QV_CreatePlugin(0).get()));
    EXPECT_TRUE(dynamic_cast<QV_FigureHeadPlugin*>(QV_CreatePlugin(3).get()));
    EXPECT_TRUE(dynamic_cast<QV_FlatSkinPlugin*>(QV_CreatePlugin(15).get()));
}

}  // namespace
