// QV_Mesh: the indexed polygon surface of the system: positions, normals and
// texture coordinates in separate lists, faces of up to five corners, named
// features with materials, one texture image and a bounding box.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "QV_Face.h"
#include "QV_Feature.h"
#include "QV_Image.h"
#include "QV_List.h"
#include "QV_Point.h"
#include "QV_String.h"

class QV_Mesh {
public:
    int version = 1;
    QV_String name;  // path of the file the mesh was read from
    QV_List<QV_Point3D> vertices{1024};
    QV_List<QV_Point3D> normals{1024};
    QV_List<QV_Point2D> texCoords{1024};  // u along columns, v along rows, v = 0 at row 0
    QV_List<QV_Face> faces{1024};
    QV_List<QV_Point3D> faceNormals{1024};  // one per face, derived
    QV_List<QV_Feature> features{8};
    QV_Image texture;
    bool hasTexture = false;
    QV_Point3D bboxMin;
    QV_Point3D bboxMax;
    QV_Point3D size;    // bboxMax - bboxMin
    QV_Point3D centre;  // (bboxMax + bboxMin) / 2

    int VertexCount() const { return static_cast<int>(vertices.Size()); }
    int NormalCount() const { return static_cast<int>(normals.Size()); }
    int TexCoordCount() const { return static_cast<int>(texCoords.Size()); }
    int FaceCount() const { return static_cast<int>(faces.Size()); }
    int FeatureCount() const { return static_cast<int>(features.Size()); }

    // Empties the name and every list, sizes the texture to empty and clears
    // hasTexture. The version and box fields are kept.
    void Clear();

    // ---- normals ----
    // Recomputes the face normals when their count differs from the face
    // count, or always when force is set.
    void ComputeFaceNormals(bool force);
    // The normal of one face from its corner positions (see the .cpp).
    QV_Point3D FaceNormal(const QV_Face& face) const;
    // Replaces the normals by one per used vertex (the mean of the normals of
    // the faces around it, in vertex order) and rewrites every corner's normal
    // index; corners without a valid vertex get -1.
    void ComputeVertexNormals();

    // ---- features and bounds ----
    // When there is no feature, adds one holding every face in order, named
    // after the file title of the mesh name, or "Single Feature".
    void EnsureFeature();
    // Box over the corner vertices of the faces of visible features; does
    // nothing when there is no vertex.
    void UpdateBounds();
    // Index of the first feature with exactly this name, -1 when none.
    int FeatureIndex(const QV_String& featureName) const;
    // Min and max over all corners of the feature's faces; false for a bad index.
    bool FeatureBounds(int index, QV_Point3D& min, QV_Point3D& max) const;
    // Appends to out each vertex ('v'), normal ('n') or texture-coordinate ('t')
    // index the feature's faces use that out does not hold yet, in order of
    // first use. 0 for a bad index or kind, else 1.
    int FeatureIndexSet(int index, QV_List<int>& out, char kind) const;

    // ---- adjacency ----
    // For every vertex, the faces using it (a face once per corner on it).
    void BuildVertexFaces(std::vector<std::vector<int>>& out) const;
    // For every vertex, the texture-coordinate indices its corners use, each once.
    void BuildVertexTexCoords(std::vector<std::vector<int>>& out) const;
    // For every texture coordinate, the vertices whose corners use it, each once.
    void BuildTexCoordVertices(std::vector<std::vector<int>>& out) const;

    // ---- rebuilding ----
    // Splits every face of more than three corners into a fan of triangles,
    // feature by feature; faces that no feature lists are dropped.
    void Triangulate();
    // Keeps only the vertices, normals, texture coordinates and faces that the
    // features use, in order of first use.
    void Compact();
    // After Compact, merges vertices that lie within `tolerance` (Euclidean,
    // inclusive) of each other: in vertex order, each vertex not merged yet
    // starts a new vertex at its position and takes every vertex within the
    // tolerance of it that is not merged yet (the relation is not followed
    // further). Corners are renumbered; normals and texture coordinates stay.
    void Weld(float tolerance);

    // ---- files ----
    // By the lower-cased extension of the path.
    bool Load(const QV_String& path);
    bool Save(const QV_String& path) const;
    // The binary record; both return the file on success and null on failure.
    std::FILE* Write(std::FILE* f) const;
    std::FILE* Read(std::FILE* f);

private:
    // Grows lo..hi over the vertices of the feature's faces (invalid indices skipped).
    void ExtendBoxOverFeature(const QV_Feature& feature, QV_Point3D& lo, QV_Point3D& hi) const;
};

// Vertex indices of the mesh's first group with this name, in order of first
// use by its faces; empty when there is no such group.
std::vector<int> QV_GroupVertices(const QV_Mesh& mesh, const char* group);

// The vertices of the faces of every group whose name `take` accepts, each
// once, in the mesh's group order.
std::vector<int> QV_GroupsVertices(const QV_Mesh& mesh, const std::function<bool(const QV_String& name)>& take);
