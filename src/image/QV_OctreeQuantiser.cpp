// Octree colour quantiser: every pixel is pushed down an octree keyed by the
// bits of R, G and B from the most significant one; while more than 256 leaves
// exist the least used deepest branching node is folded into a leaf.
#include "QV_OctreeQuantiser.h"

#include <cstdint>
#include <memory>
#include <new>

#include "QV_Error.h"

namespace {

constexpr int kMaxDepth = 8;
constexpr int kMaxColours = 256;

struct OctreeNode {
    uint64_t count = 0;
    uint64_t sumR = 0;
    uint64_t sumG = 0;
    uint64_t sumB = 0;
    OctreeNode* child[8] = {};
    int childCount = 0;
    int depth = 0;
    bool leaf = false;
    bool reducible = false;  // member of its depth's reducible list
    int paletteIndex = 0;
    // Reducible list of the node's depth (front = most recently added).
    OctreeNode* prev = nullptr;
    OctreeNode* next = nullptr;
};

inline int ChildIndex(const QV_Colour& p, int depth)
{
    const int shift = 7 - depth;
    return (((p.red >> shift) & 1) << 2) | (((p.green >> shift) & 1) << 1) | ((p.blue >> shift) & 1);
}

class Octree {
public:
    Octree() = default;
    Octree(const Octree&) = delete;
    Octree& operator=(const Octree&) = delete;
    ~Octree() { DeleteSubtree(root); }

    // False when a node could not be allocated (the tree is then discarded).
    bool Insert(const QV_Colour& p)
    {
        if (!root) {
            root = NewNode(0);
            if (!root) return false;
        }
        OctreeNode* node = root;
        for (;;) {
            Add(node, p);
            if (node->leaf || node->depth >= depthLimit) break;
            const int k = ChildIndex(p, node->depth);
            if (!node->child[k]) {
                OctreeNode* c = NewNode(node->depth + 1);
                if (!c) {
                    Discard();
                    return false;
                }
                node->child[k] = c;
                if (++node->childCount == 2) PushFront(node);
            }
            node = node->child[k];
        }
        // One pixel adds at most one leaf and one reduction removes at least
        // one, so a single reduction keeps the count at 256.
        if (leafCount > kMaxColours) ReduceOnce();
        return true;
    }

    // Assigns palette indices depth first, children in index order.
    void BuildPalette(QV_Array<QV_Colour>& palette)
    {
        palette.Resize(0, kMaxColours - 1);
        palette.Fill(QV_Colour(0, 0, 0, 0));
        int next = 0;
        if (root) Number(root, palette, next);
    }

    int Map(const QV_Colour& p) const
    {
        const OctreeNode* node = root;
        while (node) {
            if (node->leaf || node->depth >= depthLimit) return node->paletteIndex;
            node = node->child[ChildIndex(p, node->depth)];
        }
        return 0;  // a colour that was never inserted
    }

private:
    OctreeNode* NewNode(int depth)
    {
        OctreeNode* n = new (std::nothrow) OctreeNode;
        if (!n) return nullptr;
        n->depth = depth;
        if (depth >= depthLimit) {
            n->leaf = true;
            ++leafCount;
        }
        return n;
    }

    static void Add(OctreeNode* n, const QV_Colour& p)
    {
        ++n->count;
        n->sumR += p.red;
        n->sumG += p.green;
        n->sumB += p.blue;
    }

    void PushFront(OctreeNode* n)
    {
        OctreeNode*& head = reducible[n->depth];
        n->prev = nullptr;
        n->next = head;
        if (head) head->prev = n;
        head = n;
        n->reducible = true;
    }

    void Unlink(OctreeNode* n)
    {
        if (!n->reducible) return;
        if (n->prev) n->prev->next = n->next;
        else reducible[n->depth] = n->next;
        if (n->next) n->next->prev = n->prev;
        n->prev = n->next = nullptr;
        n->reducible = false;
    }

    // Deletes the node and everything below it; each deleted leaf uncounts
    // one colour.
    void DeleteSubtree(OctreeNode* n)
    {
        if (!n) return;
        for (OctreeNode*& c : n->child) {
            DeleteSubtree(c);
            c = nullptr;
        }
        Unlink(n);
        if (n->leaf) --leafCount;
        delete n;
    }

    void Discard()
    {
        DeleteSubtree(root);
        root = nullptr;
        leafCount = 0;
        depthLimit = kMaxDepth;
    }

    // Folds the smallest node of the deepest non-empty reducible list above
    // the depth limit into a leaf.
    void ReduceOnce()
    {
        int d = depthLimit - 1;
        while (d >= 0 && !reducible[d]) --d;
        if (d < 0) return;
        OctreeNode* best = reducible[d];
        for (OctreeNode* n = best->next; n; n = n->next) {
            if (n->count < best->count) best = n;
        }
        Unlink(best);
        for (OctreeNode*& c : best->child) {
            DeleteSubtree(c);
            c = nullptr;
        }
        best->childCount = 0;
        best->leaf = true;
        ++leafCount;
        if (best->depth < depthLimit - 1) depthLimit = best->depth + 1;
    }

    void Number(OctreeNode* n, QV_Array<QV_Colour>& palette, int& next)
    {
        if (n->leaf || n->depth >= depthLimit) {
            n->paletteIndex = next;
            if (next < kMaxColours) {
                if (n->count == 0) {
                    palette[next] = QV_Colour(0, 0, 0, 255);
                } else {
                    palette[next] = QV_Colour(static_cast<unsigned char>(n->sumR / n->count),
                                              static_cast<unsigned char>(n->sumG / n->count),
                                              static_cast<unsigned char>(n->sumB / n->count), 255);
                }
                ++next;
            } else {
                n->paletteIndex = kMaxColours - 1;  // cannot happen: leaves never exceed 256
            }
            return;
        }
        for (OctreeNode* c : n->child) {
            if (c) Number(c, palette, next);
        }
    }

    OctreeNode* root = nullptr;
    OctreeNode* reducible[kMaxDepth] = {};
    int leafCount = 0;
    int depthLimit = kMaxDepth;
};

}  // namespace

bool QV_OctreeQuantiser::Quantise(const QV_Image& image, QV_GreyImage& indices, QV_Array<QV_Colour>& palette)
{
    auto tree = std::unique_ptr<Octree>(new (std::nothrow) Octree);
    if (!tree) {
        QV_PrintError("QV_OctreeQuantiser::Quantise() Error! : run out of memory\n");
        return false;
    }
    for (int r = image.RowLow(); r <= image.RowHigh(); ++r) {
        const QV_Colour* row = image.Row(r);
        for (int c = 0; c < image.Cols(); ++c) {
            if (!tree->Insert(row[c])) {
                QV_PrintError("QV_OctreeQuantiser::Quantise() Error! : run out of memory\n");
                return false;
            }
        }
    }
    tree->BuildPalette(palette);
    indices.Resize(image.RowLow(), image.RowHigh(), image.ColLow(), image.ColHigh());
    for (int r = image.RowLow(); r <= image.RowHigh(); ++r) {
        const QV_Colour* in = image.Row(r);
        unsigned char* out = indices.Row(r);
        for (int c = 0; c < image.Cols(); ++c) out[c] = static_cast<unsigned char>(tree->Map(in[c]));
    }
    return true;
}
