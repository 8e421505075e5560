// The forward pass of every unit type, slot layout, groups, and the reader's
// refusal of malformed network texts.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "NetTexts.h"
#include "QV_EmbeddedNetworks.h"
#include "QV_NeuralNet.h"

using visagen_test::MakeNetText;
using visagen_test::NetSpec;

namespace {

// Three inputs besides the bias feeding the output directly with weights
// 0.5 (bias), 0.2, -0.4 and 0.3.
QV_NeuralNet ThreeInputNet()
{
    NetSpec spec;
    spec.inputs = 4;
    spec.windowCols = 3;
    spec.output = {{0, 0.5f}, {1, 0.2f}, {2, -0.4f}, {3, 0.3f}};
    QV_NetworkText t = MakeNetText(spec);
    QV_NeuralNet net;
    EXPECT_TRUE(net.Read(t.structure, t.weights));
    net.SetInput(1, 0.5f);
    net.SetInput(2, -0.25f);
    net.SetInput(3, 0.8f);
    return net;
}

struct TypeCase {
    int type;
    double expected;
};

class UnitTypeTest : public testing::TestWithParam<TypeCase> {};

TEST_P(UnitTypeTest, ComputesHandValue)
{
    QV_NeuralNet net = ThreeInputNet();
    ASSERT_TRUE(net.SetUnitType(net.OutputUnit(), GetParam().type));
    EXPECT_NEAR(net.ForwardPass(), GetParam().expected, 1e-6);
    EXPECT_FLOAT_EQ(net.Activation(0), 1.0f);  // the bias is never written
}

// Hand values for inputs 0.5, -0.25, 0.8 and weights 0.5 (bias), 0.2, -0.4, 0.3.
// Types 2, 6 and 9 would differ if the bias unit were counted as a source.
INSTANTIATE_TEST_SUITE_P(
    AllTypes, UnitTypeTest,
    testing::Values(TypeCase{0, std::tanh(0.94)},              // tanh(0.5 + 0.1 + 0.1 + 0.24)
                    TypeCase{7, 0.94},                         // same sum, linear
                    TypeCase{2, 1.0 - 2.0 * 0.25 * 0.625 * 0.1},  // 1 - 2 prod(0.5 - 0.5 a)
                    TypeCase{6, 1.0 - 2.0 * (1 - 0.75 * 0.375) * (1 - 0.9 * 0.375) * (1 - 0.9 * 0.75)},
                    TypeCase{8, 0.5 * -0.25 * 0.8},
                    TypeCase{9, 0.5 - 0.25 + 0.8}));

TEST(NeuralNet, ZeroWeightHiddenUnitGivesTanhZero)
{
    NetSpec spec;
    spec.inputs = 3;
    spec.hidden = {{{0, 0.0f}, {1, 0.0f}, {2, 0.0f}}};
    spec.output = {{0, 0.25f}, {3, 2.0f}};
    QV_NetworkText t = MakeNetText(spec);
    QV_NeuralNet net;
    ASSERT_TRUE(net.Read(t.structure, t.weights));
    net.SetInput(1, 0.9f);
    net.SetInput(2, -0.7f);
    EXPECT_NEAR(net.ForwardPass(), std::tanh(0.25), 1e-6);
    EXPECT_FLOAT_EQ(net.Activation(3), 0.0f);
}

TEST(NeuralNet, ProductSkipsBiasSource)
{
    NetSpec spec;
    spec.inputs = 2;
    spec.output = {{0, 3.0f}, {1, 3.0f}};
    QV_NetworkText t = MakeNetText(spec);
    QV_NeuralNet net;
    ASSERT_TRUE(net.Read(t.structure, t.weights));
    ASSERT_TRUE(net.SetUnitType(net.OutputUnit(), QV_UNIT_PRODUCT));
    net.SetInput(1, 0.5f);
    EXPECT_FLOAT_EQ(net.ForwardPass(), 0.5f);
}

TEST(NeuralNet, EvaluationIsRepeatableAcrossWindows)
{
    NetSpec spec;
    spec.inputs = 3;
    spec.hidden = {{{0, 0.1f}, {1, 1.5f}, {2, -0.5f}}, {{1, 0.7f}, {3, 0.9f}}};
    spec.output = {{0, -0.2f}, {3, 1.0f}, {4, -1.3f}};
    QV_NetworkText t = MakeNetText(spec);
    QV_NeuralNet net;
    ASSERT_TRUE(net.Read(t.structure, t.weights));
    auto run = [&](float a, float b) {
        net.SetInput(1, a);
        net.SetInput(2, b);
        return net.ForwardPass();
    };
    const float first = run(0.3f, -0.6f);
    const float other = run(-0.9f, 0.4f);
    EXPECT_NE(first, other);
    EXPECT_FLOAT_EQ(run(0.3f, -0.6f), first);
    EXPECT_FLOAT_EQ(run(0.3f, -0.6f), first);
    // Hidden 4 reads hidden 3 of the same pass.
    const double h3 = std::tanh(0.1 + 1.5 * 0.3 + 0.5 * 0.6);
    const double h4 = std::tanh(0.7 * 0.3 + 0.9 * h3);
    EXPECT_NEAR(first, std::tanh(-0.2 + h3 - 1.3 * h4), 1e-6);
}

TEST(NeuralNet, SlotsLaidOutByUnitAndWeightsFollowConnectionLines)
{
    // Connection lines alternate between the two destinations.
    std::vector<std::string> structure = {"5 units", "3 inputs", "0 0 0 0", "1 4 2 7", "2 4 5 3", "1 hiddens",
                                          "3 6 1 1", "1 outputs", "4 6 9 0", "5 conns", "1 4 -1", "0 3 -1",
                                          "3 4 -1", "2 3 -1", "1 3 -1"};
    std::vector<std::string> weights = {"0 epochs", "5 weights", "0.1", "0.2", "0.3", "0.4", "0.5"};
    QV_NeuralNet net;
    ASSERT_TRUE(net.Read(structure, weights));
    EXPECT_EQ(net.Units(), 5);
    EXPECT_EQ(net.Inputs(), 3);
    EXPECT_EQ(net.OutputUnit(), 4);
    const QV_NetUnit& hidden = net.Unit(3);
    const QV_NetUnit& out = net.Unit(4);
    EXPECT_EQ(hidden.firstSlot, 0);
    EXPECT_EQ(hidden.nConns, 3);
    EXPECT_EQ(out.firstSlot, 3);
    EXPECT_EQ(out.nConns, 2);
    const int sources[5] = {0, 2, 1, 1, 3};
    const float w[5] = {0.2f, 0.4f, 0.5f, 0.1f, 0.3f};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(net.Slot(k).source, sources[k]) << k;
        EXPECT_FLOAT_EQ(net.Slot(k).weight, w[k]) << k;
    }
    EXPECT_EQ(net.Unit(1).type, QV_UNIT_INPUT);
    EXPECT_EQ(net.Unit(3).type, QV_UNIT_TANH);
    // Unit lines give the group, then the second and first coordinate.
    EXPECT_EQ(net.UnitGroup(1), 4);
    EXPECT_EQ(net.UnitY(1), 2);
    EXPECT_EQ(net.UnitX(1), 7);
    const auto& groups = net.Groups();
    ASSERT_EQ(groups.size(), 7u);
    EXPECT_EQ(groups[4].count, 2);
    EXPECT_EQ(groups[4].first, 1);
    EXPECT_EQ(groups[4].minX, 3);
    EXPECT_EQ(groups[4].maxX, 7);
    EXPECT_EQ(groups[4].minY, 2);
    EXPECT_EQ(groups[4].maxY, 5);
    EXPECT_EQ(groups[6].count, 2);
    EXPECT_EQ(groups[2].count, 0);
    EXPECT_EQ(groups[2].first, -1);
}

