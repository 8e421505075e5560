// Mugshot file records: byte-identical round trips, the version-1 ".mug" form
// and a table of damaged files that must fail cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "MugShotTestFixture.h"
#include "QV_BinaryIO.h"
#include "QV_MugShot.h"
#include "TestSupport.h"

using namespace mugshot_fixture;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;

namespace {

void AddGroups(QV_PointGroupTable& t)
{
    QV_AnnotationModel m = FrontAnnotation();
    t.groups = m;
    // Group 1 is "FACE": vertices 5, 9 and 14.
    for (int v : {5, 9, 14}) t.members.items.push_back({1, v});
    t.members.low = 1;
    t.flag = 3;
}

QV_MugShot2D3D FullMugShot()
{
    QV_MugShot2D3D mug = MugShot();
    AddGroups(mug.frontGroups);
    mug.sampler.extra.Resize(0, 2);
    mug.sampler.extra.Fill(0x0102030405060708LL);
    mug.frontOnly = 1;
    mug.spare = 7;
    return mug;
}

// The fixture's older mugshot with every record filled.
QV_MugShot FullOlderMugShot()
{
    QV_MugShot old = OlderMugShot();
    old.thirdMapping = old.frontMapping;
    old.maskFlag = 1;
    AddGroups(old.tables[0]);
    AddGroups(old.furtherTable);
    return old;
}

template <class M>
std::vector<unsigned char> Bytes(const M& m, const std::string& path)
{
    EXPECT_TRUE(m.Save(QV_String(path.c_str())));
    return ReadFileBytes(path);
}

}  // namespace

TEST(MugShotRecord, RoundTripsAreByteIdentical)
{
    TempDir dir;
    const QV_MugShot2D3D mug = FullMugShot();
    const std::vector<unsigned char> first = Bytes(mug, dir.File("a.mug2d3d"));
    QV_MugShot2D3D back;
    ASSERT_TRUE(back.Load(QV_String(dir.File("a.mug2d3d").c_str())));
    EXPECT_EQ(Bytes(back, dir.File("b.mug2d3d")), first);
    EXPECT_EQ(back.frontOnly, 1);
    EXPECT_EQ(back.spare, 7);
    EXPECT_EQ(back.frontMapping.entries, mug.frontMapping.entries);
    EXPECT_EQ(back.sampler.texels.items, mug.sampler.texels.items);
    ASSERT_EQ(back.sampler.extra.Count(), 3);
    EXPECT_EQ(back.sampler.extra[2], 0x0102030405060708LL);
    std::vector<int> face;
    ASSERT_TRUE(back.frontGroups.GroupVertices("FACE", face));
    EXPECT_EQ(face, (std::vector<int>{5, 9, 14}));
    // The association lists are derived on reading.
    ASSERT_EQ(back.texVertVertices.size(), static_cast<size_t>(kGridVertices + 1));
    EXPECT_EQ(back.texVertVertices[13], std::vector<int>{13});
    EXPECT_TRUE(back.texVertVertices[kGridVertices].empty());
    ASSERT_EQ(back.vertTexVerts.size(), static_cast<size_t>(kGridVertices + kBackVertices));
    EXPECT_EQ(back.vertTexVerts[21], std::vector<int>{21});

    const QV_MugShot old = FullOlderMugShot();
    const std::vector<unsigned char> o1 = Bytes(old, dir.File("a.mug"));
    QV_MugShot oldBack;
    ASSERT_TRUE(oldBack.Load(QV_String(dir.File("a.mug").c_str())));
    EXPECT_EQ(Bytes(oldBack, dir.File("b.mug")), o1);
}

