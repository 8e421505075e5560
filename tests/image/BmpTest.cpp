// BMP reading and writing: header layout, round trips, agreement with
// ImageMagick in both directions, header variants and refusal of bad files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "OwnCodecTestUtil.h"
#include "QV_Image.h"
#include "TestSupport.h"

using namespace owncodec_test;
using testing::HasSubstr;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;

namespace {

std::vector<unsigned char> SavedBmp(const TempDir& dir, const RawPicture& p)
{
    const std::string path = dir.File("saved.bmp");
    EXPECT_TRUE(ToImage(p).SaveBMP(path));
    return ReadFileBytes(path);
}

bool LoadBytes(const TempDir& dir, const std::vector<unsigned char>& bytes, QV_Image& img, std::string* err = nullptr)
{
    const std::string path = dir.File("input.bmp");
    WriteFileBytes(path, bytes);
    testing::internal::CaptureStderr();
    const bool ok = img.LoadBMP(path);
    const std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return ok;
}

}  // namespace

TEST(BmpWrite, HeaderFieldsAndRowPadding)
{
    TempDir dir;
    const RawPicture p = Gradient(5, 3);
    const std::vector<unsigned char> b = SavedBmp(dir, p);
    const unsigned rowBytes = 16;  // 15 bytes padded to a multiple of 4
    ASSERT_EQ(b.size(), 54u + rowBytes * 3);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    const struct {
        size_t offset;
        int size;
        unsigned value;
    } fields[] = {{2, 4, 54 + rowBytes * 3}, {6, 4, 0},    {10, 4, 54},   {14, 4, 40}, {18, 4, 5},
                  {22, 4, 3},                {26, 2, 1},   {28, 2, 24},   {30, 4, 0},  {34, 4, 0},
                  {38, 4, 2925},             {42, 4, 2925}, {46, 4, 0},   {50, 4, 0}};
    for (const auto& f : fields) {
        const unsigned got = f.size == 2 ? GetLE16(b, f.offset) : GetLE32(b, f.offset);
        EXPECT_EQ(got, f.value) << "field at offset " << f.offset;
    }
    // First file row is the bottom of the picture, bytes B, G, R; pad byte 0.
    const unsigned char* bottomLeft = p.At(0, 2);
    EXPECT_EQ(b[54], bottomLeft[2]);
    EXPECT_EQ(b[55], bottomLeft[1]);
    EXPECT_EQ(b[56], bottomLeft[0]);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(b[54 + r * rowBytes + 15], 0) << "padding of row " << r;
}

TEST(BmpWrite, RoundTripKeepsColoursAndMakesAlphaOpaque)
{
    TempDir dir;
    for (int w : {1, 2, 3, 4, 7}) {
        const RawPicture p = Gradient(w, 6, true);
        const std::string path = dir.File("rt.bmp");
        ASSERT_TRUE(ToImage(p).SaveBMP(path));
        QV_Image back;
        ASSERT_TRUE(back.LoadBMP(path));
        EXPECT_EQ(CountDifferences(back, p, 3), 0) << "width " << w;
        for (int i = 0; i < back.Count(); ++i) ASSERT_EQ(back.Data()[i].alpha, 255);
    }
}

TEST(BmpWrite, ImageMagickReadsTheSamePixels)
{
    TempDir dir;
    for (auto size : {std::pair{1, 1}, std::pair{5, 3}, std::pair{33, 17}, std::pair{64, 40}}) {
        const RawPicture p = Gradient(size.first, size.second);
        const std::string path = dir.File("ours.bmp");
        ASSERT_TRUE(ToImage(p).SaveBMP(path));
        RawPicture seen;
        ASSERT_TRUE(ImageMagickRead(path, dir, p.width, p.height, seen));
        EXPECT_EQ(CountDifferences(seen, p, 3), 0) << size.first << "x" << size.second;
    }
}

TEST(BmpRead, FilesWrittenByImageMagick)
{
    TempDir dir;
    struct Case {
        const char* name;
        RawPicture picture;
        std::vector<std::string> options;
        int bitCount;
    };
    const Case cases[] = {
        {"24-bit", Gradient(37, 21), {"-alpha", "off", "-type", "TrueColor"}, 24},
        {"32-bit with alpha", Gradient(19, 12, true), {"-type", "TrueColorAlpha"}, 32},
        {"8-bit palette", FewColours(45, 30, 40), {"-alpha", "off", "-type", "Palette", "-compress", "none"}, 8},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("im.bmp");
        ASSERT_TRUE(ImageMagickWrite(c.picture, dir, path, c.options)) << c.name;
        const std::vector<unsigned char> b = ReadFileBytes(path);
        ASSERT_GT(b.size(), 54u);
        ASSERT_EQ(GetLE16(b, 28), static_cast<unsigned>(c.bitCount)) << c.name << ": not the intended kind";
        EXPECT_GT(GetLE32(b, 14), 40u) << c.name << ": expected ImageMagick's large header";
        QV_Image img;
        ASSERT_TRUE(img.LoadBMP(path)) << c.name;
        EXPECT_EQ(CountDifferences(img, c.picture, 3), 0) << c.name;
        for (int i = 0; i < img.Count(); ++i) ASSERT_EQ(img.Data()[i].alpha, 255) << c.name;
    }
}

