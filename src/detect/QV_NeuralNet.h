// QV_NeuralNet: a small feed-forward network read from its structure and
// weight texts, holding its activations, evaluated by one forward pass.
#pragma once

#include <string>
#include <vector>

// One incoming connection slot: its weight and the unit it comes from.
struct QV_NetSlot {
    float weight;
    int source;
};

// One unit: its incoming slots (a run of the slot pool starting at
// firstSlot) and its type.
struct QV_NetUnit {
    int nConns;
    int type;
    int firstSlot;
};

// The box of window coordinates covered by the units of one group.
struct QV_NetGroup {
    int minX, maxX, minY, maxY;
    int count;
    int first;  // index of its first unit, -1 while the group has none
};

// Unit types understood by the forward pass.
enum QV_UnitType {
    QV_UNIT_TANH = 0,      // tanh of the weighted sum
    QV_UNIT_OR = 2,        // 1 - 2 prod(0.5 - 0.5 a), bias skipped
    QV_UNIT_INPUT = 5,     // set from outside
    QV_UNIT_PAIRS = 6,     // three-source pairwise combination, bias skipped
    QV_UNIT_LINEAR = 7,    // weighted sum
    QV_UNIT_PRODUCT = 8,   // product of activations, bias skipped
    QV_UNIT_SUM = 9        // plain sum of activations, bias skipped
};

class QV_NeuralNet {
public:
    // Parses a structure text (one string per line). On malformed text prints
    // a message naming the fault, leaves the network empty and returns false.
    bool ReadStructure(const std::vector<std::string>& lines);
    // Parses a weight text for the structure already read; the weight count
    // must equal the connection count. False (weights unchanged) otherwise.
    bool ReadWeights(const std::vector<std::string>& lines);
    // Both texts; false when either is malformed.
    bool Read(const std::vector<std::string>& structure, const std::vector<std::string>& weights);

    bool Loaded() const { return !units.empty(); }
    int Units() const { return static_cast<int>(units.size()); }
    int Inputs() const { return nInputs; }
    int Hiddens() const { return nHidden; }
    int Outputs() const { return nOutputs; }
    int Connections() const { return static_cast<int>(slots.size()); }
    int OutputUnit() const { return nInputs + nHidden; }

    const QV_NetUnit& Unit(int u) const { return units[u]; }
    const QV_NetSlot& Slot(int k) const { return slots[k]; }
    const std::vector<QV_NetGroup>& Groups() const { return groups; }
    // Window coordinates of a unit from its line: first and second.
    int UnitX(int u) const { return positions[3 * u]; }
    int UnitY(int u) const { return positions[3 * u + 1]; }
    int UnitGroup(int u) const { return positions[3 * u + 2]; }

    // Changes the type of a non-input unit. A type-6 unit needs exactly three
    // sources besides the bias; false (type unchanged) when that does not hold
    // or u is an input unit.
    bool SetUnitType(int u, int type);

    // Input k (1 .. Inputs() - 1) of the window; unit 0, the bias, and
    // indices outside the inputs are left alone.
    void SetInput(int k, float v)
    {
        if (k > 0 && k < nInputs) activations[k] = v;
    }

    // Inputs 1 .. n of the window from a table: input k + 1 = table[index[k]]
    // (n limited to the inputs there are).
    void SetInputs(const int* index, const float* table, int n)
    {
        if (n > nInputs - 1) n = nInputs - 1;
        float* in = activations.data() + 1;
        for (int k = 0; k < n; ++k) in[k] = table[index[k]];
    }

    // Computes every non-input unit in index order and returns the activation
    // of the output unit (0 for a network not read). An unknown unit type
    // ends the process.
    float ForwardPass();
    float Activation(int u) const { return activations[u]; }

private:
    void Clear();
    void BuildGroups();
    void BuildTanhRuns();

    std::vector<QV_NetUnit> units;
    std::vector<QV_NetSlot> slots;
    // What the forward pass reads, kept side by side so that four slots are
    // taken at once: every unit's activation, and per slot its weight, its
    // source, and whether it starts four slots with consecutive sources.
    std::vector<float> activations;
    std::vector<float> slotWeights;
    std::vector<int> slotSources;
    std::vector<unsigned char> startsRun;
    // For the first unit of each run of tanh units that do not read one
    // another, the index past the run (0 elsewhere).
    std::vector<int> tanhRunEnd;
    std::vector<int> positions;  // x, y, group per unit
    std::vector<QV_NetGroup> groups;
    std::vector<int> lineSlot;   // slot of each connection line, for the weights
    int nInputs = 0;
    int nHidden = 0;
    int nOutputs = 0;
};
