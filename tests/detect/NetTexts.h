// Builds small network texts for the detector tests: any number of inputs,
// hidden units and one output, each non-input unit with its own list of
// (source unit, weight) connections.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "QV_FaceDetector.h"

namespace visagen_test {

using Conns = std::vector<std::pair<int, float>>;

struct NetSpec {
    int inputs = 1;                    // including the bias unit 0
    int windowCols = 1;                // for the unit positions of the inputs
    std::vector<Conns> hidden;         // incoming connections per hidden unit
    Conns output;                      // incoming connections of the output
    std::string epochs = "0 epochs";
};

inline QV_NetworkText MakeNetText(const NetSpec& spec)
{
    QV_NetworkText t;
    const int h = static_cast<int>(spec.hidden.size());
    const int n = spec.inputs + h + 1;
    auto& s = t.structure;
    s.push_back(std::to_string(n) + " units");
    s.push_back(std::to_string(spec.inputs) + " inputs");
    s.push_back("0 0 0 0");
    for (int k = 1; k < spec.inputs; ++k)
        s.push_back(std::to_string(k) + " 1 " + std::to_string((k - 1) / spec.windowCols) + " " +
                    std::to_string((k - 1) % spec.windowCols));
    s.push_back("");
    s.push_back(std::to_string(h) + " hiddens");
    for (int k = 0; k < h; ++k) s.push_back(std::to_string(spec.inputs + k) + " 2 0 " + std::to_string(k));
    s.push_back("");
    s.push_back("1 outputs");
    s.push_back(std::to_string(n - 1) + " 3 0 0");
    s.push_back("");
    std::vector<std::pair<int, int>> lines;
    std::vector<float> weights;
    for (int k = 0; k < h; ++k)
        for (const auto& c : spec.hidden[k]) {
            lines.push_back({c.first, spec.inputs + k});
            weights.push_back(c.second);
        }
    for (const auto& c : spec.output) {
        lines.push_back({c.first, n - 1});
        weights.push_back(c.second);
    }
    s.push_back(std::to_string(lines.size()) + " conns");
    for (const auto& l : lines) s.push_back(std::to_string(l.first) + " " + std::to_string(l.second) + " -1");
    t.weights.push_back(spec.epochs);
    t.weights.push_back(std::to_string(weights.size()) + " weights");
    for (float w : weights) t.weights.push_back(std::to_string(w));
    return t;
}

// A network over a window of cols x rows pixels whose output is positive
// exactly when sum(w * input) + bias over the listed window pixels is
// positive: one tanh hidden unit passed on with weight 1.
inline QV_NetworkText ThresholdNet(int cols, int rows, const std::vector<std::pair<int, float>>& pixelWeights,
                                   float bias)
{
    NetSpec spec;
    spec.inputs = cols * rows + 1;
    spec.windowCols = cols;
    Conns hidden{{0, bias}};
    for (const auto& p : pixelWeights) hidden.push_back({p.first + 1, p.second});
    spec.hidden.push_back(hidden);
    spec.output = {{spec.inputs, 1.0f}};
    return MakeNetText(spec);
}

// A network whose output is the same sign as `bias` for every window.
inline QV_NetworkText ConstantNet(int cols, int rows, float bias)
{
    return ThresholdNet(cols, rows, {}, bias);
}

// The umec test network: fires when the central 10 x 10 pixels of its 30 x 30
// window hold a bright patch of about 32 or more pixels against a flat
// background (each such pixel equalises to nearly 1, the rest to nearly 0).
inline QV_NetworkText CentralPatchUmec(float threshold = 30.0f)
{
    std::vector<std::pair<int, float>> w;
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x) w.push_back({y * 30 + x, 1.0f});
    return ThresholdNet(30, 30, w, -threshold);
}

// The eye test network: fires only when the window's centre pixel (12, 7) is
// the single brightest pixel of the 25 x 15 window.
inline QV_NetworkText CentrePixelEye() { return ThresholdNet(25, 15, {{7 * 25 + 12, 10.0f}}, -5.0f); }

// A detector from four network texts; fails the calling test if they do not load.
inline void LoadDetector(QV_FaceDetector& d, const QV_NetworkText& umec, const QV_NetworkText& face17,
                         const QV_NetworkText& face18, const QV_NetworkText& eye, bool& ok)
{
    const QV_NetworkText texts[4] = {umec, face17, face18, eye};
    ok = d.LoadNetworks(texts);
}

// Window pixel index of (x, y) in a window `cols` wide.
inline int Px(int cols, int x, int y) { return y * cols + x; }

}  // namespace visagen_test
