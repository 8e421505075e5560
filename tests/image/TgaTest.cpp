// TGA: header layout, pixel order and comment mark of the writer, agreement
// with ImageMagick both ways, ID field and colour map skipping, bad files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "OwnCodecTestUtil.h"
#include "QV_Image.h"
#include "TestSupport.h"

using namespace owncodec_test;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;

namespace {

std::vector<unsigned char> SavedTga(const TempDir& dir, const RawPicture& p, const char* comment)
{
    QV_Image img = ToImage(p);
    img.SetComment(comment);
    const std::string path = dir.File("saved.tga");
    EXPECT_TRUE(img.SaveTGA(path));
    return ReadFileBytes(path);
}

bool LoadBytes(const TempDir& dir, const std::vector<unsigned char>& bytes, QV_Image& img)
{
    const std::string path = dir.File("input.tga");
    WriteFileBytes(path, bytes);
    testing::internal::CaptureStderr();
    const bool ok = img.LoadTGA(path);
    testing::internal::GetCapturedStderr();
    return ok;
}

}  // namespace

TEST(TgaWrite, HeaderPixelOrderAndCommentMark)
{
    TempDir dir;
    const RawPicture p = Gradient(6, 3, true);
    const std::vector<unsigned char> b = SavedTga(dir, p, "Hi");
    ASSERT_EQ(b.size(), 18u + 6 * 3 * 4);
    for (int k = 0; k < 18; ++k) {
        unsigned want = 0;
        if (k == 2) want = 2;
        if (k == 12) want = 6;
        if (k == 14) want = 3;
        if (k == 16) want = 32;
        EXPECT_EQ(b[k], want) << "header byte " << k;
    }
    const std::vector<unsigned char> mark = {4, 'H', 'i', 'H' - 1, 'i' - 1};
    // Rows bottom first, each pixel B, G, R, A; the mark overwrites the
    // first bytes of the bottom row and nothing else.
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 6; ++x)
            for (int k = 0; k < 4; ++k) {
                const size_t at = 18 + (static_cast<size_t>(row) * 6 + x) * 4 + k;
                const size_t rowByte = static_cast<size_t>(x) * 4 + k;
                const unsigned char* q = p.At(x, 2 - row);
                const unsigned char want = (row == 0 && rowByte < mark.size()) ? mark[rowByte]
                                                                                : q[k == 3 ? 3 : 2 - k];
                EXPECT_EQ(b[at], want) << "row " << row << " x " << x << " byte " << k;
            }
}

TEST(TgaWrite, NarrowRowTakesOnlyWhatFits)
{
    TempDir dir;
    const RawPicture p = Gradient(1, 2, true);
    const std::vector<unsigned char> b = SavedTga(dir, p, "a comment much longer than four bytes");
    ASSERT_EQ(b.size(), 18u + 8);
    EXPECT_EQ(b[18], (2 * 37) % 256);
    EXPECT_EQ(b[19], 'a');
    EXPECT_EQ(b[20], ' ');
    EXPECT_EQ(b[21], 'c');
    // Row 1 (the top of the picture) keeps its pixel.
    const unsigned char* top = p.At(0, 0);
    EXPECT_EQ(b[22], top[2]);
    EXPECT_EQ(b[23], top[1]);
    EXPECT_EQ(b[24], top[0]);
    EXPECT_EQ(b[25], top[3]);
}

TEST(TgaWrite, RoundTripAndImageMagickAgree)
{
    TempDir dir;
    for (auto size : {std::pair{1, 1}, std::pair{5, 4}, std::pair{40, 23}}) {
        const RawPicture p = Gradient(size.first, size.second, true);
        QV_Image img = ToImage(p);
        img.SetComment("");
        const std::string path = dir.File("rt.tga");
        ASSERT_TRUE(img.SaveTGA(path));
        QV_Image back;
        ASSERT_TRUE(back.LoadTGA(path));
        EXPECT_EQ(CountDifferences(back, p, 4, 1), 0);
        EXPECT_EQ(back(0, 0).blue, 0) << "empty comment writes only its length byte";
        RawPicture seen;
        ASSERT_TRUE(ImageMagickRead(path, dir, p.width, p.height, seen));
        EXPECT_EQ(CountDifferences(seen, p, 4, 1), 0) << size.first << "x" << size.second;
    }
}

