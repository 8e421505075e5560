// PPM (P6) and PGM (P5, P2): round trips, row order, header parsing, grey
// stretch, comment marking, agreement with ImageMagick and bad files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "OwnCodecTestUtil.h"
#include "QV_Image.h"
#include "TestSupport.h"

using namespace owncodec_test;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;
using visagen_test::WriteFileText;

namespace {

std::vector<unsigned char> Bytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

// The grey value SavePGM writes for a picture pixel.
unsigned char GreyOf(const unsigned char* q)
{
    return static_cast<unsigned char>(std::lround((q[0] + q[1] + q[2]) / 3.0));
}

bool LoadQuietly(QV_Image& img, const std::string& path, bool pgm)
{
    testing::internal::CaptureStderr();
    const bool ok = pgm ? img.LoadPGM(path) : img.LoadPPM(path);
    testing::internal::GetCapturedStderr();
    return ok;
}

}  // namespace

TEST(PpmWrite, HeaderAndTopRowFirst)
{
    TempDir dir;
    const RawPicture p = Gradient(5, 3);
    const std::string path = dir.File("a.ppm");
    ASSERT_TRUE(ToImage(p).SavePPM(path));
    const std::vector<unsigned char> b = ReadFileBytes(path);
    const std::string head = "P6\n5 3\n255\n";
    ASSERT_EQ(b.size(), head.size() + 5 * 3 * 3);
    EXPECT_EQ(std::string(b.begin(), b.begin() + static_cast<long>(head.size())), head);
    for (int x = 0; x < 5; ++x)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(b[head.size() + 3 * x + k], p.At(x, 0)[k]) << "top row first";
}

TEST(PpmWrite, RoundTripAndImageMagickAgree)
{
    TempDir dir;
    for (auto size : {std::pair{1, 1}, std::pair{4, 9}, std::pair{31, 17}}) {
        const RawPicture p = Gradient(size.first, size.second, true);
        const std::string path = dir.File("rt.ppm");
        ASSERT_TRUE(ToImage(p).SavePPM(path));
        QV_Image back;
        ASSERT_TRUE(back.LoadPPM(path));
        EXPECT_EQ(CountDifferences(back, p, 3), 0);
        EXPECT_EQ(back(0, 0).alpha, 255);
        RawPicture seen;
        ASSERT_TRUE(ImageMagickRead(path, dir, p.width, p.height, seen));
        EXPECT_EQ(CountDifferences(seen, p, 3), 0);
    }
}

TEST(PpmRead, FileWrittenByImageMagick)
{
    TempDir dir;
    const RawPicture p = Gradient(23, 11);
    const std::string path = dir.File("im.ppm");
    ASSERT_TRUE(ImageMagickWrite(p, dir, path, {"-alpha", "off"}));
    QV_Image img;
    ASSERT_TRUE(img.LoadPPM(path));
    EXPECT_EQ(CountDifferences(img, p, 4), 0);
}

TEST(PpmRead, PixelBytesThatLookLikeWhiteSpaceAreKept)
{
    TempDir dir;
    std::vector<unsigned char> b = Bytes("P6\n# a comment line\n\n2 1\n255\n");
    b.insert(b.end(), {10, 32, 9, 13, 11, 12});
    WriteFileBytes(dir.File("ws.ppm"), b);
    QV_Image img;
    ASSERT_TRUE(img.LoadPPM(dir.File("ws.ppm")));
    ASSERT_EQ(img.Rows(), 1);
    ASSERT_EQ(img.Cols(), 2);
    EXPECT_EQ(img(0, 0), QV_Colour(10, 32, 9, 255));
    EXPECT_EQ(img(0, 1), QV_Colour(13, 11, 12, 255));
}

TEST(PgmRead, FilesWrittenByImageMagick)
{
    TempDir dir;
    const RawPicture p = GreyRamp(26, 13);  // spans 0..255, so the stretch changes nothing
    struct Case {
        const char* name;
        std::vector<std::string> options;
        const char* magic;
    };
    const Case cases[] = {{"P5", {}, "P5"}, {"P2", {"-compress", "none"}, "P2"}};
    for (const Case& c : cases) {
        const std::string path = dir.File("im.pgm");
        ASSERT_TRUE(ImageMagickWrite(p, dir, path, c.options, true)) << c.name;
        const std::vector<unsigned char> b = ReadFileBytes(path);
        ASSERT_GE(b.size(), 2u);
        ASSERT_EQ(std::string(b.begin(), b.begin() + 2), c.magic);
        QV_Image img;
        ASSERT_TRUE(img.LoadPGM(path)) << c.name;
        EXPECT_EQ(CountDifferences(img, p, 4), 0) << c.name;
    }
}

TEST(PgmRead, GreyValuesAreStretchedToFullRange)
{
    TempDir dir;
    const struct {
        const char* name;
        std::string text;
        std::vector<unsigned char> expectTopRowFirst;
    } cases[] = {
        {"P2 50..150", "P2\n3 1\n255\n50 100 150\n", {0, 128, 255}},
        {"P2 wide maximum", "P2\n2 2\n1000\n0 1000\n500 250\n", {0, 255, 128, 64}},
        {"P2 comment between values", "P2\n# c\n2 1 # trailing\n255\n7\n# x\n9\n", {0, 255}},
        {"flat image keeps its value", "P2\n2 1\n255\n77 77\n", {77, 77}},
    };
    for (const auto& c : cases) {
        WriteFileText(dir.File("s.pgm"), c.text);
        QV_Image img;
        ASSERT_TRUE(img.LoadPGM(dir.File("s.pgm"))) << c.name;
        const int n = img.Rows() * img.Cols();
        ASSERT_EQ(n, static_cast<int>(c.expectTopRowFirst.size())) << c.name;
        for (int i = 0; i < n; ++i) {
            const QV_Colour& px = img(img.Rows() - 1 - i / img.Cols(), i % img.Cols());
            EXPECT_EQ(px, QV_Colour(c.expectTopRowFirst[i], c.expectTopRowFirst[i], c.expectTopRowFirst[i], 255))
                << c.name << " value " << i;
        }
    }
}

