#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "QV_Image.h"
#include "TestSupport.h"

using codec_test::BadFile;
using codec_test::Captured;
using codec_test::MakePicture;
using codec_test::PutLE;
using visagen_test::TempDir;

namespace {

std::vector<unsigned char> Deflate(const std::vector<unsigned char>& raw)
{
    uLongf n = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> out(n);
    compress2(out.data(), &n, raw.data(), static_cast<uLong>(raw.size()), 9);
    out.resize(n);
    return out;
}

// An image record with the given header fields around `block`.
std::vector<unsigned char> Record(int32_t version, int32_t r0, int32_t r1, int32_t c0, int32_t c1, int32_t n,
                                  const std::vector<unsigned char>& block)
{
    std::vector<unsigned char> b;
    for (int32_t v : {version, r0, r1, c0, c1, n}) PutLE(b, v, 4);
    b.insert(b.end(), block.begin(), block.end());
    return b;
}

std::vector<unsigned char> RecordOf(const QV_Image& img)
{
    TempDir dir;
    const std::string path = dir.File("r.bin");
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(img.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(path);
}

bool ReadRecord(const std::string& path, QV_Image& img)
{
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return f && img.Read(f.get());
}

// A float image record: four bounds, then count, low and high as 64-bit
// integers and the values.
std::vector<unsigned char> FloatRecord(int32_t r0, int32_t r1, int32_t c0, int32_t c1, int64_t count, int64_t lo,
                                       int64_t hi, const std::vector<float>& values)
{
    std::vector<unsigned char> b;
    for (int32_t v : {r0, r1, c0, c1}) PutLE(b, v, 4);
    for (int64_t v : {count, lo, hi}) PutLE(b, v, 8);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(values.data());
    b.insert(b.end(), p, p + values.size() * sizeof(float));
    return b;
}

// Runs every case through `read` and expects a failure with its message.
void ExpectAllFail(const TempDir& dir, const std::vector<BadFile>& cases, const char* name,
                   const std::function<bool(const std::string&)>& read)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(name);
        visagen_test::WriteFileBytes(path, c.bytes);
        bool ok = true;
        const std::string err = Captured([&] { ok = read(path); });
        EXPECT_FALSE(ok);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}

}  // namespace

TEST(ImageRecord, RoundTripIsExactAndRewritesIdentically)
{
    TempDir dir;
    // Bounds that do not start at 0, and an alpha that varies.
    const QV_Image src = MakePicture(5, 7, true);
    QV_Image shifted;
    shifted.Resize(1, 5, -3, 3);
    for (int i = 0; i < src.Count(); ++i) shifted.Data()[i] = src.Data()[i];

    const std::vector<unsigned char> first = RecordOf(shifted);
    ASSERT_GE(first.size(), 24u);
    // version 1, then the bounds, then n and exactly n bytes.
    const std::vector<unsigned char> head = Record(1, 1, 5, -3, 3, static_cast<int32_t>(first.size() - 24), {});
    EXPECT_TRUE(std::equal(head.begin(), head.end(), first.begin()));

    const std::string path = dir.File("r.bin");
    visagen_test::WriteFileBytes(path, first);
    QV_Image back;
    ASSERT_TRUE(ReadRecord(path, back));
    EXPECT_EQ(back.RowLow(), 1);
    EXPECT_EQ(back.RowHigh(), 5);
    EXPECT_EQ(back.ColLow(), -3);
    EXPECT_EQ(back.ColHigh(), 3);
    for (int r = 1; r <= 5; ++r)
        for (int c = -3; c <= 3; ++c) ASSERT_EQ(back(r, c), shifted(r, c)) << r << "," << c;
    EXPECT_EQ(RecordOf(back), first);
}

TEST(ImageRecord, EmptyImageRoundTrips)
{
    TempDir dir;
    const std::string path = dir.File("e.bin");
    visagen_test::WriteFileBytes(path, RecordOf(QV_Image()));
    QV_Image back = MakePicture(2, 2);
    ASSERT_TRUE(ReadRecord(path, back));
    EXPECT_TRUE(back.Empty());
}

TEST(ImageRecord, RecordsFollowEachOtherInOneStream)
{
    TempDir dir;
    const std::string path = dir.File("two.bin");
    const QV_Image a = MakePicture(3, 4), b = MakePicture(6, 2, true, 99);
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        ASSERT_TRUE(a.Write(f.get()));
        ASSERT_TRUE(b.Write(f.get()));
    }
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    QV_Image x, y;
    ASSERT_TRUE(x.Read(f.get()));
    ASSERT_TRUE(y.Read(f.get()));
    EXPECT_EQ(codec_test::TopFirstBytes(x, 4), codec_test::TopFirstBytes(a, 4));
    EXPECT_EQ(codec_test::TopFirstBytes(y, 4), codec_test::TopFirstBytes(b, 4));
    EXPECT_EQ(std::fgetc(f.get()), EOF);
}

