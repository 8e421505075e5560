// The real finder library: found through the binding on a portrait, its box
// around the face; nothing on a face-free picture; its own entry points
// refusing bad input and keeping a copy of the image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FaceFinderTestUtil.h"
#include "QV_DynamicLibrary.h"
#include "QV_FaceFinderLibrary.h"
#include "TestSupport.h"

using face_finder_test::InstallFinder;
using face_finder_test::Messages;
using visagen_test::TempDir;

namespace {

const char* const kPortrait = "/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg";

// Hand-measured on the 512 x 600 portrait, in pixels from the top-left:
// eye centres near (225, 195) and (310, 190), mouth centre near (265, 275).
// As normalised coordinates with rows counted from the bottom:
constexpr float kLeftEyeX = 225.0f / 512, kRightEyeX = 310.0f / 512;
constexpr float kEyesY = 1.0f - 192.0f / 600;
constexpr float kMouthY = 1.0f - 275.0f / 600;

QV_Image LoadPortrait()
{
    QV_Image image;
    EXPECT_TRUE(image.Load(kPortrait)) << kPortrait;
    return image;
}

// Smooth shading with a few flat blocks: nothing face-like in it.
QV_Image FaceFreeImage()
{
    QV_Image image(480, 640);
    for (int i = 0; i < 480; ++i)
        for (int j = 0; j < 640; ++j) {
            unsigned char v = static_cast<unsigned char>((i / 3 + j / 5) % 256);
            image(i, j) = QV_Colour(v, static_cast<unsigned char>(255 - v), 90, 255);
        }
    for (int i = 100; i < 220; ++i)
        for (int j = 300; j < 500; ++j) image(i, j) = QV_Colour(240, 240, 240, 255);
    return image;
}

// The finder's entry points, reached directly.
struct FinderExports {
    QV_DynamicLibrary library;
    QV_FaceFinderLibrary::InitialiseFunction initialise = nullptr;
    QV_FaceFinderLibrary::SetImageFunction setImage = nullptr;
    QV_FaceFinderLibrary::FindFaceFunction findFace = nullptr;

    explicit FinderExports(const std::string& path)
    {
        EXPECT_TRUE(library.Open(path)) << library.LastError();
        initialise = reinterpret_cast<QV_FaceFinderLibrary::InitialiseFunction>(library.Symbol("FN_Initialise"));
        setImage = reinterpret_cast<QV_FaceFinderLibrary::SetImageFunction>(library.Symbol("FN_SetImage"));
        findFace = reinterpret_cast<QV_FaceFinderLibrary::FindFaceFunction>(library.Symbol("FN_FindFaceSXY"));
    }
    bool Complete() const { return initialise && setImage && findFace; }
};

}  // namespace

TEST(FaceFinderLibrary, FindsTheFaceInAPortrait)
{
    TempDir dataDir;
    InstallFinder(VISAGEN_FACE_FINDER, dataDir);
    Messages messages;
    QV_FaceFinderLibrary finder;
    ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), messages.Reporter())) << finder.LoadError();
    EXPECT_TRUE(messages.shown.empty());

    QV_Image portrait = LoadPortrait();
    ASSERT_EQ(portrait.Rows(), 600);
    ASSERT_EQ(portrait.Cols(), 512);
    QV_Point2D c1, c2;
    ASSERT_TRUE(finder.FindFaceExternal(portrait, c1, c2));

    // Corner 1 is the lower-left one, corner 2 the upper-right one.
    EXPECT_LT(c1.x, c2.x);
    EXPECT_LT(c1.y, c2.y);
    // The box reaches from between the mouth and eyes up past the eyes, and
    // spans most of the way between the eye centres.
    EXPECT_LT(c1.y, kEyesY);
    EXPECT_GT(c2.y, kEyesY);
    EXPECT_LT(c1.y, (kEyesY + kMouthY) / 2 + 0.02f);
    const float midEyesX = (kLeftEyeX + kRightEyeX) / 2;
    EXPECT_NEAR((c1.x + c2.x) / 2, midEyesX, 0.06f);
    EXPECT_NEAR((c1.y + c2.y) / 2, (kEyesY + kMouthY) / 2, 0.08f);
    EXPECT_LT(c1.x, kLeftEyeX + 0.04f);
    EXPECT_GT(c2.x, kRightEyeX - 0.04f);
    // A face box, not the whole picture.
    EXPECT_GT(c2.y - c1.y, 0.15f);
    EXPECT_LT(c2.y - c1.y, 0.6f);
}

TEST(FaceFinderLibrary, FindsNothingInAFaceFreeImage)
{
    TempDir dataDir;
    InstallFinder(VISAGEN_FACE_FINDER, dataDir);
    QV_FaceFinderLibrary finder;
    ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), nullptr)) << finder.LoadError();
    QV_Point2D c1{-9.0f, -9.0f}, c2{-9.0f, -9.0f};
    EXPECT_FALSE(finder.FindFaceExternal(FaceFreeImage(), c1, c2));
    EXPECT_EQ(c1.x, -9.0f);
    // The portrait afterwards is still found: a failed search leaves no state behind.
    EXPECT_TRUE(finder.FindFaceExternal(LoadPortrait(), c1, c2));
}

