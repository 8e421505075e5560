// The XML mesh export shared by the plain and the rigged writers: the mesh
// element tree, the material script beside it, and the rigged writer that
// also copies a skeleton and a bone map.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "QV_Point.h"
#include "QV_String.h"

class QV_Mesh;

// One vertex weighted to one bone of a skeleton.
struct QV_BoneAssignment {
    int vertex = 0;
    int bone = 0;
    float weight = 0.0f;
};

// What a rigged export carries besides the mesh: the bone assignments, the
// skeleton and bone-map files (written out byte for byte) and whether the
// texture's alpha channel goes out as a second texture.
struct QV_MeshRig {
    std::vector<QV_BoneAssignment> bones;
    std::string skeleton;
    std::string boneMap;
    bool alpha = false;
};

// The mesh element tree. Vertex i is written with vertexNormals[i]; the
// second vertex buffer holds one entry per element of texCoordEntries. Every
// feature is a submesh of the triangles it lists (faces must be triangles).
// `bones` is null for the plain export, whose bone list stays empty.
void QV_WriteMeshXml(std::ostream& out, const QV_Mesh& mesh, const std::vector<QV_Point3D>& vertexNormals,
                     const std::vector<QV_Point2D>& texCoordEntries, const std::string& skeletonName,
                     const std::vector<QV_BoneAssignment>* bones);

// The material script: one block per feature, named after it, with the
// diffuse texture and, when alphaTexture is not empty, an opacity texture.
void QV_WriteMaterialScript(std::ostream& out, const QV_Mesh& mesh, const std::string& texture,
                            const std::string& alphaTexture);

// The rigged export of a mesh whose normals are one per vertex: base.mesh.xml,
// base.mesh.material, base.mesh.skeleton.xml, base.bonemap.xml, base.jpg and,
// with the alpha flag, baseA.jpg (base = the path without its extension).
// Texture rows are flipped (v becomes 1 - v). False as soon as a file cannot
// be written; the files already written stay.
bool QV_SaveRiggedMeshXml(const QV_String& path, const QV_Mesh& mesh, const QV_MeshRig& rig);
