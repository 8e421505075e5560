// The binary record of QV_Mesh, embedded in head model files. Every count
// taken from the file is checked against what the file still holds, and every
// stored index against the list it names, before anything is used.
#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Mesh.h"
#include "QV_MeshIndex.h"

namespace {

// Smallest record of one feature: id, visible byte, an empty name (size and
// NUL), the material and an empty face index list.
constexpr int64_t kMaterialBytes = 4 + 4 + 4 + 4 + 1 + 4 + 4 * (24 + 16) + 12;
constexpr int64_t kMinFeatureBytes = 4 + 1 + 5 + kMaterialBytes + 4;

std::FILE* Fail(const char* what)
{
    QV_PrintError((std::string("QV_Mesh::Read() Error! : ") + what + "\n").c_str());
    return nullptr;
}

// -1 (none) or an index into a list of count entries.
bool ValidStoredIndex(int32_t i, unsigned count) { return i == -1 || QV_ValidIndex(i, count); }

}  // namespace

std::FILE* QV_Mesh::Write(std::FILE* f) const
{
    if (!f) return nullptr;
    if (!QV_WriteI32(f, version) || !name.Write(f) || !vertices.Write(f) || !normals.Write(f) ||
        !texCoords.Write(f))
        return nullptr;

    if (!QV_WriteI32(f, static_cast<int32_t>(faces.Size()))) return nullptr;
    for (unsigned i = 0; i < faces.Size(); ++i) {
        const QV_Face& face = faces[i];
        const int n = face.count < 0 ? 0 : face.count > QV_Face::kMaxCorners ? QV_Face::kMaxCorners : face.count;
        if (!QV_WriteI32(f, n)) return nullptr;
        for (int c = 0; c < n; ++c) {
            const QV_Corner& corner = face.corners[c];
            if (!QV_WriteI32(f, corner.vertex) || !QV_WriteI32(f, corner.normal) || !QV_WriteI32(f, corner.texCoord))
                return nullptr;
        }
    }

    if (!QV_WriteI32(f, static_cast<int32_t>(features.Size()))) return nullptr;
    for (unsigned k = 0; k < features.Size(); ++k) {
        const QV_Feature& feature = features[k];
        if (!QV_WriteI32(f, feature.id) || !QV_WriteU8(f, feature.visible ? 1 : 0) || !feature.name.Write(f) ||
            !feature.material.Write(f) || !feature.faceIndices.Write(f))
            return nullptr;
    }

    if (!QV_WriteU8(f, hasTexture ? 1 : 0)) return nullptr;
    if (hasTexture && !texture.Write(f)) return nullptr;
    return f;
}

std::FILE* QV_Mesh::Read(std::FILE* f)
{
    if (!f) return nullptr;
    // Lists not reached by a failed read stay empty rather than keeping a
    // previous mesh's entries that the new faces would not agree with.
    Clear();

    int32_t v = 0;
    if (!QV_ReadI32(f, v)) return Fail("short record (version)");
    version = v;
    if (!name.Read(f)) return Fail("short record (name)");
    if (!vertices.Read(f)) {
        vertices.Clear();
        return Fail("short record (vertices)");
    }
    if (!normals.Read(f)) {
        normals.Clear();
        return Fail("short record (normals)");
    }
    if (!texCoords.Read(f)) {
        texCoords.Clear();
        return Fail("short record (texture coordinates)");
    }

    int32_t faceCount = 0;
    if (!QV_ReadI32(f, faceCount)) return Fail("short record (face count)");
    if (faceCount < 0 || !QV_CanHold(f, faceCount, 4)) return Fail("face count larger than the file");
    for (int32_t i = 0; i < faceCount; ++i) {
        QV_Face face;
        int32_t n = 0;
        if (!QV_ReadI32(f, n)) {
            faces.Clear();
            return Fail("short record (faces)");
        }
        if (n < 0 || n > QV_Face::kMaxCorners) {
            faces.Clear();
            return Fail("face with a bad corner count");
        }
        for (int32_t c = 0; c < n; ++c) {
            int32_t idx[3];
            if (!QV_ReadBytes(f, idx, sizeof idx)) {
                faces.Clear();
                return Fail("short record (faces)");
            }
            if (!ValidStoredIndex(idx[0], vertices.Size()) || !ValidStoredIndex(idx[1], normals.Size()) ||
                !ValidStoredIndex(idx[2], texCoords.Size())) {
                faces.Clear();
                return Fail("face index out of range");
            }
            face.Add(QV_Corner{idx[0], idx[1], idx[2]});
        }
        faces.Append(face);
    }

    int32_t featureCount = 0;
    if (!QV_ReadI32(f, featureCount)) return Fail("short record (feature count)");
    if (featureCount < 0 || !QV_CanHold(f, featureCount, kMinFeatureBytes))
        return Fail("feature count larger than the file");
    for (int32_t k = 0; k < featureCount; ++k) {
        QV_Feature feature;
        int32_t id = 0;
        uint8_t visible = 0;
        bool ok = QV_ReadI32(f, id) && QV_ReadU8(f, visible) && feature.name.Read(f) && feature.material.Read(f) &&
                  feature.faceIndices.Read(f);
        if (!ok) {
            features.Clear();
            return Fail("short record (features)");
        }
        for (unsigned j = 0; j < feature.faceIndices.Size(); ++j) {
            if (!QV_ValidIndex(feature.faceIndices[j], faces.Size())) {
                features.Clear();
                return Fail("feature face index out of range");
            }
        }
        feature.id = id;
        feature.visible = visible != 0;
        features.Append(feature);
    }

    uint8_t textured = 0;
    if (!QV_ReadU8(f, textured)) return Fail("short record (texture flag)");
    if (textured) {
        if (!texture.Read(f)) {
            texture.Resize(0, 0);
            return Fail("bad texture record");
        }
        hasTexture = true;
    }
    UpdateBounds();
    return f;
}
