// One level of the appearance model: texture sampling through the sampling
// table, the file form round trip and malformed files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "AppearanceModelTestUtil.h"
#include "QV_AppearanceModel.h"
#include "QV_BinaryIO.h"
#include "TestSupport.h"

using namespace appearance_test;

namespace {

const QV_AppearanceModel& TrainedModel()
{
    static QV_AppearanceSearch search;
    static bool trained = TrainSearch(search);
    EXPECT_TRUE(trained);
    return search.models[1];
}

std::vector<unsigned char> WriteModel(const QV_AppearanceModel& m, const std::string& path)
{
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(m.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(path);
}

bool ReadModel(QV_AppearanceModel& m, const std::string& path)
{
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return f && m.Read(f.get());
}

// Where the sampling table's count lies in a written model.
size_t SamplingTableOffset(const QV_AppearanceModel& m)
{
    size_t at = 4 + 12 + 8 + 8 + 4;
    at += 24 + 4 * static_cast<size_t>(m.firstTexture.Count());
    at += 24 + 4 * static_cast<size_t>(m.normalisationTexture.Count());
    if (m.version >= 2) at += 8;
    at += 16 + 24 + 4 * static_cast<size_t>(m.textureFromAppearance.Elements().Count());
    at += 16 + 24 + 4 * static_cast<size_t>(m.shapeFromAppearance.Elements().Count());
    return at;
}

void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

void Put64(std::vector<unsigned char>& b, size_t at, int64_t v)
{
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<unsigned char>(static_cast<uint64_t>(v) >> (8 * i));
}

}  // namespace

TEST(AppearanceModel, SampleTextureUsesBarycentricPointsOfTheShape)
{
    // A horizontal ramp: red = 2 * column, green = row, blue = 7.
    QV_Image image(20, 20);
    for (int r = 0; r < 20; ++r)
        for (int c = 0; c < 20; ++c) image(r, c) = QV_Colour(2 * c, r, 7);
    QV_AppearanceModel m;
    QV_SamplingTriangle t;
    t.corner[0] = 0;
    t.corner[1] = 2;
    t.corner[2] = 4;
    t.samples = {{1, 0, 0}, {0.5f, 0.5f, 0}, {0.25f, 0.25f, 0.5f}};
    m.sampling.push_back(t);
    QV_Array<float> shape(6);
    const float pts[6] = {2, 2, 10, 2, 6, 14};  // (2,2), (10,2), (6,14)
    for (int i = 0; i < 6; ++i) shape[i] = pts[i];
    QV_Array<float> texture;
    ASSERT_TRUE(m.SampleTexture(QV_BilinearSampler(image), shape, texture));
    ASSERT_EQ(texture.Count(), 9);
    EXPECT_EQ(m.TextureSize(), 9);
    // Pixel k's centre lies at k + 0.5: (2,2) -> red 3, green 1.5; (6,2) ->
    // red 11, green 1.5; (6,8) -> red 11, green 7.5 (bytes round halves up).
    const float expected[9] = {3, 2, 7, 11, 2, 7, 11, 8, 7};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(texture[i], expected[i], 0.5f) << i;

    // A corner index past the shape is refused, not read.
    m.sampling[0].corner[2] = 5;
    EXPECT_FALSE(m.SampleTexture(QV_BilinearSampler(image), shape, texture));
    m.sampling[0].corner[2] = -2;
    EXPECT_FALSE(m.SampleTexture(QV_BilinearSampler(image), shape, texture));
}

TEST(AppearanceModel, FileFormRoundTripsByteForByte)
{
    visagen_test::TempDir dir;
    QV_AppearanceModel m = TrainedModel();
    m.reserved[1] = -5;
    m.weightReserved[0] = 0xDEADBEEF;
    m.scaleReserved = 77;
    m.samplingLow = 3;
    m.sampling[0].pairs = {{1, 2}, {-3, 4}};
    const auto first = WriteModel(m, dir.File("a.bin"));
    QV_AppearanceModel back;
    ASSERT_TRUE(ReadModel(back, dir.File("a.bin")));
    EXPECT_EQ(back.reserved[1], -5);
    EXPECT_EQ(back.weightReserved[0], 0xDEADBEEFu);
    EXPECT_EQ(back.scaleReserved, 77u);
    EXPECT_EQ(back.samplingLow, 3);
    EXPECT_EQ(back.shapeWeight, m.shapeWeight);
    EXPECT_EQ(back.textureScale, m.textureScale);
    EXPECT_EQ(back.SampleCount(), m.SampleCount());
    ASSERT_EQ(back.sampling[0].pairs.size(), 2u);
    EXPECT_EQ(back.sampling[0].pairs[1].first, -3);
    EXPECT_EQ(back.AppearanceModes(), m.AppearanceModes());
    EXPECT_EQ(WriteModel(back, dir.File("b.bin")), first);
}

TEST(AppearanceModel, MalformedFilesFailCleanly)
{
    visagen_test::TempDir dir;
    const QV_AppearanceModel& m = TrainedModel();
    const auto good = WriteModel(m, dir.File("good.bin"));
    const size_t table = SamplingTableOffset(m);
    const size_t firstTriangle = table + 24;
    {
        // Check the offset: the count there is the table's size.
        int64_t n = 0;
        std::memcpy(&n, &good[table], 8);
        ASSERT_EQ(n, static_cast<int64_t>(m.sampling.size()));
    }

    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* message;  // expected on the error stream, or null
    };
    std::vector<Case> cases;
    auto patched = [&](auto&& change) {
        auto b = good;
        change(b);
        return b;
    };
    cases.push_back({"texture model type 2", patched([](auto& b) { Put32(b, 16, 2); }), "texture model type 2"});
    cases.push_back({"appearance model type 0", patched([](auto& b) { Put32(b, 20, 0); }), "appearance model type 0"});
    cases.push_back({"huge first texture", patched([](auto& b) { Put64(b, 36, int64_t{1} << 40); }), nullptr});
    cases.push_back({"huge first texture bounds", patched([](auto& b) {
                         Put64(b, 36, int64_t{1} << 31);
                         Put64(b, 44, 0);
                         Put64(b, 52, (int64_t{1} << 31) - 1);
                     }),
                     nullptr});
    cases.push_back({"huge table", patched([&](auto& b) {
                         Put64(b, table, int64_t{1} << 30);
                         Put64(b, table + 16, (int64_t{1} << 30) - 1);
                     }),
                     nullptr});
    cases.push_back({"table count against bounds", patched([&](auto& b) { Put64(b, table, 2); }), nullptr});
    cases.push_back({"huge sample count", patched([&](auto& b) { Put32(b, firstTriangle + 12, 0xFFFFFFF0u); }),
                     nullptr});
    cases.push_back({"corner index past the shape",
                     patched([&](auto& b) { Put32(b, firstTriangle + 4, 2 * kPoints); }), "do not fit"});
    cases.push_back({"negative corner index", patched([&](auto& b) { Put32(b, firstTriangle, 0xFFFFFFFEu); }),
                     "do not fit"});
    for (size_t n : {size_t{0}, size_t{10}, size_t{37}, table + 4, firstTriangle + 14, good.size() / 2,
                     good.size() - 1})
        cases.push_back({"truncated", std::vector<unsigned char>(good.begin(), good.begin() + n), nullptr});

    for (const Case& c : cases) {
        visagen_test::WriteFileBytes(dir.File("bad.bin"), c.bytes);
        QV_AppearanceModel back = m;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ReadModel(back, dir.File("bad.bin"))) << c.name;
        const std::string err = testing::internal::GetCapturedStderr();
        if (c.message) {
            EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
        }
        // A failed read leaves an empty model behind.
        EXPECT_TRUE(back.sampling.empty()) << c.name;
        EXPECT_FALSE(back.textureModel.IsBuilt()) << c.name;
    }
}
