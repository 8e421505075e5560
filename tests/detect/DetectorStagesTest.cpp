// The detector's first two stages and what they stand on: masks, lighting
// correction, equalisation, the pyramid, the coverage maps, candidate search
// on the 10-pixel grid and the two-network verification vote.
#include <gtest/gtest.h>

#include <cmath>

#include "NetTexts.h"
#include "QV_DetectorResources.h"
#include "QV_FaceDetector.h"
#include "QV_NamedImages.h"
#include "QV_WindowInputs.h"

using namespace visagen_test;

namespace {

QV_DetImage Flat(int w, int h, unsigned char v) { return QV_DetImage(w, h, v); }

void Paint(QV_DetImage& img, int x0, int y0, int w, int h, unsigned char v)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) img.At(x, y) = v;
}

int CountCovered(const QV_DetImage& map)
{
    int n = 0;
    for (unsigned char v : map.pixels) n += v == 255;
    return n;
}

// ---- masks and lighting ----

TEST(DetectorResources, FaceMaskShapeAndEyeMask)
{
    const QV_DetectorResources& res = QV_GetDetectorResources();
    ASSERT_NE(res.faceMask, nullptr);
    EXPECT_EQ(res.faceMask, QV_FindNamedImage("facemask"));
    EXPECT_EQ(res.eyeMask, QV_FindNamedImage("eyemask"));
    EXPECT_EQ(res.faceInside.size(), 320u);
    const QV_DetImage& m = *res.faceMask;
    // Cuts of 5, 4, 3, 2 pixels on rows 0..3 and 19..16; column 0 and 19 always out.
    const int cut[20] = {5, 4, 3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 3, 4, 5};
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(m.At(cut[y] - 1, y), 0) << y;
        EXPECT_EQ(m.At(cut[y], y), 255) << y;
        EXPECT_EQ(m.At(19 - cut[y], y), 255) << y;
        EXPECT_EQ(m.At(20 - cut[y], y), 0) << y;
    }
    ASSERT_EQ(res.eyeMask->width, 25);
    ASSERT_EQ(res.eyeMask->height, 15);
    for (unsigned char v : res.eyeMask->pixels) EXPECT_EQ(v, 255);
    EXPECT_TRUE(res.lightingValid);
}

TEST(DetectorResourcesDeathTest, DuplicateImageNameEndsProcess)
{
    EXPECT_EXIT(
        {
            QV_GetDetectorResources();
            QV_CreateNamedImage("facemask", 3, 3);
        },
        testing::ExitedWithCode(1), "Create image: duplicate name 'facemask'.");
}

TEST(Lighting, MatrixInvertsNormalMatrix)
{
    const QV_DetectorResources& res = QV_GetDetectorResources();
    double m[3][3] = {};
    for (int idx : res.faceInside) {
        const double l = idx % 20 - 10, mm = idx / 20 - 10;
        const double row[3] = {l, mm, 1.0};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double p = 0.0;
            for (int k = 0; k < 3; ++k) p += res.lighting[i][k] * m[k][j];
            EXPECT_NEAR(p, i == j ? 1.0 : 0.0, 1e-9);
        }
}

TEST(Lighting, SingularMatrixIsReported)
{
    const double m[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 1, 1}};
    double out[3][3];
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_Invert3x3(m, out));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Singular matrix!\n");
}

TEST(Lighting, PlaneIsRemovedAndCentredOn256)
{
    // v = 100 + 2 (column - 10) - 3 (row - 10): the fitted plane is exact.
    int window[400];
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) window[y * 20 + x] = 100 + 2 * (x - 10) - 3 * (y - 10);
    QV_CorrectLighting(window, QV_GetDetectorResources());
    for (int k = 0; k < 400; ++k) EXPECT_EQ(window[k], 256) << k;
}

// ---- equalisation ----

