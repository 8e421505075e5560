// Welding the vertices of QV_Mesh that lie within a distance of each other.
// Candidates come from a uniform grid of cells more than twice as wide as the
// tolerance, so only the 8 cells on the near side of a vertex are searched.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "QV_Mesh.h"

namespace {

struct Cell {
    int64_t x = 0, y = 0, z = 0;
    bool operator==(const Cell&) const = default;
    bool operator<(const Cell& o) const
    {
        if (x != o.x) return x < o.x;
        if (y != o.y) return y < o.y;
        return z < o.z;
    }
};

struct CellHash {
    size_t operator()(const Cell& c) const
    {
        uint64_t h = static_cast<uint64_t>(c.x) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uint64_t>(c.y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= static_cast<uint64_t>(c.z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return static_cast<size_t>(h);
    }
};

bool IsFinite(const QV_Point3D& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Squared distance in double, where the squares of float differences cannot
// overflow. NaN when a coordinate is NaN, so such a vertex is near nothing.
double Distance2(const QV_Point3D& a, const QV_Point3D& b)
{
    const double dx = static_cast<double>(a.x) - b.x;
    const double dy = static_cast<double>(a.y) - b.y;
    const double dz = static_cast<double>(a.z) - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// The finite vertices sorted by grid cell, with each occupied cell's range.
class VertexGrid {
public:
    VertexGrid(const QV_List<QV_Point3D>& vertices, double tolerance)
    {
        const int n = static_cast<int>(vertices.Size());
        double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (int i = 0; i < n; ++i) {
            const QV_Point3D& p = vertices[i];
            if (!IsFinite(p)) continue;
            const double c[3] = {p.x, p.y, p.z};
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], c[k]);
                hi[k] = std::max(hi[k], c[k]);
            }
        }
        double extent = 0.0;
        for (int k = 0; k < 3; ++k) {
            origin[k] = lo[k] <= hi[k] ? lo[k] : 0.0;
            if (lo[k] <= hi[k]) extent = std::max(extent, hi[k] - lo[k]);
        }
        // A cell is twice the tolerance wide, and so wide that at most 2^40
        // cells span the mesh, so that cell positions stay exact to about
        // 2^-12 of a cell. Then a vertex within the tolerance of another lies
        // less than half a cell (0.495 plus rounding) from it along each axis:
        // in the same cell or the neighbour on the side of the nearer border.
        cellSize = std::max(2.0 * tolerance, std::ldexp(extent, -40));
        if (!(cellSize > 0.0)) cellSize = 1.0;
        cellSize *= 1.01;

        sorted.reserve(static_cast<size_t>(n));
        cells.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            if (!IsFinite(vertices[i])) continue;
            cells[static_cast<size_t>(i)] = CellOf(vertices[i]);
            sorted.push_back(i);
        }
        std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
            const Cell& ca = cells[static_cast<size_t>(a)];
            const Cell& cb = cells[static_cast<size_t>(b)];
            return ca < cb || (ca == cb && a < b);
        });
        for (size_t s = 0; s < sorted.size();) {
            size_t e = s + 1;
            const Cell& c = cells[static_cast<size_t>(sorted[s])];
            while (e < sorted.size() && cells[static_cast<size_t>(sorted[e])] == c) ++e;
            ranges.emplace(c, std::make_pair(s, e));
            s = e;
        }
    }

    // Calls visit(j) for every finite vertex j in the cell of vertex i and in
    // the neighbouring cells towards the nearer border along each axis.
    template <class Visit>
    void ForNeighbours(int i, const QV_Point3D& p, Visit visit) const
    {
        const Cell c = cells[static_cast<size_t>(i)];
        const double at[3] = {p.x, p.y, p.z};
        const int64_t own[3] = {c.x, c.y, c.z};
        int64_t side[3];
        for (int k = 0; k < 3; ++k) {
            const double u = (at[k] - origin[k]) / cellSize;
            side[k] = u - static_cast<double>(own[k]) < 0.5 ? -1 : 1;
        }
        for (int64_t dx : {int64_t{0}, side[0]})
            for (int64_t dy : {int64_t{0}, side[1]})
                for (int64_t dz : {int64_t{0}, side[2]}) {
                    const auto it = ranges.find(Cell{c.x + dx, c.y + dy, c.z + dz});
                    if (it == ranges.end()) continue;
                    for (size_t s = it->second.first; s < it->second.second; ++s) visit(sorted[s]);
                }
    }

private:
    Cell CellOf(const QV_Point3D& p) const
    {
        const double c[3] = {p.x, p.y, p.z};
        int64_t q[3];
        // (p - origin) / cellSize lies in 0 .. 2^40; an infinite cell size
        // (an infinite tolerance) puts every vertex in cell 0.
        for (int k = 0; k < 3; ++k) q[k] = static_cast<int64_t>(std::floor((c[k] - origin[k]) / cellSize));
        return {q[0], q[1], q[2]};
    }

    double origin[3] = {0.0, 0.0, 0.0};
    double cellSize = 1.0;
    std::vector<Cell> cells;  // per vertex; unused for a vertex that is not finite
    std::vector<int> sorted;  // finite vertices by cell
    std::unordered_map<Cell, std::pair<size_t, size_t>, CellHash> ranges;
};

}  // namespace

// A vertex with a coordinate that is not finite is within no finite
// tolerance of anything (its distance is infinite or NaN), so it keeps a
// vertex of its own and is left out of the grid (with an infinite tolerance
// too, which otherwise merges every finite vertex into the first). A negative
// or NaN tolerance merges nothing.
void QV_Mesh::Weld(float tolerance)
{
    Compact();
    const int n = VertexCount();
    const double tol = tolerance;
    const double tol2 = tol * tol;
    std::vector<int> map(static_cast<size_t>(n), -1);
    QV_List<QV_Point3D> welded(n ? static_cast<unsigned>(n) : 16u);
    const bool merging = tol >= 0.0;
    VertexGrid grid(vertices, merging ? tol : 0.0);
    for (int i = 0; i < n; ++i) {
        if (map[static_cast<size_t>(i)] >= 0) continue;
        const int target = static_cast<int>(welded.Size());
        welded.Append(vertices[i]);
        map[static_cast<size_t>(i)] = target;
        if (!merging || !IsFinite(vertices[i])) continue;
        grid.ForNeighbours(i, vertices[i], [&](int j) {
            // Every vertex before i is mapped already.
            int& m = map[static_cast<size_t>(j)];
            if (m < 0 && Distance2(vertices[i], vertices[j]) <= tol2) m = target;
        });
    }
    for (unsigned f = 0; f < faces.Size(); ++f) {
        QV_Face& face = faces[f];
        for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
            int& v = face.corners[c].vertex;
            if (v >= 0 && v < n) v = map[static_cast<size_t>(v)];
        }
    }
    vertices = std::move(welded);
}
