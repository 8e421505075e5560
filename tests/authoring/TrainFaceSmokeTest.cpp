// train-face and evaluate end to end: a few real portraits, tiny settings,
// and the model file they write read back. Skipped without the portraits.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "QV_FaceSearch.h"
#include "TestSupport.h"

namespace {

bool HaveFaces() { return std::filesystem::exists(std::string(VISAGEN_FACES_DIR) + "/landmarks-68.json"); }

}  // namespace

TEST(TrainFaceSmoke, TrainsAModelThatReadsBackAndEvaluates)
{
    if (!HaveFaces()) GTEST_SKIP() << "no labelled portraits at " << VISAGEN_FACES_DIR;
    visagen_test::TempDir dir;
    const std::string out = dir.File("Head.qvface");
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-face", "--faces", VISAGEN_FACES_DIR, "--out", out,
                                        "--limit", "6", "--jitter", "1", "--image-width", "256",
                                        "--profile-levels", "2", "--profile-width", "256", "--appearance-levels",
                                        "1", "--appearance-width", "32", "--sample-spacing", "2"}),
              0);
    QV_FaceSearch model;
    ASSERT_TRUE(model.Read(QV_String(out)));
    EXPECT_EQ(model.reference.Count(), 16);
    EXPECT_GE(model.reference.Find("NECK"), 0);
    EXPECT_EQ(model.fitter.profileSearch.shapeModel.NumPoints(), 165);
    EXPECT_EQ(model.fitter.profileSearch.levels, 2);
    EXPECT_EQ(model.fitter.appearanceSearch.models.size(), 1u);
    // The reference keeps the template's landmarks.
    const QV_Annotation& face = model.reference[model.reference.Find("FACE")];
    EXPECT_TRUE(face.IsLandmark(11));

    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "evaluate", "--faces", VISAGEN_FACES_DIR, "--data",
                                        dir.Path(), "--limit", "1"}),
              0);
}

TEST(TrainFaceSmoke, RefusesBadArguments)
{
    visagen_test::TempDir dir;
    visagen_test::WriteFileText(dir.File("landmarks-68.json"), "[{\"image\": \"x.jpg\"");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"train-face"}, 2},
        {{"train-face", "--faces", dir.Path()}, 2},
        {{"train-face", "--faces", dir.Path(), "--out", dir.File("o"), "--limit", "zero"}, 2},
        {{"train-face", "--faces", dir.Path(), "--out", dir.File("o")}, 1},  // malformed labels
        {{"evaluate", "--faces", dir.Path()}, 2},
        {{"evaluate", "--faces", dir.Path(), "--data", dir.Path()}, 1},  // no model
        {{"evaluate", "--faces", dir.Path(), "--data", dir.Path(), "--all", "--bogus"}, 2},
        {{"evaluate", "--faces", dir.Path(), "--data"}, 2},
        {{"evaluate", "--faces", dir.Path(), "--data", dir.Path(), "--limit", "3x"}, 2},
        {{"evaluate", "--faces", dir.Path(), "--data", dir.Path(), "--limit", "0"}, 2},
        {{"no-such-command"}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {VISAGEN_AUTHOR};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(visagen_test::RunProgram(argv), c.status) << c.args[0];
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("o")));
}
