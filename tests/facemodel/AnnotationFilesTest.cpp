#include <gtest/gtest.h>

#include "QV_AnnotationModel.h"
#include "TestSupport.h"

namespace {

using visagen_test::TempDir;

QV_AnnotationModel SampleModel()
{
    QV_AnnotationModel m;
    m.version = 3;
    QV_Annotation eye;
    eye.label = "RIGHT EYE";
    eye.version = 2;
    eye.open = 0;
    eye.used = 0;
    eye.normalised = 1;
    eye.colour = QV_Colour(10, 200, 30);
    for (int i = 0; i < 8; ++i) eye.points.Append(QV_Point2D(0.3f + 0.01f * i, 0.6f - 0.0123456f * i));
    eye.landmarks.Append(2);
    eye.landmarks.Append(6);
    m.annotations.Append(eye);
    QV_Annotation empty;
    empty.label = "NOSE BRIDGE";
    m.annotations.Append(empty);
    return m;
}

void ExpectSameModel(const QV_AnnotationModel& a, const QV_AnnotationModel& b, bool flagsKept)
{
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i) {
        EXPECT_STREQ(a[i].label.CStr(), b[i].label.CStr());
        EXPECT_EQ(a[i].open, b[i].open);
        if (flagsKept) {
            EXPECT_EQ(a[i].used, b[i].used);
            EXPECT_EQ(a[i].version, b[i].version);
            EXPECT_EQ(a[i].colour, b[i].colour);
        }
        ASSERT_EQ(a[i].NumPoints(), b[i].NumPoints());
        for (int k = 0; k < a[i].NumPoints(); ++k) {
            EXPECT_NEAR(a[i].points[k].x, b[i].points[k].x, 1e-6);
            EXPECT_NEAR(a[i].points[k].y, b[i].points[k].y, 1e-6);
        }
        ASSERT_EQ(a[i].landmarks.Size(), b[i].landmarks.Size());
        for (unsigned k = 0; k < a[i].landmarks.Size(); ++k)
            EXPECT_EQ(a[i].landmarks[int(k)], b[i].landmarks[int(k)]);
    }
}

TEST(AnnotationFiles, EveryFormRoundTripsWhateverTheCaseOfTheExtension)
{
    TempDir dir;
    const QV_AnnotationModel m = SampleModel();
    for (const char* name : {"face.ana", "face.ANA", "face.anb", "face.AnB", "face.mma", "face.MMAC", "face.mmaf"}) {
        SCOPED_TRACE(name);
        QV_String path(dir.File(name));
        ASSERT_TRUE(m.Save(path));
        QV_AnnotationModel back;
        ASSERT_TRUE(back.Load(path));
        QV_String ext = path.Extension();
        bool old = ext.ToLower().Find("mma") == 0;
        ExpectSameModel(m, back, !old);
        if (!old) {
            EXPECT_EQ(back.version, 3);
        }
        if (old) {
            EXPECT_EQ(back[0].used, 1);
            EXPECT_EQ(back[0].colour, QV_Colour(0, 0, 255));
        }
    }
}

// A hand-edited file often lacks the line end after its last number; all its
// data is there, so it reads. Here the last contour ends with one-digit
// landmark indices.
TEST(AnnotationFiles, TextFormsReadWithoutAFinalLineEnd)
{
    TempDir dir;
    QV_AnnotationModel m;
    m.annotations.Append(SampleModel()[1]);
    m.annotations.Append(SampleModel()[0]);
    for (int landmarks : {1, 2}) {
        m.annotations[1].landmarks.Clear();
        for (int k = 0; k < landmarks; ++k) m.annotations[1].landmarks.Append(3 + k);
        for (const char* name : {"cut.ana", "cut.mma"}) {
            SCOPED_TRACE(std::string(name) + " with " + std::to_string(landmarks));
            const std::string path = dir.File(name);
            ASSERT_TRUE(m.Save(QV_String(path)));
            std::string text = visagen_test::ReadFileText(path);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
            visagen_test::WriteFileText(path, text);
            QV_AnnotationModel back;
            ASSERT_TRUE(back.Load(QV_String(path)));
            // The older text form keeps no flags.
            ExpectSameModel(m, back, std::string(name) == "cut.ana");
        }
    }
}

TEST(AnnotationFiles, BinaryFormIsByteExactOnSecondWrite)
{
    TempDir dir;
    QV_String p1(dir.File("a.anb")), p2(dir.File("b.anb"));
    ASSERT_TRUE(SampleModel().Save(p1));
    QV_AnnotationModel back;
    ASSERT_TRUE(back.Load(p1));
    ASSERT_TRUE(back.Save(p2));
    EXPECT_EQ(visagen_test::ReadFileBytes(p1.CStr()), visagen_test::ReadFileBytes(p2.CStr()));
}

