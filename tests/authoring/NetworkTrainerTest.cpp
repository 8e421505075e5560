// The detector-network trainer: layout sizes, gradients, learning, and texts
// that the program's own network reader evaluates identically.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "QV_NetworkFolder.h"
#include "QV_NetworkTrainer.h"
#include "QV_NetworkTrainerLayouts.h"
#include "QV_NeuralNet.h"
#include "TestSupport.h"

namespace {

std::vector<float> RandomInputs(int n, unsigned seed)
{
    std::mt19937 g(seed);
    std::vector<float> v(n);
    for (float& x : v) x = static_cast<float>(g() / 4294967296.0 * 2.0 - 1.0);
    return v;
}

std::vector<std::string> FileLines(const std::string& path)
{
    const std::vector<unsigned char> bytes = visagen_test::ReadFileBytes(path);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// A small network: a 4 x 3 window, four 2 x 2 fields and three full-width rows.
const QV_NetworkLayout kSmall{"small", 4, 3, {{2, 2, 2, 2, 1}, {4, 1, 1, 3, 1}}, 7};

}  // namespace

TEST(NetworkTrainer, DetectorLayoutsHaveTheStatedSizes)
{
    struct Case {
        int index;
        const char* name;
        int units, inputs, hidden, weights;
        const char* epochs;
    };
    const Case cases[] = {
        {0, "umec", 954, 901, 52, 5883, "0 epochs"},
        {1, "face17c", 454, 401, 52, 2905, "0 epochs"},
        {2, "face18c", 480, 401, 78, 4357, "0 epochs"},
        {3, "eye", 428, 376, 51, 2478, "113250 epochs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QV_NetworkTrainer t;
        ASSERT_TRUE(t.Build(QV_DetectorLayout(c.index), 5));
        EXPECT_STREQ(QV_DetectorLayout(c.index).name, c.name);
        EXPECT_EQ(t.Units(), c.units);
        EXPECT_EQ(t.Inputs(), c.inputs);
        EXPECT_EQ(t.Hiddens(), c.hidden);
        EXPECT_EQ(t.Connections(), c.weights);
        const std::vector<std::string> w = t.WeightText();
        EXPECT_EQ(w[0], c.epochs);
        QV_NeuralNet net;
        ASSERT_TRUE(net.Read(t.StructureText(), w));
        EXPECT_EQ(net.Units(), c.units);
        EXPECT_EQ(net.Inputs(), c.inputs);
        EXPECT_EQ(net.Hiddens(), c.hidden);
        EXPECT_EQ(net.Outputs(), 1);
        EXPECT_EQ(net.Connections(), c.weights);
        // Only tanh units after the inputs.
        for (int u = net.Inputs(); u < net.Units(); ++u) ASSERT_EQ(net.Unit(u).type, QV_UNIT_TANH);
    }
}

TEST(NetworkTrainer, FieldsSpreadEvenlyAndBadFamiliesAreRefused)
{
    // Six 20 x 5 stripes over 20 rows overlap by two rows.
    const QV_NetworkLayout stripes{"s", 20, 20, {{20, 5, 1, 6, 1}}, 0};
    const std::vector<QV_HiddenField> f = QV_LayoutFields(stripes);
    ASSERT_EQ(f.size(), 6u);
    const int tops[6] = {0, 3, 6, 9, 12, 15};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(f[i].y0, tops[i]);
        EXPECT_EQ(f[i].x0, 0);
    }
    const QV_NetworkLayout bad[] = {
        {"wide", 20, 20, {{21, 5, 1, 1, 1}}, 0},
        {"none", 20, 20, {{5, 5, 0, 2, 1}}, 0},
        {"empty", 20, 20, {}, 0},
        {"nocopies", 20, 20, {{5, 5, 2, 2, 0}}, 0},
    };
    for (const QV_NetworkLayout& l : bad) {
        EXPECT_TRUE(QV_LayoutFields(l).empty()) << l.name;
        QV_NetworkTrainer t;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(t.Build(l, 1)) << l.name;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_NetworkTrainer::Build() Error!"), std::string::npos);
    }
}

TEST(NetworkTrainer, GradientMatchesFiniteDifferences)
{
    QV_NetworkTrainer t;
    ASSERT_TRUE(t.Build(kSmall, 3));
    // Larger weights than the initial ones so that every unit is well inside
    // its non-linear range.
    std::mt19937 g(9);
    for (double& w : t.Weights()) w = g() / 4294967296.0 * 2.0 - 1.0;
    const std::vector<float> in = RandomInputs(t.Pixels(), 4);
    for (double target : {0.9, -0.9}) {
        std::vector<double> grad;
        t.Gradient(in.data(), target, grad);
        ASSERT_EQ(static_cast<int>(grad.size()), t.Connections());
        for (int k = 0; k < t.Connections(); ++k) {
            const double w = t.Weights()[k], h = 1e-6;
            t.Weights()[k] = w + h;
            const double up = t.Loss(in.data(), target);
            t.Weights()[k] = w - h;
            const double down = t.Loss(in.data(), target);
            t.Weights()[k] = w;
            EXPECT_NEAR(grad[k], (up - down) / (2 * h), 1e-7) << "weight " << k;
        }
    }
}

TEST(NetworkTrainer, BackPropagationLearnsASeparableProblem)
{
    // Windows brighter on the left are faces, brighter on the right are not.
    QV_NetworkTrainer t;
    ASSERT_TRUE(t.Build(kSmall, 1));
    std::vector<std::vector<float>> x;
    std::vector<double> y;
    std::mt19937 g(2);
    for (int i = 0; i < 40; ++i) {
        std::vector<float> v = RandomInputs(12, 100 + i);
        const bool left = i % 2 == 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) v[r * 4 + c] = 0.3f * v[r * 4 + c] + ((c < 2) == left ? 0.6f : -0.6f);
        x.push_back(v);
        y.push_back(left ? 0.9 : -0.9);
    }
    auto total = [&] {
        double s = 0.0;
        for (size_t i = 0; i < x.size(); ++i) s += t.Loss(x[i].data(), y[i]);
        return s;
    };
    const double before = total();
    for (int e = 0; e < 60; ++e)
        for (size_t i = 0; i < x.size(); ++i) t.Step(x[i].data(), y[i], 0.05);
    const double after = total();
    EXPECT_LT(after, 0.1 * before);
    for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(t.Forward(x[i].data()) > 0.0, y[i] > 0.0) << i;
}

