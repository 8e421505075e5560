// GIF: the writer's literal-code stream and layout, the LZW reader on
// hand-made and ImageMagick files (growing code width, KwKwK, full table),
// frame offsets and clipping, interlace refusal and bad files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "OwnCodecTestUtil.h"
#include "QV_Image.h"
#include "TestSupport.h"

using namespace owncodec_test;
using testing::HasSubstr;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;

namespace {

struct Code {
    int value;
    int width;
};

std::vector<unsigned char> PackCodes(const std::vector<Code>& codes)
{
    std::vector<unsigned char> out;
    uint32_t bits = 0;
    int count = 0;
    for (const Code& c : codes) {
        bits |= static_cast<uint32_t>(c.value) << count;
        count += c.width;
        while (count >= 8) {
            out.push_back(static_cast<unsigned char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) out.push_back(static_cast<unsigned char>(bits & 0xFF));
    return out;
}

// A GIF file built field by field.
struct GifLayout {
    int screenWidth = 0;
    int screenHeight = 0;
    std::vector<QV_Colour> globalTable;  // size a power of two, 2..256, or empty
    int background = 0;
    std::vector<unsigned char> beforeImage;  // extension blocks or stray bytes
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int imagePacked = 0;
    int minCodeSize = 8;
    std::vector<unsigned char> data;  // packed code bytes
    bool terminator = true;
    bool trailer = true;
};

int TableBits(size_t n)
{
    int b = 0;
    while ((2u << b) < n) ++b;
    return b;
}

std::vector<unsigned char> BuildGif(const GifLayout& s)
{
    std::vector<unsigned char> b = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0};
    PutLE16(b, 6, static_cast<unsigned>(s.screenWidth));
    PutLE16(b, 8, static_cast<unsigned>(s.screenHeight));
    if (!s.globalTable.empty()) b[10] = static_cast<unsigned char>(0x80 | 0x70 | TableBits(s.globalTable.size()));
    b[11] = static_cast<unsigned char>(s.background);
    for (const QV_Colour& c : s.globalTable) b.insert(b.end(), {c.red, c.green, c.blue});
    b.insert(b.end(), s.beforeImage.begin(), s.beforeImage.end());
    std::vector<unsigned char> d(10, 0);
    d[0] = ',';
    PutLE16(d, 1, static_cast<unsigned>(s.left));
    PutLE16(d, 3, static_cast<unsigned>(s.top));
    PutLE16(d, 5, static_cast<unsigned>(s.width));
    PutLE16(d, 7, static_cast<unsigned>(s.height));
    d[9] = static_cast<unsigned char>(s.imagePacked);
    b.insert(b.end(), d.begin(), d.end());
    b.push_back(static_cast<unsigned char>(s.minCodeSize));
    for (size_t pos = 0; pos < s.data.size(); pos += 255) {
        const size_t n = std::min<size_t>(255, s.data.size() - pos);
        b.push_back(static_cast<unsigned char>(n));
        b.insert(b.end(), s.data.begin() + static_cast<long>(pos), s.data.begin() + static_cast<long>(pos + n));
    }
    if (s.terminator) b.push_back(0);
    if (s.trailer) b.push_back(';');
    return b;
}

std::vector<QV_Colour> Ramp(int n)
{
    std::vector<QV_Colour> t;
    for (int k = 0; k < n; ++k)
        t.emplace_back(static_cast<unsigned char>(k * 7), static_cast<unsigned char>(255 - k), static_cast<unsigned char>(k * 3));
    return t;
}

bool LoadBytes(const TempDir& dir, const std::vector<unsigned char>& bytes, QV_Image& img, std::string* err = nullptr)
{
    const std::string path = dir.File("input.gif");
    WriteFileBytes(path, bytes);
    testing::internal::CaptureStderr();
    const bool ok = img.LoadGIF(path);
    const std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return ok;
}

// The parts of a file written by SaveGIF: palette, and the codes read back
// with the fixed width 9 (the writer never needs more).
struct WrittenGif {
    std::vector<QV_Colour> palette;
    std::vector<int> codes;
    std::vector<unsigned char> blockLengths;
    bool endsWithTrailer = false;
};

WrittenGif ParseWritten(const std::vector<unsigned char>& b)
{
    WrittenGif w;
    if (b.size() < 13 + 768 + 11) return w;
    for (int k = 0; k < 256; ++k) w.palette.emplace_back(b[13 + 3 * k], b[14 + 3 * k], b[15 + 3 * k]);
    size_t pos = 13 + 768 + 10 + 1;
    std::vector<unsigned char> data;
    while (pos < b.size() && b[pos] != 0) {
        const size_t n = b[pos];
        w.blockLengths.push_back(b[pos]);
        data.insert(data.end(), b.begin() + static_cast<long>(pos + 1), b.begin() + static_cast<long>(pos + 1 + n));
        pos += n + 1;
    }
    w.endsWithTrailer = pos + 2 == b.size() && b[pos] == 0 && b[pos + 1] == ';';
    uint32_t bits = 0;
    int count = 0;
    for (unsigned char byte : data) {
        bits |= static_cast<uint32_t>(byte) << count;
        count += 8;
        while (count >= 9) {
            w.codes.push_back(static_cast<int>(bits & 0x1FF));
            bits >>= 9;
            count -= 9;
        }
    }
    return w;
}

int PaletteIndex(const std::vector<QV_Colour>& palette, const unsigned char* rgba)
{
    for (size_t k = 0; k < palette.size(); ++k)
        if (palette[k].red == rgba[0] && palette[k].green == rgba[1] && palette[k].blue == rgba[2])
            return static_cast<int>(k);
    return -1;
}

}  // namespace

TEST(GifWrite, ThreeByThreeCodeStream)
{
    TempDir dir;
    const RawPicture p = FewColours(3, 3, 9);
    QV_Image img = ToImage(p);
    img.SetComment("");
    const std::string path = dir.File("3x3.gif");
    ASSERT_TRUE(img.SaveGIF(path));
    const std::vector<unsigned char> b = ReadFileBytes(path);
    ASSERT_GT(b.size(), 13u + 768 + 11);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
    EXPECT_EQ(GetLE16(b, 6), 3u);
    EXPECT_EQ(GetLE16(b, 8), 3u);
    EXPECT_EQ(b[10], 0xF7);
    EXPECT_EQ(b[11], 0);
    EXPECT_EQ(b[12], 0);
    const std::vector<unsigned char> desc(b.begin() + 13 + 768, b.begin() + 13 + 768 + 11);
    EXPECT_EQ(desc, (std::vector<unsigned char>{',', 0, 0, 0, 0, 3, 0, 3, 0, 0, 8}));

    const WrittenGif w = ParseWritten(b);
    EXPECT_TRUE(w.endsWithTrailer);
    // 11 codes of 9 bits = 99 bits = 13 bytes in one sub-block.
    EXPECT_EQ(w.blockLengths, (std::vector<unsigned char>{13}));
    ASSERT_GE(w.codes.size(), 11u);
    EXPECT_EQ(w.codes[0], 256);
    EXPECT_EQ(w.codes[10], 257);
    // Pixels top row first; the empty comment sets the bottom-left index to 0.
    for (int t = 0; t < 9; ++t) {
        const int x = t % 3;
        const int y = t / 3;
        const int want = (y == 2 && x == 0) ? 0 : PaletteIndex(w.palette, p.At(x, y));
        EXPECT_EQ(w.codes[1 + t], want) << "pixel " << t;
    }
    QV_Image back;
    ASSERT_TRUE(back.LoadGIF(path));
    EXPECT_EQ(CountDifferences(back, p, 4, 1), 0);
    EXPECT_EQ(back(0, 0), w.palette[0]);
}

TEST(GifWrite, ClearCodeAfterEveryHundredthPixelAndFullSubBlocks)
{
    TempDir dir;
    for (auto size : {std::pair{10, 10}, std::pair{15, 15}, std::pair{40, 30}}) {
        const int n = size.first * size.second;
        QV_Image img = ToImage(Gradient(size.first, size.second));
        const std::string path = dir.File("c.gif");
        ASSERT_TRUE(img.SaveGIF(path));
        const WrittenGif w = ParseWritten(ReadFileBytes(path));
        ASSERT_TRUE(w.endsWithTrailer);
        const int expectCodes = 1 + n + n / 100 + 1;
        ASSERT_EQ(static_cast<int>(w.codes.size()), expectCodes);
        int pixels = 0;
        for (int k = 1; k < expectCodes - 1; ++k) {
            if (pixels > 0 && pixels % 100 == 0 && w.codes[k] == 256) {
                // the clear code that follows every 100th pixel
                EXPECT_EQ(w.codes[k - 1] < 256, true);
                ++k;
                if (k >= expectCodes - 1) break;
            }
            ASSERT_LT(w.codes[k], 256) << "code " << k << " of " << size.first << "x" << size.second;
            ++pixels;
        }
        EXPECT_EQ(pixels, n);
        EXPECT_EQ(w.codes[expectCodes - 1], 257);
        for (size_t k = 0; k + 1 < w.blockLengths.size(); ++k) EXPECT_EQ(w.blockLengths[k], 255);
    }
}

TEST(GifWrite, FewColourImagesComeBackExactThroughBothReaders)
{
    TempDir dir;
    struct Case {
        const char* name;
        RawPicture picture;
    };
    const Case cases[] = {{"one pixel", FewColours(1, 1, 1)},
                          {"two colours", FewColours(17, 6, 2)},
                          {"200 colours", FewColours(64, 48, 200)},
                          {"256 colours", FewColours(80, 40, 256)}};
    for (const Case& c : cases) {
        QV_Image img = ToImage(c.picture);
        img.SetComment("");
        const std::string path = dir.File("few.gif");
        ASSERT_TRUE(img.SaveGIF(path)) << c.name;
        QV_Image back;
        ASSERT_TRUE(back.LoadGIF(path)) << c.name;
        EXPECT_EQ(CountDifferences(back, c.picture, 4, 1), 0) << c.name;
        RawPicture seen;
        ASSERT_TRUE(ImageMagickRead(path, dir, c.picture.width, c.picture.height, seen)) << c.name;
        EXPECT_EQ(CountDifferences(seen, c.picture, 3, 1), 0) << c.name;
    }
}

TEST(GifWrite, ManyColourImageReadsTheSameInBothReaders)
{
    TempDir dir;
    const RawPicture p = Gradient(70, 50);
    const QV_Image img = ToImage(p);
    const std::string path = dir.File("many.gif");
    ASSERT_TRUE(img.SaveGIF(path));
    QV_Image ours;
    ASSERT_TRUE(ours.LoadGIF(path));
    RawPicture seen;
    ASSERT_TRUE(ImageMagickRead(path, dir, p.width, p.height, seen));
    EXPECT_EQ(CountDifferences(ours, seen, 4), 0);
}

TEST(GifWrite, CommentMarkInBottomRowIndices)
{
    TempDir dir;
    QV_Image img = ToImage(FewColours(12, 4, 3));
    img.SetComment("Qv");
    const std::string path = dir.File("m.gif");
    ASSERT_TRUE(img.SaveGIF(path));
    const WrittenGif w = ParseWritten(ReadFileBytes(path));
    ASSERT_GE(w.codes.size(), 1u + 48);
    // Bottom row = the last 12 pixel codes.
    const std::vector<int> mark = {4, 'Q', 'v', 'Q' - 1, 'v' - 1};
    for (size_t k = 0; k < mark.size(); ++k) EXPECT_EQ(w.codes[1 + 36 + k], mark[k]) << k;
    // Narrow image: a 2-pixel row keeps only two bytes of the mark.
    QV_Image narrow = ToImage(FewColours(2, 3, 3));
    narrow.SetComment("a longer comment");
    ASSERT_TRUE(narrow.SaveGIF(path));
    const WrittenGif n = ParseWritten(ReadFileBytes(path));
    ASSERT_GE(n.codes.size(), 8u);
    EXPECT_EQ(n.codes[5], 32);
    EXPECT_EQ(n.codes[6], 'a');
    EXPECT_EQ(n.codes[7], 257);
}

TEST(GifRead, FilesWrittenByImageMagick)
{
    TempDir dir;
    struct Case {
        const char* name;
        RawPicture picture;
    };
    const Case cases[] = {{"1x1", FewColours(1, 1, 1)},
                          {"7x5", FewColours(7, 5, 6)},
                          {"4 colours", FewColours(33, 21, 4)},
                          {"120 colours 90x70", FewColours(90, 70, 120)},
                          {"250 colours 300x200", FewColours(300, 200, 250)}};
    for (const Case& c : cases) {
        const std::string path = dir.File("im.gif");
        ASSERT_TRUE(ImageMagickWrite(c.picture, dir, path, {"-alpha", "off"})) << c.name;
        QV_Image img;
        std::string err;
        const bool ok = img.LoadGIF(path);
        ASSERT_TRUE(ok) << c.name;
        EXPECT_EQ(CountDifferences(img, c.picture, 4), 0) << c.name;
    }
}

TEST(GifRead, GrowingCodesAndStringOfItsOwnCode)
{
    // min code size 2: clear 4, end 5, first free entry 6; after entry 7 the
    // codes are 4 bits wide. Code 6 arrives while it is being defined.
    GifLayout s;
    s.screenWidth = s.width = 7;
    s.screenHeight = s.height = 1;
    s.globalTable = Ramp(4);
    s.minCodeSize = 2;
    s.data = PackCodes({{4, 3}, {1, 3}, {6, 3}, {0, 3}, {7, 4}, {5, 4}});
    TempDir dir;
    QV_Image img;
    ASSERT_TRUE(LoadBytes(dir, BuildGif(s), img));
    const int want[7] = {1, 1, 1, 0, 1, 1, 0};
    for (int x = 0; x < 7; ++x) EXPECT_EQ(img(0, x), s.globalTable[want[x]]) << x;
}

TEST(GifRead, FullTableKeepsTwelveBitCodesUntilClear)
{
    // Literal codes only: every code after the first defines an entry; the
    // width grows at 512, 1024 and 2048 entries and stays 12 once the table
    // holds 4096, until a clear code (sent late) resets it.
    std::vector<Code> codes{{256, 9}};
    std::vector<int> pixels;
    int next = 258;
    int width = 9;
    bool first = true;
    for (int k = 0; k < 4500; ++k) {
        const int v = (k * 31 + k / 7) % 256;
        codes.push_back({v, width});
        pixels.push_back(v);
        if (!first && next < 4096) {
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        first = false;
    }
    codes.push_back({256, 12});
    for (int v : {3, 2, 1}) {
        codes.push_back({v, 9});
        pixels.push_back(v);
    }
    codes.push_back({257, 9});
    ASSERT_EQ(width, 12);

    GifLayout s;
    s.screenWidth = s.width = 4503;
    s.screenHeight = s.height = 1;
    s.globalTable = Ramp(256);
    s.data = PackCodes(codes);
    TempDir dir;
    QV_Image img;
    ASSERT_TRUE(LoadBytes(dir, BuildGif(s), img));
    int bad = 0;
    for (int x = 0; x < 4503; ++x)
        if (img(0, x) != s.globalTable[pixels[x]]) ++bad;
    EXPECT_EQ(bad, 0);
}

TEST(GifRead, FrameOffsetsClippingAndScreenSize)
{
    // A 3 x 2 frame of indices 1..6 on a screen of background index 7.
    std::vector<Code> codes{{256, 9}};
    for (int v = 1; v <= 6; ++v) codes.push_back({v, 9});
    codes.push_back({257, 9});
    struct Case {
        const char* name;
        int screenW, screenH, left, top;
        int expectW, expectH;
    };
    const Case cases[] = {{"inside", 6, 5, 2, 1, 6, 5},
                          {"clipped right and bottom", 4, 2, 2, 1, 4, 2},
                          {"zero screen takes the frame extent", 0, 0, 1, 2, 4, 4}};
    for (const Case& c : cases) {
        GifLayout s;
        s.screenWidth = c.screenW;
        s.screenHeight = c.screenH;
        s.globalTable = Ramp(8);
        s.background = 7;
        s.left = c.left;
        s.top = c.top;
        s.width = 3;
        s.height = 2;
        s.data = PackCodes(codes);
        TempDir dir;
        QV_Image img;
        ASSERT_TRUE(LoadBytes(dir, BuildGif(s), img)) << c.name;
        ASSERT_EQ(img.Cols(), c.expectW) << c.name;
        ASSERT_EQ(img.Rows(), c.expectH) << c.name;
        for (int y = 0; y < c.expectH; ++y)        // y counted from the top
            for (int x = 0; x < c.expectW; ++x) {
                const int fx = x - c.left;
                const int fy = y - c.top;
                const bool inFrame = fx >= 0 && fx < 3 && fy >= 0 && fy < 2;
                const int want = inFrame ? 1 + fy * 3 + fx : 7;
                EXPECT_EQ(img(c.expectH - 1 - y, x), s.globalTable[want]) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(GifRead, ExtensionsTrailerAndTrailingBytes)
{
    GifLayout s;
    s.screenWidth = s.width = 2;
    s.screenHeight = s.height = 1;
    s.globalTable = Ramp(2);
    s.data = PackCodes({{256, 9}, {1, 9}, {0, 9}, {257, 9}});
    TempDir dir;
    QV_Image img;
    // A comment extension holding a ',' and a control extension with delay 44 (',').
    s.beforeImage = {'!', 0xFE, 4, 'a', ',', 'b', ',', 0, '!', 0xF9, 4, 0, 44, 0, 0, 0};
    ASSERT_TRUE(LoadBytes(dir, BuildGif(s), img));
    EXPECT_EQ(img(0, 0), s.globalTable[1]);
    EXPECT_EQ(img(0, 1), s.globalTable[0]);

    s.beforeImage.clear();
    s.trailer = false;
    EXPECT_TRUE(LoadBytes(dir, BuildGif(s), img)) << "no trailer";
    std::vector<unsigned char> b = BuildGif(s);
    b.pop_back();  // no block terminator either
    EXPECT_TRUE(LoadBytes(dir, b, img)) << "data ends at end of file";

    s.trailer = true;
    b = BuildGif(s);
    b.push_back('x');
    std::string err;
    EXPECT_FALSE(LoadBytes(dir, b, img, &err));
    EXPECT_THAT(err, HasSubstr("QV_Image::LoadGIF() Error! - end of file not reached"));
}

TEST(GifRead, IndexBeyondPaletteIsReportedAndBlack)
{
    GifLayout s;
    s.screenWidth = s.width = 3;
    s.screenHeight = s.height = 1;
    s.globalTable = Ramp(2);
    s.minCodeSize = 2;
    s.data = PackCodes({{4, 3}, {1, 3}, {3, 3}, {2, 3}, {5, 3}});
    TempDir dir;
    QV_Image img;
    std::string err;
    ASSERT_TRUE(LoadBytes(dir, BuildGif(s), img, &err));
    EXPECT_THAT(err, HasSubstr("QV_Image::LoadGIF() Error! - colour index > colour palette size"));
    EXPECT_EQ(img(0, 0), s.globalTable[1]);
    EXPECT_EQ(img(0, 1), QV_Colour(0, 0, 0, 255));
    EXPECT_EQ(img(0, 2), QV_Colour(0, 0, 0, 255));
}

TEST(GifRead, InterlacedFileRefused)
{
    TempDir dir;
    const std::string path = dir.File("il.gif");
    ASSERT_TRUE(ImageMagickWrite(FewColours(16, 16, 5), dir, path, {"-alpha", "off", "-interlace", "GIF"}));
    QV_Image img;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(img.LoadGIF(path));
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                HasSubstr("QV_Image::LoadGIF() Error! : - Gif 89a Interlaced mode not implemented. Change to "
                          "non-interlaced"));
}

TEST(GifRead, BadFilesFail)
{
    TempDir dir;
    const std::string goodPath = dir.File("good.gif");
    ASSERT_TRUE(ToImage(Gradient(20, 15)).SaveGIF(goodPath));
    const std::vector<unsigned char> good = ReadFileBytes(goodPath);
    struct Case {
        std::string name;
        std::vector<unsigned char> bytes;
        std::string message;
    };
    std::vector<Case> cases;
    // Without only the trailer the file is complete (tested above).
    for (const CorruptCase& c : TruncationCases(good))
        if (c.name != "missing last byte") cases.push_back({c.name, c.bytes, ""});
    cases.push_back({"wrong magic", {'G', 'I', 'X', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, "not a GIF File: "});
    cases.push_back({"no image", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}, "start of image not detected"});
    cases.push_back({"cut in the code stream", {good.begin(), good.begin() + 13 + 768 + 11 + 100}, ""});

    GifLayout s;
    s.screenWidth = s.width = 2;
    s.screenHeight = s.height = 2;
    s.globalTable = Ramp(4);
    s.data = PackCodes({{256, 9}, {1, 9}, {2, 9}, {3, 9}, {0, 9}, {257, 9}});
    auto variant = [&](const std::string& name, auto change) {
        GifLayout v = s;
        change(v);
        cases.push_back({name, BuildGif(v), ""});
    };
    variant("absurd screen", [](GifLayout& v) { v.screenWidth = v.screenHeight = 65535; });
    variant("absurd frame", [](GifLayout& v) { v.width = v.height = 65535; });
    variant("frame far larger than its data", [](GifLayout& v) { v.width = v.height = v.screenWidth = v.screenHeight = 5000; });
    variant("zero frame", [](GifLayout& v) { v.width = 0; });
    variant("code size 0", [](GifLayout& v) { v.minCodeSize = 0; });
    variant("code size 12", [](GifLayout& v) { v.minCodeSize = 12; });
    variant("code beyond the table", [](GifLayout& v) { v.data = PackCodes({{256, 9}, {1, 9}, {300, 9}, {257, 9}}); });
    variant("first code after clear not a literal",
            [](GifLayout& v) { v.data = PackCodes({{256, 9}, {258, 9}, {1, 9}, {257, 9}}); });
    variant("end code too early", [](GifLayout& v) { v.data = PackCodes({{256, 9}, {1, 9}, {257, 9}}); });
    variant("no data", [](GifLayout& v) { v.data.clear(); });
    variant("local table cut", [](GifLayout& v) {
        v.imagePacked = 0x87;
        v.data = {};
        v.terminator = v.trailer = false;
    });
    for (const Case& c : cases) {
        QV_Image img;
        std::string err;
        EXPECT_FALSE(LoadBytes(dir, c.bytes, img, &err)) << c.name;
        if (!c.message.empty()) {
            EXPECT_THAT(err, HasSubstr(c.message)) << c.name;
        }
    }
}
