// Reading the network texts and the forward pass.
#include "QV_NeuralNet.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "QV_Error.h"

namespace {

// Networks of this system have a few thousand units; far larger counts in a
// text are taken as corruption rather than allocated.
constexpr long kMaxUnits = 1L << 20;
constexpr long kMaxConnections = 1L << 24;
// Group numbers label the units' receptive fields; one box is kept per number.
constexpr long kMaxGroup = 65535;

bool Blank(const std::string& s)
{
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

// Walks the non-blank lines of a text.
class LineCursor {
public:
    explicit LineCursor(const std::vector<std::string>& l) : lines(l) {}
    const std::string* Next()
    {
        while (pos < lines.size() && Blank(lines[pos])) ++pos;
        if (pos >= lines.size()) return nullptr;
        return &lines[pos++];
    }
    size_t Remaining() const { return lines.size() - pos; }

private:
    const std::vector<std::string>& lines;
    size_t pos = 0;
};

// Reads up to `n` whitespace-separated integers from the front of a line;
// true when all of them were well-formed integers.
bool ParseInts(const std::string& line, long* out, int n)
{
    const char* p = line.c_str();
    for (int i = 0; i < n; ++i) {
        char* end = nullptr;
        errno = 0;
        long v = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE) return false;
        out[i] = v;
        p = end;
    }
    return true;
}

// A line "<count> <word>", e.g. "954 units".
bool ParseCount(const std::string* line, const char* word, long& count)
{
    if (!line) return false;
    const char* p = line->c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    std::string rest(end);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) rest.pop_back();
    if (rest != word) return false;
    count = v;
    return true;
}

// Sum of weight x source activation over a run of slots, in four interleaved
// partial sums so that the additions do not wait on each other.
inline float WeightedSum(const QV_NetUnit* unit, const QV_NetSlot* s, const QV_NetSlot* end)
{
    float a0 = 0.0f, a1 = 0.0f, a2 = 0.0f, a3 = 0.0f;
    for (; end - s >= 4; s += 4) {
        a0 += s[0].weight * unit[s[0].source].activation;
        a1 += s[1].weight * unit[s[1].source].activation;
        a2 += s[2].weight * unit[s[2].source].activation;
        a3 += s[3].weight * unit[s[3].source].activation;
    }
    for (; s < end; ++s) a0 += s->weight * unit[s->source].activation;
    return (a0 + a1) + (a2 + a3);
}

// tanh(x) as 1 - 2 / (e^2x + 1) in double precision: the same float result as
// tanh to within rounding, at about half the cost of the library's tanhf.
inline float Tanh(float x)
{
    return static_cast<float>(1.0 - 2.0 / (std::exp(2.0 * static_cast<double>(x)) + 1.0));
}

bool Fail(const char* what)
{
    std::string msg = std::string("QV_NeuralNet::Read() Error! : ") + what + "\n";
    QV_PrintError(msg.c_str());
    return false;
}

}  // namespace

void QV_NeuralNet::Clear()
{
    units.clear();
    slots.clear();
    positions.clear();
    groups.clear();
    lineSlot.clear();
    nInputs = nHidden = nOutputs = 0;
}

bool QV_NeuralNet::ReadStructure(const std::vector<std::string>& lines)
{
    Clear();
    LineCursor cur(lines);
    long n = 0, counts[3] = {0, 0, 0};
    if (!ParseCount(cur.Next(), "units", n)) return Fail("missing units line");
    if (n < 2 || n > kMaxUnits) return Fail("unit count out of range");

    std::vector<int> pos;
    const char* words[3] = {"inputs", "hiddens", "outputs"};
    long unitsRead = 0;
    for (int part = 0; part < 3; ++part) {
        if (!ParseCount(cur.Next(), words[part], counts[part])) return Fail("missing unit count line");
        // Inputs include the bias; there must be at least one output.
        long least = part == 0 ? 1 : part == 2 ? 1 : 0;
        if (counts[part] < least || counts[part] > n - unitsRead) return Fail("unit counts do not add up");
        if (static_cast<size_t>(counts[part]) > cur.Remaining()) return Fail("fewer unit lines than counted");
        for (long k = 0; k < counts[part]; ++k) {
            long v[4];
            const std::string* line = cur.Next();
            if (!line) return Fail("fewer unit lines than counted");
            if (!ParseInts(*line, v, 4)) return Fail("malformed unit line");
            if (v[1] < 0 || v[1] > kMaxGroup) return Fail("group number out of range");
            pos.push_back(static_cast<int>(v[3]));  // first coordinate
            pos.push_back(static_cast<int>(v[2]));  // second coordinate
            pos.push_back(static_cast<int>(v[1]));  // group
        }
        unitsRead += counts[part];
    }
    if (unitsRead != n) return Fail("unit counts do not add up");

    long c = 0;
    if (!ParseCount(cur.Next(), "conns", c)) return Fail("missing conns line");
    if (c < 0 || c > kMaxConnections || static_cast<size_t>(c) > cur.Remaining())
        return Fail("fewer connection lines than counted");

    const int inputs = static_cast<int>(counts[0]);
    std::vector<int> src(c), dst(c);
    std::vector<int> incoming(n, 0);
    for (long k = 0; k < c; ++k) {
        long v[3];
        const std::string* line = cur.Next();
        if (!line) return Fail("fewer connection lines than counted");
        if (!ParseInts(*line, v, 2)) return Fail("malformed connection line");
        if (v[0] < 0 || v[0] >= n || v[1] < inputs || v[1] >= n) return Fail("connection unit out of range");
        // Units are computed in index order: a source must come before its
        // destination, or the pass would read a value from the previous window.
        if (v[0] >= v[1]) return Fail("connection does not feed forward");
        src[k] = static_cast<int>(v[0]);
        dst[k] = static_cast<int>(v[1]);
        ++incoming[dst[k]];
    }
    if (cur.Next()) return Fail("more lines than counted");

    units.resize(n);
    int next = 0;
    for (long u = 0; u < n; ++u) {
        units[u].activation = 1.0f;
        units[u].type = u < inputs ? QV_UNIT_INPUT : QV_UNIT_TANH;
        units[u].nConns = 0;
        units[u].firstSlot = next;
        next += incoming[u];
    }
    slots.assign(c, QV_NetSlot{0.0f, 0});
    lineSlot.assign(c, 0);
    for (long k = 0; k < c; ++k) {
        QV_NetUnit& d = units[dst[k]];
        lineSlot[k] = d.firstSlot + d.nConns;
        slots[lineSlot[k]].source = src[k];
        ++d.nConns;
    }
    positions.swap(pos);
    nInputs = inputs;
    nHidden = static_cast<int>(counts[1]);
    nOutputs = static_cast<int>(counts[2]);
    BuildGroups();
    return true;
}