TEST(Equalise, RanksOverAllOrCountedPixels)
{
    NetSpec spec;
    spec.inputs = 5;
    spec.output = {{0, 1.0f}};
    QV_NetworkText t = MakeNetText(spec);
    QV_NeuralNet net;
    ASSERT_TRUE(net.Read(t.structure, t.weights));

    const int window[4] = {20, 10, 30, 20};
    QV_EqualiseInto(window, 4, nullptr, 0, 256, net);
    EXPECT_FLOAT_EQ(net.Activation(0), 1.0f);
    EXPECT_FLOAT_EQ(net.Activation(1), 0.0f);    // (1 + 3) / 4 - 1
    EXPECT_FLOAT_EQ(net.Activation(2), -0.75f);  // (0 + 1) / 4 - 1
    EXPECT_FLOAT_EQ(net.Activation(3), 0.75f);   // (3 + 4) / 4 - 1
    EXPECT_FLOAT_EQ(net.Activation(4), 0.0f);

    // Counting pixels 0 and 1 only (values 20 and 10), with 512 levels.
    const int wide[4] = {20, 10, 300, 15};
    const int counted[2] = {0, 1};
    QV_EqualiseInto(wide, 4, counted, 2, 512, net);
    EXPECT_FLOAT_EQ(net.Activation(1), 0.5f);   // (1 + 2) / 2 - 1
    EXPECT_FLOAT_EQ(net.Activation(2), -0.5f);  // (0 + 1) / 2 - 1
    EXPECT_FLOAT_EQ(net.Activation(3), 1.0f);   // above every counted pixel
    EXPECT_FLOAT_EQ(net.Activation(4), 0.0f);   // (1 + 1) / 2 - 1
}

TEST(CopyWindow, BordersRepeatAndMirrorReverses)
{
    QV_DetImage img(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) img.At(x, y) = static_cast<unsigned char>(10 * y + x);
    int w[9];
    QV_CopyWindow(img, -1, 1, 3, 3, false, w);
    const int expected[9] = {10, 10, 11, 20, 20, 21, 20, 20, 21};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(w[k], expected[k]) << k;
    QV_CopyWindow(img, 1, 0, 3, 2, true, w);
    const int mirrored[6] = {3, 2, 1, 13, 12, 11};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(w[k], mirrored[k]) << k;
}

// ---- pyramid ----

struct PyramidCase {
    int w, h;
    std::vector<std::pair<int, int>> sizes;
};

TEST(Pyramid, LevelSizes)
{
    const PyramidCase cases[] = {
        {19, 30, {}},
        {30, 19, {}},
        {20, 20, {{20, 20}}},
        {24, 24, {{24, 24}, {20, 20}}},
        {60, 60, {{60, 60}, {50, 50}, {41, 41}, {34, 34}, {28, 28}, {23, 23}}},
        {100, 30, {{100, 30}, {83, 25}, {69, 20}}},
    };
    for (const PyramidCase& c : cases) {
        std::vector<QV_DetImage> levels;
        QV_FaceDetector::BuildPyramid(Flat(c.w, c.h, 7), levels);
        ASSERT_EQ(levels.size(), c.sizes.size()) << c.w << "x" << c.h;
        for (size_t k = 0; k < levels.size(); ++k) {
            EXPECT_EQ(levels[k].width, c.sizes[k].first) << k;
            EXPECT_EQ(levels[k].height, c.sizes[k].second) << k;
            EXPECT_EQ(levels[k].pixels.size(), static_cast<size_t>(levels[k].width * levels[k].height));
        }
    }
}

TEST(Pyramid, LevelCoordinatesScaleBy1Point2)
{
    // A horizontal ramp v = 2x: level 1 pixel x samples level 0 at 1.2 x.
    QV_DetImage img(60, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x) img.At(x, y) = static_cast<unsigned char>(2 * x);
    std::vector<QV_DetImage> levels;
    QV_FaceDetector::BuildPyramid(img, levels);
    ASSERT_EQ(levels.size(), 2u);
    for (int x = 0; x < levels[1].width; ++x) EXPECT_NEAR(levels[1].At(x, 5), 2.4 * x, 0.51) << x;
    EXPECT_EQ(levels[0].At(59, 23), 118);  // level 0 is the input itself
    // The same down the rows: a vertical ramp v = 4y.
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x) img.At(x, y) = static_cast<unsigned char>(4 * y);
    QV_FaceDetector::BuildPyramid(img, levels);
    for (int y = 0; y < levels[1].height; ++y) EXPECT_NEAR(levels[1].At(37, y), 4.8 * y, 0.51) << y;
}

