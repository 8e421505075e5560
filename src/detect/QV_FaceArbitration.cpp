// Arbitration: detections vote into a hash table keyed by (x, y, level) over
// nearby positions and levels; the strongest connected regions of votes become
// faces and everything overlapping a face is cleared.
#include <tcl.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "QV_FaceDetector.h"

namespace {

constexpr int kSpread = 2;
constexpr int kMaxVotes = 255;
constexpr double kShrink = 0.8333333333333334;

int Round(double v) { return static_cast<int>(std::lround(v)); }

// The vote table: keys of three ints (x, y, level), values the vote count.
class VoteTable {
public:
    VoteTable() { Tcl_InitHashTable(&table, 3); }
    ~VoteTable() { Tcl_DeleteHashTable(&table); }
    VoteTable(const VoteTable&) = delete;
    VoteTable& operator=(const VoteTable&) = delete;

    void AddVote(int x, int y, int level)
    {
        int key[3] = {x, y, level};
        int isNew = 0;
        Tcl_HashEntry* e = Tcl_CreateHashEntry(&table, reinterpret_cast<const char*>(key), &isNew);
        const intptr_t count = isNew ? 0 : reinterpret_cast<intptr_t>(Tcl_GetHashValue(e));
        Tcl_SetHashValue(e, reinterpret_cast<ClientData>(count < kMaxVotes ? count + 1 : count));
    }
    // Removes the key and returns its count (0 when absent).
    int Take(int x, int y, int level)
    {
        int key[3] = {x, y, level};
        Tcl_HashEntry* e = Tcl_FindHashEntry(&table, reinterpret_cast<const char*>(key));
        if (!e) return 0;
        const int count = static_cast<int>(reinterpret_cast<intptr_t>(Tcl_GetHashValue(e)));
        Tcl_DeleteHashEntry(e);
        return count;
    }
    // A key with the highest count; ties go to the lowest level, then row,
    // then column, so the result does not depend on the table's layout.
    bool Strongest(int key[3])
    {
        Tcl_HashSearch search;
        int best = 0;
        for (Tcl_HashEntry* e = Tcl_FirstHashEntry(&table, &search); e; e = Tcl_NextHashEntry(&search)) {
            const int count = static_cast<int>(reinterpret_cast<intptr_t>(Tcl_GetHashValue(e)));
            const int* k = reinterpret_cast<const int*>(Tcl_GetHashKey(&table, e));
            if (count > best || (count == best && (k[2] < key[2] || (k[2] == key[2] && (k[1] < key[1] ||
                                                   (k[1] == key[1] && k[0] < key[0])))))) {
                best = count;
                key[0] = k[0];
                key[1] = k[1];
                key[2] = k[2];
            }
        }
        return best >= 1;
    }
    // Removes every key at `level` within `radius` of (cx, cy) in x and y.
    void Clear(int level, int cx, int cy, int radius)
    {
        std::vector<Tcl_HashEntry*> doomed;
        Tcl_HashSearch search;
        for (Tcl_HashEntry* e = Tcl_FirstHashEntry(&table, &search); e; e = Tcl_NextHashEntry(&search)) {
            const int* k = reinterpret_cast<const int*>(Tcl_GetHashKey(&table, e));
            if (k[2] == level && std::abs(k[0] - cx) <= radius && std::abs(k[1] - cy) <= radius) doomed.push_back(e);
        }
        for (Tcl_HashEntry* e : doomed) Tcl_DeleteHashEntry(e);
    }

private:
    Tcl_HashTable table;
};

}  // namespace

void QV_FaceDetector::Arbitrate(const std::vector<QV_Detection>& detections, int levels,
                                std::vector<QV_Detection>& faces)
{
    faces.clear();
    VoteTable votes;
    for (const QV_Detection& d : detections)
        for (int k = d.level - kSpread; k <= d.level + kSpread; ++k) {
            if (k < 0 || k >= levels) continue;
            const double s = std::pow(1.2, d.level - k);
            const int cx = Round(s * (d.x + 10)), cy = Round(s * (d.y + 10));
            for (int y = cy - kSpread; y <= cy + kSpread; ++y)
                for (int x = cx - kSpread; x <= cx + kSpread; ++x) votes.AddVote(x, y, k);
        }

    int key[3] = {0, 0, 0};
    while (votes.Strongest(key)) {
        // Collect the connected region of voted keys around the strongest one.
        double sumW = 0.0, sumWLevel = 0.0, sumWX = 0.0, sumWY = 0.0;
        std::vector<QV_Detection> stack;
        const int first = votes.Take(key[0], key[1], key[2]);
        stack.push_back({key[0], key[1], key[2]});
        std::vector<int> weights{first};
        while (!stack.empty()) {
            const QV_Detection p = stack.back();
            const int w = weights.back();
            stack.pop_back();
            weights.pop_back();
            const double s = std::pow(1.2, p.level);
            sumW += w;
            sumWLevel += static_cast<double>(w) * p.level;
            sumWX += w * s * p.x;
            sumWY += w * s * p.y;
            const QV_Detection next[6] = {{p.x + 1, p.y, p.level},
                                          {p.x - 1, p.y, p.level},
                                          {p.x, p.y + 1, p.level},
                                          {p.x, p.y - 1, p.level},
                                          {Round(1.2 * p.x), Round(1.2 * p.y), p.level - 1},
                                          {Round(kShrink * p.x), Round(kShrink * p.y), p.level + 1}};
            for (const QV_Detection& n : next) {
                const int c = votes.Take(n.x, n.y, n.level);
                if (c >= 1) {
                    stack.push_back(n);
                    weights.push_back(c);
                }
            }
        }
        const int L = Round(sumWLevel / sumW);
        const double sL = std::pow(1.2, L);
        const int X = Round(sumWX / sumW / sL);
        const int Y = Round(sumWY / sumW / sL);
        // Clear every level around the face so overlapping hits do not come back.
        for (int j = 0; j < levels; ++j) {
            const double s = std::pow(1.2, L - j);
            votes.Clear(j, Round(s * X), Round(s * Y), Round(s * 10) + 10);
        }
        faces.push_back({X - 10, Y - 10, L});
    }
}
