// The pipeline's eye finder: grey conversion, choice of the first face with
// both eyes, normalised bottom-up coordinates, and whole runs with small
// hand-made networks and with the compiled-in ones.
#include <gtest/gtest.h>

#include <cstdlib>

#include "NetTexts.h"
#include "QV_FindEyes.h"
#include "QV_Parallel.h"

using namespace visagen_test;

namespace {

TEST(DetectorGrey, TopRowFirstAndChannelMean)
{
    QV_Image img(3, 2);  // rows, columns; row 0 is the bottom of the picture
    img(0, 0) = QV_Colour(10, 20, 31);
    img(0, 1) = QV_Colour(255, 255, 254);
    img(1, 0) = QV_Colour(0, 0, 2);
    img(1, 1) = QV_Colour(3, 3, 3, 0);
    img(2, 0) = QV_Colour(90, 0, 0);
    img(2, 1) = QV_Colour(1, 2, 3);
    std::vector<unsigned char> grey;
    QV_DetectorGrey(img, grey);
    const std::vector<unsigned char> expected = {30, 2, 0, 3, 20, 254};
    EXPECT_EQ(grey, expected);
}

// Records of ten ints: box, eye A, eye B, flag A, flag B.
TEST(EyesFromRecords, FirstFaceWithBothEyes)
{
    const int records[] = {
        0, 0, 50, 50, 30, 10, 10, 10, 1, 0,     // eye B not found
        0, 0, 50, 50, -1, -1, -1, -1, -1, -1,   // too small for the eyes
        60, 0, 160, 100, 120, 31, 40, 30, 1, 1, // chosen
        0, 0, 90, 90, 70, 20, 20, 20, 1, 1,
    };
    QV_Point2D e1, e2;
    ASSERT_TRUE(QV_EyesFromRecords(records, 4, 100, 200, e1, e2));
    EXPECT_FLOAT_EQ(e1.x, 0.2f);    // eye B, 40 / 200
    EXPECT_FLOAT_EQ(e1.y, 0.69f);   // (100 - 30 - 1) / 100
    EXPECT_FLOAT_EQ(e2.x, 0.6f);    // eye A, 120 / 200
    EXPECT_FLOAT_EQ(e2.y, 0.68f);
    EXPECT_FALSE(QV_EyesFromRecords(records, 2, 100, 200, e1, e2));
    EXPECT_FALSE(QV_EyesFromRecords(nullptr, 0, 100, 200, e1, e2));
}

class FindEyesRun : public testing::Test {
protected:
    void SetUp() override
    {
        bool ok = false;
        LoadDetector(d, CentralPatchUmec(), ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f), CentrePixelEye(),
                     ok);
        ASSERT_TRUE(ok);
    }
    // A 120 x 100 picture with a 15 x 15 bright patch; (x, y) counted from the
    // top row, as the detector sees it.
    static QV_Image Picture(int patchSize)
    {
        QV_Image img(100, 120);
        img.Fill(QV_Colour(60, 70, 80));
        for (int y = 30; y < 30 + patchSize; ++y)
            for (int x = 50; x < 50 + patchSize; ++x) Set(img, x, y, QV_Colour(180, 200, 220));
        return img;
    }
    static void Set(QV_Image& img, int x, int y, const QV_Colour& c) { img(img.Rows() - 1 - y, x) = c; }
    QV_FaceDetector d;
};

TEST_F(FindEyesRun, PatchGivesOneFaceAtLevelFive)
{
    std::vector<unsigned char> grey;
    QV_DetectorGrey(Picture(15), grey);
    int* records = nullptr;
    const int n = d.Detect(120, 100, grey.data(), &records);
    ASSERT_EQ(n, 1);
    // Face (15, 5) at level 5: 2.48832 * (15, 5, 35, 25), rounded; it holds the patch.
    const int box[4] = {37, 12, 87, 62};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(records[k], box[k]) << k;
    EXPECT_EQ(records[QV_REC_EYE_A_FLAG], 0);  // searched, nothing there
    EXPECT_EQ(records[QV_REC_EYE_B_FLAG], 0);
    std::free(records);
}

TEST_F(FindEyesRun, EyesFoundAndNormalisedBottomUp)
{
    // Eye windows of that face centre on rows 12..28, columns 37..61 (left
    // half) and 62..86 (right half).
    QV_Image img = Picture(15);
    Set(img, 45, 18, QV_Colour(250, 250, 250));
    Set(img, 75, 22, QV_Colour(250, 250, 250));
    QV_Point2D e1, e2;
    ASSERT_TRUE(FindEyes(d, img, e1, e2));
    EXPECT_FLOAT_EQ(e1.x, 45.0f / 120);
    EXPECT_FLOAT_EQ(e1.y, (100.0f - 18 - 1) / 100);
    EXPECT_FLOAT_EQ(e2.x, 75.0f / 120);
    EXPECT_FLOAT_EQ(e2.y, (100.0f - 22 - 1) / 100);
}

TEST_F(FindEyesRun, FalseWithoutBothEyes)
{
    QV_Point2D e1(7, 7), e2(7, 7);
    QV_Image one = Picture(15);
    Set(one, 75, 22, QV_Colour(250, 250, 250));  // right eye only
    EXPECT_FALSE(FindEyes(d, one, e1, e2));
    // A small patch is found at level 0, too small for an eye search.
    QV_Image small = Picture(6);
    std::vector<unsigned char> grey;
    QV_DetectorGrey(small, grey);
    int* records = nullptr;
    ASSERT_EQ(d.Detect(120, 100, grey.data(), &records), 1);
    EXPECT_EQ(records[QV_REC_EYE_A_FLAG], -1);
    std::free(records);
    EXPECT_FALSE(FindEyes(d, small, e1, e2));
    EXPECT_FLOAT_EQ(e1.x, 7.0f);  // untouched on failure
    EXPECT_FALSE(FindEyes(d, QV_Image(), e1, e2));
}