TEST(NetworkTrainer, RaisedRecallHoldsInTheWrittenNetworkAndNeverFalls)
{
    // The candidate network with weights that reject most of 200 random windows.
    QV_NetworkTrainer t;
    ASSERT_TRUE(t.Build(QV_DetectorLayout(0), 5));
    std::mt19937 g(9);
    for (double& w : t.Weights()) w = (g() / 4294967296.0 - 0.5) * 0.2;
    t.OutputBias() = -1.5;
    std::vector<std::vector<float>> faces;
    for (unsigned s = 0; s < 200; ++s) faces.push_back(RandomInputs(t.Pixels(), 300 + s));
    auto accepted = [&] {
        int n = 0;
        for (const std::vector<float>& f : faces) n += t.Evaluate(f.data()) > 0.0f;
        return n;
    };
    const double bias = t.OutputBias();
    double before = -1.0;
    const double raise = QV_RaiseRecall(t, faces, 0.95, &before);
    EXPECT_GT(raise, 0.0);
    EXPECT_DOUBLE_EQ(t.OutputBias(), bias + raise);
    EXPECT_LT(before, 0.5);
    // What the program's evaluator computes from the rounded texts keeps the share.
    t.Quantise();
    EXPECT_GE(accepted(), 190);
    EXPECT_LT(accepted(), 200);  // a raise just large enough, not everything

    // Asking for less than is already accepted changes nothing.
    const double now = t.OutputBias();
    EXPECT_EQ(QV_RaiseRecall(t, faces, 0.5, &before), 0.0);
    EXPECT_EQ(t.OutputBias(), now);
    EXPECT_GE(before, 0.95);
    EXPECT_EQ(QV_RaiseRecall(t, {}, 0.95, &before), 0.0);
    EXPECT_EQ(before, 0.0);
}

