// Repair and alignment of a created head against the plug-in's reference head.
#include "QV_HeadRepair.h"

#include <algorithm>
#include <string>

#include "QV_Error.h"
#include "QV_MeshIndex.h"
#include "QV_Similarity3D.h"

void QV_VertexNeighbours::Build(const QV_Mesh& mesh)
{
    std::vector<std::vector<int>> vertexFaces;
    mesh.BuildVertexFaces(vertexFaces);
    const unsigned count = mesh.vertices.Size();
    lists.assign(vertexFaces.size(), {});
    for (size_t v = 0; v < vertexFaces.size(); ++v) {
        std::vector<int>& out = lists[v];
        for (int f : vertexFaces[v]) {
            const QV_Face& face = mesh.faces[f];
            for (int c = 0; c < face.count && c < QV_Face::kMaxCorners; ++c) {
                const int w = face.corners[c].vertex;
                if (QV_ValidIndex(w, count) && w != static_cast<int>(v)) out.push_back(w);
            }
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }
}

const std::vector<int>& QV_VertexNeighbours::Of(int v) const
{
    static const std::vector<int> none;
    if (v < 0 || static_cast<size_t>(v) >= lists.size()) return none;
    return lists[static_cast<size_t>(v)];
}

namespace QV_HeadRepair {

namespace {

void Refuse(const char* operation, const char* reason)
{
    std::string text = std::string("QV_HeadRepair::") + operation + "() Error! : " + reason + "\n";
    QV_PrintError(text.c_str());
}

bool AllValid(const std::vector<int>& list, unsigned count)
{
    for (int v : list)
        if (!QV_ValidIndex(v, count)) return false;
    return true;
}

// The listed vertices of a mesh, indices already checked.
std::vector<QV_Point3D> Gather(const QV_Mesh& mesh, const std::vector<int>& list)
{
    std::vector<QV_Point3D> out;
    out.reserve(list.size());
    for (int v : list) out.push_back(mesh.vertices[v]);
    return out;
}

void ApplyToAll(QV_Mesh& mesh, const QV_Similarity3D& sim)
{
    for (unsigned i = 0; i < mesh.vertices.Size(); ++i) mesh.vertices[static_cast<int>(i)] = sim.Apply(mesh.vertices[static_cast<int>(i)]);
}

void BoxOf(const std::vector<QV_Point3D>& points, QV_Point3D& min, QV_Point3D& max)
{
    min = max = points.front();
    for (const QV_Point3D& p : points) {
        min = QV_Point3D(std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z));
        max = QV_Point3D(std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z));
    }
}

// Per-axis factor taking a box extent to a wanted one; a flat box keeps 1.
float AxisFactor(float wanted, float have) { return have > 0.0f ? wanted / have : 1.0f; }

// The shared part of the two grafts: checks, fits and maps the listed
// reference vertices into mapped. Nothing is written to out.
bool FitGraft(const char* operation, const QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& list,
              bool outside, std::vector<QV_Point3D>& mapped)
{
    if (!AllValid(list, out.vertices.Size()) || !AllValid(list, reference.vertices.Size())) {
        Refuse(operation, "vertex index out of range");
        return false;
    }
    std::vector<int> fitList;
    if (outside) {
        const unsigned common = std::min(out.vertices.Size(), reference.vertices.Size());
        std::vector<char> listed(common, 0);
        for (int v : list) listed[static_cast<size_t>(v)] = 1;
        for (unsigned v = 0; v < common; ++v)
            if (!listed[v]) fitList.push_back(static_cast<int>(v));
    } else {
        fitList = list;
    }
    QV_Similarity3D sim;
    if (!sim.Fit(Gather(reference, fitList), Gather(out, fitList))) {
        Refuse(operation, "degenerate vertex set");
        return false;
    }
    mapped.clear();
    mapped.reserve(list.size());
    for (int v : list) mapped.push_back(sim.Apply(reference.vertices[v]));
    return true;
}

}  // namespace

bool AverageFix(QV_Mesh& mesh, const std::vector<int>& vertices, const QV_VertexNeighbours& neighbours)
{
    const unsigned count = std::min(mesh.vertices.Size(), static_cast<unsigned>(neighbours.VertexCount()));
    if (!AllValid(vertices, count)) {
        Refuse("AverageFix", "vertex index out of range");
        return false;
    }
    for (int v : vertices) {
        const std::vector<int>& around = neighbours.Of(v);
        if (!AllValid(around, mesh.vertices.Size())) {
            Refuse("AverageFix", "neighbour table does not fit the mesh");
            return false;
        }
    }
    for (int v : vertices) {
        const std::vector<int>& around = neighbours.Of(v);
        if (around.empty()) continue;  // no mean to take
        QV_Point3D sum;
        for (int w : around) sum += mesh.vertices[w];
        mesh.vertices[v] = sum / static_cast<float>(around.size());
    }
    return true;
}