void QV_NeuralNet::BuildGroups()
{
    int largest = -1;
    for (int u = 0; u < Units(); ++u) largest = std::max(largest, UnitGroup(u));
    groups.assign(largest + 1, QV_NetGroup{0, 0, 0, 0, 0, -1});
    for (int u = 0; u < Units(); ++u) {
        QV_NetGroup& g = groups[UnitGroup(u)];
        const int x = UnitX(u), y = UnitY(u);
        if (g.count == 0) {
            g.minX = g.maxX = x;
            g.minY = g.maxY = y;
            g.first = u;
        } else {
            g.minX = std::min(g.minX, x);
            g.maxX = std::max(g.maxX, x);
            g.minY = std::min(g.minY, y);
            g.maxY = std::max(g.maxY, y);
        }
        ++g.count;
    }
}

bool QV_NeuralNet::ReadWeights(const std::vector<std::string>& lines)
{
    if (!Loaded()) return Fail("weights given before the structure");
    LineCursor cur(lines);
    if (!cur.Next()) return Fail("missing epochs line");
    long count = 0;
    if (!ParseCount(cur.Next(), "weights", count)) return Fail("missing weights line");
    if (count != Connections()) return Fail("weight count differs from connection count");
    std::vector<float> w(count);
    for (long k = 0; k < count; ++k) {
        const std::string* line = cur.Next();
        if (!line) return Fail("fewer weight lines than counted");
        const char* p = line->c_str();
        char* end = nullptr;
        float v = std::strtof(p, &end);
        if (end == p || !std::isfinite(v)) return Fail("malformed weight line");
        w[k] = v;
    }
    if (cur.Next()) return Fail("more lines than counted");
    // Weight k belongs to connection line k, whose slot was noted when the
    // structure was read.
    for (long k = 0; k < count; ++k) slots[lineSlot[k]].weight = w[k];
    return true;
}

bool QV_NeuralNet::Read(const std::vector<std::string>& structure, const std::vector<std::string>& weights)
{
    if (!ReadStructure(structure)) return false;
    if (!ReadWeights(weights)) {
        Clear();
        return false;
    }
    return true;
}

bool QV_NeuralNet::SetUnitType(int u, int type)
{
    if (u < nInputs || u >= Units()) return false;
    if (type == QV_UNIT_PAIRS) {
        int others = 0;
        const QV_NetUnit& unit = units[u];
        for (int k = 0; k < unit.nConns; ++k)
            if (slots[unit.firstSlot + k].source != 0) ++others;
        if (others != 3) return false;
    }
    units[u].type = type;
    return true;
}

float QV_NeuralNet::ForwardPass()
{
    if (!Loaded()) return 0.0f;
    QV_NetUnit* const unit = units.data();
    const QV_NetSlot* const pool = slots.data();
    const int n = Units();
    for (int u = nInputs; u < n; ++u) {
        QV_NetUnit& d = unit[u];
        const QV_NetSlot* s = pool + d.firstSlot;
        const QV_NetSlot* const end = s + d.nConns;
        switch (d.type) {
        case QV_UNIT_TANH:
            d.activation = Tanh(WeightedSum(unit, s, end));
            break;
        case QV_UNIT_OR: {
            float prod = 1.0f;
            for (; s < end; ++s)
                if (s->source != 0) prod *= 0.5f - 0.5f * unit[s->source].activation;
            d.activation = 1.0f - 2.0f * prod;
            break;
        }
        case QV_UNIT_PAIRS: {
            float v[3] = {0.0f, 0.0f, 0.0f};
            int k = 0;
            for (; s < end && k < 3; ++s)
                if (s->source != 0) v[k++] = (1.0f + unit[s->source].activation) * 0.5f;
            const float dd = v[0], e = v[1], f = v[2];
            d.activation = 1.0f - 2.0f * (1.0f - dd * e) * (1.0f - f * e) * (1.0f - f * dd);
            break;
        }
        case QV_UNIT_LINEAR:
            d.activation = WeightedSum(unit, s, end);
            break;
        case QV_UNIT_PRODUCT: {
            float prod = 1.0f;
            for (; s < end; ++s)
                if (s->source != 0) prod *= unit[s->source].activation;
            d.activation = prod;
            break;
        }
        case QV_UNIT_SUM: {
            float sum = 0.0f;
            for (; s < end; ++s)
                if (s->source != 0) sum += unit[s->source].activation;
            d.activation = sum;
            break;
        }
        default: {
            char msg[64];
            std::snprintf(msg, sizeof msg, "Unknown unit type %d (FastForwardPass)\n", d.type);
            QV_PrintError(msg);
            std::exit(1);
        }
        }
    }
    return unit[nInputs + nHidden].activation;
}
