// Camera framing and matrices of the interactive 3D view.
#include "QV_ViewCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsOneOf(const char* name, std::initializer_list<const char*> names)
{
    if (!name) return false;
    for (const char* n : names)
        if (std::strcmp(name, n) == 0) return true;
    return false;
}

}  // namespace

bool QV_MeshVisibleBounds(const QV_Mesh& mesh, QV_Point3D& lo, QV_Point3D& hi)
{
    bool any = false;
    for (int f = 0; f < mesh.FeatureCount(); ++f) {
        const QV_Feature& feature = mesh.features[f];
        if (!feature.visible) continue;
        for (unsigned i = 0; i < feature.faceIndices.Size(); ++i) {
            const int fi = feature.faceIndices[static_cast<int>(i)];
            if (fi < 0 || fi >= mesh.FaceCount()) continue;
            const QV_Face& face = mesh.faces[fi];
            const int n = std::clamp(face.count, 0, QV_Face::kMaxCorners);
            for (int k = 0; k < n; ++k) {
                const int v = face.corners[k].vertex;
                if (v < 0 || v >= mesh.VertexCount()) continue;
                const QV_Point3D& p = mesh.vertices[v];
                if (!any) {
                    lo = hi = p;
                    any = true;
                    continue;
                }
                lo.x = std::min(lo.x, p.x), lo.y = std::min(lo.y, p.y), lo.z = std::min(lo.z, p.z);
                hi.x = std::max(hi.x, p.x), hi.y = std::max(hi.y, p.y), hi.z = std::max(hi.z, p.z);
            }
        }
    }
    return any;
}

void QV_ViewCamera::Fit(const QV_Mesh& mesh, const char* pluginClass, bool isImageView)
{
    QV_Point3D lo, hi;
    if (!QV_MeshVisibleBounds(mesh, lo, hi)) return;
    const float height = hi.y - lo.y;
    const QV_Point3D centre((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2);
    float frame = height;
    target = centre;
    // Head-and-shoulder framings: the target sits below the top by a share
    // of the height, and the frame is a share of it.
    struct Framing {
        std::initializer_list<const char*> classes;
        float below, size;
    };
    const Framing framings[] = {
        {{"QV_PlainHeadPlugin2", "QV_PlainHeadPlugin3", "QV_SkinnedXmlPlugin"}, 0.15f, 0.3f},
        {{"QV_EyePartsHeadPlugin"}, 0.09f, 0.18f},
        {{"QV_BodyAvatarPlugin", "QV_BodySkinPlugin"}, 0.105f, 0.21f},
    };
    bool framed = false;
    if (!isImageView) {
        for (const Framing& f : framings)
            if (IsOneOf(pluginClass, f.classes)) {
                target.y = hi.y - f.below * height;
                frame = f.size * height;
                framed = true;
            }
        if (IsOneOf(pluginClass, {"QV_StandardHeadPlugin", "QV_SolidHeadPlugin", "QV_AnimatedFacePlugin",
                                  "QV_FlatSkinPlugin"}))
            framed = true;
    }
    if (!framed) {
        for (const char* name : {"Face", "head", "Head"}) {
            const int index = mesh.FeatureIndex(QV_String(name));
            QV_Point3D flo, fhi;
            if (index >= 0 && mesh.FeatureBounds(index, flo, fhi)) {
                target = QV_Point3D((flo.x + fhi.x) / 2, (flo.y + fhi.y) / 2, (flo.z + fhi.z) / 2);
                frame = fhi.y - flo.y;
                break;
            }
        }
    }
    if (fieldOfView <= 0.0f) fieldOfView = 1.0f;
    cameraOffset.x = cameraOffset.y = 0.0f;
    rotation = QV_GLMatrix();
    frame *= 1.1f;
    cameraOffset.z = -frame / (2.0f * float(std::tan(fieldOfView * kPi / 360.0)));
}

QV_GLMatrix QV_ViewCamera::Projection(const QV_Mesh* mesh, int width, int height) const
{
    float nearZ = 1.0f, farZ = 2000.0f;
    QV_Point3D lo, hi;
    if (mesh && QV_MeshVisibleBounds(*mesh, lo, hi)) {
        const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
        const float s = std::sqrt(dx * dx + dy * dy + dz * dz);
        const float f = s > 10.0f ? 2.5f * s : 100.0f;
        const float d = std::sqrt(cameraOffset.x * cameraOffset.x + cameraOffset.y * cameraOffset.y +
                                  cameraOffset.z * cameraOffset.z);
        nearZ = d - f / 2.0f;
        if (nearZ <= 0.0f) nearZ = 1.0f;
        farZ = f + nearZ;
    }
    const float aspect = height > 0 ? float(width) / float(height) : 1.0f;
    return QV_GLMatrix::Perspective(fieldOfView > 0.0f ? fieldOfView : 1.0f, aspect, nearZ, farZ);
}

QV_GLMatrix QV_ViewCamera::ModelView() const
{
    return QV_GLMatrix::Translation(cameraOffset.x, cameraOffset.y, cameraOffset.z) * rotation *
           QV_GLMatrix::Translation(-target.x, -target.y, -target.z);
}