bool AlignToReference(QV_Mesh& out, const QV_Mesh& reference)
{
    const unsigned n = out.vertices.Size();
    if (reference.vertices.Size() < n) {
        Refuse("AlignToReference", "reference has fewer vertices than the head");
        return false;
    }
    std::vector<QV_Point3D> from(n), to(n);
    for (unsigned i = 0; i < n; ++i) {
        from[i] = out.vertices[static_cast<int>(i)];
        to[i] = reference.vertices[static_cast<int>(i)];
    }
    QV_Similarity3D sim;
    if (!sim.Fit(from, to)) {
        Refuse("AlignToReference", "degenerate vertex set");
        return false;
    }
    ApplyToAll(out, sim);
    return true;
}

bool RigidReplace(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices)
{
    if (!AllValid(vertices, out.vertices.Size()) || !AllValid(vertices, reference.vertices.Size())) {
        Refuse("RigidReplace", "vertex index out of range");
        return false;
    }
    QV_Similarity3D sim;
    if (!sim.Fit(Gather(reference, vertices), Gather(out, vertices))) {
        Refuse("RigidReplace", "degenerate vertex set");
        return false;
    }
    for (int v : vertices) out.vertices[v] = sim.Apply(reference.vertices[v]);
    return true;
}

bool Graft(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices, bool outside)
{
    std::vector<QV_Point3D> mapped;
    if (!FitGraft("Graft", out, reference, vertices, outside, mapped)) return false;
    for (size_t i = 0; i < vertices.size(); ++i) out.vertices[vertices[i]] = mapped[i];
    return true;
}

bool StretchedGraft(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices, bool outside)
{
    std::vector<QV_Point3D> mapped;
    if (!FitGraft("StretchedGraft", out, reference, vertices, outside, mapped)) return false;
    if (mapped.empty()) return true;
    QV_Point3D mMin, mMax, oMin, oMax;
    BoxOf(mapped, mMin, mMax);
    BoxOf(Gather(out, vertices), oMin, oMax);
    const QV_Point3D centre = (mMin + mMax) * 0.5f;
    const QV_Point3D factor(AxisFactor(oMax.x - oMin.x, mMax.x - mMin.x), AxisFactor(oMax.y - oMin.y, mMax.y - mMin.y),
                            AxisFactor(oMax.z - oMin.z, mMax.z - mMin.z));
    for (size_t i = 0; i < vertices.size(); ++i)
        out.vertices[vertices[i]] = centre + (mapped[i] - centre).Scaled(factor);
    return true;
}

bool Smooth(QV_Mesh& mesh, const std::vector<int>& vertices, const QV_VertexNeighbours& neighbours)
{
    const unsigned count = std::min(mesh.vertices.Size(), static_cast<unsigned>(neighbours.VertexCount()));
    if (!AllValid(vertices, count)) {
        Refuse("Smooth", "vertex index out of range");
        return false;
    }
    std::vector<QV_Point3D> result;
    result.reserve(vertices.size());
    for (int v : vertices) {
        const std::vector<int>& around = neighbours.Of(v);
        if (!AllValid(around, mesh.vertices.Size())) {
            Refuse("Smooth", "neighbour table does not fit the mesh");
            return false;
        }
        QV_Point3D sum = mesh.vertices[v];
        for (int w : around) sum += mesh.vertices[w];
        result.push_back(sum / static_cast<float>(around.size() + 1));
    }
    for (size_t i = 0; i < vertices.size(); ++i) mesh.vertices[vertices[i]] = result[i];
    return true;
}

bool AlignWholeHead(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices)
{
    if (!AllValid(vertices, out.vertices.Size()) || !AllValid(vertices, reference.vertices.Size())) {
        Refuse("AlignWholeHead", "vertex index out of range");
        return false;
    }
    QV_Similarity3D sim;
    if (!sim.Fit(Gather(out, vertices), Gather(reference, vertices))) {
        Refuse("AlignWholeHead", "degenerate vertex set");
        return false;
    }
    ApplyToAll(out, sim);
    return true;
}

void Finish(QV_Mesh& mesh)
{
    mesh.ComputeFaceNormals(true);
    mesh.ComputeVertexNormals();
    mesh.UpdateBounds();
}

}  // namespace QV_HeadRepair
