// Building, training and writing the locally connected detector networks.
#include "QV_NetworkTrainer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_NetTanh.h"

namespace {

// Left (or top) edge of field i of n fields of size `size` spread over `span`.
int FieldStart(int i, int n, int size, int span)
{
    if (n == 1) return (span - size) / 2;
    return static_cast<int>(std::lround(static_cast<double>(i) * (span - size) / (n - 1)));
}

// Weighted sum in four interleaved float partial sums, slot after slot, as the
// program's evaluator adds them.
inline float EvalSum(const float* w, const float* src, int n)
{
    float a0 = 0.0f, a1 = 0.0f, a2 = 0.0f, a3 = 0.0f;
    int k = 0;
    for (; n - k >= 4; k += 4) {
        a0 += w[k] * src[k];
        a1 += w[k + 1] * src[k + 1];
        a2 += w[k + 2] * src[k + 2];
        a3 += w[k + 3] * src[k + 3];
    }
    for (; k < n; ++k) a0 += w[k] * src[k];
    return (a0 + a1) + (a2 + a3);
}

std::string WeightLine(double w)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%f", w);
    return buf;
}

// Largest window side and hidden count accepted for a layout.
constexpr int kMaxSide = 256;
constexpr int kMaxHidden = 4096;

}  // namespace

std::vector<QV_HiddenField> QV_LayoutFields(const QV_NetworkLayout& layout)
{
    std::vector<QV_HiddenField> out;
    if (layout.cols < 1 || layout.rows < 1 || layout.cols > kMaxSide || layout.rows > kMaxSide) return out;
    long total = 0;
    for (const QV_FieldFamily& f : layout.families) {
        if (f.w < 1 || f.h < 1 || f.w > layout.cols || f.h > layout.rows || f.nx < 1 || f.ny < 1 || f.copies < 1)
            return {};
        total += static_cast<long>(f.nx) * f.ny * f.copies;
        if (total > kMaxHidden) return {};
    }
    int group = 2;
    for (const QV_FieldFamily& f : layout.families) {
        for (int j = 0; j < f.ny; ++j)
            for (int i = 0; i < f.nx; ++i)
                for (int c = 0; c < f.copies; ++c)
                    out.push_back({FieldStart(i, f.nx, f.w, layout.cols), FieldStart(j, f.ny, f.h, layout.rows), f.w,
                                   f.h, group});
        ++group;
    }
    return out;
}

bool QV_NetworkTrainer::Build(const QV_NetworkLayout& layout, std::uint32_t seed)
{
    fields = QV_LayoutFields(layout);
    if (fields.empty()) {
        QV_PrintError("QV_NetworkTrainer::Build() Error! : layout has no usable hidden units\n");
        return false;
    }
    name = layout.name ? layout.name : "net";
    cols = layout.cols;
    rows = layout.rows;
    epochsLine = layout.epochsLine;
    inputs = cols * rows + 1;
    hidden = static_cast<int>(fields.size());

    conns.clear();
    firstConn.clear();
    for (int h = 0; h < hidden; ++h) {
        const QV_HiddenField& f = fields[h];
        firstConn.push_back(static_cast<int>(conns.size()));
        const int dest = inputs + h;
        conns.push_back({0, dest});
        for (int y = f.y0; y < f.y0 + f.h; ++y)
            for (int x = f.x0; x < f.x0 + f.w; ++x) conns.push_back({1 + y * cols + x, dest});
    }
    firstConn.push_back(static_cast<int>(conns.size()));
    const int output = inputs + hidden;
    conns.push_back({0, output});
    for (int h = 0; h < hidden; ++h) conns.push_back({inputs + h, output});
    firstConn.push_back(static_cast<int>(conns.size()));

    // Uniform in +-1/sqrt(fan-in) from a fixed-seed generator.
    std::mt19937 rng(seed);
    weights.assign(conns.size(), 0.0);
    for (int u = 0; u <= hidden; ++u) {
        const int a = firstConn[u], b = firstConn[u + 1];
        const double r = 1.0 / std::sqrt(static_cast<double>(b - a));
        for (int k = a; k < b; ++k) weights[k] = r * (2.0 * (rng() / 4294967296.0) - 1.0);
    }
    act.assign(hidden, 0.0);
    return true;
}

