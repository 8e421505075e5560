// Which windows and face records of a portrait lie on its labelled face: the
// rule that keeps the true face out of the negatives taught from portraits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "QV_DetectorSamples.h"
#include "QV_FaceDetector.h"
#include "QV_FaceOverlap.h"
#include "QV_NetworkTrainer.h"
#include "QV_NetworkTrainerLayouts.h"

namespace {

// A face whose canonical window lies at level 3, eyes level, centred at
// (200, 150) input pixels.
QV_FacePlacement FaceAtLevel3()
{
    const double s = std::pow(1.2, 3);
    QV_FacePlacement f;
    f.midX = 200;
    f.midY = 150;
    f.size = 8 * s;
    f.eyeBX = 200 - 4 * s;
    f.eyeAX = 200 + 4 * s;
    f.eyeAY = f.eyeBY = 150;
    return f;
}

}  // namespace

TEST(FaceOverlap, WindowBoxScalesWithTheLevel)
{
    const QV_InputBox b0 = QV_WindowBox(10, 20, 0);
    EXPECT_DOUBLE_EQ(b0.x0, 10);
    EXPECT_DOUBLE_EQ(b0.y1, 40);
    const QV_InputBox b2 = QV_WindowBox(10, 20, 2, 30, 15);
    EXPECT_DOUBLE_EQ(b2.x0, 14.4);
    EXPECT_DOUBLE_EQ(b2.y0, 28.8);
    EXPECT_DOUBLE_EQ(b2.x1, 57.6);
    EXPECT_DOUBLE_EQ(b2.y1, 50.4);
}

TEST(FaceOverlap, FaceBoxIsTheFacesOwnWindowGrown)
{
    const QV_FacePlacement f = FaceAtLevel3();
    ASSERT_EQ(QV_FaceLevel(f), 3);
    int left, top;
    QV_FaceWindowAt(f, 3, left, top);
    const QV_InputBox own = QV_WindowBox(left, top, 3);
    const QV_InputBox tight = QV_FaceBox(f, 0.0);
    EXPECT_DOUBLE_EQ(tight.x0, own.x0);
    EXPECT_DOUBLE_EQ(tight.y1, own.y1);
    const QV_InputBox grown = QV_FaceBox(f);
    const double side = own.x1 - own.x0;
    EXPECT_NEAR(grown.x0, own.x0 - QV_FACE_MARGIN * side, 1e-9);
    EXPECT_NEAR(grown.y1, own.y1 + QV_FACE_MARGIN * side, 1e-9);
    // The eyes lie well inside.
    EXPECT_LT(grown.x0, f.eyeBX);
    EXPECT_GT(grown.x1, f.eyeAX);
}

TEST(FaceOverlap, WindowsOnTheFaceAtNearbyLevelsAreNeverNegatives)
{
    const QV_FacePlacement f = FaceAtLevel3();
    int fx, fy;
    QV_FaceWindowAt(f, 3, fx, fy);  // face window side 34.56 input pixels
    struct Case {
        const char* what;
        int level;
        double cx, cy;  // window centre, input pixels
        bool onFace;
    } cases[] = {
        {"its own window", 3, 200 + 0.5 * 1.728, 150 + 4.5 * 1.728, true},
        {"half a window lower", 3, 200, 150 + 4.5 * 1.728 + 17, true},
        {"a larger window around it", 5, 200, 160, true},
        {"a smaller window on an eye", 1, f.eyeBX, f.eyeBY, true},
        {"a much larger window around it", 6, 200, 160, false},
        {"a much smaller window on an eye", 0, f.eyeBX, f.eyeBY, false},
        {"a smaller window just inside the margin", 1, 136 * 1.2, 160, true},
        {"a smaller window just outside the margin", 1, 135 * 1.2, 160, false},
        {"beside the face, same scale", 3, 200 - 34.6 - 8.6 - 18, 160, false},
        {"well below the chin, same scale", 3, 200, 157.8 + 17.3 + 8.6 + 18, false},
        {"a small window far away", 0, 20, 20, false},
        {"a larger window on the shoulder", 5, 320, 300, false},
    };
    for (const Case& c : cases) {
        const double s = std::pow(1.2, c.level);
        const int left = static_cast<int>(std::lround(c.cx / s - 10)), top = static_cast<int>(std::lround(c.cy / s - 10));
        EXPECT_EQ(QV_WindowOnFace(f, left, top, c.level), c.onFace) << c.what;
    }
    // A candidate window (30 x 30) is judged by its whole area.
    EXPECT_FALSE(QV_WindowOnFace(f, 80, 81, 3, 20, 20));
    EXPECT_TRUE(QV_WindowOnFace(f, 80, 81, 3, 30, 30));
}

