#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "QV_Image.h"
#include "TestSupport.h"

using codec_test::Captured;
using codec_test::MakePicture;
using codec_test::TopFirstBytes;
using visagen_test::TempDir;

namespace {

const std::vector<unsigned char> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool StartsWith(const std::vector<unsigned char>& b, const std::vector<unsigned char>& prefix)
{
    return b.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), b.begin());
}

// Distinct one-colour pictures, so a test can tell which file was read.
QV_Image Plain(unsigned char v)
{
    QV_Image img(3, 4);
    img.Fill(QV_Colour(v, static_cast<unsigned char>(255 - v), 7, 255));
    return img;
}

}  // namespace

TEST(Dispatch, LoadChoosesTheReaderByLowerCasedExtension)
{
    TempDir dir;
    const QV_Image src = MakePicture(6, 9);
    // A TIFF under an upper-case extension.
    const std::string tiff = dir.File("photo.TIFF");
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, src, "rgb", {"-compress", "lzw"}, "tiff:" + tiff));
    QV_Image img;
    ASSERT_TRUE(img.Load(tiff));
    EXPECT_EQ(TopFirstBytes(img, 3), TopFirstBytes(src, 3));

    // PNG and JPEG under their mixed-case names.
    ASSERT_TRUE(src.SavePNG(dir.File("a.PnG")));
    ASSERT_TRUE(img.Load(dir.File("a.PnG")));
    EXPECT_EQ(TopFirstBytes(img, 4), TopFirstBytes(src, 4));
    for (const char* name : {"b.jpg", "b.JPE", "b.jpeg"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(src.SaveJPEG(dir.File(name)));
        img = QV_Image();
        ASSERT_TRUE(img.Load(dir.File(name)));
        EXPECT_EQ(img.Rows(), 6);
    }
    // The hex text image and the float record.
    visagen_test::WriteFileText(dir.File("c.Hex"), "a\nb\nc\nx 0 0 0\ny 2 1 0\n00 FF\n");
    ASSERT_TRUE(img.Load(dir.File("c.Hex")));
    EXPECT_EQ(img(0, 1), QV_Colour(255, 255, 255, 255));
    std::vector<unsigned char> force;
    for (int32_t v : {0, 0, 0, 1}) codec_test::PutLE(force, v, 4);
    for (int64_t v : {2, 0, 1}) codec_test::PutLE(force, v, 8);
    for (float v : {2.0f, 1.0f}) codec_test::PutLE(force, std::bit_cast<int32_t>(v), 4);
    visagen_test::WriteFileBytes(dir.File("d.FORCE"), force);
    ASSERT_TRUE(img.Load(dir.File("d.FORCE")));
    ASSERT_EQ(img.Cols(), 2);
    EXPECT_EQ(img(0, 0), QV_Colour(255, 255, 255, 255));
    EXPECT_EQ(img(0, 1), QV_Colour(0, 0, 0, 255));
}

