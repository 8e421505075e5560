#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "QV_Image.h"
#include "TestSupport.h"

using codec_test::Captured;
using codec_test::MakePicture;
using codec_test::MaxDifference;
using visagen_test::TempDir;

namespace {

// Data of the first COM segment of a JPEG file (empty when there is none).
bool FindComment(const std::vector<unsigned char>& b, std::vector<unsigned char>& data)
{
    size_t i = 2;
    while (i + 4 <= b.size() && b[i] == 0xFF) {
        const unsigned marker = b[i + 1];
        const size_t length = (static_cast<size_t>(b[i + 2]) << 8) | b[i + 3];
        if (marker == 0xFE) {
            if (i + 2 + length > b.size() || length < 2) return false;
            data.assign(b.begin() + static_cast<long>(i) + 4, b.begin() + static_cast<long>(i + 2 + length));
            return true;
        }
        if (marker == 0xDA) return false;
        i += 2 + length;
    }
    return false;
}

// Offset of the first SOF0 segment's marker.
size_t FindFrameHeader(const std::vector<unsigned char>& b)
{
    for (size_t i = 2; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) return i;
    return 0;
}

int QualityByImageMagick(const TempDir& dir, const std::string& file)
{
    const std::string out = dir.File("quality.txt");
    if (!visagen_test::Convert({file, "-format", "%Q", "info:" + out})) return -1;
    std::ifstream in(out);
    int q = -1;
    in >> q;
    return q;
}

}  // namespace

TEST(Jpeg, OurFileDecodesInImageMagickLikeInOurs)
{
    TempDir dir;
    const QV_Image src = MakePicture(37, 53);
    const std::string path = dir.File("ours.jpg");
    ASSERT_TRUE(src.SaveJPEG(path));
    const std::vector<unsigned char> theirs = codec_test::ConvertToRaw(dir, path, "rgb");
    ASSERT_FALSE(theirs.empty());
    double mean = 0;
    EXPECT_LE(MaxDifference(src, theirs, 3, &mean), 48);
    EXPECT_LE(mean, 3.0);

    QV_Image back;
    ASSERT_TRUE(back.LoadJPEG(path));
    ASSERT_EQ(back.Rows(), 37);
    ASSERT_EQ(back.Cols(), 53);
    EXPECT_LE(MaxDifference(back, theirs, 3, &mean), 4);  // same file, two decoders
    EXPECT_LE(mean, 0.5);
    EXPECT_EQ(back(0, 0).alpha, 255);
}

struct ForeignJpeg {
    const char* name;
    const char* layout;
    int channels;
    const char* colourspace = nullptr;  // how ImageMagick stores the picture, when not as given
};

class JpegFromImageMagick : public testing::TestWithParam<ForeignJpeg> {};

TEST_P(JpegFromImageMagick, ReadsWithinCompressionError)
{
    TempDir dir;
    const ForeignJpeg& c = GetParam();
    const QV_Image src = MakePicture(40, 30);
    const std::string path = dir.File("theirs.jpg");
    std::vector<std::string> options = {"-quality", "95"};
    if (c.colourspace) options.insert(options.begin(), {"-colorspace", c.colourspace});
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, src, c.layout, options, path));
    QV_Image img;
    img.SetJPEGQuality(20);
    ASSERT_TRUE(img.LoadJPEG(path));
    EXPECT_EQ(img.JPEGQuality(), 100);
    ASSERT_EQ(img.Rows(), 40);
    ASSERT_EQ(img.Cols(), 30);
    // Row order: the top of the picture lands in the highest row.
    const std::vector<unsigned char> decoded = codec_test::ConvertToRaw(dir, path, c.layout);
    double mean = 0;
    EXPECT_LE(MaxDifference(img, decoded, c.channels, &mean), 4);
    EXPECT_LE(mean, 0.5);
    EXPECT_LE(MaxDifference(img, codec_test::TopFirstBytes(src, c.channels), c.channels, &mean), 48);
    EXPECT_LE(mean, 3.0);
    if (c.channels == 1) {
        EXPECT_EQ(img(3, 4).red, img(3, 4).green);
        EXPECT_EQ(img(3, 4).red, img(3, 4).blue);
    }
    EXPECT_EQ(img(5, 5).alpha, 255);
}

INSTANTIATE_TEST_SUITE_P(Layouts, JpegFromImageMagick,
                         testing::Values(ForeignJpeg{"Rgb", "rgb", 3}, ForeignJpeg{"Grey", "gray", 1},
                                         // Four channels of ink, read as the colours they print.
                                         ForeignJpeg{"Cmyk", "rgb", 3, "CMYK"}),
                         [](const testing::TestParamInfo<ForeignJpeg>& i) { return std::string(i.param.name); });

TEST(Jpeg, CommentMarkerHoldsCommentAndShiftedCopy)
{
    TempDir dir;
    QV_Image img = MakePicture(8, 8);
    const std::string text = std::string("Made by us ~\xFF");  // 0xFF wraps to 0x00
    img.SetComment(text.c_str());
    const std::string path = dir.File("c.jpg");
    ASSERT_TRUE(img.SaveJPEG(path));
    std::vector<unsigned char> data;
    ASSERT_TRUE(FindComment(visagen_test::ReadFileBytes(path), data));
    std::vector<unsigned char> expected(text.begin(), text.end());
    for (unsigned char ch : text) expected.push_back(static_cast<unsigned char>(ch + 1));
    EXPECT_EQ(data, expected);
    EXPECT_EQ(expected.back(), 0x00);
}

