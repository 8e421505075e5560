// Small meshes and comparisons shared by the mesh tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "QV_Mesh.h"

namespace mesh_test {

inline QV_Corner Corner(int v, int n = -1, int t = -1) { return QV_Corner{v, n, t}; }

inline QV_Face MakeFace(std::initializer_list<QV_Corner> corners)
{
    QV_Face f;
    for (const QV_Corner& c : corners) f.Add(c);
    return f;
}

inline void AddFeature(QV_Mesh& m, const char* name, std::initializer_list<int> faces)
{
    QV_Feature f;
    f.name = name;
    for (int i : faces) f.faceIndices.Append(i);
    m.features.Append(f);
}

// A unit square in z = 0 as one quad (vertices 0..3 counter-clockwise) plus
// a triangle on vertices 1, 4, 2 in a second feature.
inline QV_Mesh SquareAndTriangle()
{
    QV_Mesh m;
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({1, 0, 0});
    m.vertices.Append({1, 1, 0});
    m.vertices.Append({0, 1, 0});
    m.vertices.Append({2, 0, 1});
    m.faces.Append(QV_Face(0, 1, 2, 3));
    m.faces.Append(QV_Face(1, 4, 2));
    AddFeature(m, "Square", {0});
    AddFeature(m, "Wedge", {1});
    return m;
}

inline std::string FaceText(const QV_Face& f)
{
    std::string s = "[";
    for (int c = 0; c < f.count; ++c) {
        if (c) s += " ";
        s += std::to_string(f.corners[c].vertex) + "/" + std::to_string(f.corners[c].texCoord) + "/" +
             std::to_string(f.corners[c].normal);
    }
    return s + "]";
}

// Vertex indices of every face, "[v/t/n ...]" each, in list order.
inline std::string FacesText(const QV_Mesh& m)
{
    std::string s;
    for (unsigned i = 0; i < m.faces.Size(); ++i) s += FaceText(m.faces[i]);
    return s;
}

inline std::string IndicesText(const QV_List<int>& l)
{
    std::string s;
    for (unsigned i = 0; i < l.Size(); ++i) {
        if (i) s += ',';
        s += std::to_string(l[i]);
    }
    return s;
}

inline void ExpectPoint(const QV_Point3D& p, float x, float y, float z, float tol = 1e-6f)
{
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
    EXPECT_NEAR(p.z, z, tol);
}

}  // namespace mesh_test
