// Front and three-quarter previews through the off-screen renderer.
#include "QV_MeshPreview.h"

#include <algorithm>
#include <cmath>

#include "OffscreenRenderer.h"

namespace {

// Renders with the current rotation after making sure the eight corners of
// the mesh's box project inside the frame: the fit is widened when the turned
// box reaches beyond it.
bool RenderFramed(OffscreenRenderer& r, const QV_Mesh& mesh, float margin, float yawDegrees, QV_Image& out)
{
    r.Fit(mesh, margin);
    r.rotation[1] = yawDegrees;
    QV_Point3D lo = mesh.vertices.Empty() ? QV_Point3D() : mesh.vertices[0], hi = lo;
    for (unsigned i = 0; i < mesh.vertices.Size(); ++i) {
        const QV_Point3D& p = mesh.vertices[static_cast<int>(i)];
        lo.x = std::min(lo.x, p.x), lo.y = std::min(lo.y, p.y), lo.z = std::min(lo.z, p.z);
        hi.x = std::max(hi.x, p.x), hi.y = std::max(hi.y, p.y), hi.z = std::max(hi.z, p.z);
    }
    float reach = 0.0f;  // largest corner distance from the frame centre, in half-frames
    for (int i = 0; i < 8; ++i) {
        const QV_Point3D c(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
        const QV_Point3D w = r.Project(c);
        reach = std::max(reach, std::fabs(w.x - r.Width() / 2.0f) / (r.Width() / 2.0f));
        reach = std::max(reach, std::fabs(w.y - r.Height() / 2.0f) / (r.Height() / 2.0f));
    }
    if (reach > 1.0f / margin) {
        r.Fit(mesh, margin * reach * margin);
        r.rotation[1] = yawDegrees;
    }
    if (!r.Render({&mesh}) || !r.ReadPixels(out)) return false;
    QV_MakeOpaque(out);
    return true;
}

}  // namespace

void QV_MakeOpaque(QV_Image& image)
{
    for (int y = image.RowLow(); y <= image.RowHigh(); ++y) {
        QV_Colour* row = image.Row(y);
        for (int x = 0; x < image.Cols(); ++x) row[x].alpha = 255;
    }
}

bool QV_RenderMeshPreviews(const QV_Mesh& mesh, const QV_MeshPreviewOptions& options, QV_Image& front,
                           QV_Image& threeQuarter)
{
    OffscreenRenderer renderer;
    // Ambient and diffuse that add up to just under the texture's own
    // colours head-on, so the shape reads without washing the photo out.
    renderer.materialScale = 0.45f;
    renderer.diffuseFactor = 0.7f;
    if (!renderer.Create(options.width, options.height, options.background)) return false;
    return RenderFramed(renderer, mesh, options.margin, 0.0f, front) &&
           RenderFramed(renderer, mesh, options.margin, options.threeQuarterDegrees, threeQuarter);
}