TEST(PgmWrite, ImageMagickReadsGreyWithCommentInBottomRow)
{
    TempDir dir;
    const RawPicture p = Gradient(40, 9);
    QV_Image img = ToImage(p);
    const std::string path = dir.File("ours.pgm");
    ASSERT_TRUE(img.SavePGM(path));
    const int marked = 2 * img.Comment().Length() + 1;
    RawPicture seen;
    ASSERT_TRUE(ImageMagickRead(path, dir, p.width, p.height, seen));
    int bad = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (y == p.height - 1 && x < marked) continue;
            if (seen.At(x, y)[0] != GreyOf(p.At(x, y))) ++bad;
        }
    EXPECT_EQ(bad, 0);
}

TEST(PgmWrite, CommentMarkLayout)
{
    TempDir dir;
    const RawPicture p = Gradient(12, 3);
    const struct {
        const char* name;
        const char* comment;
        int width;
    } cases[] = {{"empty", "", 12}, {"short", "AB", 12}, {"longer than the row", "Visagen made this", 5}};
    for (const auto& c : cases) {
        RawPicture q = Gradient(c.width, 3);
        QV_Image img = ToImage(q);
        img.SetComment(c.comment);
        const std::string path = dir.File("c.pgm");
        ASSERT_TRUE(img.SavePGM(path));
        const std::vector<unsigned char> b = ReadFileBytes(path);
        const std::string head = "P5\n" + std::to_string(c.width) + " 3\n255\n";
        ASSERT_EQ(b.size(), head.size() + 3 * c.width) << c.name;
        const std::string comment = c.comment;
        std::vector<unsigned char> mark{static_cast<unsigned char>(2 * comment.size())};
        for (char ch : comment) mark.push_back(static_cast<unsigned char>(ch));
        for (char ch : comment) mark.push_back(static_cast<unsigned char>(ch - 1));
        // The file's last row is image row 0, the bottom of the picture.
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.width; ++x) {
                const unsigned char got = b[head.size() + y * c.width + x];
                if (y == 2 && x < static_cast<int>(mark.size())) {
                    EXPECT_EQ(got, mark[x]) << c.name << " mark byte " << x;
                } else {
                    EXPECT_EQ(got, GreyOf(q.At(x, y))) << c.name << " pixel " << x << "," << y;
                }
            }
    }
}

TEST(PnmRead, BadFilesFail)
{
    TempDir dir;
    const std::string ppm = dir.File("good.ppm");
    const std::string pgm = dir.File("good.pgm");
    ASSERT_TRUE(ToImage(Gradient(8, 6)).SavePPM(ppm));
    ASSERT_TRUE(ToImage(Gradient(8, 6)).SavePGM(pgm));
    std::string p2 = "P2\n3 2\n255\n";
    for (int i = 0; i < 6; ++i) p2 += std::to_string(i * 40) + " ";
    struct Case {
        std::string name;
        std::vector<unsigned char> bytes;
        bool pgm;
    };
    std::vector<Case> cases;
    for (const CorruptCase& c : TruncationCases(ReadFileBytes(ppm))) cases.push_back({"P6 " + c.name, c.bytes, false});
    for (const CorruptCase& c : TruncationCases(ReadFileBytes(pgm))) cases.push_back({"P5 " + c.name, c.bytes, true});
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"P6 huge size", "P6\n100000 100000\n255\n\x01\x02\x03"},
        {"P6 size overflowing int", "P6\n99999999999 2\n255\n"},
        {"P6 negative width", "P6\n-3 2\n255\n"},
        {"P6 zero height", "P6\n3 0\n255\n"},
        {"P6 16-bit samples", "P6\n1 1\n65535\n\x01\x02\x03\x04\x05\x06"},
        {"P6 missing maximum", "P6\n1 1\n"},
        {"P6 letters for size", "P6\nab cd\n255\n"},
        {"P3 text colour", "P3\n1 1\n255\n1 2 3\n"},
        {"lower-case magic", "p6\n1 1\n255\n\x01\x02\x03"},
        {"P5 huge size", "P5\n70000 70000\n255\n"},
        {"P5 with PPM magic", "P6\n2 1\n255\n\x01\x02"},
        {"P4 bitmap", "P4\n8 1\n\xff"},
        {"P2 missing a value", p2.substr(0, p2.size() - 4)},
        {"P2 letter instead of a value", "P2\n2 1\n255\n4 x\n"},
        {"P2 negative value", "P2\n2 1\n255\n4 -5\n"},
        {"P2 huge size", "P2\n60000 60000\n255\n1 2 3\n"},
    };
    for (const auto& t : texts) {
        const bool isPgm = t.first[1] == '5' || t.first[1] == '2' || t.first[1] == '4';
        cases.push_back({t.first, Bytes(t.second), isPgm});
    }
    for (const Case& c : cases) {
        const std::string path = dir.File("bad.pnm");
        WriteFileBytes(path, c.bytes);
        QV_Image img;
        EXPECT_FALSE(LoadQuietly(img, path, c.pgm)) << c.name;
    }
    // The complete P2 text reads.
    WriteFileText(dir.File("p2.pgm"), p2);
    QV_Image img;
    EXPECT_TRUE(img.LoadPGM(dir.File("p2.pgm")));
}