TEST(NetworkTrainer, WrittenTextsReproduceTheTrainersOutputsExactly)
{
    for (int index : {1, 3}) {
        const QV_NetworkLayout& layout = QV_DetectorLayout(index);
        QV_NetworkTrainer t;
        ASSERT_TRUE(t.Build(layout, 77));
        // Weights of several magnitudes, some of which "%f" cannot hold exactly.
        std::mt19937 g(index);
        for (double& w : t.Weights()) w = (g() / 4294967296.0 - 0.5) * 0.37;
        t.Quantise();
        visagen_test::TempDir dir;
        ASSERT_TRUE(t.Save(dir.Path()));
        QV_NeuralNet net;
        const std::string base = dir.File(layout.name);
        ASSERT_TRUE(net.Read(FileLines(base + ".structure.txt"), FileLines(base + ".weights.txt")));
        for (unsigned s = 0; s < 20; ++s) {
            const std::vector<float> in = RandomInputs(t.Pixels(), s);
            for (int k = 0; k < t.Pixels(); ++k) net.SetInput(k + 1, in[k]);
            const float theirs = net.ForwardPass();
            EXPECT_EQ(t.Evaluate(in.data()), theirs) << layout.name << " window " << s;
            EXPECT_NEAR(t.Forward(in.data()), theirs, 1e-4);
        }
    }
}

TEST(NetworkTrainer, QuantiseKeepsWhatTheWeightTextSays)
{
    QV_NetworkTrainer t;
    ASSERT_TRUE(t.Build(kSmall, 1));
    t.Weights()[0] = 0.12345678;
    t.Weights()[1] = -2.5e-7;
    t.Quantise();
    EXPECT_EQ(t.Weights()[0], static_cast<double>(0.123457f));
    EXPECT_EQ(t.Weights()[1], -0.0);
    const std::vector<std::string> w = t.WeightText();
    EXPECT_EQ(w[0], "7 epochs");
    EXPECT_EQ(w[1], std::to_string(t.Connections()) + " weights");
    EXPECT_EQ(w[2], "0.123457");
}

TEST(NetworkTrainer, SaveReportsAFolderItCannotWrite)
{
    QV_NetworkTrainer t;
    ASSERT_TRUE(t.Build(kSmall, 1));
    visagen_test::TempDir dir;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(t.Save(dir.File("missing/folder")));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_NetworkTrainer::Save() Error! : cannot write"),
              std::string::npos);
}

TEST(NetworkTrainer, AFolderOfSavedNetworksLoadsIntoTheDetectorAndABrokenOneDoesNot)
{
    visagen_test::TempDir dir;
    int connections[4];
    for (int i = 0; i < 4; ++i) {
        QV_NetworkTrainer t;
        ASSERT_TRUE(t.Build(QV_DetectorLayout(i), 5 + i));
        t.Quantise();
        ASSERT_TRUE(t.Save(dir.Path()));
        connections[i] = t.Connections();
    }
    QV_FaceDetector detector;
    ASSERT_TRUE(QV_LoadNetworkFolder(dir.Path(), detector));
    EXPECT_TRUE(detector.Ready());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(detector.Net(i).Connections(), connections[i]) << i;

    // Every cut of a weight text fails, as does a missing file.
    const std::string eye = dir.File("eye.weights.txt");
    const std::vector<unsigned char> whole = visagen_test::ReadFileBytes(eye);
    for (size_t cut : {size_t{0}, size_t{9}, whole.size() / 2, whole.size() - 12}) {
        visagen_test::WriteFileText(eye, std::string(whole.begin(), whole.begin() + cut));
        QV_FaceDetector d;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(QV_LoadNetworkFolder(dir.Path(), d)) << cut;
        testing::internal::GetCapturedStderr();
    }
    std::filesystem::remove(eye);
    QV_FaceDetector d;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_LoadNetworkFolder(dir.Path(), d));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("eye.weights.txt"), std::string::npos);
}

TEST(NetworkTrainer, WeightMeanAveragesWhatWasAddedAndLeavesOtherLengthsAlone)
{
    std::vector<double> w = {5.0, -5.0, 7.0};
    QV_WeightMean none;
    none.Apply(w);  // nothing added: the weights stay
    EXPECT_EQ(w, (std::vector<double>{5.0, -5.0, 7.0}));

    QV_WeightMean mean;
    mean.Add({1.0, 2.0, -3.0});
    mean.Add({3.0, 2.0, 0.0});
    mean.Add({1.0, 2.0, 0.5, 9.0});  // another network's length: not counted
    mean.Add({2.0, -1.0, 0.0});
    EXPECT_EQ(mean.Count(), 3);
    mean.Apply(w);
    EXPECT_DOUBLE_EQ(w[0], 2.0);
    EXPECT_DOUBLE_EQ(w[1], 1.0);
    EXPECT_DOUBLE_EQ(w[2], -1.0);
    std::vector<double> other = {4.0, 4.0};
    mean.Apply(other);
    EXPECT_EQ(other, (std::vector<double>{4.0, 4.0}));
}
