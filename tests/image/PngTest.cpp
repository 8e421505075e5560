#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "QV_Image.h"
#include "TestSupport.h"

using codec_test::Captured;
using codec_test::MakePicture;
using codec_test::MaxDifference;
using codec_test::TopFirstBytes;
using visagen_test::TempDir;

namespace {

// Rewrites the IHDR size of a PNG and fixes its CRC, so only the size is wrong.
std::vector<unsigned char> WithHeaderSize(std::vector<unsigned char> b, uint32_t width, uint32_t height)
{
    codec_test::PutU32BE(b, 16, width);
    codec_test::PutU32BE(b, 20, height);
    const uLong crc = crc32(0L, b.data() + 12, 17);
    codec_test::PutU32BE(b, 29, static_cast<uint32_t>(crc));
    return b;
}

}  // namespace

TEST(Png, OurFileReadsExactlyInImageMagickIncludingAlpha)
{
    TempDir dir;
    const QV_Image src = MakePicture(21, 34, true);
    const std::string path = dir.File("ours.png");
    ASSERT_TRUE(src.SavePNG(path));
    EXPECT_EQ(codec_test::ConvertToRaw(dir, path, "rgba"), TopFirstBytes(src, 4));

    QV_Image back;
    ASSERT_TRUE(back.LoadPNG(path));
    ASSERT_EQ(back.Rows(), 21);
    ASSERT_EQ(back.Cols(), 34);
    EXPECT_EQ(TopFirstBytes(back, 4), TopFirstBytes(src, 4));
}

struct ForeignPng {
    const char* name;
    const char* layout;               // raw layout handed to ImageMagick
    std::vector<std::string> options;  // how ImageMagick writes the PNG
    bool keepsAlpha;
    int colourType;  // what the file's header must say
    int bitDepth;
};

class PngFromImageMagick : public testing::TestWithParam<ForeignPng> {};

TEST_P(PngFromImageMagick, ReadsExactly)
{
    TempDir dir;
    const ForeignPng& c = GetParam();
    QV_Image src = MakePicture(19, 23, c.keepsAlpha);
    if (std::string(c.name) == "GreyAlpha") {
        for (int r = 0; r < src.Rows(); ++r)
            for (int k = 0; k < src.Cols(); ++k) src(r, k).green = src(r, k).blue = src(r, k).red;
    }
    if (std::string(c.name) == "Palette") {
        // Few colours, so the palette holds every one of them exactly.
        for (int r = 0; r < src.Rows(); ++r)
            for (int k = 0; k < src.Cols(); ++k)
                src(r, k) = QV_Colour(static_cast<unsigned char>((r % 4) * 60), static_cast<unsigned char>((k % 5) * 50),
                                      static_cast<unsigned char>(((r + k) % 3) * 100), 255);
    }
    const std::string path = dir.File("theirs.png");
    std::vector<std::string> options = c.options;
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, src, c.layout, options, path));
    const std::vector<unsigned char> bytes = visagen_test::ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 26u);
    ASSERT_EQ(bytes[24], c.bitDepth);
    ASSERT_EQ(bytes[25], c.colourType);
    QV_Image img;
    ASSERT_TRUE(img.LoadPNG(path));
    ASSERT_EQ(img.Rows(), 19);
    ASSERT_EQ(img.Cols(), 23);
    const int channels = std::string(c.layout) == "gray" ? 1 : 3;
    EXPECT_EQ(MaxDifference(img, TopFirstBytes(src, channels), channels), 0);
    for (int r = 0; r < img.Rows(); ++r)
        for (int k = 0; k < img.Cols(); ++k) {
            const unsigned char alpha = c.keepsAlpha ? src(r, k).alpha : 255;
            ASSERT_EQ(img(r, k).alpha, alpha) << r << "," << k;
        }
}

INSTANTIATE_TEST_SUITE_P(
    ColourTypes, PngFromImageMagick,
    testing::Values(
        ForeignPng{"Grey", "gray", {"-define", "png:color-type=0", "-define", "png:bit-depth=8"}, false, 0, 8},
        ForeignPng{"GreyAlpha", "rgba", {"-define", "png:color-type=4"}, true, 4, 8},
        ForeignPng{"Rgb", "rgb", {"-define", "png:color-type=2"}, false, 2, 8},
        ForeignPng{"Rgba", "rgba", {"-define", "png:color-type=6"}, true, 6, 8},
        ForeignPng{"Rgb16", "rgb", {"-depth", "16", "-define", "png:color-type=2", "-define", "png:bit-depth=16"}, false, 2, 16},
        ForeignPng{"Palette", "rgb", {"-define", "png:color-type=3"}, false, 3, 8},
        ForeignPng{"Interlaced", "rgba", {"-interlace", "PNG", "-define", "png:color-type=6"}, true, 6, 8}),
    [](const testing::TestParamInfo<ForeignPng>& i) { return std::string(i.param.name); });

TEST(Png, EmptyImageAndUnopenableFileFailWithMessages)
{
    TempDir dir;
    QV_Image empty;
    bool ok = true;
    std::string err = Captured([&] { ok = empty.SavePNG(dir.File("e.png")); });
    EXPECT_FALSE(ok);
    EXPECT_NE(err.find("QV_Image::SavePNG() Error! : "), std::string::npos) << err;
    err = Captured([&] { ok = MakePicture(2, 2).SavePNG(dir.File("no/such/dir.png")); });
    EXPECT_FALSE(ok);
    EXPECT_NE(err.find("can't open file"), std::string::npos) << err;
}

TEST(Png, CorruptFilesFailWithMessage)
{
    TempDir dir;
    const std::string goodPath = dir.File("good.png");
    ASSERT_TRUE(MakePicture(40, 50, true).SavePNG(goodPath));
    const std::vector<unsigned char> good = visagen_test::ReadFileBytes(goodPath);
    const std::string prefix = "QV_Image::LoadPNG() Error! : ";

    std::vector<codec_test::BadFile> cases = {
        {"empty", {}, "not a PNG file"},
        {"wrong magic", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0}, "not a PNG file"},
        {"signature only", std::vector<unsigned char>(good.begin(), good.begin() + 8), prefix},
        {"huge size", WithHeaderSize(good, 1000000, 1000000), prefix},
        {"size beyond the data", WithHeaderSize(good, 30000, 30000), "more than the file can hold"},
        {"zero width", WithHeaderSize(good, 0, 50), prefix},
    };
    for (auto& t : codec_test::Truncations(good, {12, 30, 45, good.size() / 2, good.size() - 13, good.size() - 1},
                                           prefix))
        cases.push_back(t);
    std::vector<unsigned char> flipped = good;
    flipped[good.size() / 2] ^= 0x5A;  // inside the image data: CRC or inflate error
    cases.push_back({"damaged data", flipped, prefix});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("bad.png");
        visagen_test::WriteFileBytes(path, c.bytes);
        QV_Image img;
        bool ok = true;
        const std::string err = Captured([&] { ok = img.LoadPNG(path); });
        EXPECT_FALSE(ok);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}