TEST(ImageRecord, CorruptRecordsFail)
{
    TempDir dir;
    const QV_Image img = MakePicture(4, 6);
    const std::vector<unsigned char> good = RecordOf(img);
    const std::vector<unsigned char> block(good.begin() + 24, good.end());
    const int32_t n = static_cast<int32_t>(block.size());
    const std::vector<unsigned char> pixels = codec_test::TopFirstBytes(img, 4);
    const std::vector<unsigned char> flat = Deflate(std::vector<unsigned char>(4000 * 4000 * 4 / 1000, 0));

    std::vector<BadFile> cases = {
        {"empty", {}, "short image record"},
        {"version 2", Record(2, 0, 3, 0, 5, n, block), "unknown image record version 2"},
        {"version 0", Record(0, 0, 3, 0, 5, n, block), "unknown image record version 0"},
        {"negative block size", Record(1, 0, 3, 0, 5, -1, block), "compressed block larger than the file"},
        {"block size beyond the file", Record(1, 0, 3, 0, 5, 0x7FFFFFFF, block), "compressed block larger than the file"},
        {"huge bounds", Record(1, 0, 999999999, 0, 999999999, n, block), "larger than the compressed block can hold"},
        // 16M pixels announced for a block of a few dozen bytes.
        {"bounds beyond the block", Record(1, 0, 3999, 0, 3999, n, block), "larger than the compressed block can hold"},
        // A block that inflates to 64 KB cannot be a 4000 x 4000 image either.
        {"bounds beyond a real block", Record(1, 0, 3999, 0, 3999, static_cast<int32_t>(flat.size()), flat),
         "larger than the compressed block can hold"},
        {"fewer pixels than bounds", Record(1, 0, 4, 0, 5, n, block), "does not inflate to the image size"},
        {"more pixels than bounds", Record(1, 0, 2, 0, 5, n, block), "does not inflate to the image size"},
        {"garbage block", Record(1, 0, 3, 0, 5, 8, {1, 2, 3, 4, 5, 6, 7, 8}), "does not inflate to the image size"},
        {"raw pixels instead of zlib", Record(1, 0, 3, 0, 5, static_cast<int32_t>(pixels.size()), pixels),
         "does not inflate to the image size"},
    };
    for (auto& t : codec_test::Truncations(good, {2, 4, 10, 20, 24, 30, good.size() - 1}, "QV_Image::Read() Error! : "))
        cases.push_back(t);
    ExpectAllFail(dir, cases, "bad.bin", [](const std::string& p) {
        QV_Image x;
        return ReadRecord(p, x);
    });
}

TEST(FloatRecord, ReadsAsStretchedGrey)
{
    TempDir dir;
    const std::string path = dir.File("a.force");
    visagen_test::WriteFileBytes(path, FloatRecord(1, 2, 0, 2, 6, 0, 5, {-1.0f, 0.0f, 1.0f, 2.0f, 3.0f, 4.0f}));
    QV_Image img;
    ASSERT_TRUE(img.LoadFloatRecord(path));
    ASSERT_EQ(img.RowLow(), 1);
    ASSERT_EQ(img.RowHigh(), 2);
    ASSERT_EQ(img.Cols(), 3);
    EXPECT_EQ(img(1, 0), QV_Colour(0, 0, 0, 255));
    EXPECT_EQ(img(1, 1), QV_Colour(51, 51, 51, 255));
    EXPECT_EQ(img(2, 0), QV_Colour(153, 153, 153, 255));
    EXPECT_EQ(img(2, 2), QV_Colour(255, 255, 255, 255));
}

TEST(FloatRecord, CorruptRecordsFail)
{
    TempDir dir;
    const std::vector<float> six = {1, 2, 3, 4, 5, 6};
    const std::vector<unsigned char> good = FloatRecord(0, 1, 0, 2, 6, 0, 5, six);
    const std::string bad = "bad float image record";
    std::vector<BadFile> cases = {
        {"empty", {}, bad},
        {"count far beyond the file", FloatRecord(0, 1, 0, 2, 6, 0, 1999999999, six), bad},
        {"bounds far beyond the values", FloatRecord(0, 99999, 0, 99999, 6, 0, 5, six), bad},
        {"bounds not matching the values", FloatRecord(0, 1, 0, 1, 6, 0, 5, six), bad},
        {"no values", FloatRecord(0, -1, 0, -1, 0, 0, -1, {}), bad},
    };
    for (auto& t : codec_test::Truncations(good, {3, 16, 30, good.size() - 1}, bad)) cases.push_back(t);
    ExpectAllFail(dir, cases, "bad.force", [](const std::string& p) {
        QV_Image x;
        return x.LoadFloatRecord(p);
    });
}

