// The networks' tanh over runs of values gives the floats of the one-value
// formula, and the forward pass groups its tanh units into runs correctly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "NetTexts.h"
#include "QV_NetTanh.h"
#include "QV_NeuralNet.h"

using visagen_test::MakeNetText;
using visagen_test::NetSpec;

namespace {

std::uint32_t Bits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Runs QV_NetTanhRun over `in` and checks every value against QV_NetTanh
// (NaN for NaN); returns how many went the one-value way.
int ExpectSameAsOneByOne(const std::vector<float>& in)
{
    std::vector<float> run = in;
    const int slow = QV_NetTanhRun(run.data(), static_cast<int>(run.size()));
    int differing = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const float one = QV_NetTanh(in[i]);
        const bool same = std::isnan(one) ? std::isnan(run[i]) : Bits(one) == Bits(run[i]);
        if (!same && ++differing <= 5)
            ADD_FAILURE() << "tanh(" << in[i] << "): run " << run[i] << ", one by one " << one;
    }
    EXPECT_EQ(differing, 0);
    return slow;
}

}  // namespace

TEST(NetTanh, PolynomialExpIsWithinAFewUnitsInTheLastPlace)
{
    double worst = 0.0;
    for (int i = -400000; i <= 400000; ++i) {
        const double z = i * 1e-4 + 1.234567e-6;  // over [-40, 40], off the round numbers
        const double exact = std::exp(z);
        worst = std::max(worst, std::fabs(QV_NetExpPolynomial(z) - exact) / exact);
    }
    EXPECT_LT(worst, 4.0 * std::numeric_limits<double>::epsilon());
    EXPECT_EQ(QV_NetExpPolynomial(0.0), 1.0);
}

TEST(NetTanh, RunsGiveTheOneByOneFloatsAndRarelyNeedThem)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> magnitude(-12.0f, 5.0f), sign(-1.0f, 1.0f);
    std::vector<float> in;
    // Sums as small as 2^-12 and as large as 2^5 (tanh saturates near 9),
    // either sign, an odd count so the last value is alone.
    for (int i = 0; i < 1000001; ++i) in.push_back(std::copysign(std::exp2(magnitude(random)), sign(random)));
    const int slow = ExpectSameAsOneByOne(in);
#if defined(__SSE2__)
    EXPECT_LT(slow, static_cast<int>(in.size() / 1000)) << slow;
#endif
    // Every float step through the range where tanh's float result turns
    // from below 1 to 1, and from 0 to the first steps away from it.
    std::vector<float> edges;
    for (float x = 8.0f; x < 10.0f; x = std::nextafter(x, 11.0f)) {
        edges.push_back(x);
        edges.push_back(-x);
    }
    float x = 0.0f;
    for (int i = 0; i < 100000; ++i, x = std::nextafter(x, 1.0f)) edges.push_back(x);
    ExpectSameAsOneByOne(edges);
}

TEST(NetTanh, SpecialValuesAndShortRuns)
{
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> special{0.0f,  -0.0f, inf,   -inf,   std::numeric_limits<float>::quiet_NaN(),
                                     20.0f, -20.f, 21.0f, 1e30f,  -1e30f,
                                     1e-45f, std::numeric_limits<float>::min(), 0.5f};
    ExpectSameAsOneByOne(special);
    for (float x : special) ExpectSameAsOneByOne({x});
    std::vector<float> none;
    EXPECT_EQ(QV_NetTanhRun(none.data(), 0), 0);
    float one = 0.5f;
    QV_NetTanhRun(&one, 1);
    EXPECT_EQ(Bits(one), Bits(QV_NetTanh(0.5f)));
    EXPECT_FLOAT_EQ(one, static_cast<float>(std::tanh(0.5)));
}

// Hidden units that read only the inputs are taken as one run; a unit
// whose type changes splits a run or joins one, and the pass follows.
TEST(NetTanh, ForwardPassFollowsUnitTypeChangesInsideARun)
{
    NetSpec spec;
    spec.inputs = 3;
    const float w[5][3] = {{0.1f, 1.5f, -0.5f}, {-0.3f, 0.7f, 0.9f}, {0.25f, -1.1f, 0.4f},
                           {0.6f, 0.2f, -0.8f}, {-0.05f, 1.3f, 1.2f}};
    for (const auto& u : w) spec.hidden.push_back({{0, u[0]}, {1, u[1]}, {2, u[2]}});
    spec.output = {{0, 0.1f}, {3, 0.5f}, {4, -0.7f}, {5, 0.3f}, {6, 0.9f}, {7, -0.4f}};
    QV_NetworkText t = MakeNetText(spec);
    QV_NeuralNet net;
    ASSERT_TRUE(net.Read(t.structure, t.weights));
    const float in[3] = {1.0f, 0.35f, -0.6f};
    net.SetInput(1, in[1]);
    net.SetInput(2, in[2]);
    // Each hidden sum as the pass adds it: one product per lane, then the
    // lanes in pairs.
    auto sum = [&](int h) { return (w[h][0] * in[0] + w[h][1] * in[1]) + (w[h][2] * in[2] + 0.0f); };
    auto expectHidden = [&](int linearUnit) {
        net.ForwardPass();
        for (int h = 0; h < 5; ++h) {
            const float expected = h == linearUnit ? sum(h) : QV_NetTanh(sum(h));
            EXPECT_EQ(Bits(net.Activation(3 + h)), Bits(expected)) << "hidden " << h << ", linear " << linearUnit;
        }
    };
    expectHidden(-1);
    ASSERT_TRUE(net.SetUnitType(5, QV_UNIT_LINEAR));
    expectHidden(2);
    ASSERT_TRUE(net.SetUnitType(5, QV_UNIT_TANH));
    expectHidden(-1);
    ASSERT_TRUE(net.SetUnitType(3, QV_UNIT_LINEAR));
    expectHidden(0);
}
