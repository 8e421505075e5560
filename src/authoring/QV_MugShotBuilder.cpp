// Mapping entries, restricted samplers and the standard plug-in's data built
// from the template head.
#include "QV_MugShotBuilder.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "QV_Error.h"
#include "QV_MugShotFixture.h"
#include "QV_TemplateHead.h"
#include "QV_Triangulation.h"

namespace {

struct Barycentric {
    double w[3];
};

bool Weights(const QV_Point2D& a, const QV_Point2D& b, const QV_Point2D& c, const QV_Point2D& p, Barycentric& out)
{
    const double det = (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
    if (!(std::fabs(det) > 1e-12)) return false;
    const double w1 = ((double(p.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(p.y) - a.y)) / det;
    const double w2 = ((double(b.x) - a.x) * (double(p.y) - a.y) - (double(p.x) - a.x) * (double(b.y) - a.y)) / det;
    out = {{1.0 - w1 - w2, w1, w2}};
    return true;
}

double SegmentDistance(const QV_Point2D& a, const QV_Point2D& b, const QV_Point2D& p)
{
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y, len2 = dx * dx + dy * dy;
    const double t = len2 > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

}  // namespace

bool QV_BuildMappingList(const QV_AnnotationModel& model, const QV_Point2D& frameSize,
                         const std::vector<QV_Point2D>& targets, QV_MappingList& out)
{
    out.entries.clear();
    std::vector<QV_Point2D> points;
    for (int a = 0; a < model.Count(); ++a)
        for (int i = 0; i < model[a].NumPoints(); ++i) {
            const QV_Point2D& p = model[a].points[i];
            points.push_back({p.x * frameSize.x, p.y * frameSize.y});
        }
    const std::vector<std::array<int, 3>> triangles = QV_Triangulate(points);
    if (triangles.empty()) {
        QV_PrintError("QV_BuildMappingList() Error! : the annotation points form no triangle\n");
        return false;
    }
    out.entries.reserve(targets.size());
    for (const QV_Point2D& p : targets) {
        // Containing triangle: the one whose smallest weight is largest; when
        // that weight is negative the point is outside the hull, and the
        // nearest triangle decides.
        int best = -1;
        double bestMin = -1e30;
        Barycentric bestW{};
        for (size_t t = 0; t < triangles.size(); ++t) {
            Barycentric w;
            const auto& tr = triangles[t];
            if (!Weights(points[tr[0]], points[tr[1]], points[tr[2]], p, w)) continue;
            const double m = std::min({w.w[0], w.w[1], w.w[2]});
            if (m > bestMin) {
                bestMin = m;
                best = static_cast<int>(t);
                bestW = w;
            }
        }
        if (bestMin < -1e-9) {
            double nearest = 1e30;
            for (size_t t = 0; t < triangles.size(); ++t) {
                const auto& tr = triangles[t];
                Barycentric w;
                if (!Weights(points[tr[0]], points[tr[1]], points[tr[2]], p, w)) continue;
                const double d = std::min({SegmentDistance(points[tr[0]], points[tr[1]], p),
                                           SegmentDistance(points[tr[1]], points[tr[2]], p),
                                           SegmentDistance(points[tr[2]], points[tr[0]], p)});
                if (d < nearest) {
                    nearest = d;
                    best = static_cast<int>(t);
                    bestW = w;
                }
            }
        }
        if (best < 0) {
            QV_PrintError("QV_BuildMappingList() Error! : no triangle for a point\n");
            out.entries.clear();
            return false;
        }
        QV_MappingEntry e;
        for (int k = 0; k < 3; ++k) {
            e.w[k] = static_cast<float>(bestW.w[k]);
            e.i[k] = triangles[static_cast<size_t>(best)][static_cast<size_t>(k)];
        }
        out.entries.push_back(e);
    }
    return true;
}

void QV_RestrictSamplerToMask(QV_TextureSampler& sampler, const QV_Image& mask)
{
    QV_Image m(mask);
    if (m.Rows() != sampler.height || m.Cols() != sampler.width) m.Resize(sampler.height, sampler.width, true);
    const int h = sampler.height, w = sampler.width;
    auto green = [&](int r, int c) {
        return r >= 0 && c >= 0 && r < h && c < w && m(m.RowLow() + r, m.ColLow() + c).green > 0;
    };
    QV_TextureSampler kept(sampler);
    kept.entries.items.clear();
    kept.texels.items.clear();
    for (size_t k = 0; k < sampler.texels.items.size(); ++k) {
        const QV_Texel& t = sampler.texels.items[k];
        bool take = false;
        for (int dr = -1; dr <= 1 && !take; ++dr)
            for (int dc = -1; dc <= 1 && !take; ++dc) take = green(t.row + dr, t.col + dc);
        if (!take) continue;
        kept.entries.items.push_back(sampler.entries.items[k]);
        kept.texels.items.push_back(t);
    }
    sampler = std::move(kept);
}

bool QV_BuildTemplateHeadData(QV_TemplateHeadData& data)
{
    using namespace QV_TemplateHead;
    QV_MugShot2D3D& mug = data.mugshot;
    mug = QV_MugShot2D3D();
    BuildMesh(mug.templateMesh, 512);
    const QV_Mesh& mesh = mug.templateMesh;
    FrontAnnotation(data.front);
    ProfileAnnotation(data.profile);

    // Every vertex gets a front and a profile entry.
    const QV_Point2D frontSize(kFrontWidth, kFrameHeight), profileSize(kProfileWidth, kFrameHeight);
    std::vector<QV_Point2D> frontTargets, profileTargets;
    for (int v = 0; v < mesh.VertexCount(); ++v) {
        const QV_Point3D& p = mesh.vertices[v];
        const QV_Point2D f = FrontFrame(p.x, p.y), s = ProfileFrame(p.z, p.y);
        frontTargets.push_back({f.x * frontSize.x, f.y * frontSize.y});
        profileTargets.push_back({s.x * profileSize.x, s.y * profileSize.y});
    }
    if (!QV_BuildMappingList(data.front, frontSize, frontTargets, mug.frontMapping) ||
        !QV_BuildMappingList(data.profile, profileSize, profileTargets, mug.profileMapping))
        return false;

    BlendMask(512, data.mask);
    mug.mask = data.mask;
    if (!QV_BuildTextureSampler(mesh, 512, 512, QV_TextureSampler::kRGB, mug.sampler) ||
        !QV_BuildTextureSampler(mesh, 1024, 1024, QV_TextureSampler::kRGB, mug.samplerHigh)) {
        QV_PrintError("QV_BuildTemplateHeadData() Error! : texture sampler not built\n");
        return false;
    }
    QV_RestrictSamplerToMask(mug.sampler, data.mask);
    QV_RestrictSamplerToMask(mug.samplerHigh, data.mask);
    mug.DeriveAssociations();

    RenderProfile(mesh, static_cast<int>(kProfileWidth), static_cast<int>(kFrameHeight), data.profileImage);
    data.profileImage.SetJPEGQuality(85);
    return true;
}

bool QV_SaveTemplateHeadData(const QV_TemplateHeadData& data, const QV_String& folder)
{
    auto path = [&](const char* name) {
        QV_String p = folder;
        if (p.Std().empty() || (p.Std().back() != '/' && p.Std().back() != '\\')) p += "/";
        p += name;
        return p;
    };
    struct Item {
        const char* name;
        bool ok;
    };
    const Item items[] = {
        {"Front.mma", data.front.Save(path("Front.mma"))},
        {"Right.mma", data.profile.Save(path("Right.mma"))},
        {"Right.jpg", data.profileImage.Save(path("Right.jpg"))},
        {"MUG.mug2d3d", data.mugshot.Save(path("MUG.mug2d3d"))},
        {"TexMask.bmp", data.mask.Save(path("TexMask.bmp"))},
    };
    for (const Item& item : items)
        if (!item.ok) {
            const std::string text = std::string("QV_SaveTemplateHeadData() Error! : cannot write ") + item.name + "\n";
            QV_PrintError(text.c_str());
            return false;
        }
    return true;
}
