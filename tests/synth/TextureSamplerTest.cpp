// Texture sampler: bilinear photograph reads, the sample modes, filling the
// sample image, and samplers rasterised from texture triangles.
#include <gtest/gtest.h>

#include <cmath>

#include "MugShotTestFixture.h"
#include "QV_MugShotFixture.h"

using namespace mugshot_fixture;

namespace {

// One entry per given position, placed through three image points so that
// the weights are exercised: Q = {p, p + (10, 0), p + (0, 10)}, weights (1, 0, 0)
// shifted to (0.5, 0.25, 0.25) with the point moved back by (2.5, 2.5).
QV_TextureSampler PointSampler(int mode, const std::vector<QV_Point2D>& at, std::vector<QV_Point2D>& q)
{
    QV_TextureSampler s;
    s.mode = mode;
    s.height = 1;
    s.width = static_cast<int>(at.size());
    for (size_t k = 0; k < at.size(); ++k) {
        const int base = static_cast<int>(q.size());
        const QV_Point2D p = at[k] - QV_Point2D(2.5f, 2.5f);
        q.push_back(p);
        q.push_back(p + QV_Point2D(10, 0));
        q.push_back(p + QV_Point2D(0, 10));
        s.entries.items.push_back({{0.5f, 0.25f, 0.25f}, {base, base + 1, base + 2}});
        s.texels.items.push_back({0, static_cast<int32_t>(k)});
    }
    return s;
}

}  // namespace

TEST(TextureSampler, ModesReadBilinearlyWithMidGreyOutside)
{
    QV_Image photo(4, 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            photo.Row(r)[c] = QV_Colour(static_cast<unsigned char>(10 * c), static_cast<unsigned char>(20 * r), 90,
                                        static_cast<unsigned char>(200 + c));
    struct Case {
        int mode;
        QV_Point2D at;
        std::vector<float> expected;
    } cases[] = {
        // Pixel (row r, column c) has its centre at (c + 0.5, r + 0.5).
        {QV_TextureSampler::kRGB, {1.5f, 2.5f}, {10, 40, 90}},
        {QV_TextureSampler::kRGB, {2.0f, 2.75f}, {15, 45, 90}},  // between pixels
        {QV_TextureSampler::kRGBA, {2.5f, 1.5f}, {20, 20, 90, 202}},
        {QV_TextureSampler::kGrey, {3.5f, 3.5f}, {(30.0f + 60.0f + 90.0f) * 0.33333334f}},
        {QV_TextureSampler::kRGB, {3.9f, 0.1f}, {30, 0, 90}},  // outer half pixels: the corner pixel
        {QV_TextureSampler::kRGB, {4.0f, 1.0f}, {128, 128, 128}},
        {QV_TextureSampler::kRGB, {-0.01f, 1.0f}, {128, 128, 128}},
        {QV_TextureSampler::kRGB, {NAN, 1.0f}, {128, 128, 128}},
        {QV_TextureSampler::kRGBA, {1.0f, 9.0f}, {128, 128, 128, 255}},
        {QV_TextureSampler::kGrey, {1e30f, 1.0f}, {128.0f * 3 * 0.33333334f}},
    };
    for (const Case& c : cases) {
        std::vector<QV_Point2D> q;
        const QV_TextureSampler s = PointSampler(c.mode, {c.at}, q);
        std::vector<float> buffer;
        ASSERT_TRUE(s.Sample(photo, q, buffer));
        ASSERT_EQ(buffer.size(), c.expected.size()) << c.mode;
        for (size_t k = 0; k < buffer.size(); ++k)
            EXPECT_NEAR(buffer[k], c.expected[k], 0.51f) << "mode " << c.mode << " at " << c.at.x << "," << c.at.y;
    }
    // An entry naming an image point that does not exist is refused.
    std::vector<QV_Point2D> q;
    const QV_TextureSampler s = PointSampler(QV_TextureSampler::kRGB, {{1, 1}}, q);
    q.pop_back();
    std::vector<float> buffer;
    EXPECT_FALSE(s.Sample(photo, q, buffer));
}

TEST(TextureSampler, FillWritesEachTexelAndRejectsAWrongBuffer)
{
    QV_TextureSampler s;
    s.mode = QV_TextureSampler::kGrey;
    s.height = 2;
    s.width = 3;
    s.entries.items.resize(2);
    s.texels.items = {{1, 2}, {0, 0}};
    QV_Image im;
    ASSERT_TRUE(s.Fill({200.4f, 12.6f}, im));
    ASSERT_EQ(im.Rows(), 2);
    ASSERT_EQ(im.Cols(), 3);
    EXPECT_EQ(im.Row(1)[2], QV_Colour(200, 200, 200, 255));
    EXPECT_EQ(im.Row(0)[0], QV_Colour(13, 13, 13, 255));
    EXPECT_EQ(im.Row(0)[1], QV_Colour(0, 0, 0, 255));  // no entry
    EXPECT_FALSE(s.Fill({1.0f}, im));

    s.mode = QV_TextureSampler::kRGB;
    ASSERT_TRUE(s.Fill({1, 2, 300, 4, 5, -6}, im));
    EXPECT_EQ(im.Row(1)[2], QV_Colour(1, 2, 255, 255));  // clamped, alpha kept
    EXPECT_EQ(im.Row(0)[0], QV_Colour(4, 5, 0, 255));
    EXPECT_FALSE(s.Fill({1, 2, 3}, im));
}

TEST(TextureSampler, RasterisedSamplerCoversTheTextureWithExactWeights)
{
    const QV_Mesh mesh = TemplateMesh();
    QV_TextureSampler s;
    ASSERT_TRUE(QV_BuildTextureSampler(mesh, 16, 20, QV_TextureSampler::kRGB, s));
    // The grid's texture coordinates span the unit square: every texel once.
    ASSERT_EQ(s.EntryCount(), 16 * 20);
    std::vector<int> seen(16 * 20, 0);
    for (int k = 0; k < s.EntryCount(); ++k) {
        const QV_Texel t = s.texels.items[k];
        ++seen[t.row * 20 + t.col];
        const QV_MappingEntry& e = s.entries.items[k];
        EXPECT_NEAR(e.w[0] + e.w[1] + e.w[2], 1.0f, 1e-5f);
        // The weights reproduce the texel centre from the texture coordinates.
        std::vector<QV_Point2D> tc;
        for (int i = 0; i < mesh.TexCoordCount(); ++i) tc.push_back(mesh.texCoords[i]);
        ASSERT_TRUE(e.IndicesBelow(mesh.TexCoordCount()));
        const QV_Point2D uv = e.Evaluate(tc.data());
        EXPECT_NEAR(uv.x, (t.col + 0.5f) / 20.0f, 1e-5f);
        EXPECT_NEAR(uv.y, (t.row + 0.5f) / 16.0f, 1e-5f);
    }
    for (int n : seen) EXPECT_EQ(n, 1);
    EXPECT_FALSE(QV_BuildTextureSampler(mesh, 0, 20, QV_TextureSampler::kRGB, s));
    EXPECT_FALSE(QV_BuildTextureSampler(mesh, 16, 20, 5, s));
}
