// QV_HeadRepair: the repair and alignment operations a plug-in applies to a
// freshly created head against its reference head (average fix, reference
// alignment, rigid replacement, grafts, smoothing, whole-head alignment),
// and the vertex neighbour lists some of them use.
//
// Vertex lists usually come from files, so every operation checks every index
// against the meshes it touches before changing anything; a refused operation
// writes a message starting with its name to the error stream, returns false
// and leaves the mesh unchanged. A similarity fit that is undetermined (no
// points, all points coincident) is refused the same way.
#pragma once

#include <vector>

#include "QV_Mesh.h"

// For every vertex of a mesh, the other vertices that share a face with it,
// each once, in increasing order. Built from the faces once (normally from the
// template head) and reused for every head made from that template.
class QV_VertexNeighbours {
public:
    QV_VertexNeighbours() = default;
    explicit QV_VertexNeighbours(const QV_Mesh& mesh) { Build(mesh); }

    // Corners naming no valid vertex are ignored.
    void Build(const QV_Mesh& mesh);

    int VertexCount() const { return static_cast<int>(lists.size()); }
    // The neighbours of vertex v (an empty list for an index outside the table).
    const std::vector<int>& Of(int v) const;

private:
    std::vector<std::vector<int>> lists;
};

namespace QV_HeadRepair {

// Each listed vertex, in list order, becomes the mean of its neighbours; a
// vertex fixed earlier in the list is seen with its new position by the later
// ones. A vertex without neighbours is left where it is. Fails when an index
// lies outside the mesh or the neighbour table.
bool AverageFix(QV_Mesh& mesh, const std::vector<int>& vertices, const QV_VertexNeighbours& neighbours);

// Fits the similarity from output vertices 0 .. n-1 (n = the output's vertex
// count) to the same vertices of the reference and applies it to every output
// vertex. Fails when the reference has fewer vertices than the output.
bool AlignToReference(QV_Mesh& out, const QV_Mesh& reference);

// Fits the similarity from the reference's listed vertices to the output's
// listed vertices and writes the mapped reference vertices into the output.
bool RigidReplace(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices);

// Fits the similarity from the reference to the output over the listed
// vertices or, when outside is set, over every vertex index valid in both
// meshes that is not listed; then each listed output vertex takes its mapped
// reference vertex.
bool Graft(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices, bool outside);

// As Graft, after which the mapped vertices are scaled per axis about the
// centre of their box so that the box takes the size of the listed output
// vertices' box (as it was before the graft). An axis on which the mapped box
// is flat keeps a factor of 1.
bool StretchedGraft(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices, bool outside);

// One smoothing pass: each listed vertex becomes (itself + the sum of its
// neighbours) / (neighbour count + 1), every position read from before the pass.
bool Smooth(QV_Mesh& mesh, const std::vector<int>& vertices, const QV_VertexNeighbours& neighbours);

// Fits the similarity from the output's listed vertices to the reference's
// same vertices and applies it to every output vertex.
bool AlignWholeHead(QV_Mesh& out, const QV_Mesh& reference, const std::vector<int>& vertices);

// Recomputes what the mesh derives from its vertices: face normals, vertex
// normals and bounds.
void Finish(QV_Mesh& mesh);

}  // namespace QV_HeadRepair