TEST(FaceOverlap, RecordWindowRecoversTheDetectorsWindow)
{
    for (int level = 0; level <= 12; ++level)
        for (int x : {-5, 0, 7, 133})
            for (int y : {-5, 3, 88}) {
                const double s = std::pow(1.2, level);
                int rec[QV_REC_SIZE] = {};
                rec[QV_REC_X0] = static_cast<int>(std::floor(s * x + 0.5));
                rec[QV_REC_Y0] = static_cast<int>(std::floor(s * y + 0.5));
                rec[QV_REC_X1] = static_cast<int>(std::floor(s * (x + 20) + 0.5));
                rec[QV_REC_Y1] = static_cast<int>(std::floor(s * (y + 20) + 0.5));
                QV_Detection d{};
                ASSERT_TRUE(QV_RecordWindow(rec, d)) << level << " " << x << " " << y;
                EXPECT_EQ(d, (QV_Detection{x, y, level})) << level << " " << x << " " << y;
            }
    int tooSmall[QV_REC_SIZE] = {0, 0, 12, 12};
    int notSquare[QV_REC_SIZE] = {0, 0, 20, 29};
    int betweenLevels[QV_REC_SIZE] = {0, 0, 22, 22};
    QV_Detection d{};
    EXPECT_FALSE(QV_RecordWindow(tooSmall, d));
    EXPECT_FALSE(QV_RecordWindow(notSquare, d));
    EXPECT_FALSE(QV_RecordWindow(betweenLevels, d));
}

TEST(FaceOverlap, RecordWindowMatchesTheDetectorsOwnRecords)
{
    QV_FaceDetector det;
    QV_NetworkText texts[4];
    for (int i = 0; i < 4; ++i) {
        QV_NetworkTrainer t;
        ASSERT_TRUE(t.Build(QV_DetectorLayout(i), 70 + i));
        texts[i].structure = t.StructureText();
        texts[i].weights = t.WeightText();
    }
    ASSERT_TRUE(det.LoadNetworks(texts));
    QV_DetImage img(300, 240, 90);
    std::vector<QV_DetImage> pyr;
    QV_FaceDetector::BuildPyramid(img, pyr);
    for (const QV_Detection face : {QV_Detection{3, 4, 0}, QV_Detection{-2, 11, 4}, QV_Detection{40, 17, 6}}) {
        int rec[QV_REC_SIZE];
        det.FaceRecord(pyr, face, rec);
        QV_Detection back{};
        ASSERT_TRUE(QV_RecordWindow(rec, back));
        EXPECT_EQ(back, face);
    }
}

TEST(FaceOverlap, FalseFaceRecordsAreThoseAwayFromTheFace)
{
    const QV_FacePlacement f = FaceAtLevel3();
    const int onFace[QV_REC_SIZE] = {183, 140, 218, 175, 0, 0, 0, 0, 1, 1};       // level 3
    const int awayLeft[QV_REC_SIZE] = {10, 10, 45, 45, 0, 0, 0, 0, 1, 1};         // level 3
    const int overlapping[QV_REC_SIZE] = {215, 175, 256, 216, 0, 0, 0, 0, 1, 1};  // level 4
    const int awayBelow[QV_REC_SIZE] = {183, 260, 218, 295, 0, 0, 0, 0, 1, 1};    // level 3
    const int eyeSized[QV_REC_SIZE] = {185, 140, 205, 160, 0, 0, 0, 0, 1, 1};     // level 0, on an eye
    const int huge[QV_REC_SIZE] = {157, 117, 243, 203, 0, 0, 0, 0, 1, 1};         // level 8, around it
    std::vector<int> recs;
    for (const int* r : {awayLeft, onFace, overlapping, awayBelow, eyeSized, huge})
        recs.insert(recs.end(), r, r + QV_REC_SIZE);
    EXPECT_EQ(QV_FalseFaceRecords(recs.data(), 6, f), (std::vector<int>{0, 3, 4, 5}));
    EXPECT_TRUE(QV_FalseFaceRecords(recs.data(), 0, f).empty());
    EXPECT_TRUE(QV_FalseFaceRecords(nullptr, 0, f).empty());
}