TEST(BmpRead, RunLengthFileFromImageMagickIsRefused)
{
    TempDir dir;
    const std::string path = dir.File("rle.bmp");
    ASSERT_TRUE(ImageMagickWrite(FewColours(45, 30, 40), dir, path, {"-alpha", "off", "-type", "Palette"}));
    ASSERT_EQ(GetLE32(ReadFileBytes(path), 30), 1u) << "expected an RLE8 file";
    QV_Image img;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(img.LoadBMP(path));
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("is an unrecognised BMP file"));
}

TEST(BmpRead, NegativeHeightMeansTopRowFirst)
{
    TempDir dir;
    const RawPicture p = Gradient(6, 4);
    std::vector<unsigned char> b = SavedBmp(dir, p);
    // Reverse the rows and mark the file top-down.
    const size_t rowBytes = 20;
    std::vector<unsigned char> flipped(b.begin(), b.begin() + 54);
    for (int r = 3; r >= 0; --r)
        flipped.insert(flipped.end(), b.begin() + 54 + r * rowBytes, b.begin() + 54 + (r + 1) * rowBytes);
    PutLE32(flipped, 22, static_cast<unsigned>(-4));
    QV_Image img;
    ASSERT_TRUE(LoadBytes(dir, flipped, img));
    EXPECT_EQ(CountDifferences(img, p, 3), 0);
}

TEST(BmpRead, HonoursInfoHeaderSizeAndDataOffset)
{
    TempDir dir;
    const RawPicture p = Gradient(7, 5);
    const std::vector<unsigned char> b = SavedBmp(dir, p);
    for (unsigned headerSize : {40u, 52u, 56u, 108u, 124u}) {
        for (unsigned gap : {0u, 6u}) {
            std::vector<unsigned char> v(b.begin(), b.begin() + 54);
            v.insert(v.end(), headerSize - 40, 0xEE);  // extended header fields
            v.insert(v.end(), gap, 0x99);              // bytes before the pixel data
            v.insert(v.end(), b.begin() + 54, b.end());
            PutLE32(v, 14, headerSize);
            PutLE32(v, 10, 14 + headerSize + gap);
            QV_Image img;
            ASSERT_TRUE(LoadBytes(dir, v, img)) << headerSize << " gap " << gap;
            EXPECT_EQ(CountDifferences(img, p, 3), 0) << headerSize << " gap " << gap;
        }
    }
}