TEST(FindEyesBuiltIn, CompiledInNetworksFindNoFaceInAGradient)
{
    ASSERT_NE(QV_DefaultFaceDetector(), nullptr);
    EXPECT_TRUE(QV_DefaultFaceDetector()->Ready());
    QV_Image img(64, 48);
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 48; ++c)
            img(r, c) = QV_Colour(static_cast<unsigned char>(r * 4), static_cast<unsigned char>(c * 5), 90);
    std::vector<unsigned char> grey;
    QV_DetectorGrey(img, grey);
    int* records = reinterpret_cast<int*>(&grey);
    EXPECT_EQ(QV_DetectFaces(48, 64, grey.data(), &records), 0);
    EXPECT_EQ(records, nullptr);
    QV_Point2D e1, e2;
    EXPECT_FALSE(FindEyes(img, e1, e2));
}

// The detector remembers the verification verdicts of one picture while it
// runs; what it reports must be what its stages give run one after another
// without that memory, and nothing may carry over to the next picture.
std::vector<int> StagesOneAfterAnother(QV_FaceDetector& d, const QV_DetImage& input)
{
    std::vector<QV_DetImage> pyramid;
    QV_FaceDetector::BuildPyramid(input, pyramid);
    const int levels = static_cast<int>(pyramid.size());
    QV_DetImage map(input.width, input.height, 0), levelMap;
    std::vector<QV_Detection> detections, faces;
    for (int k = levels - 1; k >= 0; --k) {
        QV_FaceDetector::LevelMap(map, k, pyramid[k].width, pyramid[k].height, levelMap);
        std::vector<QV_Detection> candidates;
        d.Candidates(pyramid[k], k, levelMap, candidates);
        for (const QV_Detection& c : candidates) {
            QV_Detection v;
            if (!d.Verify(pyramid, c, v)) continue;
            detections.push_back(v);
            QV_FaceDetector::MarkCovered(map, v);
        }
    }
    QV_FaceDetector::Arbitrate(detections, levels, faces);
    std::vector<int> records(faces.size() * QV_REC_SIZE);
    for (size_t f = 0; f < faces.size(); ++f) d.FaceRecord(pyramid, faces[f], &records[f * QV_REC_SIZE]);
    return records;
}

std::vector<int> Detected(QV_FaceDetector& d, const QV_DetImage& input)
{
    int* rec = nullptr;
    const int n = d.Detect(input.width, input.height, input.pixels.data(), &rec);
    std::vector<int> out(rec, rec + n * QV_REC_SIZE);
    std::free(rec);
    return out;
}

TEST(FindEyesBuiltIn, DetectGivesWhatItsStagesGiveOneAfterAnother)
{
    QV_Image photo;
    ASSERT_TRUE(photo.Load(VISAGEN_SAMPLE_PHOTO));
    photo.ResizeToHeight(256, true);
    std::vector<unsigned char> grey;
    QV_DetectorGrey(photo, grey);
    QV_DetImage input(photo.Cols(), photo.Rows());
    input.pixels = grey;
    QV_DetImage flipped(input.width, input.height);  // upside down: other windows, other verdicts
    for (int y = 0; y < input.height; ++y)
        for (int x = 0; x < input.width; ++x) flipped.At(x, y) = input.At(x, input.height - 1 - y);

    QV_FaceDetector d;
    ASSERT_TRUE(d.LoadEmbeddedNetworks());
    // The stages one after another on one thread are the reference; Detect
    // shares candidates and windows out among the workers.
    QV_SetWorkerCount(1);
    const std::vector<int> expected = StagesOneAfterAnother(d, input);
    const std::vector<int> expectedFlipped = StagesOneAfterAnother(d, flipped);
    ASSERT_GE(expected.size(), static_cast<size_t>(QV_REC_SIZE));  // the portrait's face at least
    for (int workers : {1, 2, 3}) {
        QV_SetWorkerCount(workers);
        EXPECT_EQ(Detected(d, input), expected) << workers << " workers";
        EXPECT_EQ(Detected(d, flipped), expectedFlipped) << workers << " workers";
        EXPECT_EQ(Detected(d, input), expected) << workers << " workers";
    }

    // Networks loaded anew replace the workers' copies as well: verification
    // networks that refuse every window leave no face, then ones that accept
    // every window give what the stages give with them.
    QV_SetWorkerCount(2);
    const QV_NetworkText refuse[4] = {ConstantNet(30, 30, 1.0f), ConstantNet(20, 20, -1.0f), ConstantNet(20, 20, -1.0f),
                                      ConstantNet(25, 15, 1.0f)};
    ASSERT_TRUE(d.LoadNetworks(refuse));
    EXPECT_TRUE(Detected(d, input).empty());
    const QV_NetworkText accept[4] = {ConstantNet(30, 30, 1.0f), ConstantNet(20, 20, 1.0f), ConstantNet(20, 20, 1.0f),
                                      ConstantNet(25, 15, 1.0f)};
    ASSERT_TRUE(d.LoadNetworks(accept));
    const std::vector<int> accepted = Detected(d, input);
    EXPECT_FALSE(accepted.empty());
    QV_SetWorkerCount(1);
    EXPECT_EQ(StagesOneAfterAnother(d, input), accepted);
    QV_SetWorkerCount(0);
}

}  // namespace
