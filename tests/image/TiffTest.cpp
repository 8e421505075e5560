#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "QV_Image.h"
#include "TestSupport.h"

using codec_test::Captured;
using codec_test::MakePicture;
using codec_test::MaxDifference;
using codec_test::PutLE;
using codec_test::TopFirstBytes;
using visagen_test::TempDir;

namespace {

// A little-endian, uncompressed 8-bit grey TIFF: the header announces width x
// height in strips of `rowsPerStrip` rows, each strip `announced` bytes long
// and following the previous one; `data` follows the directory and may be
// shorter than announced.
std::vector<unsigned char> HandMadeTiff(uint32_t width, uint32_t height, uint32_t announced,
                                        const std::vector<unsigned char>& data, uint32_t rowsPerStrip = 0)
{
    if (rowsPerStrip == 0) rowsPerStrip = height;
    const uint32_t strips = rowsPerStrip ? (height + rowsPerStrip - 1) / rowsPerStrip : 1;
    const uint32_t entries = 9;
    const uint32_t tables = 8 + 2 + entries * 12 + 4;               // offsets and counts when strips > 1
    const uint32_t dataOffset = tables + (strips > 1 ? strips * 8 : 0);
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    const Entry e[entries] = {{256, 4, 1, width},
                              {257, 4, 1, height},
                              {258, 3, 1, 8},
                              {259, 3, 1, 1},
                              {262, 3, 1, 1},
                              {273, 4, strips, strips > 1 ? tables : dataOffset},
                              {277, 3, 1, 1},
                              {278, 4, 1, rowsPerStrip},
                              {279, 4, strips, strips > 1 ? tables + strips * 4 : announced}};
    std::vector<unsigned char> b = {'I', 'I', 42, 0};
    PutLE(b, 8, 4);
    PutLE(b, entries, 2);
    for (const Entry& x : e) {
        PutLE(b, x.tag, 2);
        PutLE(b, x.type, 2);
        PutLE(b, x.count, 4);
        PutLE(b, x.value, 4);
    }
    PutLE(b, 0, 4);
    if (strips > 1) {
        for (uint32_t s = 0; s < strips; ++s) PutLE(b, dataOffset + s * announced, 4);
        for (uint32_t s = 0; s < strips; ++s) PutLE(b, announced, 4);
    }
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

}  // namespace

struct ForeignTiff {
    const char* name;
    const char* layout;
    std::vector<std::string> options;
};

class TiffFromImageMagick : public testing::TestWithParam<ForeignTiff> {};

TEST_P(TiffFromImageMagick, ReadsExactlyWithOpaqueAlpha)
{
    TempDir dir;
    const ForeignTiff& c = GetParam();
    const QV_Image src = MakePicture(17, 29);
    const std::string path = dir.File("theirs.tif");
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, src, c.layout, c.options, path));
    QV_Image img;
    ASSERT_TRUE(img.LoadTIFF(path));
    ASSERT_EQ(img.Rows(), 17);
    ASSERT_EQ(img.Cols(), 29);
    const int channels = std::string(c.layout) == "gray" ? 1 : 3;
    EXPECT_EQ(MaxDifference(img, TopFirstBytes(src, channels), channels), 0);
    for (int r = 0; r < img.Rows(); ++r)
        for (int k = 0; k < img.Cols(); ++k) ASSERT_EQ(img(r, k).alpha, 255);
}

INSTANTIATE_TEST_SUITE_P(Compressions, TiffFromImageMagick,
                         testing::Values(ForeignTiff{"RgbPlain", "rgb", {"-compress", "none"}},
                                         ForeignTiff{"RgbLzw", "rgb", {"-compress", "lzw"}},
                                         ForeignTiff{"RgbDeflate", "rgb", {"-compress", "zip"}},
                                         ForeignTiff{"RgbPackBits", "rgb", {"-compress", "rle"}},
                                         ForeignTiff{"Grey", "gray", {"-compress", "lzw"}}),
                         [](const testing::TestParamInfo<ForeignTiff>& i) { return std::string(i.param.name); });

TEST(Tiff, HandMadeGreyFileReadsBottomRowFirst)
{
    TempDir dir;
    // File rows are top first: the first file row must land in image row 2.
    const std::vector<unsigned char> grey = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    const std::string path = dir.File("hand.tif");
    visagen_test::WriteFileBytes(path, HandMadeTiff(4, 3, 12, grey));
    QV_Image img;
    ASSERT_TRUE(img.LoadTIFF(path));
    ASSERT_EQ(img.Rows(), 3);
    ASSERT_EQ(img.Cols(), 4);
    EXPECT_EQ(img(2, 0), QV_Colour(10, 10, 10, 255));
    EXPECT_EQ(img(2, 3), QV_Colour(40, 40, 40, 255));
    EXPECT_EQ(img(0, 0), QV_Colour(90, 90, 90, 255));
    EXPECT_EQ(img(0, 3), QV_Colour(120, 120, 120, 255));
}

TEST(Tiff, CorruptFilesFailWithMessage)
{
    TempDir dir;
    const std::string goodPath = dir.File("good.tif");
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, MakePicture(30, 40), "rgb", {"-compress", "lzw"}, goodPath));
    const std::vector<unsigned char> good = visagen_test::ReadFileBytes(goodPath);
    const std::vector<unsigned char> twelve(12, 77);

    std::vector<codec_test::BadFile> cases = {
        {"empty", {}, "QV_Image::LoadTIFF() Error! : can't open"},
        {"wrong magic", {'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 0}, "can't open"},
        {"header only", std::vector<unsigned char>(good.begin(), good.begin() + 8), "QV_Image::LoadTIFF() Error!"},
        // The raster read fails: the strip is announced longer than the file.
        {"strip beyond the file", HandMadeTiff(4, 3, 12, {1, 2, 3}), "can't read the image"},
        // The first strip reads, the second is missing: still a failure.
        {"second strip missing", HandMadeTiff(4, 2, 4, {1, 2, 3, 4}, 1), "can't read the image"},
        {"huge size", HandMadeTiff(65000, 65000, 12, twelve), "more than the file can hold"},
        {"size beyond the data", HandMadeTiff(16000, 16000, 12, twelve), "more than the file can hold"},
        {"zero width", HandMadeTiff(0, 3, 12, twelve), "QV_Image::LoadTIFF() Error!"},
    };
    for (auto& t : codec_test::Truncations(good, {100, good.size() / 3, good.size() / 2}, "QV_Image::LoadTIFF() Error!"))
        cases.push_back(t);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("bad.tif");
        visagen_test::WriteFileBytes(path, c.bytes);
        QV_Image img;
        bool ok = true;
        const std::string err = Captured([&] { ok = img.LoadTIFF(path); });
        EXPECT_FALSE(ok);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}
