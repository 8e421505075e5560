// PCX writing: header fields, run-length rows, palette, comment mark in the
// top row, odd widths, and ImageMagick reading the same pixels.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "OwnCodecTestUtil.h"
#include "QV_Image.h"
#include "TestSupport.h"

using namespace owncodec_test;
using testing::HasSubstr;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;

namespace {

// A written PCX taken apart: header, decoded index rows (top first) and palette.
struct DecodedPcx {
    std::vector<unsigned char> header;
    std::vector<std::vector<unsigned char>> rows;
    std::vector<QV_Colour> palette;
    int longestRun = 0;
    bool loneHighByte = false;  // a byte >= 0xC0 written without a count
    bool ok = false;
};

DecodedPcx Decode(const std::vector<unsigned char>& b)
{
    DecodedPcx d;
    if (b.size() < 128 + 769) return d;
    d.header.assign(b.begin(), b.begin() + 128);
    const size_t paletteAt = b.size() - 769;
    if (b[paletteAt] != 12) return d;
    for (int k = 0; k < 256; ++k) d.palette.emplace_back(b[paletteAt + 1 + 3 * k], b[paletteAt + 2 + 3 * k], b[paletteAt + 3 + 3 * k]);
    const int rows = static_cast<int>(GetLE16(b, 10)) + 1;
    const size_t line = GetLE16(b, 66);
    size_t pos = 128;
    for (int r = 0; r < rows; ++r) {
        std::vector<unsigned char> row;
        // Each row is encoded on its own: a run never reaches into the next.
        while (row.size() < line) {
            if (pos >= paletteAt) return d;
            const unsigned char v = b[pos++];
            if ((v & 0xC0) == 0xC0) {
                const int n = v & 0x3F;
                if (pos >= paletteAt || n == 0) return d;
                d.longestRun = std::max(d.longestRun, n);
                row.insert(row.end(), static_cast<size_t>(n), b[pos++]);
            } else {
                row.push_back(v);
            }
        }
        if (row.size() != line) return d;
        d.rows.push_back(row);
    }
    d.ok = pos == paletteAt;
    return d;
}

DecodedPcx SaveAndDecode(const TempDir& dir, const QV_Image& img)
{
    const std::string path = dir.File("t.pcx");
    EXPECT_TRUE(img.SavePCX(path));
    return Decode(ReadFileBytes(path));
}

}  // namespace

TEST(PcxWrite, HeaderFields)
{
    TempDir dir;
    for (auto size : {std::pair{5, 3}, std::pair{6, 4}}) {
        QV_Image img = ToImage(FewColours(size.first, size.second, 5));
        const DecodedPcx d = SaveAndDecode(dir, img);
        ASSERT_TRUE(d.ok);
        const std::vector<unsigned char>& h = d.header;
        const unsigned line = static_cast<unsigned>(size.first + (size.first & 1));
        const struct {
            size_t at;
            int size;
            unsigned value;
        } fields[] = {{0, 1, 10}, {1, 1, 5},   {2, 1, 1},   {3, 1, 8},   {4, 2, 0},   {6, 2, 0},
                      {8, 2, static_cast<unsigned>(size.first - 1)},   {10, 2, static_cast<unsigned>(size.second - 1)},
                      {12, 2, 800}, {14, 2, 640}, {64, 1, 0}, {65, 1, 1}, {66, 2, line}, {68, 2, 1}};
        for (const auto& f : fields) {
            const unsigned got = f.size == 1 ? h[f.at] : GetLE16(h, f.at);
            EXPECT_EQ(got, f.value) << size.first << "x" << size.second << " offset " << f.at;
        }
        for (size_t k = 16; k < 64; ++k) EXPECT_EQ(h[k], 0) << "16-colour map byte " << k;
        for (size_t k = 70; k < 128; ++k) EXPECT_EQ(h[k], 0) << "filler byte " << k;
    }
}

TEST(PcxWrite, RowsTopFirstThroughPaletteWithPaddingColumn)
{
    TempDir dir;
    for (auto size : {std::pair{1, 1}, std::pair{7, 5}, std::pair{40, 9}}) {
        const RawPicture p = FewColours(size.first, size.second, 9);
        QV_Image img = ToImage(p);
        img.SetComment("");
        const DecodedPcx d = SaveAndDecode(dir, img);
        ASSERT_TRUE(d.ok);
        ASSERT_EQ(static_cast<int>(d.rows.size()), p.height);
        int bad = 0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                if (y == 0 && x == 0) continue;  // comment length byte
                const QV_Colour& c = d.palette[d.rows[y][x]];
                const unsigned char* q = p.At(x, y);
                if (c.red != q[0] || c.green != q[1] || c.blue != q[2]) ++bad;
            }
            if (p.width & 1) {
                EXPECT_EQ(d.rows[y].back(), 0) << "padding index of row " << y;
            }
        }
        EXPECT_EQ(bad, 0) << size.first << "x" << size.second;
        EXPECT_EQ(d.rows[0][0], 0) << "empty comment writes a zero length byte";
    }
}