TEST(Detector, InputBelowTwentyPixelsFindsNothing)
{
    QV_FaceDetector d;
    bool ok = false;
    LoadDetector(d, ConstantNet(30, 30, 1.0f), ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f),
                 ConstantNet(25, 15, 1.0f), ok);
    ASSERT_TRUE(ok);
    std::vector<unsigned char> grey(19 * 40, 90);
    int* records = reinterpret_cast<int*>(&grey);  // must be replaced by null
    EXPECT_EQ(d.Detect(19, 40, grey.data(), &records), 0);
    EXPECT_EQ(records, nullptr);
    EXPECT_EQ(d.Detect(40, 19, grey.data(), &records), 0);
}

TEST(Detector, RefusesNetworksOfWrongWindow)
{
    QV_FaceDetector d;
    bool ok = true;
    testing::internal::CaptureStderr();
    LoadDetector(d, ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f),
                 ConstantNet(25, 15, 1.0f), ok);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("input count"), std::string::npos);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(d.Ready());
    std::vector<unsigned char> grey(40 * 40, 90);
    int* records = nullptr;
    EXPECT_EQ(d.Detect(40, 40, grey.data(), &records), 0);
}

TEST(VerdictTable, OneEntryPerLevelAndCentreWithAMarginAroundEachLevel)
{
    std::vector<QV_DetImage> pyramid;
    QV_FaceDetector::BuildPyramid(Flat(60, 40, 9), pyramid);
    ASSERT_GE(pyramid.size(), 2u);
    QV_VerdictTable table;
    EXPECT_EQ(table.At(0, 5, 5), nullptr);  // nothing before a reset
    table.Reset(pyramid);
    unsigned char* a = table.At(0, 5, 5);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(*a, QV_VerdictTable::kUnknown);
    *a = QV_VerdictTable::kYes;
    // Neighbouring centres and the same centre on the next level are others.
    for (unsigned char* other : {table.At(0, 6, 5), table.At(0, 5, 6), table.At(0, 4, 5), table.At(1, 5, 5)}) {
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other, a);
        EXPECT_EQ(*other, QV_VerdictTable::kUnknown);
    }
    EXPECT_EQ(*table.At(0, 5, 5), QV_VerdictTable::kYes);
    // Centres up to 32 beyond each side of a level have entries; further out,
    // and levels the pyramid does not have, none.
    const int w = pyramid[1].width, h = pyramid[1].height;
    EXPECT_NE(table.At(1, -32, -32), nullptr);
    EXPECT_NE(table.At(1, w + 31, h + 31), nullptr);
    EXPECT_EQ(table.At(1, -33, 0), nullptr);
    EXPECT_EQ(table.At(1, 0, h + 32), nullptr);
    EXPECT_EQ(table.At(-1, 0, 0), nullptr);
    EXPECT_EQ(table.At(static_cast<int>(pyramid.size()), 0, 0), nullptr);
    *table.At(1, w + 31, h + 31) = QV_VerdictTable::kNo;
    table.Reset(pyramid);  // the next picture starts with nothing known
    EXPECT_EQ(*table.At(0, 5, 5), QV_VerdictTable::kUnknown);
    EXPECT_EQ(*table.At(1, w + 31, h + 31), QV_VerdictTable::kUnknown);
    table.Clear();
    EXPECT_EQ(table.At(0, 5, 5), nullptr);
}

// ---- coverage maps ----

TEST(CoverageMap, LevelPixelCoveredOnlyWhenAllItsInputPixelsAre)
{
    QV_DetImage map = Flat(12, 12, 255);
    map.At(6, 0) = 0;
    QV_DetImage level;
    QV_FaceDetector::LevelMap(map, 1, 10, 10, level);
    // Level pixel j spans input pixels round(1.2 j) .. round(1.2 (j + 1)).
    for (int j = 0; j < 10; ++j) EXPECT_EQ(level.At(j, 0), (j == 4 || j == 5) ? 0 : 255) << j;
    for (int j = 0; j < 10; ++j) EXPECT_EQ(level.At(j, 1), 255) << j;
    QV_FaceDetector::LevelMap(map, 0, 12, 12, level);
    EXPECT_EQ(level.At(5, 0), 0);  // at level 0 pixel j spans j .. j + 1
    EXPECT_EQ(level.At(6, 0), 0);
    EXPECT_EQ(level.At(7, 0), 255);
}