TEST(NeuralNet, SetUnitTypeGuards)
{
    QV_NeuralNet net = ThreeInputNet();
    EXPECT_FALSE(net.SetUnitType(2, QV_UNIT_LINEAR));  // an input
    EXPECT_EQ(net.Unit(2).type, QV_UNIT_INPUT);
    NetSpec spec;
    spec.inputs = 3;
    spec.output = {{0, 1.0f}, {1, 1.0f}, {2, 1.0f}};
    QV_NetworkText t = MakeNetText(spec);
    QV_NeuralNet two;
    ASSERT_TRUE(two.Read(t.structure, t.weights));
    EXPECT_FALSE(two.SetUnitType(two.OutputUnit(), QV_UNIT_PAIRS));  // only two sources
    EXPECT_EQ(two.Unit(two.OutputUnit()).type, QV_UNIT_TANH);
}

TEST(NeuralNet, BiasAndOutOfRangeInputsAreNotWritten)
{
    QV_NeuralNet net = ThreeInputNet();
    net.SetInput(0, -7.0f);
    net.SetInput(4, -7.0f);  // the output unit
    net.SetInput(-1, -7.0f);
    EXPECT_FLOAT_EQ(net.Activation(0), 1.0f);
    EXPECT_NEAR(net.ForwardPass(), std::tanh(0.94), 1e-6);
    QV_NeuralNet empty;
    EXPECT_FALSE(empty.Loaded());
    EXPECT_EQ(empty.ForwardPass(), 0.0f);
}