TEST(FaceFinderLibrary, KeepsItsOwnCopyOfTheImage)
{
    TempDir dataDir;
    FinderExports finder(InstallFinder(VISAGEN_FACE_FINDER, dataDir));
    ASSERT_TRUE(finder.Complete());
    EXPECT_GT(finder.initialise(dataDir.File("PosnNets").c_str()), 0);

    QV_Image portrait = LoadPortrait();
    const auto* bytes = reinterpret_cast<const unsigned char*>(portrait.Data());
    std::vector<unsigned char> pixels(bytes, bytes + static_cast<size_t>(portrait.Count()) * 4);
    ASSERT_GT(finder.setImage(portrait.Rows(), portrait.Cols(), 4, pixels.data()), 0);
    int a[4] = {0, 0, 0, 0};
    ASSERT_GT(finder.findFace(&a[0], &a[1], &a[2], &a[3]), 0);

    // The caller's buffer is overwritten and released; the search still sees the portrait.
    std::fill(pixels.begin(), pixels.end(), 0);
    pixels = std::vector<unsigned char>();
    int b[4] = {0, 0, 0, 0};
    ASSERT_GT(finder.findFace(&b[0], &b[1], &b[2], &b[3]), 0);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(a[k], b[k]) << k;

    // Rows count from the bottom of the picture: the face is in the upper half.
    EXPECT_LT(a[0], a[2]);
    EXPECT_LT(a[1], a[3]);
    EXPECT_GT((a[0] + a[2]) / 2, 300);
    EXPECT_LE(a[2], 600);
    EXPECT_GE(a[0], 0);
}

TEST(FaceFinderLibrary, RefusesBadImagesAndSearchesWithoutOne)
{
    TempDir dataDir;
    FinderExports finder(InstallFinder(VISAGEN_FACE_FINDER, dataDir));
    ASSERT_TRUE(finder.Complete());
    finder.initialise(nullptr);

    int p[4] = {0, 0, 0, 0};
    // Nothing to search yet.
    EXPECT_EQ(finder.findFace(&p[0], &p[1], &p[2], &p[3]), 0);

    std::vector<unsigned char> pixels(64 * 64 * 4, 128);
    struct Case {
        int rows, cols, bytesPerPixel;
        const unsigned char* data;
    };
    const Case refused[] = {
        {0, 64, 4, pixels.data()},  {64, 0, 4, pixels.data()},     {-5, 64, 4, pixels.data()},
        {64, 64, 2, pixels.data()}, {64, 64, 0, pixels.data()},    {64, 64, 4, nullptr},
        {1 << 20, 1 << 20, 4, pixels.data()},  // far beyond any photograph
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(::testing::Message() << c.rows << " x " << c.cols << " x " << c.bytesPerPixel);
        EXPECT_EQ(finder.setImage(c.rows, c.cols, c.bytesPerPixel, c.data), 0);
        // A refused image also drops the one before it.
        EXPECT_EQ(finder.findFace(&p[0], &p[1], &p[2], &p[3]), 0);
    }
    EXPECT_GT(finder.setImage(64, 64, 4, pixels.data()), 0);
    EXPECT_EQ(finder.findFace(nullptr, &p[1], &p[2], &p[3]), 0);
    EXPECT_EQ(finder.findFace(&p[0], &p[1], &p[2], &p[3]), 0);  // a flat grey square
}

TEST(FaceFinderLibrary, UnreadableCascadeInTheNetworkFolderFallsBackToTheSystemOne)
{
#if defined(__SANITIZE_ADDRESS__)
    // After the vision library has rejected a broken cascade file, the leak
    // checker's own thread tracer crashes at process exit (signal 11 inside the
    // sanitizer runtime, after the test has passed). The plain build runs it.
    GTEST_SKIP() << "the leak checker cannot trace this process at exit";
#endif
    TempDir dataDir;
    FinderExports finder(InstallFinder(VISAGEN_FACE_FINDER, dataDir));
    ASSERT_TRUE(finder.Complete());
    TempDir networks;
    visagen_test::WriteFileText(networks.File("haarcascade_frontalface_default.xml"), "<opencv_storage>broken");
    visagen_test::WriteFileText(networks.File("haarcascade_frontalface_alt2.xml"), "");
    EXPECT_GT(finder.initialise(networks.Path().c_str()), 0);

    QV_Image portrait = LoadPortrait();
    ASSERT_GT(finder.setImage(portrait.Rows(), portrait.Cols(), 4,
                              reinterpret_cast<const unsigned char*>(portrait.Data())),
              0);
    int p[4] = {0, 0, 0, 0};
    EXPECT_GT(finder.findFace(&p[0], &p[1], &p[2], &p[3]), 0);
}