TEST(CoverageMap, MarkCoveredUsesLevelScaleAndClips)
{
    QV_DetImage map = Flat(100, 100, 0);
    QV_FaceDetector::MarkCovered(map, {28, 44, 1});
    // x from trunc(33.6 + 0.5) = 34 to trunc(57.6 + 0.5) = 58; y from 53 to 77.
    EXPECT_EQ(CountCovered(map), 25 * 25);
    EXPECT_EQ(map.At(34, 53), 255);
    EXPECT_EQ(map.At(58, 77), 255);
    EXPECT_EQ(map.At(33, 53), 0);
    EXPECT_EQ(map.At(59, 77), 0);
    EXPECT_EQ(map.At(34, 78), 0);

    QV_DetImage small = Flat(30, 30, 0);
    QV_FaceDetector::MarkCovered(small, {-5, -5, 0});
    EXPECT_EQ(CountCovered(small), 16 * 16);  // 0..15 inside the map
    QV_FaceDetector::MarkCovered(small, {15, 15, 2});  // 22 .. 50, clipped to 29
    EXPECT_EQ(small.At(29, 29), 255);
}

// ---- stage 1 ----

class CandidateTest : public testing::Test {
protected:
    void SetUp() override
    {
        bool ok = false;
        LoadDetector(d, CentralPatchUmec(), ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f),
                     ConstantNet(25, 15, -1.0f), ok);
        ASSERT_TRUE(ok);
    }
    std::vector<QV_Detection> Run(const QV_DetImage& img, const QV_DetImage& map, int level = 0)
    {
        std::vector<QV_Detection> out;
        d.Candidates(img, level, map, out);
        return out;
    }
    QV_FaceDetector d;
};

TEST_F(CandidateTest, PatchFoundOnTheTenPixelGrid)
{
    struct Case {
        int bx, by;
        std::vector<QV_Detection> expected;
    };
    // A 6 x 6 patch at (bx, by) sits in the central 10 x 10 of the window for
    // X in bx + 16 .. bx + 20; the candidate is (X - 25, Y - 25).
    const Case cases[] = {
        {43, 61, {{35, 55, 2}}},
        {40, 60, {{35, 55, 2}}},
        {44, 14, {{35, 5, 2}}},
        {3, 3, {{-5, -5, 2}}},      // window reaches outside the level
        {47, 61, {}},               // no grid position holds the patch whole
        {43, 66, {}},
        {92, 72, {{85, 65, 2}}},    // last column and row of blocks
    };
    for (const Case& c : cases) {
        QV_DetImage img = Flat(100, 80, 60);
        Paint(img, c.bx, c.by, 6, 6, 220);
        EXPECT_EQ(Run(img, Flat(100, 80, 0), 2), c.expected) << c.bx << "," << c.by;
    }
}

TEST_F(CandidateTest, FlatLevelHasNoCandidates)
{
    EXPECT_TRUE(Run(Flat(64, 48, 128), Flat(64, 48, 0)).empty());
}

TEST_F(CandidateTest, BlocksWithAtMostFiveOpenPixelsAreSkipped)
{
    QV_DetImage img = Flat(100, 80, 60);
    Paint(img, 43, 61, 6, 6, 220);
    // The grid position X = 60, Y = 80 checks the block at (40, 60).
    for (int open : {0, 5, 6, 100}) {
        QV_DetImage map = Flat(100, 80, 0);
        int left = 100 - open;
        for (int y = 60; y < 70 && left > 0; ++y)
            for (int x = 40; x < 50 && left > 0; ++x, --left) map.At(x, y) = 255;
        const bool searched = open > 5;
        EXPECT_EQ(Run(img, map).size(), searched ? 1u : 0u) << open;
    }
    // Covering other blocks does not matter.
    QV_DetImage map = Flat(100, 80, 255);
    Paint(map, 40, 60, 10, 10, 0);
    EXPECT_EQ(Run(img, map).size(), 1u);
}

// ---- stage 2 ----