TEST(TgaRead, FilesWrittenByImageMagick)
{
    TempDir dir;
    struct Case {
        const char* name;
        RawPicture picture;
        std::vector<std::string> options;
        int depth;
        int channels;
        bool topOrigin;
    };
    const Case cases[] = {
        {"24-bit top origin", Gradient(21, 13), {"-alpha", "off", "-orient", "TopLeft"}, 24, 4, true},
        {"32-bit top origin", Gradient(17, 9, true), {"-orient", "TopLeft"}, 32, 4, true},
        // Flipped before writing, so that the rows go out bottom first as the
        // descriptor (origin bottom left) says.
        {"24-bit bottom origin", Gradient(21, 13), {"-alpha", "off", "-flip"}, 24, 4, false},
        {"32-bit bottom origin", Gradient(17, 9, true), {"-flip"}, 32, 4, false},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("im.tga");
        ASSERT_TRUE(ImageMagickWrite(c.picture, dir, path, c.options)) << c.name;
        const std::vector<unsigned char> b = ReadFileBytes(path);
        ASSERT_GT(b.size(), 18u);
        ASSERT_EQ(b[2], 2) << c.name;
        ASSERT_EQ(b[16], c.depth) << c.name;
        ASSERT_EQ((b[17] & 0x20) != 0, c.topOrigin) << c.name;
        QV_Image img;
        ASSERT_TRUE(img.LoadTGA(path)) << c.name;
        EXPECT_EQ(CountDifferences(img, c.picture, c.channels), 0) << c.name;
        // ImageMagick, turning the file upright, sees the same picture.
        RawPicture seen;
        ASSERT_TRUE(ImageMagickRead(path, dir, c.picture.width, c.picture.height, seen));
        EXPECT_EQ(CountDifferences(seen, c.picture, 3), 0) << c.name;
    }
}

TEST(TgaRead, SkipsIdFieldAndColourMap)
{
    TempDir dir;
    const RawPicture p = Gradient(4, 3, true);
    const std::vector<unsigned char> good = SavedTga(dir, p, "");
    struct Case {
        const char* name;
        int idLength;
        int mapEntries;
        int mapBits;
    };
    const Case cases[] = {{"ID field", 7, 0, 0}, {"24-bit map", 0, 5, 24}, {"15-bit map", 3, 4, 15}, {"32-bit map", 1, 2, 32}};
    for (const Case& c : cases) {
        std::vector<unsigned char> b(good.begin(), good.begin() + 18);
        b[0] = static_cast<unsigned char>(c.idLength);
        b[1] = c.mapEntries ? 1 : 0;
        PutLE16(b, 5, static_cast<unsigned>(c.mapEntries));
        b[7] = static_cast<unsigned char>(c.mapBits);
        b.insert(b.end(), static_cast<size_t>(c.idLength + c.mapEntries * ((c.mapBits + 7) / 8)), 0xAB);
        b.insert(b.end(), good.begin() + 18, good.end());
        QV_Image img;
        ASSERT_TRUE(LoadBytes(dir, b, img)) << c.name;
        EXPECT_EQ(CountDifferences(img, p, 4, 1), 0) << c.name;
    }
}

TEST(TgaRead, BadFilesFail)
{
    TempDir dir;
    const std::vector<unsigned char> good = SavedTga(dir, Gradient(9, 5), "");
    std::vector<CorruptCase> cases = TruncationCases(good);
    auto patched = [&](const char* name, size_t at, unsigned char v) {
        std::vector<unsigned char> b = good;
        b[at] = v;
        cases.push_back({name, b});
    };
    patched("run-length true colour", 2, 10);
    patched("colour-mapped", 2, 1);
    patched("grey", 2, 3);
    patched("16 bits", 16, 16);
    patched("8 bits", 16, 8);
    patched("zero width", 12, 0);
    patched("zero height", 14, 0);
    patched("ID field longer than the rest", 0, 255);
    {
        std::vector<unsigned char> b = good;
        PutLE16(b, 12, 0xFFFF);
        PutLE16(b, 14, 0xFFFF);
        cases.push_back({"size beyond the file", b});
    }
    {
        std::vector<unsigned char> b = good;
        b[1] = 1;
        PutLE16(b, 5, 0xFFFF);
        b[7] = 32;
        cases.push_back({"colour map beyond the file", b});
    }
    for (const CorruptCase& c : cases) {
        QV_Image img;
        EXPECT_FALSE(LoadBytes(dir, c.bytes, img)) << c.name;
    }
}