TEST(PcxWrite, RunLengthRules)
{
    TempDir dir;
    // A 200-wide picture with long runs, and one with a colour change on
    // every pixel so that many indices stand alone.
    const DecodedPcx runs = SaveAndDecode(dir, ToImage(FewColours(200, 3, 1)));
    ASSERT_TRUE(runs.ok);
    EXPECT_EQ(runs.longestRun, 63);
    const RawPicture many = Gradient(256, 2);
    const std::string path = dir.File("many.pcx");
    ASSERT_TRUE(ToImage(many).SavePCX(path));
    const std::vector<unsigned char> b = ReadFileBytes(path);
    const DecodedPcx d = Decode(b);
    ASSERT_TRUE(d.ok);
    // Rebuild the encoding from the decoded rows with the rule and compare
    // byte for byte: runs of up to 63, a lone byte below 0xC0 written bare.
    std::vector<unsigned char> expect;
    for (const auto& row : d.rows) {
        size_t i = 0;
        while (i < row.size()) {
            size_t n = 1;
            while (i + n < row.size() && n < 63 && row[i + n] == row[i]) ++n;
            if (n == 1 && row[i] < 0xC0) {
                expect.push_back(row[i]);
            } else {
                expect.push_back(static_cast<unsigned char>(0xC0 | n));
                expect.push_back(row[i]);
            }
            i += n;
        }
    }
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + 128, b.end() - 769), expect);
}

TEST(PcxWrite, CommentMarkInTopRow)
{
    TempDir dir;
    const struct {
        const char* name;
        int width;
        const char* comment;
    } cases[] = {{"wide", 12, "Qv"}, {"narrow odd width", 3, "longer than the row"}};
    for (const auto& c : cases) {
        const RawPicture p = FewColours(c.width, 3, 4);
        QV_Image img = ToImage(p);
        img.SetComment(c.comment);
        const DecodedPcx d = SaveAndDecode(dir, img);
        ASSERT_TRUE(d.ok) << c.name;
        const std::string comment = c.comment;
        std::vector<unsigned char> mark{static_cast<unsigned char>(2 * comment.size())};
        for (char ch : comment) mark.push_back(static_cast<unsigned char>(ch));
        for (char ch : comment) mark.push_back(static_cast<unsigned char>(ch - 1));
        for (int x = 0; x < c.width; ++x) {
            if (x < static_cast<int>(mark.size())) {
                EXPECT_EQ(d.rows[0][x], mark[x]) << c.name << " byte " << x;
            } else {
                const QV_Colour& col = d.palette[d.rows[0][x]];
                EXPECT_EQ(col.red, p.At(x, 0)[0]) << c.name << " pixel " << x;
            }
        }
        if (c.width & 1) {
            EXPECT_EQ(d.rows[0].back(), 0) << c.name << ": padding column untouched";
        }
        for (int x = 0; x < c.width; ++x)
            EXPECT_EQ(d.palette[d.rows[1][x]].red, p.At(x, 1)[0]) << c.name << " second row " << x;
    }
}

TEST(PcxWrite, ImageMagickReadsTheSamePixels)
{
    TempDir dir;
    struct Case {
        const char* name;
        RawPicture picture;
    };
    const Case cases[] = {{"1x1", FewColours(1, 1, 1)},
                          {"odd width", FewColours(5, 3, 4)},
                          {"33x20, 150 colours", FewColours(33, 20, 150)},
                          {"128x64, 256 colours", FewColours(128, 64, 256)}};
    for (const Case& c : cases) {
        QV_Image img = ToImage(c.picture);
        img.SetComment("");
        const std::string path = dir.File("ours.pcx");
        ASSERT_TRUE(img.SavePCX(path)) << c.name;
        RawPicture seen;
        ASSERT_TRUE(ImageMagickRead(path, dir, c.picture.width, c.picture.height, seen)) << c.name;
        EXPECT_EQ(CountDifferences(seen, c.picture, 3, 0, 1), 0) << c.name;
    }
}

TEST(PcxWrite, UnwritablePathReported)
{
    TempDir dir;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ToImage(Gradient(3, 3)).SavePCX(dir.File("missing/dir/x.pcx")));
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("QV_Image::SavePCX()"));
}