TEST(NeuralNetDeathTest, UnknownUnitTypeEndsProcess)
{
    QV_NeuralNet net = ThreeInputNet();
    ASSERT_TRUE(net.SetUnitType(net.OutputUnit(), 4));
    EXPECT_EXIT(net.ForwardPass(), testing::ExitedWithCode(1), "Unknown unit type 4 \\(FastForwardPass\\)");
}

// ---- malformed texts ----

struct BadText {
    const char* what;
    std::function<void(QV_NetworkText&)> damage;
};

class MalformedNetTest : public testing::TestWithParam<BadText> {};

QV_NetworkText GoodText()
{
    NetSpec spec;
    spec.inputs = 3;
    spec.hidden = {{{0, 0.1f}, {1, 0.2f}, {2, 0.3f}}};
    spec.output = {{0, 0.4f}, {3, 0.5f}};
    return MakeNetText(spec);
}

TEST(MalformedNet, GoodTextReads)
{
    QV_NetworkText t = GoodText();
    QV_NeuralNet net;
    ASSERT_TRUE(net.Read(t.structure, t.weights));
    EXPECT_EQ(net.Connections(), 5);
}

TEST_P(MalformedNetTest, FailsWithMessage)
{
    QV_NetworkText t = GoodText();
    GetParam().damage(t);
    QV_NeuralNet net;
    testing::internal::CaptureStderr();
    const bool ok = net.Read(t.structure, t.weights);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_FALSE(net.Loaded());
    EXPECT_NE(err.find("QV_NeuralNet::Read() Error! : "), std::string::npos) << err;
}

