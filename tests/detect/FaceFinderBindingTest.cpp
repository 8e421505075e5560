// The external finder binding against stand-in finder libraries: loading,
// the start-up message, what is handed across, missing exports, refusals and
// the face box arithmetic.
#include <gtest/gtest.h>

#include <string>

#include "FaceFinderTestUtil.h"
#include "FakeFinder.h"
#include "QV_DynamicLibrary.h"
#include "QV_FaceFinderLibrary.h"
#include "TestSupport.h"

using face_finder_test::InstallFinder;
using face_finder_test::Messages;
using visagen_test::TempDir;

namespace {

// A second handle on the installed stand-in (the loader hands out the same
// instance for the same path), to configure it and read what it recorded.
class FakeControl {
public:
    explicit FakeControl(const std::string& path)
    {
        EXPECT_TRUE(library.Open(path)) << library.LastError();
        configure = reinterpret_cast<FakeConfigureFunction>(library.Symbol("Fake_Configure"));
        getRecord = reinterpret_cast<FakeGetRecordFunction>(library.Symbol("Fake_GetRecord"));
        EXPECT_NE(configure, nullptr);
        EXPECT_NE(getRecord, nullptr);
    }
    void Configure(int setResult, int findResult, int p1, int p2, int p3, int p4)
    {
        if (configure) configure(setResult, findResult, p1, p2, p3, p4);
    }
    FakeFinderRecord Record() const
    {
        FakeFinderRecord r{};
        if (getRecord) getRecord(&r);
        return r;
    }

private:
    QV_DynamicLibrary library;
    FakeConfigureFunction configure = nullptr;
    FakeGetRecordFunction getRecord = nullptr;
};

QV_Image SmallImage(int rows, int cols)
{
    QV_Image image(rows, cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) image(i, j) = QV_Colour(i, j, 7, 200);
    return image;
}

const QV_Point2D kUntouched{-9.0f, -9.0f};

}  // namespace

TEST(FaceFinderBinding, MissingLibraryShowsTheMessageOnceAndLaterCallsFail)
{
    TempDir dataDir;  // no finder library in it
    Messages messages;
    QV_FaceFinderLibrary finder;
    EXPECT_FALSE(finder.Load(dataDir.Path().c_str(), messages.Reporter()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "Error, failed to load QVFaceNet DLL");
    EXPECT_FALSE(finder.IsLoaded());

    QV_Image image = SmallImage(40, 30);
    for (int call = 0; call < 3; ++call) {
        QV_Point2D c1 = kUntouched, c2 = kUntouched;
        EXPECT_FALSE(finder.FindFaceExternal(image, c1, c2));
        EXPECT_EQ(c1.x, kUntouched.x);
        EXPECT_EQ(c2.y, kUntouched.y);
    }
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST(FaceFinderBinding, FileThatIsNotALibraryFailsLikeAMissingOne)
{
    TempDir dataDir;
    visagen_test::WriteFileText(dataDir.File(QV_FaceFinderLibrary::LibraryFileName), "not a shared library\n");
    Messages messages;
    QV_FaceFinderLibrary finder;
    EXPECT_FALSE(finder.Load(dataDir.Path().c_str(), messages.Reporter()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], QV_FaceFinderLibrary::LoadFailedMessage);
    EXPECT_FALSE(finder.LoadError().empty());
    QV_Point2D c1, c2;
    EXPECT_FALSE(finder.FindFaceExternal(SmallImage(4, 4), c1, c2));
}

TEST(FaceFinderBinding, InitialiseGetsTheNetworkFolderWhateverTheSeparators)
{
    TempDir dataDir;
    std::string installed = InstallFinder(VISAGEN_FAKE_FINDER, dataDir);
    // The same folder written with '\\', and with a separator at the end.
    std::string backslashed = dataDir.Path();
    for (char& c : backslashed)
        if (c == '/') c = '\\';
    const std::string forms[] = {dataDir.Path(), dataDir.Path() + "/", backslashed, backslashed + "\\"};
    for (const std::string& dir : forms) {
        SCOPED_TRACE(dir);
        Messages messages;
        QV_FaceFinderLibrary finder;
        ASSERT_TRUE(finder.Load(dir.c_str(), messages.Reporter())) << finder.LoadError();
        EXPECT_TRUE(messages.shown.empty());
        FakeControl fake(installed);
        FakeFinderRecord r = fake.Record();
        EXPECT_EQ(r.initialiseCalls, 1);
        EXPECT_EQ(std::string(r.initialisePath), dataDir.Path() + "/PosnNets");
        // Unloading drops the last reference, so the next form starts afresh.
        finder.Unload();
    }
}

TEST(FaceFinderBinding, LibraryWithoutInitialiseStillLoadsAndFinds)
{
    TempDir dataDir;
    InstallFinder(VISAGEN_FAKE_FINDER_NO_INIT, dataDir);
    Messages messages;
    QV_FaceFinderLibrary finder;
    ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), messages.Reporter())) << finder.LoadError();
    EXPECT_TRUE(messages.shown.empty());
    QV_Point2D c1, c2;
    EXPECT_TRUE(finder.FindFaceExternal(SmallImage(250, 200), c1, c2));
}

