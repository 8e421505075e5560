// QV_NetworkTrainer: a two-layer network of tanh units whose hidden units see
// local rectangles of the input window, trained by back-propagation and
// written as the structure and weight texts QV_NeuralNet reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A family of receptive fields: an nx x ny grid of w x h rectangles spread
// evenly from the window's left/top edge to its right/bottom edge (they
// overlap when they do not tile), each field given to `copies` hidden units.
struct QV_FieldFamily {
    int w, h;
    int nx, ny;
    int copies;
};

// What a network looks like: its window, the families of its hidden units
// and the epochs line its weight text starts with.
struct QV_NetworkLayout {
    const char* name;
    int cols, rows;
    std::vector<QV_FieldFamily> families;
    long epochsLine;
};

// One hidden unit's rectangle of window pixels and its group number.
struct QV_HiddenField {
    int x0, y0, w, h;
    int group;
};

// The rectangles of a layout, family after family, grid row after grid row,
// copies of a rectangle next to each other. Empty when a family does not fit
// the window or has no fields.
std::vector<QV_HiddenField> QV_LayoutFields(const QV_NetworkLayout& layout);

class QV_NetworkTrainer {
public:
    // Builds the network of a layout with small random weights from `seed`;
    // false (with a message) when the layout is not usable.
    bool Build(const QV_NetworkLayout& layout, std::uint32_t seed);

    int Units() const { return inputs + hidden + 1; }
    int Inputs() const { return inputs; }  // with the bias
    int Hiddens() const { return hidden; }
    int Connections() const { return static_cast<int>(weights.size()); }
    int Pixels() const { return inputs - 1; }

    // Output of the network for the window's pixel inputs (Pixels() values),
    // in double precision, as used while training.
    double Forward(const float* in);
    // 0.5 x (output - target)^2 for one window.
    double Loss(const float* in, double target);
    // The gradient of Loss with respect to every weight (connection order).
    void Gradient(const float* in, double target, std::vector<double>& grad);
    // One step of gradient descent on one window, scaled by `rate` and the
    // window's weight; returns its loss before the step.
    double Step(const float* in, double target, double rate);

    // The output unit's bias: raising it makes the network say "yes" more.
    double& OutputBias() { return weights[firstConn[hidden]]; }

    // The weights in connection-line order.
    std::vector<double>& Weights() { return weights; }
    const std::vector<double>& Weights() const { return weights; }
    // Rounds every weight to the value its line in the weight text gives
    // back, so that the written network computes exactly what Evaluate does.
    void Quantise();
    // The output as the program's own evaluator computes it from the written
    // texts: float sums in slot order and the same tanh.
    float Evaluate(const float* in) const;

    // The two texts, one string per line.
    std::vector<std::string> StructureText() const;
    std::vector<std::string> WeightText() const;
    // Writes "<dir>/<name>.structure.txt" and "<dir>/<name>.weights.txt";
    // false with the system's reason when a file cannot be written.
    bool Save(const std::string& dir) const;

private:
    struct Conn {
        int source;  // unit index: 0 bias, 1 .. inputs-1 pixels, then hidden units
        int dest;
    };
    std::string name;
    int cols = 0, rows = 0;
    long epochsLine = 0;
    int inputs = 0, hidden = 0;
    std::vector<QV_HiddenField> fields;
    std::vector<Conn> conns;       // in line order: each hidden unit's, then the output's
    std::vector<int> firstConn;    // per non-input unit, its first connection; last entry = total
    std::vector<double> weights;
    std::vector<double> act;       // hidden activations of the last Forward
    double out = 0.0;
};

// The running mean of a network's weight vectors (all of one length).
class QV_WeightMean {
public:
    void Add(const std::vector<double>& weights);
    int Count() const { return count; }
    // Replaces `weights` by the mean; unchanged when nothing was added or the
    // lengths differ.
    void Apply(std::vector<double>& weights) const;

private:
    std::vector<double> sum;
    int count = 0;
};

// Raises the output bias of `net` until it accepts (output > 0) at least
// `share` of the windows `faces` (pixel inputs each), and never lowers it:
// the first stage of a cascade must miss few faces, the stages after it
// remove what it lets through. Returns the raise; `acceptedBefore` gets the
// share accepted before it.
double QV_RaiseRecall(QV_NetworkTrainer& net, const std::vector<std::vector<float>>& faces, double share,
                      double* acceptedBefore = nullptr);
