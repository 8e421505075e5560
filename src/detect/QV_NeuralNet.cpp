// Reading the network texts and the forward pass.
#include "QV_NeuralNet.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "QV_Error.h"
#include "QV_NetTanh.h"

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

// Sum of weight x source activation over n slots, in four interleaved
// partial sums (slot k adds to sum k mod 4) so that the additions do not wait
// on each other; slots past the last four add to the first sum. With SSE the
// four sums are the four lanes of one register, and four consecutive sources
// are read with one load: each lane still multiplies, then adds, in the same
// order, so the result is the same to the bit.
inline float WeightedSum(const float* act, const float* w, const int* src, const unsigned char* run, int n)
{
    int k = 0;
    float a[4];
#if defined(__SSE2__)
    __m128 acc = _mm_setzero_ps();
    for (; k + 4 <= n; k += 4) {
        const __m128 x = run[k] ? _mm_loadu_ps(act + src[k])
                                : _mm_setr_ps(act[src[k]], act[src[k + 1]], act[src[k + 2]], act[src[k + 3]]);
        acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(w + k), x));
    }
    _mm_storeu_ps(a, acc);
#else
    (void)run;
    a[0] = a[1] = a[2] = a[3] = 0.0f;
    for (; k + 4 <= n; k += 4)
        for (int j = 0; j < 4; ++j) a[j] += w[k + j] * act[src[k + j]];
#endif
    for (; k < n; ++k) a[0] += w[k] * act[src[k]];
    return (a[0] + a[1]) + (a[2] + a[3]);
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
    activations.clear();
    slotWeights.clear();
    slotSources.clear();
    startsRun.clear();
    tanhRunEnd.clear();
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
    activations.assign(n, 1.0f);
    for (long u = 0; u < n; ++u) {
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
    slotWeights.assign(c, 0.0f);
    slotSources.resize(c);
    startsRun.assign(c, 0);
    for (long k = 0; k < c; ++k) slotSources[k] = slots[k].source;
    for (long k = 0; k + 3 < c; ++k)
        startsRun[k] = slotSources[k + 1] == slotSources[k] + 1 && slotSources[k + 2] == slotSources[k] + 2 &&
                       slotSources[k + 3] == slotSources[k] + 3;
    positions.swap(pos);
    nInputs = inputs;
    nHidden = static_cast<int>(counts[1]);
    nOutputs = static_cast<int>(counts[2]);
    BuildGroups();
    BuildTanhRuns();
    return true;
}

void QV_NeuralNet::BuildTanhRuns()
{
    // A run of tanh units none of which reads another of the run: their sums
    // can all be taken before any of their tanh.
    tanhRunEnd.assign(units.size(), 0);
    const int n = Units();
    for (int u = nInputs; u < n;) {
        if (units[u].type != QV_UNIT_TANH) {
            ++u;
            continue;
        }
        int end = u + 1;
        for (; end < n && units[end].type == QV_UNIT_TANH; ++end) {
            const QV_NetUnit& d = units[end];
            bool independent = true;
            for (int k = 0; k < d.nConns && independent; ++k) independent = slotSources[d.firstSlot + k] < u;
            if (!independent) break;
        }
        tanhRunEnd[u] = end;
        u = end;
    }
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
    for (size_t k = 0; k < slots.size(); ++k) slotWeights[k] = slots[k].weight;
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
    BuildTanhRuns();
    return true;
}

float QV_NeuralNet::ForwardPass()
{
    if (!Loaded()) return 0.0f;
    const QV_NetUnit* const unit = units.data();
    float* const act = activations.data();
    const float* const weight = slotWeights.data();
    const int* const source = slotSources.data();
    const unsigned char* const run = startsRun.data();
    const int n = Units();
    for (int u = nInputs; u < n; ++u) {
        const QV_NetUnit& d = unit[u];
        const int first = d.firstSlot, count = d.nConns;
        const int* const src = source + first;
        switch (d.type) {
        case QV_UNIT_TANH: {
            // The sums of the whole run, then their tanh together.
            const int end = tanhRunEnd[u];
            for (int v = u; v < end; ++v) {
                const QV_NetUnit& e = unit[v];
                act[v] = WeightedSum(act, weight + e.firstSlot, source + e.firstSlot, run + e.firstSlot, e.nConns);
            }
            QV_NetTanhRun(act + u, end - u);
            u = end - 1;
            break;
        }
        case QV_UNIT_OR: {
            float prod = 1.0f;
            for (int k = 0; k < count; ++k)
                if (src[k] != 0) prod *= 0.5f - 0.5f * act[src[k]];
            act[u] = 1.0f - 2.0f * prod;
            break;
        }
        case QV_UNIT_PAIRS: {
            float v[3] = {0.0f, 0.0f, 0.0f};
            int taken = 0;
            for (int k = 0; k < count && taken < 3; ++k)
                if (src[k] != 0) v[taken++] = (1.0f + act[src[k]]) * 0.5f;
            const float dd = v[0], e = v[1], f = v[2];
            act[u] = 1.0f - 2.0f * (1.0f - dd * e) * (1.0f - f * e) * (1.0f - f * dd);
            break;
        }
        case QV_UNIT_LINEAR:
            act[u] = WeightedSum(act, weight + first, src, run + first, count);
            break;
        case QV_UNIT_PRODUCT: {
            float prod = 1.0f;
            for (int k = 0; k < count; ++k)
                if (src[k] != 0) prod *= act[src[k]];
            act[u] = prod;
            break;
        }
        case QV_UNIT_SUM: {
            float sum = 0.0f;
            for (int k = 0; k < count; ++k)
                if (src[k] != 0) sum += act[src[k]];
            act[u] = sum;
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
    return act[nInputs + nHidden];
}