TEST(AnnotationFiles, TextFlagsReadFromTheCharacterAfterTheEquals)
{
    TempDir dir;
    std::string path = dir.File("flags.ana");
    visagen_test::WriteFileText(path,
                                "header\nVersion=1\nNumOfAnnotations=1\nLEFT EYE\nVersion=1\nUsed=0\nOpen=x\n"
                                "Normalised=0\nQV_Colour(1,2,3)\nElems=1\n0.5 0.25 trailing\nLandmarkElems=1\n0\n");
    QV_AnnotationModel m;
    ASSERT_TRUE(m.Load(QV_String(path)));
    ASSERT_EQ(m.Count(), 1);
    EXPECT_EQ(m[0].used, 0);
    EXPECT_EQ(m[0].open, 1);  // any character but '0' reads as 1
    EXPECT_EQ(m[0].normalised, 0);
    EXPECT_EQ(m[0].colour, QV_Colour(1, 2, 3));
    EXPECT_FLOAT_EQ(m[0].points[0].y, 0.25f);
    EXPECT_EQ(m[0].landmarks[0], 0);
}

TEST(AnnotationFiles, OlderFormOpenLine)
{
    TempDir dir;
    std::string path = dir.File("old.mma");
    visagen_test::WriteFileText(path,
                                "Quorvex Annotation Model : image file :\n NoImageFile\nNumber of annotations:\n2\n"
                                "  FACE\nAnnotation is NOT open\nNumber of points :\n2\n0.1 0.2\n0.3 0.4\n"
                                "Landmark indeces:\nNumber of landmarks:\n1\n1\n"
                                "MOUTH\nAnnotation IS open\nNumber of points :\n0\nLandmark indeces:\n"
                                "Number of landmarks:\n0\n");
    QV_AnnotationModel m;
    ASSERT_TRUE(m.Load(QV_String(path)));
    ASSERT_EQ(m.Count(), 2);
    EXPECT_STREQ(m[0].label.CStr(), "FACE");
    EXPECT_EQ(m[0].open, 0);
    EXPECT_EQ(m[1].open, 1);
    ASSERT_EQ(m[0].NumPoints(), 2);
    EXPECT_FLOAT_EQ(m[0].points[1].x, 0.3f);
    EXPECT_EQ(m[0].landmarks[0], 1);
}

TEST(AnnotationFiles, UnknownExtensionLoadsNothingAndSavesNothing)
{
    TempDir dir;
    QV_AnnotationModel m = SampleModel();
    std::string path = dir.File("notes.txt");
    visagen_test::WriteFileText(path, "anything");
    EXPECT_TRUE(m.Load(QV_String(path)));
    EXPECT_EQ(m.Count(), 2);
    EXPECT_FALSE(m.Save(QV_String(dir.File("out.txt"))));
    EXPECT_FALSE(m.Load(QV_String(dir.File("missing.ana"))));
    EXPECT_EQ(m.Count(), 2);  // an unopened versioned file leaves the model as it was
}

TEST(AnnotationFiles, TruncatedAndGarbageFilesFailAndLeaveTheModelEmpty)
{
    TempDir dir;
    for (const char* ext : {"ana", "anb", "mma"}) {
        std::string good = dir.File(std::string("good.") + ext);
        ASSERT_TRUE(SampleModel().Save(QV_String(good)));
        size_t size = visagen_test::ReadFileBytes(good).size();
        for (size_t cut : {size_t(0), size_t(3), size_t(9), size / 3, size / 2}) {
            SCOPED_TRACE(std::string(ext) + " cut at " + std::to_string(cut));
            std::string bad = dir.File(std::string("bad.") + ext);
            visagen_test::WriteTruncated(good, bad, cut);
            QV_AnnotationModel m = SampleModel();
            EXPECT_FALSE(m.Load(QV_String(bad)));
            EXPECT_EQ(m.Count(), 0);
        }
    }
    // Counts far larger than the file.
    std::string huge = dir.File("huge.anb");
    visagen_test::WriteFileBytes(huge, {1, 0, 0, 0, 0xff, 0xff, 0xff, 0x7f, 1, 0, 0, 0, 1, 1, 1, 5, 0, 0, 0,
                                        'A', 'B', 'C', 'D', 0, 1, 2, 3, 0xff, 0xff, 0xff, 0xff});
    QV_AnnotationModel m;
    EXPECT_FALSE(m.Load(QV_String(huge)));
    std::string hugeText = dir.File("huge.ana");
    visagen_test::WriteFileText(hugeText, "h\nVersion=1\nNumOfAnnotations=2000000000\nX\nVersion=1\nUsed=1\nOpen=1\n"
                                          "Normalised=1\nQV_Colour(0,0,0)\nElems=2000000000\n0 0\n");
    EXPECT_FALSE(m.Load(QV_String(hugeText)));
    std::string hugeOld = dir.File("huge.mma");
    visagen_test::WriteFileText(hugeOld, "Annotation\n\n\n2000000000\nFACE\nopen\nn\n2000000000\n1 2\n");
    EXPECT_FALSE(m.Load(QV_String(hugeOld)));
    EXPECT_EQ(m.Count(), 0);
}

}  // namespace