double QV_NetworkTrainer::Forward(const float* in)
{
    for (int h = 0; h < hidden; ++h) {
        const int a = firstConn[h], b = firstConn[h + 1];
        double s = weights[a];  // bias
        for (int k = a + 1; k < b; ++k) s += weights[k] * in[conns[k].source - 1];
        act[h] = std::tanh(s);
    }
    const int a = firstConn[hidden];
    double s = weights[a];
    for (int h = 0; h < hidden; ++h) s += weights[a + 1 + h] * act[h];
    out = std::tanh(s);
    return out;
}

double QV_NetworkTrainer::Loss(const float* in, double target)
{
    const double d = Forward(in) - target;
    return 0.5 * d * d;
}

void QV_NetworkTrainer::Gradient(const float* in, double target, std::vector<double>& grad)
{
    grad.assign(weights.size(), 0.0);
    Forward(in);
    const double dOut = (out - target) * (1.0 - out * out);
    const int a = firstConn[hidden];
    grad[a] = dOut;
    for (int h = 0; h < hidden; ++h) {
        grad[a + 1 + h] = dOut * act[h];
        const double dh = dOut * weights[a + 1 + h] * (1.0 - act[h] * act[h]);
        const int b0 = firstConn[h], b1 = firstConn[h + 1];
        grad[b0] = dh;
        for (int k = b0 + 1; k < b1; ++k) grad[k] = dh * in[conns[k].source - 1];
    }
}

double QV_NetworkTrainer::Step(const float* in, double target, double rate)
{
    Forward(in);
    const double err = out - target;
    const double loss = 0.5 * err * err;
    const double dOut = err * (1.0 - out * out);
    const int a = firstConn[hidden];
    // Hidden deltas use the output weights before they change.
    for (int h = 0; h < hidden; ++h) {
        const double dh = dOut * weights[a + 1 + h] * (1.0 - act[h] * act[h]);
        weights[a + 1 + h] -= rate * dOut * act[h];
        const int b0 = firstConn[h], b1 = firstConn[h + 1];
        const double step = rate * dh;
        weights[b0] -= step;
        for (int k = b0 + 1; k < b1; ++k) weights[k] -= step * in[conns[k].source - 1];
    }
    weights[a] -= rate * dOut;
    return loss;
}

void QV_NetworkTrainer::Quantise()
{
    for (double& w : weights) w = std::strtof(WeightLine(w).c_str(), nullptr);
}

float QV_NetworkTrainer::Evaluate(const float* in) const
{
    std::vector<float> w(weights.size());
    for (size_t k = 0; k < weights.size(); ++k) w[k] = static_cast<float>(weights[k]);
    std::vector<float> src;
    std::vector<float> hiddenAct(hidden);
    for (int h = 0; h < hidden; ++h) {
        const int a = firstConn[h], b = firstConn[h + 1];
        src.assign(1, 1.0f);
        for (int k = a + 1; k < b; ++k) src.push_back(in[conns[k].source - 1]);
        hiddenAct[h] = QV_NetTanh(EvalSum(&w[a], src.data(), b - a));
    }
    const int a = firstConn[hidden];
    src.assign(1, 1.0f);
    src.insert(src.end(), hiddenAct.begin(), hiddenAct.end());
    return QV_NetTanh(EvalSum(&w[a], src.data(), hidden + 1));
}