TEST(Dispatch, UnknownOrMissingExtensionFailsSilently)
{
    TempDir dir;
    ASSERT_TRUE(MakePicture(2, 2).SavePNG(dir.File("p.png")));
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("dir.png")));
    // The reader is picked by the name, never by the content.
    for (const char* name : {"p.foo", "p", "p.png.bak", "dir.png/p"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        ASSERT_EQ(std::rename(dir.File("p.png").c_str(), path.c_str()), 0);
        QV_Image img;
        bool ok = true;
        const std::string err = Captured([&] { ok = img.Load(path); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(err, "");
        ASSERT_EQ(std::rename(path.c_str(), dir.File("p.png").c_str()), 0);
    }
}

TEST(Dispatch, PngContentUnderOtherImageNamesIsNotReadAsPng)
{
    TempDir dir;
    ASSERT_TRUE(MakePicture(2, 2).SavePNG(dir.File("x.png")));
    const std::vector<unsigned char> png = visagen_test::ReadFileBytes(dir.File("x.png"));
    for (const char* name : {"x.bmp", "x.gif", "x.ppm", "x.pgm", "x.tga", "x.tif", "x.jpg", "x.hex", "x.force"}) {
        SCOPED_TRACE(name);
        visagen_test::WriteFileBytes(dir.File(name), png);
        QV_Image img;
        bool ok = true;
        Captured([&] { ok = img.Load(dir.File(name)); });
        EXPECT_FALSE(ok);
    }
}

TEST(Dispatch, LoadResetsTheJpegQuality)
{
    TempDir dir;
    ASSERT_TRUE(MakePicture(2, 2).SavePNG(dir.File("q.png")));
    QV_Image img;
    img.SetJPEGQuality(40);
    ASSERT_TRUE(img.Load(dir.File("q.png")));
    EXPECT_EQ(img.JPEGQuality(), 100);
    img.SetJPEGQuality(40);
    EXPECT_FALSE(img.Load(dir.File("q.unknown")));
    EXPECT_EQ(img.JPEGQuality(), 100);
}

TEST(Dispatch, SaveChoosesTheWriterByExtension)
{
    TempDir dir;
    const QV_Image src = MakePicture(4, 5, true);
    ASSERT_TRUE(src.Save(dir.File("s.PNG")));
    EXPECT_TRUE(StartsWith(visagen_test::ReadFileBytes(dir.File("s.PNG")), kPngSignature));
    for (const char* name : {"s.jpg", "s.Jpe", "s.JPEG"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(src.Save(dir.File(name)));
        EXPECT_TRUE(StartsWith(visagen_test::ReadFileBytes(dir.File(name)), {0xFF, 0xD8}));
    }
    ASSERT_TRUE(src.Save(dir.File("s.msk")));
    const std::vector<unsigned char> msk = visagen_test::ReadFileBytes(dir.File("s.msk"));
    ASSERT_GE(msk.size(), 2u);
    EXPECT_EQ(msk[0], 0x78);  // a zlib stream and nothing before it
    EXPECT_EQ(msk[1], 0xDA);  // level 9
}

TEST(Dispatch, SaveOfUnknownExtensionNamesIt)
{
    TempDir dir;
    const QV_Image src = MakePicture(2, 2);
    bool ok = true;
    std::string err = Captured([&] { ok = src.Save(dir.File("out.xyz")); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "Unrecognised file format: xyz\n");
    err = Captured([&] { ok = src.Save(dir.File("out.Force")); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "Unrecognised file format: force\n");  // readers only
    err = Captured([&] { ok = src.Save(dir.File("noextension")); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "Unrecognised file format: \n");
}

TEST(Dispatch, LoadAnyExtensionTakesTheFirstReadableInOrder)
{
    TempDir dir;
    const std::string base = dir.File("face");
    // .tif comes before .tiff and .png; the given extension is ignored.
    ASSERT_TRUE(Plain(10).SavePNG(base + ".png"));
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, Plain(20), "rgb", {}, "tiff:" + base + ".tiff"));
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, Plain(30), "rgb", {}, "tiff:" + base + ".tif"));
    QV_Image img;
    bool ok = false;
    Captured([&] { ok = img.LoadAnyExtension(base + ".whatever"); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(img(0, 0).red, 30);

    // An unreadable earlier candidate does not stop the search.
    visagen_test::WriteFileText(base + ".tif", "not a tiff");
    Captured([&] { ok = img.LoadAnyExtension(base); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(img(0, 0).red, 20);

    // A JPEG beats all of them.
    ASSERT_TRUE(Plain(200).SaveJPEG(base + ".jpeg"));
    Captured([&] { ok = img.LoadAnyExtension(base + ".png"); });
    ASSERT_TRUE(ok);
    EXPECT_NEAR(img(0, 0).red, 200, 3);

    // Files that are not there are passed over without a message; the
    // unreadable one still says why it failed.
    std::remove((base + ".jpeg").c_str());
    std::remove((base + ".tiff").c_str());
    std::string err = Captured([&] { ok = img.LoadAnyExtension(base); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(img(0, 0).red, 10);
    EXPECT_NE(err.find("LoadTIFF"), std::string::npos) << err;
    EXPECT_EQ(err.find("LoadJPEG"), std::string::npos) << err;

    std::remove((base + ".png").c_str());
    std::remove((base + ".tif").c_str());
    err = Captured([&] { ok = img.LoadAnyExtension(base); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "");
}

// Damaged copies of good files (fixed seed): each read either fails and says
// why, or gives a whole image; nothing crashes (the sanitizer build checks
// the memory side).
TEST(Dispatch, DamagedFilesFailWithAMessageOrReadWhole)
{
    TempDir dir;
    const QV_Image src = MakePicture(24, 20);
    ASSERT_TRUE(src.Save(dir.File("g.jpg")));
    ASSERT_TRUE(src.Save(dir.File("g.png")));
    ASSERT_TRUE(codec_test::ConvertFromRaw(dir, src, "rgb", {"-compress", "lzw"}, dir.File("g.tif")));
    std::mt19937 rng(2024);
    for (const char* ext : {"jpg", "png", "tif"}) {
        const std::vector<unsigned char> good = visagen_test::ReadFileBytes(dir.File(std::string("g.") + ext));
        ASSERT_FALSE(good.empty());
        int failures = 0;
        for (int trial = 0; trial < 150; ++trial) {
            std::vector<unsigned char> bad = good;
            const int edits = 1 + static_cast<int>(rng() % 4);
            for (int e = 0; e < edits; ++e) bad[rng() % bad.size()] = static_cast<unsigned char>(rng());
            if (trial % 3 == 0) bad.resize(rng() % bad.size());
            const std::string path = dir.File(std::string("d.") + ext);
            visagen_test::WriteFileBytes(path, bad);
            QV_Image img;
            bool ok = false;
            const std::string err = Captured([&] { ok = img.Load(path); });
            SCOPED_TRACE(std::string(ext) + " trial " + std::to_string(trial));
            if (ok) {
                EXPECT_GT(img.Rows(), 0);
                EXPECT_GT(img.Cols(), 0);
            } else {
                ++failures;
                EXPECT_FALSE(err.empty());
            }
        }
        EXPECT_GT(failures, 0) << ext;
    }
}
