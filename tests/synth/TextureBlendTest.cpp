// The blend of the photograph sample with the stock texture through the mask.
#include <gtest/gtest.h>

#include "MugShotTestFixture.h"
#include "QV_TextureBlend.h"

using namespace mugshot_fixture;

namespace {

// A 4 x 4 RGB sampler, one entry per texel in row order.
QV_TextureSampler GridSampler()
{
    QV_TextureSampler s;
    s.mode = QV_TextureSampler::kRGB;
    s.height = s.width = 4;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            s.entries.items.push_back({});
            s.texels.items.push_back({r, c});
        }
    return s;
}

std::vector<float> Uniform(float r, float g, float b)
{
    std::vector<float> v;
    for (int k = 0; k < 16; ++k) v.insert(v.end(), {r, g, b});
    return v;
}

}  // namespace

TEST(TextureBlend, MaskChannelsWeighPhotographSecondSampleAndStock)
{
    const QV_TextureSampler s = GridSampler();
    const std::vector<float> photo = Uniform(200, 150, 100), profile = Uniform(180, 140, 90);
    // Stock (100, 80, 60): c2 = photo - stock = (100, 70, 40); with the
    // profile sample c1 = photo - profile = (20, 10, 10).
    struct Case {
        const char* name;
        QV_Colour mask;
        bool second;
        QV_Colour expected;
    } cases[] = {
        {"green: the photograph", {0, 255, 0}, false, {200, 150, 100}},
        {"blue: stock shifted to the skin tone", {0, 0, 255}, false, {200, 150, 100}},
        {"red, front only: stock shifted by c1 = c2", {255, 0, 0}, false, {200, 150, 100}},
        {"red with a profile: profile shifted by c1", {255, 0, 0}, true, {200, 150, 100}},
        {"black: stock kept", {0, 0, 0}, false, {100, 80, 60}},
        {"half green", {0, 128, 0}, false, {100, 75, 50}},
        {"green and blue add up and clamp", {0, 255, 255}, false, {255, 255, 200}},
    };
    for (const Case& c : cases) {
        QV_Image texture = Solid(4, QV_Colour(100, 80, 60, 77));
        const QV_Image mask = Solid(4, c.mask);
        QV_BlendInput in;
        in.sampler = &s;
        in.photoSample = &photo;
        in.secondSample = c.second ? &profile : nullptr;
        in.mask = &mask;
        float offset[3] = {0, 0, 0};
        ASSERT_TRUE(QV_BlendTexture(in, texture, offset)) << c.name;
        EXPECT_EQ(texture.Row(2)[1], QV_Colour(c.expected.red, c.expected.green, c.expected.blue, 77)) << c.name;
        EXPECT_FLOAT_EQ(offset[0], 100.0f) << c.name;
        EXPECT_FLOAT_EQ(offset[1], 70.0f) << c.name;
        EXPECT_FLOAT_EQ(offset[2], 40.0f) << c.name;
    }
}

TEST(TextureBlend, SkinColourComesFromTheSampleSquareOnly)
{
    // An 32 x 32 texture whose photograph sample is dark except in the 11 x 11
    // square around (0.23, 0.70) -> centre (7, 22): the offset reflects the
    // square alone.
    QV_TextureSampler s;
    s.mode = QV_TextureSampler::kRGB;
    s.height = s.width = 32;
    std::vector<float> photo;
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 32; ++c) {
            s.entries.items.push_back({});
            s.texels.items.push_back({r, c});
            const bool inSquare = std::abs(r - 22) <= 5 && std::abs(c - 7) <= 5;
            const float v = inSquare ? 150.0f : 0.0f;
            photo.insert(photo.end(), {v, v, v});
        }
    QV_Image texture = Solid(16, QV_Colour(50, 50, 50));  // resampled to 32 x 32
    const QV_Image mask = Solid(8, QV_Colour(0, 0, 255));  // resampled likewise
    QV_BlendInput in;
    in.sampler = &s;
    in.photoSample = &photo;
    in.mask = &mask;
    float offset[3];
    ASSERT_TRUE(QV_BlendTexture(in, texture, offset));
    ASSERT_EQ(texture.Rows(), 32);
    ASSERT_EQ(texture.Cols(), 32);
    EXPECT_NEAR(offset[0], 100.0f, 0.5f);
    EXPECT_EQ(texture.Row(0)[0], QV_Colour(150, 150, 150));

    // Without a sampler size or with a short buffer nothing changes.
    QV_Image before = texture;
    std::vector<float> shortBuffer(5, 1.0f);
    in.photoSample = &shortBuffer;
    EXPECT_FALSE(QV_BlendTexture(in, texture, offset));
    EXPECT_EQ(texture.Row(3)[3], before.Row(3)[3]);
}

TEST(TextureBlend, MugShotWithoutMaskTakesThePhotographEverywhere)
{
    QV_MugShot2D3D mug = MugShot();
    mug.mask = QV_Image();  // as read from a version-1 file
    QV_Mesh out = mug.templateMesh;
    out.hasTexture = false;
    std::vector<float> sample(static_cast<size_t>(mug.sampler.EntryCount()) * 3, 120.0f);
    sample[0] = 33.0f;
    ASSERT_TRUE(mug.Blend(sample, nullptr, false, out));
    EXPECT_TRUE(out.hasTexture);
    EXPECT_FLOAT_EQ(mug.colourOffset[0], 20.0f);
    const QV_Texel t0 = mug.sampler.texels.items[0];
    EXPECT_EQ(out.texture.Row(t0.row)[t0.col].red, 33);
    EXPECT_EQ(out.texture.Row(9)[9], QV_Colour(120, 120, 120));
}

TEST(TextureBlend, SkinColourIgnoresTexelsTheSamplerLeavesUnfilled)
{
    // The sampler fills only the left half of a 32 x 32 texture; the sample
    // square around (0.5, 0.5) straddles the edge. The photograph's skin is
    // 160 wherever it is sampled, so the offset over a stock of 60 is 100,
    // not dragged towards black by the unfilled right half.
    QV_TextureSampler s;
    s.mode = QV_TextureSampler::kRGB;
    s.height = s.width = 32;
    std::vector<float> photo;
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 16; ++c) {
            s.entries.items.push_back({});
            s.texels.items.push_back({r, c});
            photo.insert(photo.end(), {160.0f, 160.0f, 160.0f});
        }
    QV_Image texture = Solid(32, QV_Colour(60, 60, 60));
    const QV_Image mask = Solid(32, QV_Colour(0, 0, 255));
    QV_BlendInput in;
    in.sampler = &s;
    in.photoSample = &photo;
    in.mask = &mask;
    in.samplePoint = QV_Point2D(0.5f, 0.5f);
    float offset[3];
    ASSERT_TRUE(QV_BlendTexture(in, texture, offset));
    EXPECT_NEAR(offset[0], 100.0f, 0.01f);
    EXPECT_EQ(texture.Row(3)[30], QV_Colour(160, 160, 160));
}