std::vector<std::string> QV_NetworkTrainer::StructureText() const
{
    std::vector<std::string> t;
    char buf[96];
    auto add = [&](const char* fmt, auto... v) {
        std::snprintf(buf, sizeof buf, fmt, v...);
        t.emplace_back(buf);
    };
    add("%d units", Units());
    add("%d inputs", inputs);
    // Unit lines: index, group, row, column.
    add("%d %d %d %d", 0, 0, 0, 0);
    for (int p = 0; p < inputs - 1; ++p) add("%d %d %d %d", p + 1, 1, p / cols, p % cols);
    t.emplace_back("");
    add("%d hiddens", hidden);
    for (int h = 0; h < hidden; ++h) {
        const QV_HiddenField& f = fields[h];
        add("%d %d %d %d", inputs + h, f.group, f.y0 + f.h / 2, f.x0 + f.w / 2);
    }
    t.emplace_back("");
    add("%d outputs", 1);
    add("%d %d %d %d", inputs + hidden, fields.back().group + 1, rows / 2, cols / 2);
    t.emplace_back("");
    add("%d conns", Connections());
    for (const Conn& c : conns) add("%d %d -1", c.source, c.dest);
    return t;
}

std::vector<std::string> QV_NetworkTrainer::WeightText() const
{
    std::vector<std::string> t;
    t.push_back(std::to_string(epochsLine) + " epochs");
    t.push_back(std::to_string(weights.size()) + " weights");
    for (double w : weights) t.push_back(WeightLine(w));
    return t;
}

bool QV_NetworkTrainer::Save(const std::string& dir) const
{
    const std::vector<std::string> texts[2] = {StructureText(), WeightText()};
    const char* suffix[2] = {".structure.txt", ".weights.txt"};
    for (int i = 0; i < 2; ++i) {
        const std::string path = dir + "/" + name + suffix[i];
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        if (!f) {
            QV_PrintSystemError(("QV_NetworkTrainer::Save() Error! : cannot write " + path).c_str());
            return false;
        }
        for (const std::string& line : texts[i])
            if (std::fputs(line.c_str(), f.get()) < 0 || std::fputc('\n', f.get()) < 0) {
                QV_PrintSystemError(("QV_NetworkTrainer::Save() Error! : cannot write " + path).c_str());
                return false;
            }
        if (std::fflush(f.get()) != 0) {
            QV_PrintSystemError(("QV_NetworkTrainer::Save() Error! : cannot write " + path).c_str());
            return false;
        }
    }
    return true;
}

double QV_RaiseRecall(QV_NetworkTrainer& net, const std::vector<std::vector<float>>& faces, double share,
                      double* acceptedBefore)
{
    if (acceptedBefore) *acceptedBefore = 0.0;
    if (faces.empty()) return 0.0;
    // The output's argument for each face, in rising order.
    std::vector<double> z;
    z.reserve(faces.size());
    for (const std::vector<float>& f : faces) z.push_back(std::atanh(std::clamp(net.Forward(f.data()), -0.999999, 0.999999)));
    std::sort(z.begin(), z.end());
    if (acceptedBefore)
        *acceptedBefore = static_cast<double>(z.end() - std::upper_bound(z.begin(), z.end(), 0.0)) / z.size();
    share = std::clamp(share, 0.0, 1.0);
    const size_t k = std::min(z.size() - 1, static_cast<size_t>((1.0 - share) * z.size()));
    // A little beyond the face at the share's edge, so that rounding the
    // written weights cannot put it back under.
    const double raise = 0.02 - z[k];
    if (raise <= 0.0) return 0.0;
    net.OutputBias() += raise;
    return raise;
}

void QV_WeightMean::Add(const std::vector<double>& weights)
{
    if (count == 0) sum.assign(weights.size(), 0.0);
    if (weights.size() != sum.size()) return;
    for (size_t i = 0; i < sum.size(); ++i) sum[i] += weights[i];
    ++count;
}

void QV_WeightMean::Apply(std::vector<double>& weights) const
{
    if (count == 0 || weights.size() != sum.size()) return;
    for (size_t i = 0; i < sum.size(); ++i) weights[i] = sum[i] / count;
}
