// train-detector end to end on two portraits and one face-free picture: the
// four texts it writes load with the program's reader at the detector's
// sizes. Skipped without the portraits; the usage checks always run.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "QV_FaceDetector.h"
#include "TestSupport.h"

namespace {

bool HaveFaces() { return std::filesystem::exists(std::string(VISAGEN_FACES_DIR) + "/landmarks-68.json"); }

}  // namespace

TEST(TrainDetectorSmoke, WritesFourNetworksTheDetectorLoads)
{
    if (!HaveFaces()) GTEST_SKIP() << "no labelled portraits at " << VISAGEN_FACES_DIR;
    visagen_test::TempDir dir;
    // A face-free picture: grey noise.
    std::string pgm = "P5\n120 100\n255\n";
    std::mt19937 g(3);
    for (int i = 0; i < 120 * 100; ++i) pgm += static_cast<char>(g() & 255);
    visagen_test::WriteFileText(dir.File("noise.pgm"), pgm);
    // Four 25 x 25 crops of noise, the first two faces if asked, the others not.
    std::vector<unsigned char> crops(4 * 625);
    for (unsigned char& c : crops) c = static_cast<unsigned char>(g() & 255);
    visagen_test::WriteFileBytes(dir.File("crops.npy"),
                                 visagen_test::NpyFile("{'descr': '|u1', 'fortran_order': False, 'shape': (4, 25, 25), }", crops));
    // An output path that is a file fails before any training, and leaves it.
    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", VISAGEN_FACES_DIR, "--out",
                                        dir.File("noise.pgm"), "--limit", "2", "--negatives", dir.File("noise.pgm")}),
              1);
    EXPECT_EQ(visagen_test::ReadFileBytes(dir.File("noise.pgm")).size(), pgm.size());
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", VISAGEN_FACES_DIR, "--out",
                                        dir.Path(), "--limit", "2", "--negatives", dir.File("noise.pgm"), "--crops",
                                        dir.File("crops.npy") + ":2"}),
              0);
    const char* names[4] = {"umec", "face17c", "face18c", "eye"};
    QV_NetworkText texts[4];
    for (int i = 0; i < 4; ++i) {
        texts[i].structure = visagen_test::ReadFileLines(dir.File(std::string(names[i]) + ".structure.txt"));
        texts[i].weights = visagen_test::ReadFileLines(dir.File(std::string(names[i]) + ".weights.txt"));
    }
    QV_FaceDetector d;
    ASSERT_TRUE(d.LoadNetworks(texts));
    const int units[4] = {954, 454, 480, 428}, weights[4] = {5883, 2905, 4357, 2478};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.Net(i).Units(), units[i]) << names[i];
        EXPECT_EQ(d.Net(i).Connections(), weights[i]) << names[i];
    }
    EXPECT_EQ(texts[3].weights[0], "113250 epochs");

    // Averaging the last rounds' weights, and face crops, change the
    // verification networks only: the candidate and eye networks are trained
    // before and after them from their own draws.
    const std::vector<std::vector<std::string>> variants = {{"--average-rounds", "2"}, {"--crop-faces", "2"}};
    for (const std::vector<std::string>& variant : variants) {
        visagen_test::TempDir other;
        std::vector<std::string> args = {VISAGEN_AUTHOR, "train-detector", "--faces", VISAGEN_FACES_DIR, "--out",
                                         other.Path(), "--limit", "2", "--negatives", dir.File("noise.pgm"),
                                         "--crops", dir.File("crops.npy") + ":2"};
        args.insert(args.end(), variant.begin(), variant.end());
        ASSERT_EQ(visagen_test::RunProgram(args), 0) << variant[0];
        for (int i = 0; i < 4; ++i) {
            const std::vector<std::string> w = visagen_test::ReadFileLines(other.File(std::string(names[i]) + ".weights.txt"));
            ASSERT_EQ(w.size(), texts[i].weights.size()) << names[i];
            EXPECT_EQ(w == texts[i].weights, i == 0 || i == 3) << names[i] << " " << variant[0];
        }
    }

    // The eye network alone: the same network the full run wrote, and nothing
    // else, in a folder the run makes.
    visagen_test::TempDir eyeParent;
    const std::string eyeDir = eyeParent.File("eye-only");
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", VISAGEN_FACES_DIR, "--out",
                                        eyeDir, "--limit", "2", "--negatives", dir.File("noise.pgm"), "--crops",
                                        dir.File("crops.npy") + ":2", "--eye-only"}),
              0);
    EXPECT_EQ(visagen_test::ReadFileLines(eyeDir + "/eye.weights.txt"), texts[3].weights);
    EXPECT_EQ(visagen_test::ReadFileLines(eyeDir + "/eye.structure.txt"), texts[3].structure);
    EXPECT_FALSE(std::filesystem::exists(eyeDir + "/umec.weights.txt"));
    EXPECT_FALSE(std::filesystem::exists(eyeDir + "/face17c.weights.txt"));
}

TEST(TrainDetectorSmoke, RefusesBadArgumentsAndMissingLabels)
{
    visagen_test::TempDir dir;
    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--out", dir.Path()}), 2);
    for (const char* limit : {"0", "3x", "-2", ""})
        EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", dir.Path(), "--out",
                                            dir.Path(), "--limit", limit}),
                  2)
            << "--limit '" << limit << "'";
    for (const char* option : {"--bootstrap-portraits", "--jitter", "--eye-levels-beside", "--other-check-rows",
                               "--missed-face-windows", "--yaw", "--turned-copies", "--average-rounds",
                               "--crop-faces"})
        for (const char* bad : {"-1", "abc", "3x", ""})
            EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", dir.Path(), "--out",
                                                dir.Path(), option, bad}),
                      2)
                << option << " '" << bad << "'";
    // More copies of each face (turned or not), more levels beside it, more
    // shifted windows of a missed face, or a wider turn than the tool makes.
    for (const auto& [option, tooMany] : {std::pair{"--jitter", "17"}, std::pair{"--eye-levels-beside", "5"},
                                          std::pair{"--missed-face-windows", "10"}, std::pair{"--yaw", "41"},
                                          std::pair{"--turned-copies", "17"}, std::pair{"--crop-faces", "17"}})
        EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", dir.Path(), "--out",
                                            dir.Path(), option, tooMany}),
                  2)
            << option << " " << tooMany;
    // More rounds averaged than there are.
    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", dir.Path(), "--out", dir.Path(),
                                        "--false-face-rounds", "2", "--average-rounds", "3"}),
              2);
    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", dir.Path(), "--out", dir.Path()}),
              1);
    // Zero portraits to bootstrap on is a valid choice: it fails only on the missing labels.
    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "train-detector", "--faces", dir.Path(), "--out", dir.Path(),
                                        "--bootstrap-portraits", "0"}),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("umec.weights.txt")));
}
