// visagen-cli fit on a face model trained from synthetic faces: the fit from
// given eye positions, and the messages when no finder locates the face.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../facemodel/FaceSearchTestFaces.h"
#include "QV_FaceModelTrainer.h"
#include "QV_FaceSearch.h"
#include "TestSupport.h"

namespace {

constexpr int kCols = 256;
constexpr int kRows = 192;
const QV_Point2D kSize(static_cast<float>(kCols), static_cast<float>(kRows));

// A data directory holding "Head.qvface", trained once for the suite.
class CliFit : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::mt19937 rng(7);
        std::vector<QV_Image> images;
        std::vector<QV_AnnotationModel> truths;
        for (int i = 0; i < 24; ++i) {
            const visagen_test::FacePose pose = visagen_test::RandomPose(rng, 128.0f, 96.0f, 62.0f);
            images.push_back(visagen_test::FaceImage(pose, visagen_test::FaceLayout(), kCols, kRows, 100 + i));
            truths.push_back(visagen_test::FaceAnnotation(pose, visagen_test::FaceLayout(), kSize));
        }
        std::vector<QV_FaceExample> examples;
        for (size_t i = 0; i < images.size(); ++i) examples.push_back({&images[i], &truths[i]});
        QV_FaceModelTrainer trainer;
        trainer.options.profileWidth = kCols;
        trainer.options.profileLevels = 5;
        trainer.options.appearanceLevels = 2;
        trainer.options.appearanceWidth = 64;
        QV_FaceSearch trained;
        dir = std::make_unique<visagen_test::TempDir>();
        ready = trainer.Train(truths[0], examples, trained) && trained.Write(QV_String(dir->File("Head.qvface")));
    }
    static void TearDownTestSuite() { dir.reset(); }

    // Runs "fit" on a photograph with no eye hints; its exit status, and
    // what it wrote to the error stream in `errors`.
    static int FitWithoutEyes(const std::string& photo, const std::string& out, std::string& errors)
    {
        const std::string err = dir->File("err.txt");
        const std::string script = "exec \"$0\" \"$@\" 2>'" + err + "'";
        const int status = visagen_test::RunProgram(
            {"/bin/sh", "-c", script, VISAGEN_CLI, "fit", photo, "-o", out, "--data-dir", dir->Path()});
        const std::vector<unsigned char> bytes = visagen_test::ReadFileBytes(err);
        errors.assign(bytes.begin(), bytes.end());
        return status;
    }

    static std::unique_ptr<visagen_test::TempDir> dir;
    static bool ready;
};

std::unique_ptr<visagen_test::TempDir> CliFit::dir;
bool CliFit::ready = false;

std::string Arg(const QV_Point2D& a, const QV_Point2D& b)
{
    char text[128];
    std::snprintf(text, sizeof text, "%.5f,%.5f,%.5f,%.5f", a.x, a.y, b.x, b.y);
    return text;
}

QV_Point2D EyeCentre(const QV_AnnotationModel& m, const char* label)
{
    const int a = m.Find(label);
    if (a < 0) return {-1.0f, -1.0f};
    return m[a].BoxCentre(QV_Point2D(1.0f, 1.0f));
}

}  // namespace

TEST_F(CliFit, FitFromGivenEyesFindsTheFace)
{
    ASSERT_TRUE(ready);
    std::mt19937 rng(99);
    const visagen_test::FacePose pose = visagen_test::RandomPose(rng, 128.0f, 96.0f, 62.0f);
    const std::string photo = dir->File("face.bmp");
    ASSERT_TRUE(visagen_test::FaceImage(pose, visagen_test::FaceLayout(), kCols, kRows, 5).SaveBMP(photo.c_str()));
    QV_Point2D right, left;
    visagen_test::EyeCentres(pose, kSize, right, left);
    // Start a few pixels off the true eyes.
    const QV_Point2D off(6.0f / kCols, -5.0f / kRows);
    const std::string out = dir->File("fit.ana");
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_CLI, "fit", photo, "-o", out, "--data-dir", dir->Path(), "--eyes",
                                        Arg(right + off, left + off)}),
              0);
    QV_AnnotationModel fit;
    ASSERT_TRUE(fit.Load(out.c_str()));
    const QV_AnnotationModel truth = visagen_test::FaceAnnotation(pose, visagen_test::FaceLayout(), kSize);
    for (const char* eye : {"RIGHT EYE", "LEFT EYE"}) {
        const QV_Point2D f = EyeCentre(fit, eye), t = EyeCentre(truth, eye);
        // Within two pixels of the photograph.
        EXPECT_NEAR(f.x * kCols, t.x * kCols, 2.0f) << eye;
        EXPECT_NEAR(f.y * kRows, t.y * kRows, 2.0f) << eye;
    }
}

TEST_F(CliFit, NoEyesFoundByEitherFinderIsReported)
{
    ASSERT_TRUE(ready);
    const std::string photo = dir->File("blank.bmp");
    QV_Image blank(kRows, kCols);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) blank.Row(r)[c] = QV_Colour(120, 110, 100, 255);
    ASSERT_TRUE(blank.SaveBMP(photo.c_str()));
    std::string text;
    EXPECT_EQ(FitWithoutEyes(photo, dir->File("none.ana"), text), 1);
    EXPECT_EQ(text,
              "Error, failed to load QVFaceNet DLL\n"
              "Unable to automatically locate face!\nPlease drag the left mouse button from one eye to the other\n");
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir->File("none.ana")).empty());
}

TEST_F(CliFit, MissingPhotographIsReportedWhenTheEyesAreToBeFound)
{
    // The eye finder reads the photograph ahead of the face model; one that
    // does not read is reported as before: the reader's diagnostic once, then
    // the pipeline's message.
    ASSERT_TRUE(ready);
    const std::string photo = dir->File("none.jpg");
    std::string text;
    EXPECT_EQ(FitWithoutEyes(photo, dir->File("missing.ana"), text), 1);
    EXPECT_EQ(text,
              "QV_Image::LoadJPEG(). Error, can not open file " + photo + "\nFailed to load:\n" + photo + "\n");
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir->File("missing.ana")).empty());
}