TEST(FaceFinderBinding, MissingSetImageOrFindExportGivesFalse)
{
    for (const char* fake : {VISAGEN_FAKE_FINDER_NO_SETIMAGE, VISAGEN_FAKE_FINDER_NO_FIND}) {
        SCOPED_TRACE(fake);
        TempDir dataDir;
        InstallFinder(fake, dataDir);
        QV_FaceFinderLibrary finder;
        ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), nullptr)) << finder.LoadError();
        QV_Point2D c1 = kUntouched, c2 = kUntouched;
        EXPECT_FALSE(finder.FindFaceExternal(SmallImage(250, 200), c1, c2));
        EXPECT_EQ(c1.x, kUntouched.x);
        EXPECT_EQ(c2.x, kUntouched.x);
    }
}

TEST(FaceFinderBinding, HandsOverThePixelsBottomRowFirst)
{
    TempDir dataDir;
    std::string installed = InstallFinder(VISAGEN_FAKE_FINDER, dataDir);
    QV_FaceFinderLibrary finder;
    ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), nullptr));
    FakeControl fake(installed);

    QV_Image image = SmallImage(12, 9);
    image(0, 0) = QV_Colour(1, 2, 3, 4);     // bottom-left of the picture
    image(11, 8) = QV_Colour(5, 6, 7, 8);    // top-right
    QV_Point2D c1, c2;
    EXPECT_TRUE(finder.FindFaceExternal(image, c1, c2));
    FakeFinderRecord r = fake.Record();
    EXPECT_EQ(r.setImageCalls, 1);
    EXPECT_EQ(r.findCalls, 1);
    EXPECT_EQ(r.rows, 12);
    EXPECT_EQ(r.cols, 9);
    EXPECT_EQ(r.bytesPerPixel, 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.firstPixel), 4), std::string("\1\2\3\4", 4));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.lastPixel), 4), std::string("\5\6\7\10", 4));
}

TEST(FaceFinderBinding, EmptyImageIsNotHandedToTheLibrary)
{
    TempDir dataDir;
    std::string installed = InstallFinder(VISAGEN_FAKE_FINDER, dataDir);
    QV_FaceFinderLibrary finder;
    ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), nullptr));
    FakeControl fake(installed);
    QV_Image empty;
    QV_Point2D c1 = kUntouched, c2 = kUntouched;
    EXPECT_FALSE(finder.FindFaceExternal(empty, c1, c2));
    EXPECT_EQ(fake.Record().setImageCalls, 0);
    EXPECT_EQ(c1.y, kUntouched.y);
}