struct VerifyCase {
    QV_Detection candidate;
    QV_Detection expected;
};

TEST(Verify, VotesAveragedOverNeighbouringLevels)
{
    QV_FaceDetector d;
    bool ok = false;
    LoadDetector(d, ConstantNet(30, 30, 1.0f), ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f),
                 ConstantNet(25, 15, -1.0f), ok);
    ASSERT_TRUE(ok);
    std::vector<QV_DetImage> pyramid;
    QV_FaceDetector::BuildPyramid(Flat(100, 80, 100), pyramid);
    ASSERT_EQ(pyramid.size(), 8u);
    // Every window votes. Candidate (35, 55, 0): centre (45, 65) at level 0,
    // (38, 54) at level 1; mean level 0.5 rounds to 1; x = round(mean(45,
    // 45.6) / 1.2) - 10 = 28, y = round(mean(65, 64.8) / 1.2) - 10 = 44.
    const VerifyCase cases[] = {
        {{35, 55, 0}, {28, 44, 1}},
        // Levels 2, 3, 4 with centres (36, 29), (30, 24), (25, 20): mean level
        // 3; x = round((36 * 1.44 + 30 * 1.728 + 25 * 2.0736) / 3 / 1.728) - 10.
        {{20, 14, 3}, {20, 14, 3}},
        // Top level 7 and level 6 only: mean 6.5 rounds to 7.
        {{5, 0, 7}, {5, 0, 7}},
    };
    for (const VerifyCase& c : cases) {
        QV_Detection out{0, 0, -1};
        ASSERT_TRUE(d.Verify(pyramid, c.candidate, out));
        EXPECT_EQ(out, c.expected) << c.candidate.x << "," << c.candidate.y << "," << c.candidate.level;
    }
}

TEST(Verify, BothNetworksMustAccept)
{
    std::vector<QV_DetImage> pyramid;
    QV_FaceDetector::BuildPyramid(Flat(60, 60, 100), pyramid);
    const float signs[3][2] = {{-1.0f, 1.0f}, {1.0f, -1.0f}, {-1.0f, -1.0f}};
    for (const auto& s : signs) {
        QV_FaceDetector d;
        bool ok = false;
        LoadDetector(d, ConstantNet(30, 30, 1.0f), ConstantNet(20, 20, s[0]), ConstantNet(20, 20, s[1]),
                     ConstantNet(25, 15, -1.0f), ok);
        ASSERT_TRUE(ok);
        QV_Detection out{1, 2, 3};
        EXPECT_FALSE(d.Verify(pyramid, {10, 10, 1}, out));
        EXPECT_EQ(out, (QV_Detection{1, 2, 3}));
    }
}

TEST(Verify, OnlyAcceptedWindowsVote)
{
    // face17c accepts a window only when its centre pixel (10, 10) is the
    // brightest of the lighting-corrected window; one bright pixel at (47, 33)
    // of a flat level 0 is accepted only by the window centred on it.
    std::vector<std::pair<int, float>> centre{{10 * 20 + 10, 10.0f}};
    QV_FaceDetector d;
    bool ok = false;
    LoadDetector(d, ConstantNet(30, 30, 1.0f), ThresholdNet(20, 20, centre, -9.8f), ConstantNet(20, 20, 1.0f),
                 ConstantNet(25, 15, -1.0f), ok);
    ASSERT_TRUE(ok);
    QV_DetImage img = Flat(90, 70, 80);
    img.At(47, 33) = 250;
    std::vector<QV_DetImage> pyramid;
    QV_FaceDetector::BuildPyramid(img, pyramid);
    pyramid[1] = Flat(pyramid[1].width, pyramid[1].height, 80);  // nothing to find there
    // Candidate centre (43, 29): level 0 positions 37..49 step 2 in x and
    // 23..35 in y include (47, 33).
    QV_Detection out{};
    ASSERT_TRUE(d.Verify(pyramid, {33, 19, 0}, out));
    EXPECT_EQ(out, (QV_Detection{37, 23, 0}));
    // Shifted by one column, no accepted position lands on the pixel.
    EXPECT_FALSE(d.Verify(pyramid, {34, 19, 0}, out));
}

}  // namespace