// Structure lines of GoodText: 0 "5 units", 1 "3 inputs", 2..4 input lines,
// 5 blank, 6 "1 hiddens", 7 hidden line, 8 blank, 9 "1 outputs", 10 output
// line, 11 blank, 12 "5 conns", 13..17 connection lines.
INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedNetTest,
    testing::Values(
        BadText{"no units line", [](QV_NetworkText& t) { t.structure[0] = "5 unit"; }},
        BadText{"unit total too large", [](QV_NetworkText& t) { t.structure[0] = "6 units"; }},
        BadText{"huge unit count", [](QV_NetworkText& t) { t.structure[0] = "2000000000 units"; }},
        BadText{"input line missing", [](QV_NetworkText& t) { t.structure.erase(t.structure.begin() + 4); }},
        BadText{"malformed unit line", [](QV_NetworkText& t) { t.structure[3] = "1 1 x 0"; }},
        BadText{"negative group", [](QV_NetworkText& t) { t.structure[3] = "1 -1 0 0"; }},
        BadText{"group beyond the units", [](QV_NetworkText& t) { t.structure[3] = "1 900000 0 0"; }},
        BadText{"no outputs", [](QV_NetworkText& t) { t.structure[9] = "0 outputs"; }},
        BadText{"conns count beyond lines", [](QV_NetworkText& t) { t.structure[12] = "6 conns"; }},
        BadText{"huge conns count", [](QV_NetworkText& t) { t.structure[12] = "999999999 conns"; }},
        BadText{"extra connection line", [](QV_NetworkText& t) { t.structure[12] = "4 conns"; }},
        BadText{"source out of range", [](QV_NetworkText& t) { t.structure[14] = "6 3 -1"; }},
        BadText{"destination out of range", [](QV_NetworkText& t) { t.structure[14] = "1 6 -1"; }},
        BadText{"destination is an input", [](QV_NetworkText& t) { t.structure[14] = "1 2 -1"; }},
        BadText{"source after destination", [](QV_NetworkText& t) { t.structure[14] = "4 3 -1"; }},
        BadText{"structure cut short", [](QV_NetworkText& t) { t.structure.resize(10); }},
        BadText{"weight count differs", [](QV_NetworkText& t) { t.weights[1] = "4 weights"; }},
        BadText{"weight line missing", [](QV_NetworkText& t) { t.weights.pop_back(); }},
        BadText{"weight not a number", [](QV_NetworkText& t) { t.weights[3] = "abc"; }},
        BadText{"extra weight line", [](QV_NetworkText& t) { t.weights.push_back("0.5"); }},
        BadText{"no epochs line", [](QV_NetworkText& t) { t.weights.clear(); }}),
    [](const testing::TestParamInfo<BadText>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

// ---- the networks compiled into the program ----

struct SizeCase {
    int index;
    const char* name;
    int units, inputs, hidden, conns;
};

TEST(EmbeddedNetworks, HaveTheirSizes)
{
    const SizeCase cases[] = {{QV_NET_UMEC, "umec", 954, 901, 52, 5883},
                              {QV_NET_FACE17C, "face17c", 454, 401, 52, 2905},
                              {QV_NET_FACE18C, "face18c", 480, 401, 78, 4357},
                              {QV_NET_EYE, "eye", 428, 376, 51, 2478}};
    ASSERT_EQ(QV_EmbeddedNetworkCount(), 4);
    EXPECT_EQ(QV_EmbeddedNetwork(4), nullptr);
    EXPECT_EQ(QV_EmbeddedNetwork(-1), nullptr);
    for (const SizeCase& c : cases) {
        const QV_NetworkSource* src = QV_EmbeddedNetwork(c.index);
        ASSERT_NE(src, nullptr);
        EXPECT_STREQ(src->name, c.name);
        std::vector<std::string> s(src->structure, src->structure + src->structureLines);
        std::vector<std::string> w(src->weights, src->weights + src->weightLines);
        QV_NeuralNet net;
        ASSERT_TRUE(net.Read(s, w)) << c.name;
        EXPECT_EQ(net.Units(), c.units) << c.name;
        EXPECT_EQ(net.Inputs(), c.inputs) << c.name;
        EXPECT_EQ(net.Hiddens(), c.hidden) << c.name;
        EXPECT_EQ(net.Outputs(), 1) << c.name;
        EXPECT_EQ(net.Connections(), c.conns) << c.name;
    }
    EXPECT_STREQ(QV_EmbeddedNetwork(QV_NET_EYE)->weights[0], "113250 epochs");
}

}  // namespace