TEST(FaceFinderBinding, RefusedImageOrNoFaceGivesFalse)
{
    struct Case {
        int setResult, findResult;
        int expectedFindCalls;
    };
    const Case cases[] = {{0, 1, 0}, {-1, 1, 0}, {1, 0, 1}, {1, -3, 1}, {0, 0, 0}};
    TempDir dataDir;
    std::string installed = InstallFinder(VISAGEN_FAKE_FINDER, dataDir);
    QV_FaceFinderLibrary finder;
    ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), nullptr));
    FakeControl fake(installed);
    QV_Image image = SmallImage(250, 200);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "set " << c.setResult << " find " << c.findResult);
        int callsBefore = fake.Record().findCalls;
        fake.Configure(c.setResult, c.findResult, 100, 50, 200, 150);
        QV_Point2D c1 = kUntouched, c2 = kUntouched;
        EXPECT_FALSE(finder.FindFaceExternal(image, c1, c2));
        EXPECT_EQ(fake.Record().findCalls - callsBefore, c.expectedFindCalls);
        EXPECT_EQ(c1.x, kUntouched.x);
        EXPECT_EQ(c2.y, kUntouched.y);
    }
    // Any positive answer counts as success.
    fake.Configure(7, 2, 100, 50, 200, 150);
    QV_Point2D c1, c2;
    EXPECT_TRUE(finder.FindFaceExternal(image, c1, c2));
}

// p1..p4 from the library -> q1..q4 of the box, for a 250 x 200 image.
TEST(FaceFinderBinding, BoxArithmetic)
{
    struct Case {
        int p1, p2, p3, p4;
        int q1, q2, q3, q4;
    };
    const Case cases[] = {
        // m1 = 150, h1 = 80 div 2 = 40; m2 = 100, h2 = 48 div 2 = 24.
        {100, 50, 200, 150, 110, 76, 190, 124},
        // Rows given the other way round: the size comes from |p3 - p1|.
        {200, 150, 100, 50, 110, 76, 190, 124},
        // Rounding to nearest: 11 x 0.8 = 8.8 -> 9, div 2 = 4; 8 x 0.6 = 4.8 -> 5,
        // div 2 = 2; and (-7 + 4) div 2 and (-3 + 0) div 2 truncate to -1.
        {-7, -3, 4, 0, -5, -3, 3, 1},
        // 3 x 0.8 = 2.4 -> 2, h1 = 1; 2 x 0.6 = 1.2 -> 1, h2 = 0.
        {0, 10, 3, 11, 0, 10, 2, 10},
        // An odd sum truncates: (101 + 200) div 2 = 150; 99 x 0.8 = 79.2 -> 79,
        // div 2 = 39; 78 x 0.6 = 46.8 -> 47, div 2 = 23.
        {101, 51, 200, 150, 111, 77, 189, 123},
        // A point box.
        {60, 70, 60, 70, 60, 70, 60, 70},
    };
    const int rows = 250, cols = 200;
    TempDir dataDir;
    std::string installed = InstallFinder(VISAGEN_FAKE_FINDER, dataDir);
    QV_FaceFinderLibrary finder;
    ASSERT_TRUE(finder.Load(dataDir.Path().c_str(), nullptr));
    FakeControl fake(installed);
    QV_Image image = SmallImage(rows, cols);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.p1 << "," << c.p2 << "," << c.p3 << "," << c.p4);
        fake.Configure(1, 1, c.p1, c.p2, c.p3, c.p4);
        QV_Point2D c1, c2;
        ASSERT_TRUE(finder.FindFaceExternal(image, c1, c2));
        EXPECT_FLOAT_EQ(c1.x, static_cast<float>(c.q2) / cols);
        EXPECT_FLOAT_EQ(c1.y, static_cast<float>(c.q1) / rows);
        EXPECT_FLOAT_EQ(c2.x, static_cast<float>(c.q4) / cols);
        EXPECT_FLOAT_EQ(c2.y, static_cast<float>(c.q3) / rows);
    }
}

TEST(FaceFinderBinding, BoxArithmeticDoesNotOverflowOnExtremeAnswers)
{
    QV_Point2D c1, c2;
    const int big = 2147483647;
    QV_FaceFinderLibrary::BoxFromFinderResult(-big - 1, -big - 1, big, big, 100, 100, c1, c2);
    // m1 = -1 div 2 = 0, h1 = round(4294967295 x 0.8) div 2 = 1717986918.
    EXPECT_FLOAT_EQ(c1.y, -1717986918.0f / 100);
    EXPECT_FLOAT_EQ(c2.y, 1717986918.0f / 100);
    EXPECT_LT(c1.x, 0.0f);
    EXPECT_GT(c2.x, 0.0f);
}