TEST(MugShotRecord, VersionOneMugLoadsWithoutMaskAndSavesAsVersionTwo)
{
    TempDir dir;
    QV_MugShot old = FullOlderMugShot();
    const std::vector<unsigned char> v2 = Bytes(old, dir.File("v2.mug"));
    // The version-2 tail is the mask byte and the mask image record.
    {
        QV_File f = QV_OpenFile(dir.File("mask.rec").c_str(), "wb");
        ASSERT_TRUE(old.mask.Write(f.get()));
    }
    const size_t tail = 1 + ReadFileBytes(dir.File("mask.rec")).size();
    std::vector<unsigned char> v1(v2.begin(), v2.end() - static_cast<long>(tail));
    const int32_t one = 1;
    std::memcpy(v1.data(), &one, 4);
    WriteFileBytes(dir.File("v1.mug"), v1);

    QV_MugShot loaded;
    ASSERT_TRUE(loaded.Load(QV_String(dir.File("v1.mug").c_str())));
    EXPECT_EQ(loaded.version, 2);
    EXPECT_TRUE(loaded.mask.Empty());
    EXPECT_EQ(loaded.maskFlag, 0);
    const std::vector<unsigned char> saved = Bytes(loaded, dir.File("saved.mug"));
    ASSERT_GT(saved.size(), v1.size());
    int32_t version = 0;
    std::memcpy(&version, saved.data(), 4);
    EXPECT_EQ(version, 2);
    // Same body, then the byte and an (empty) image record.
    EXPECT_TRUE(std::equal(v1.begin() + 4, v1.end(), saved.begin() + 4));
    EXPECT_EQ(saved[v1.size()], 0);
    QV_MugShot again;
    ASSERT_TRUE(again.Load(QV_String(dir.File("saved.mug").c_str())));
    EXPECT_TRUE(again.mask.Empty());
}

TEST(MugShotRecord, DamagedFilesFailCleanly)
{
    struct Case {
        const char* name;
        void (*spoil)(QV_MugShot2D3D&);
    } cases[] = {
        {"mapping list longer than the vertices",
         [](QV_MugShot2D3D& m) { m.profileMapping.entries.resize(kGridVertices + kBackVertices + 1); }},
        {"texel outside the texture", [](QV_MugShot2D3D& m) { m.sampler.texels.items[5].col = kTexSize; }},
        {"negative texel row", [](QV_MugShot2D3D& m) { m.samplerHigh.texels.items[0].row = -1; }},
        {"sampler entry beyond the texture vertices",
         [](QV_MugShot2D3D& m) { m.samplerHigh.entries.items[9].i[2] = kGridVertices + 1; }},
        {"negative sampler entry index", [](QV_MugShot2D3D& m) { m.sampler.entries.items[0].i[0] = -1; }},
        {"bad sample mode", [](QV_MugShot2D3D& m) { m.sampler.mode = 7; }},
        {"bad sampler version", [](QV_MugShot2D3D& m) { m.sampler.version = 3; }},
        {"huge texture side", [](QV_MugShot2D3D& m) { m.sampler.height = 1 << 20; }},
        {"fewer texels than entries", [](QV_MugShot2D3D& m) { m.sampler.texels.items.pop_back(); }},
        {"group member of no group", [](QV_MugShot2D3D& m) { m.frontGroups.members.items[1].group = 99; }},
        {"group member beyond the vertices",
         [](QV_MugShot2D3D& m) { m.frontGroups.members.items[2].vertex = kGridVertices + kBackVertices; }},
    };
    TempDir dir;
    for (const Case& c : cases) {
        QV_MugShot2D3D mug = FullMugShot();
        c.spoil(mug);
        const std::string path = dir.File("bad.mug2d3d");
        ASSERT_TRUE(mug.Save(QV_String(path.c_str()))) << c.name;
        QV_MugShot2D3D back;
        testing::internal::CaptureStderr();
        const bool ok = back.Load(QV_String(path.c_str()));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok) << c.name;
        EXPECT_NE(err.find("QV_MugShot2D3D::ReadBinary() Error! : "), std::string::npos) << c.name << ": " << err;
    }
}