TEST(HexImage, ReadsStretchedGreyRowAfterRow)
{
    TempDir dir;
    const std::string path = dir.File("a.hex");
    visagen_test::WriteFileText(path, "first\nsecond\nthird\nimage 9 9 9\nsize 3 2 8\n10 2A\n30 40 50 60\n");
    QV_Image img;
    ASSERT_TRUE(img.LoadHex(path));
    ASSERT_EQ(img.Rows(), 2);
    ASSERT_EQ(img.Cols(), 3);
    // Values 0x10..0x60 stretch to 0..255; the file's first byte is pixel (0, 0).
    EXPECT_EQ(img(0, 0), QV_Colour(0, 0, 0, 255));
    EXPECT_EQ(img(0, 1), QV_Colour(83, 83, 83, 255));   // (42 - 16) / 80 x 255 = 82.875
    EXPECT_EQ(img(0, 2), QV_Colour(102, 102, 102, 255));
    EXPECT_EQ(img(1, 2), QV_Colour(255, 255, 255, 255));
}

TEST(HexImage, FlatImageKeepsItsValuesAndLowerCaseDigitsRead)
{
    TempDir dir;
    const std::string path = dir.File("flat.hex");
    visagen_test::WriteFileText(path, "a\nb\nc\nx 0 0 0\ny 2 2 0\nab ab\r\nAB aB\n");
    QV_Image img;
    ASSERT_TRUE(img.LoadHex(path));
    ASSERT_EQ(img.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(img.Data()[i], QV_Colour(0xAB, 0xAB, 0xAB, 255));
}

TEST(HexImage, CorruptFilesFail)
{
    TempDir dir;
    auto bytes = [](const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); };
    const std::string head = "a\nb\nc\nx 0 0 0\n";
    std::vector<BadFile> cases = {
        {"empty", {}, "missing header line"},
        {"no size lines", bytes("a\nb\nc\n"), "missing size line"},
        {"size line without numbers", bytes(head + "y z\n00\n"), "missing size line"},
        {"size far beyond the file", bytes(head + "y 100000 100000 0\n00 11\n"), "more than the file holds"},
        {"zero size", bytes(head + "y 0 3 0\n00 11 22\n"), "more than the file holds"},
        {"negative size", bytes(head + "y -2 -3 0\n00 11 22 33 44 55\n"), "more than the file holds"},
        {"fewer bytes than announced", bytes(head + "y 2 2 0\n00 11 22          \n"), "fewer grey bytes"},
        {"not hexadecimal", bytes(head + "y 2 2 0\n00 1G 22 33\n"), "not a hexadecimal digit"},
    };
    ExpectAllFail(dir, cases, "bad.hex", [](const std::string& p) {
        QV_Image x;
        return x.LoadHex(p);
    });
}

TEST(Mask, HoldsExactlyTheCompressedGreyTopRowFirst)
{
    TempDir dir;
    // Tiny and incompressible images included: the write must never run out of room.
    for (int side : {1, 2, 5, 64}) {
        SCOPED_TRACE(side);
        QV_Image img(side, side + 1);
        std::mt19937 rng(static_cast<unsigned>(side));
        for (int i = 0; i < img.Count(); ++i)
            img.Data()[i] = QV_Colour(rng() & 255, rng() & 255, rng() & 255, rng() & 255);
        const std::string path = dir.File("m.msk");
        ASSERT_TRUE(img.SaveMSK(path));
        const std::vector<unsigned char> file = visagen_test::ReadFileBytes(path);
        std::vector<unsigned char> grey(static_cast<size_t>(img.Count()) + 1);
        uLongf n = static_cast<uLongf>(grey.size());
        ASSERT_EQ(uncompress(grey.data(), &n, file.data(), static_cast<uLong>(file.size())), Z_OK);
        ASSERT_EQ(n, static_cast<uLongf>(img.Count()));
        size_t k = 0;
        for (int r = img.RowHigh(); r >= 0; --r)
            for (int c = 0; c < img.Cols(); ++c, ++k) {
                const QV_Colour p = img(r, c);
                ASSERT_EQ(grey[k], (p.red + p.green + p.blue) / 3) << r << "," << c;
            }
    }
}

TEST(Mask, UnopenableFileFailsWithMessage)
{
    TempDir dir;
    const std::string path = dir.File("no/such/m.msk");
    bool ok = true;
    const std::string err = Captured([&] { ok = MakePicture(2, 2).SaveMSK(path); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "QV_Image::SaveMSK(), Failed to open: " + path + "\n");
}