TEST(Jpeg, OverlongCommentIsCutToFitOneMarker)
{
    TempDir dir;
    QV_Image img = MakePicture(8, 8);
    img.SetComment(std::string(40000, 'a').c_str());
    const std::string path = dir.File("long.jpg");
    ASSERT_TRUE(img.SaveJPEG(path));
    std::vector<unsigned char> data;
    ASSERT_TRUE(FindComment(visagen_test::ReadFileBytes(path), data));
    ASSERT_EQ(data.size(), 2u * 32766u);
    EXPECT_EQ(data.front(), 'a');
    EXPECT_EQ(data[32765], 'a');
    EXPECT_EQ(data[32766], 'b');
    QV_Image back;
    EXPECT_TRUE(back.LoadJPEG(path));
}

TEST(Jpeg, QualityIsWrittenAndReadResetsIt)
{
    TempDir dir;
    QV_Image img = MakePicture(64, 64);
    const std::string q75 = dir.File("q75.jpg"), q100 = dir.File("q100.jpg");
    ASSERT_TRUE(img.SaveJPEG(q100));
    img.SetJPEGQuality(75);
    ASSERT_TRUE(img.SaveJPEG(q75));
    EXPECT_EQ(QualityByImageMagick(dir, q75), 75);
    EXPECT_EQ(QualityByImageMagick(dir, q100), 100);
    EXPECT_LT(visagen_test::ReadFileBytes(q75).size(), visagen_test::ReadFileBytes(q100).size());
    ASSERT_TRUE(img.LoadJPEG(q75));
    EXPECT_EQ(img.JPEGQuality(), 100);
}

TEST(Jpeg, StreamFormsWorkFromTheCurrentPosition)
{
    TempDir dir;
    const QV_Image src = MakePicture(16, 24);
    const std::string path = dir.File("stream.bin");
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        ASSERT_TRUE(f);
        ASSERT_EQ(std::fputs("HEAD", f.get()), 1);
        ASSERT_TRUE(src.WriteJPEG(f.get()));
    }
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    ASSERT_TRUE(f);
    ASSERT_EQ(std::fseek(f.get(), 4, SEEK_SET), 0);
    QV_Image img;
    ASSERT_TRUE(img.ReadJPEG(f.get()));
    double mean = 0;
    EXPECT_LE(MaxDifference(img, codec_test::TopFirstBytes(src, 3), 3, &mean), 48);
    EXPECT_LE(mean, 3.0);
}

TEST(Jpeg, EmptyImageAndUnopenableFileFailWithMessages)
{
    TempDir dir;
    QV_Image empty;
    bool ok = true;
    std::string err = Captured([&] { ok = empty.SaveJPEG(dir.File("e.jpg")); });
    EXPECT_FALSE(ok);
    EXPECT_NE(err.find("QV_Image::WriteJPEG() Error! : "), std::string::npos) << err;
    err = Captured([&] { ok = empty.SaveJPEG(dir.File("no/such/dir.jpg")); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "QV_Image::SaveJPEG(). Error, can not open file!.\n");
}

TEST(Jpeg, CorruptFilesFailWithMessage)
{
    TempDir dir;
    const std::string goodPath = dir.File("good.jpg");
    ASSERT_TRUE(MakePicture(48, 40).SaveJPEG(goodPath));
    const std::vector<unsigned char> good = visagen_test::ReadFileBytes(goodPath);
    const size_t sof = FindFrameHeader(good);
    ASSERT_GT(sof, 0u);

    std::vector<codec_test::BadFile> cases = {
        {"empty", {}, "Not a JPEG file first marker was EOF EOF"},
        {"one byte", {0xFF}, "Not a JPEG file first marker was ff EOF"},
        {"wrong magic", {0x89, 'P', 'N', 'G', 0, 0, 0, 0}, "Not a JPEG file first marker was 89 50\n"},
        {"marker only", {0xFF, 0xD8}, "QV_Image::ReadJPEG() Error! : "},
        {"garbage after marker", {0xFF, 0xD8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "QV_Image::ReadJPEG() Error! : "},
    };
    for (auto& t : codec_test::Truncations(good, {3, 20, sof + 5, good.size() / 2, good.size() - 10},
                                           "QV_Image::ReadJPEG() Error! : "))
        cases.push_back(t);
    // A frame header far larger than the file: 65000 x 65000, and 16000 x
    // 16000 (within the absolute ceiling but not what a few KB can hold).
    for (uint32_t side : {65000u, 16000u}) {
        std::vector<unsigned char> big = good;
        big[sof + 5] = static_cast<unsigned char>(side >> 8);
        big[sof + 6] = static_cast<unsigned char>(side);
        big[sof + 7] = static_cast<unsigned char>(side >> 8);
        big[sof + 8] = static_cast<unsigned char>(side);
        cases.push_back({"huge frame " + std::to_string(side), big, "is more than the file can hold"});
    }
    // A zero height frame is refused by the library.
    std::vector<unsigned char> zero = good;
    zero[sof + 5] = zero[sof + 6] = 0;
    cases.push_back({"zero height", zero, "QV_Image::ReadJPEG() Error! : "});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("bad.jpg");
        visagen_test::WriteFileBytes(path, c.bytes);
        QV_Image img;
        bool ok = true;
        const std::string err = Captured([&] { ok = img.LoadJPEG(path); });
        EXPECT_FALSE(ok);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}