TEST(MugShotRecord, HugeCountsAndTruncationsFail)
{
    TempDir dir;
    const QV_MugShot2D3D mug = FullMugShot();
    const std::vector<unsigned char> good = Bytes(mug, dir.File("good.mug2d3d"));
    // Offset of the front mapping list's count.
    long mappingAt = 0;
    {
        QV_File f = QV_OpenFile(dir.File("head.bin").c_str(), "wb");
        ASSERT_TRUE(QV_WriteI32(f.get(), 1) && QV_WriteU8(f.get(), 0) && QV_WriteU8(f.get(), 0));
        ASSERT_TRUE(mug.templateMesh.Write(f.get()));
        ASSERT_TRUE(mug.frontGroups.WriteBinary(f.get()) && mug.profileGroups.WriteBinary(f.get()));
        mappingAt = std::ftell(f.get());
    }
    uint32_t count = 0;
    std::memcpy(&count, good.data() + mappingAt, 4);
    ASSERT_EQ(count, static_cast<uint32_t>(kGridVertices));
    for (uint32_t huge : {0xFFFFFFFFu, 0x7FFFFFFFu, static_cast<uint32_t>(kGridVertices * 1000)}) {
        std::vector<unsigned char> bad = good;
        std::memcpy(bad.data() + mappingAt, &huge, 4);
        WriteFileBytes(dir.File("huge.mug2d3d"), bad);
        QV_MugShot2D3D back;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(back.Load(QV_String(dir.File("huge.mug2d3d").c_str()))) << huge;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("bad mapping list"), std::string::npos);
    }
    // Every cut of the file fails, none crashes.
    const size_t step = std::max<size_t>(1, good.size() / 60);
    int failures = 0, cuts = 0;
    for (size_t n = 0; n < good.size(); n += step) {
        visagen_test::WriteTruncated(dir.File("good.mug2d3d"), dir.File("cut.mug2d3d"), n);
        QV_MugShot2D3D back;
        testing::internal::CaptureStderr();
        failures += !back.Load(QV_String(dir.File("cut.mug2d3d").c_str()));
        testing::internal::GetCapturedStderr();
        ++cuts;
    }
    EXPECT_EQ(failures, cuts);
    QV_MugShot old;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(old.Load(QV_String(dir.File("missing.mug").c_str())));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_MugShot::Load() Error! : can't open"), std::string::npos);
}

TEST(MugShotRecord, OlderVersionZeroAndTruncatedMasksFail)
{
    TempDir dir;
    const std::vector<unsigned char> good = Bytes(FullOlderMugShot(), dir.File("good.mug"));
    std::vector<unsigned char> zero = good;
    std::memset(zero.data(), 0, 4);
    WriteFileBytes(dir.File("zero.mug"), zero);
    QV_MugShot m;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m.Load(QV_String(dir.File("zero.mug").c_str())));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_MugShot::ReadBinary() Error! : bad version"),
              std::string::npos);
    for (size_t cut : {good.size() - 20}) {
        visagen_test::WriteTruncated(dir.File("good.mug"), dir.File("cut.mug"), cut);
        QV_MugShot back;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(back.Load(QV_String(dir.File("cut.mug").c_str()))) << cut;
        EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    }
}

TEST(MugShotRecord, RecordArraysKeepTheirBounds)
{
    TempDir dir;
    const std::string path = dir.File("arr.bin");
    struct Case {
        int64_t count, low, high;
        bool readable;
    } cases[] = {{2, 5, 6, true}, {0, 3, 1, true}, {0, 0, -1, true}, {2, 0, 0, false}, {0, 2, 4, false}};
    for (const Case& c : cases) {
        {
            QV_File f = QV_OpenFile(path.c_str(), "wb");
            QV_WriteI64(f.get(), c.count);
            QV_WriteI64(f.get(), c.low);
            QV_WriteI64(f.get(), c.high);
            for (int64_t k = 0; k < c.count; ++k) QV_WriteI32(f.get(), 7), QV_WriteI32(f.get(), 8);
        }
        const std::vector<unsigned char> written = ReadFileBytes(path);
        QV_RecordArray<QV_Texel> a;
        {
            QV_File f = QV_OpenFile(path.c_str(), "rb");
            ASSERT_EQ(a.Read(f.get()), c.readable) << c.low << ".." << c.high;
        }
        if (!c.readable) continue;
        {
            QV_File f = QV_OpenFile(path.c_str(), "wb");
            ASSERT_TRUE(a.Write(f.get()));
        }
        EXPECT_EQ(ReadFileBytes(path), written) << c.low << ".." << c.high;
    }
    // Emptied after reading, an array still writes a readable record.
    QV_RecordArray<QV_Texel> a;
    a.items.resize(3);
    a.low = 4;
    a.emptyHigh = 9;
    a.items.clear();
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        ASSERT_TRUE(a.Write(f.get()));
    }
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    EXPECT_TRUE(a.Read(f.get()));
}