TEST(BmpRead, PaletteSmallerThanAnnouncedStopsAtDataOffset)
{
    // 8 bits with colours-used 0 but only 2 palette entries before the data.
    std::vector<unsigned char> b(54 + 8 + 4, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLE32(b, 10, 62);
    PutLE32(b, 14, 40);
    PutLE32(b, 18, 2);
    PutLE32(b, 22, 1);
    PutLE16(b, 26, 1);
    PutLE16(b, 28, 8);
    const unsigned char pal[8] = {10, 20, 30, 0, 40, 50, 60, 0};
    std::copy(pal, pal + 8, b.begin() + 54);
    b[62] = 1;
    b[63] = 0;
    TempDir dir;
    QV_Image img;
    ASSERT_TRUE(LoadBytes(dir, b, img));
    EXPECT_EQ(img(0, 0), QV_Colour(60, 50, 40, 255));
    EXPECT_EQ(img(0, 1), QV_Colour(30, 20, 10, 255));
}

TEST(BmpRead, RefusesCompressionAndUnknownLayouts)
{
    TempDir dir;
    const std::vector<unsigned char> good = SavedBmp(dir, Gradient(4, 4));
    struct Case {
        const char* name;
        size_t offset;
        int size;
        unsigned value;
    };
    const Case cases[] = {
        {"RLE8", 30, 4, 1},         {"RLE4", 30, 4, 2},          {"bit fields on 24 bits", 30, 4, 3},
        {"JPEG inside", 30, 4, 4},  {"PNG inside", 30, 4, 5},    {"16 bits", 28, 2, 16},
        {"4 bits", 28, 2, 4},       {"core header", 14, 4, 12},  {"odd header size", 14, 4, 64},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> b = good;
        if (c.size == 2) {
            PutLE16(b, c.offset, c.value);
        } else {
            PutLE32(b, c.offset, c.value);
        }
        QV_Image img;
        std::string err;
        EXPECT_FALSE(LoadBytes(dir, b, img, &err)) << c.name;
        EXPECT_THAT(err, HasSubstr("is an unrecognised BMP file")) << c.name;
    }
}

TEST(BmpRead, BitFieldsAcceptedOnlyWithPlainMasks)
{
    TempDir dir;
    const RawPicture p = Gradient(3, 2);
    // 32-bit pixels B, G, R, X after a 40-byte header and three masks.
    auto build = [&](unsigned red, unsigned green, unsigned blue) {
        std::vector<unsigned char> b(54 + 12, 0);
        b[0] = 'B';
        b[1] = 'M';
        PutLE32(b, 10, 66);
        PutLE32(b, 14, 40);
        PutLE32(b, 18, 3);
        PutLE32(b, 22, 2);
        PutLE16(b, 26, 1);
        PutLE16(b, 28, 32);
        PutLE32(b, 30, 3);
        PutLE32(b, 54, red);
        PutLE32(b, 58, green);
        PutLE32(b, 62, blue);
        for (int y = 1; y >= 0; --y)
            for (int x = 0; x < 3; ++x) {
                const unsigned char* q = p.At(x, y);
                b.insert(b.end(), {q[2], q[1], q[0], 0});
            }
        return b;
    };
    QV_Image img;
    ASSERT_TRUE(LoadBytes(dir, build(0x00FF0000, 0x0000FF00, 0x000000FF), img));
    EXPECT_EQ(CountDifferences(img, p, 4), 0);
    std::string err;
    EXPECT_FALSE(LoadBytes(dir, build(0x000000FF, 0x0000FF00, 0x00FF0000), img, &err));
    EXPECT_THAT(err, HasSubstr("unrecognised BMP file"));
    EXPECT_FALSE(LoadBytes(dir, build(0xF800, 0x07E0, 0x001F), img, &err));
}

TEST(BmpRead, BadFilesFailWithoutHarm)
{
    TempDir dir;
    const std::vector<unsigned char> good = SavedBmp(dir, Gradient(9, 7));
    std::vector<CorruptCase> cases = TruncationCases(good);
    auto patched = [&](const char* name, size_t at, unsigned v) {
        std::vector<unsigned char> b = good;
        PutLE32(b, at, v);
        cases.push_back({name, b});
    };
    patched("huge width", 18, 0x7FFFFFFF);
    patched("huge height", 22, 0x7FFFFFFF);
    patched("most negative height", 22, 0x80000000u);
    patched("width times height beyond the file", 18, 60000);
    patched("zero width", 18, 0);
    patched("zero height", 22, 0);
    patched("negative width", 18, static_cast<unsigned>(-9));
    patched("data offset past the end", 10, 1u << 30);
    patched("data offset inside the header", 10, 20);
    patched("header size huge", 14, 0xFFFFFFF0u);
    for (const CorruptCase& c : cases) {
        QV_Image img;
        EXPECT_FALSE(LoadBytes(dir, c.bytes, img)) << c.name;
    }
}

TEST(BmpRead, MessagesForMissingFileAndWrongMagic)
{
    TempDir dir;
    QV_Image img;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(img.LoadBMP(dir.File("absent.bmp")));
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("QV_Image::LoadBMP() Error! can't open file "));

    std::string err;
    EXPECT_FALSE(LoadBytes(dir, {'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, img, &err));
    EXPECT_THAT(err, HasSubstr("QV_Image::LoadBMP() Error!" + dir.File("input.bmp") + " is NOT a BMP File"));
}

TEST(BmpWrite, UnwritablePathFailsWithMessage)
{
    TempDir dir;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ToImage(Gradient(2, 2)).SaveBMP(dir.File("no/such/folder/x.bmp")));
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("QV_Image::SaveBMP(). Error! : can't open "));
}

TEST(OwnWriters, RefuseAnEmptyImageAndWriteNothing)
{
    TempDir dir;
    const struct {
        const char* name;
        bool (QV_Image::*save)(const QV_String&) const;
    } writers[] = {{"bmp", &QV_Image::SaveBMP}, {"gif", &QV_Image::SaveGIF}, {"ppm", &QV_Image::SavePPM},
                   {"pgm", &QV_Image::SavePGM}, {"tga", &QV_Image::SaveTGA}, {"pcx", &QV_Image::SavePCX}};
    for (const auto& w : writers) {
        const std::string path = dir.File(std::string("empty.") + w.name);
        QV_Image empty;
        testing::internal::CaptureStderr();
        EXPECT_FALSE((empty.*w.save)(path)) << w.name;
        EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("Error!")) << w.name;
        EXPECT_TRUE(ReadFileBytes(path).empty()) << w.name;
    }
}
