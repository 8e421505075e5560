// Shared mugshot services: projection, rigid parts, texture sample and blend,
// and the front creation.
#include "QV_MugShotBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "QV_Error.h"
#include "QV_TextureBlend.h"

namespace {

void Message(const char* className, const char* method, const char* why)
{
    QV_PrintError((std::string(className) + "::" + method + "() Error! : " + why + "\n").c_str());
}

QV_Point2D Perpendicular(const QV_Point2D& v) { return {-v.y, v.x}; }

bool Finite(const QV_Point2D& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Bounding box of the listed points (all points when list is null).
void Box(const std::vector<QV_Point2D>& pts, QV_Point2D& lo, QV_Point2D& hi)
{
    lo = {3.4028235e38f, 3.4028235e38f};
    hi = {-3.4028235e38f, -3.4028235e38f};
    for (const QV_Point2D& p : pts) {
        lo.x = std::min(lo.x, p.x);
        lo.y = std::min(lo.y, p.y);
        hi.x = std::max(hi.x, p.x);
        hi.y = std::max(hi.y, p.y);
    }
}

}  // namespace

bool QV_AnchorSimilarity(const QV_Point2D& a, const QV_Point2D& b, QV_Similarity& out)
{
    const QV_Point2D v = b - a;
    if (!Finite(a) || !Finite(b) || !(v.x * v.x + v.y * v.y > 0.0f)) {
        out.SetIdentity();
        return false;
    }
    const QV_Point2D ta(0.0f, 0.0f), tb(0.0f, -150.0f);
    const QV_Point2D pv = Perpendicular(v), pt = Perpendicular(tb - ta);
    const QV_Point2D from[4] = {a, b, a + pv, b + pv};
    const QV_Point2D to[4] = {ta, tb, ta + pt, tb + pt};
    return out.Align(from, to, 4);
}

void QV_MugShotBase::Say(const char* text) const
{
    if (verbose) std::fputs(text, stderr);
}

void QV_MugShotBase::DeriveAssociations()
{
    templateMesh.BuildTexCoordVertices(texVertVertices);
    templateMesh.BuildVertexTexCoords(vertTexVerts);
    texVertVertices.resize(static_cast<size_t>(templateMesh.TexCoordCount()));
    vertTexVerts.resize(static_cast<size_t>(templateMesh.VertexCount()));
}

bool QV_MugShotBase::CheckAndDerive(const char* className)
{
    const int nv = templateMesh.VertexCount();
    if (frontMapping.Size() > nv || profileMapping.Size() > nv) {
        Message(className, "ReadBinary", "mapping list longer than the template's vertex list");
        return false;
    }
    const int nt = templateMesh.TexCoordCount();
    if (!sampler.IndicesBelow(nt) || !samplerHigh.IndicesBelow(nt)) {
        Message(className, "ReadBinary", "sampler entry names a missing texture vertex");
        return false;
    }
    DeriveAssociations();
    return true;
}

QV_Point2D QV_MugShotBase::TemplatePoint(int side, int k) const
{
    const QV_Point3D& v = templateMesh.vertices[k];
    return side == kProfile ? QV_Point2D(v.z, v.y) : QV_Point2D(v.x, v.y);
}

void QV_MugShotBase::ScaledModelPoints(const QV_AnnotationModel& model, const QV_Point2D& imageScale,
                                       std::vector<QV_Point2D>& out)
{
    out.clear();
    for (int a = 0; a < model.Count(); ++a)
        for (int k = 0; k < model[a].NumPoints(); ++k) out.push_back(model[a].points[k].Scaled(imageScale));
}

bool QV_MugShotBase::ProjectPoints(int side, const QV_Point2D& imageScale, const QV_AnnotationModel& model,
                                   std::vector<QV_Point2D>& out) const
{
    std::vector<QV_Point2D> all;
    ScaledModelPoints(model, imageScale, all);
    const QV_MappingList& list = Mapping(side);
    if (!list.IndicesBelow(static_cast<int>(all.size()))) {
        Message(ClassName(), "ProjectPoints", "mapping entry names a point the annotation lacks");
        out.clear();
        return false;
    }
    out.resize(list.entries.size());
    for (size_t k = 0; k < list.entries.size(); ++k) out[k] = list.entries[k].Evaluate(all.data());
    return true;
}

bool QV_MugShotBase::PlaceRigidPart(int side, std::vector<QV_Point2D>& points, const std::vector<int>& vertexList,
                                    const QV_Point2D& target) const
{
    const int n = static_cast<int>(points.size());
    if (vertexList.empty()) return true;
    if (n > templateMesh.VertexCount()) return false;
    for (int v : vertexList)
        if (v < 0 || v >= n) return false;

    std::vector<QV_Point2D> tmpl(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) tmpl[static_cast<size_t>(k)] = TemplatePoint(side, k);
    QV_Similarity fit;
    if (!fit.Align(tmpl, points)) return false;

    std::vector<QV_Point2D> mapped, projected;
    for (int v : vertexList) {
        mapped.push_back(fit.Apply(TemplatePoint(side, v)));
        projected.push_back(points[static_cast<size_t>(v)]);
    }
    QV_Point2D mLo, mHi, pLo, pHi;
    Box(mapped, mLo, mHi);
    Box(projected, pLo, pHi);
    const float mappedWidth = mHi.x - mLo.x;
    const float scale = (pHi.x - pLo.x) / mappedWidth;
    if (!(mappedWidth > 0.0f) || !std::isfinite(scale) || !Finite(target)) return false;
    const QV_Point2D centre = (mLo + mHi) * 0.5f;
    for (size_t i = 0; i < vertexList.size(); ++i)
        points[static_cast<size_t>(vertexList[i])] = target + (mapped[i] - centre) * scale;
    return true;
}

QV_NormaliseResult QV_MugShotBase::NormaliseFromAnchors(int side, const QV_Point2D& a, const QV_Point2D& b,
                                                        std::vector<QV_Point2D>& points) const
{
    QV_Similarity first;
    if (!QV_AnchorSimilarity(a, b, first)) return QV_NormaliseResult::kDegenerate;
    return NormaliseWith(side, first, points);
}

QV_NormaliseResult QV_MugShotBase::NormaliseWith(int side, const QV_Similarity& first,
                                                 std::vector<QV_Point2D>& points) const
{
    const int n = static_cast<int>(points.size());
    if (n > templateMesh.VertexCount()) return QV_NormaliseResult::kDegenerate;
    std::vector<QV_Point2D> normalised(points.size()), tmpl(points.size());
    for (int k = 0; k < n; ++k) {
        normalised[static_cast<size_t>(k)] = first.Apply(points[static_cast<size_t>(k)]);
        tmpl[static_cast<size_t>(k)] = TemplatePoint(side, k);
    }
    QV_Similarity second;
    if (!second.Align(normalised, tmpl)) return QV_NormaliseResult::kDegenerate;
    for (int k = 0; k < n; ++k) points[static_cast<size_t>(k)] = second.Apply(normalised[static_cast<size_t>(k)]);
    return QV_NormaliseResult::kDone;
}

void QV_MugShotBase::TextureVertexPoints(const std::vector<QV_Point2D>& projected,
                                         std::vector<QV_Point2D>& out) const
{
    // Lists derived from an older template (the template was replaced after
    // reading) are rebuilt here rather than trusted.
    std::vector<std::vector<int>> rebuilt;
    const bool current = texVertVertices.size() == static_cast<size_t>(templateMesh.TexCoordCount());
    if (!current) templateMesh.BuildTexCoordVertices(rebuilt);
    const std::vector<std::vector<int>>& lists = current ? texVertVertices : rebuilt;
    const QV_Point2D first = projected.empty() ? QV_Point2D() : projected[0];
    out.assign(lists.size(), first);
    char line[96];
    for (size_t t = 0; t < lists.size(); ++t) {
        const std::vector<int>& verts = lists[t];
        if (verts.empty()) {
            std::snprintf(line, sizeof line, "texvert %zu had zero associated verts\n", t);
            Say(line);
            continue;
        }
        // The first associated vertex that has a projected point; vertices
        // beyond the mapping list have none.
        for (int v : verts) {
            if (v >= 0 && static_cast<size_t>(v) < projected.size()) {
                out[t] = projected[static_cast<size_t>(v)];
                break;
            }
        }
    }
}

bool QV_MugShotBase::TextureSample(int side, const QV_Image& photo, const QV_AnnotationModel& model,
                                   const std::vector<QV_RigidPart>& parts, bool highRes,
                                   std::vector<float>& buffer) const
{
    Say("Squeezing face/head\n");
    QV_AnnotationModel squeezed(model);
    Squeeze(side, squeezed);
    const QV_Point2D scale(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
    std::vector<QV_Point2D> projected;
    if (!ProjectPoints(side, scale, squeezed, projected)) return false;
    for (const QV_RigidPart& part : parts)
        if (!PlaceRigidPart(side, projected, part.vertices, part.target)) return false;

    char line[160];
    std::snprintf(line, sizeof line, "Getting %d image points from %zu projected 3D verts\n",
                  templateMesh.TexCoordCount(), projected.size());
    Say(line);
    std::vector<QV_Point2D> imagePoints;
    TextureVertexPoints(projected, imagePoints);
    std::snprintf(line, sizeof line, "Got %zu image points\n", imagePoints.size());
    Say(line);
    Say("Getting tex sample\n");
    if (!ChooseSampler(highRes).Sample(photo, imagePoints, buffer)) {
        Message(ClassName(), "TextureSample", "sampler entry names a missing texture vertex");
        return false;
    }
    return true;
}

bool QV_MugShotBase::Blend(const std::vector<float>& photoSample, const std::vector<float>* secondSample,
                           bool highRes, QV_Mesh& out)
{
    QV_BlendInput in;
    in.sampler = &ChooseSampler(highRes);
    in.photoSample = &photoSample;
    in.secondSample = secondSample;
    in.mask = &mask;
    in.samplePoint = blendSample;
    QV_Image texture(templateMesh.texture);
    float offset[3];
    if (!QV_BlendTexture(in, texture, offset)) {
        Message(ClassName(), "Blend", "the texture sample does not fit the stock texture");
        return false;
    }
    for (int k = 0; k < 3; ++k) colourOffset[k] = offset[k];
    out.texture = std::move(texture);
    out.hasTexture = true;
    return true;
}

bool QV_MugShotBase::CreateFromFront(const QV_Image& photo, const QV_AnnotationModel& model,
                                     const std::vector<QV_RigidPart>& parts, bool highRes, QV_Mesh& out)
{
    if (photo.Empty()) {
        Message(ClassName(), "CreateFromFront", "no photograph");
        return false;
    }
    const QV_Point2D scale(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
    Say("Geting front projected 3D\n");
    std::vector<QV_Point2D> projected;
    if (!ProjectPoints(kFront, scale, model, projected)) return false;
    for (const QV_RigidPart& part : parts) {
        if (!PlaceRigidPart(kFront, projected, part.vertices, part.target)) {
            Message(ClassName(), "CreateFromFront", "can't place a rigid part");
            return false;
        }
    }
    if (static_cast<int>(projected.size()) > templateMesh.VertexCount()) return false;

    QV_Mesh result(templateMesh);
    auto texture = [&]() {
        Say("Getting texture sample\n");
        std::vector<float> sample;
        if (!TextureSample(kFront, photo, model, parts, highRes, sample)) return false;
        Say("Blending texture\n");
        return Blend(sample, nullptr, highRes, result);
    };
    if (TextureFirst() && !texture()) return false;

    Say("Scaling pointset\n");
    QV_Point2D lo, hi;
    Box(projected, lo, hi);
    const float h = projected.empty() ? 0.0f : hi.y - lo.y;
    const float factor = h / templateMesh.size.y;
    if (!(templateMesh.size.y > 0.0f) || !(h > 0.0f) || !std::isfinite(factor)) {
        Message(ClassName(), "CreateFromFront", "the projected points or the template have no height");
        return false;
    }
    const int nv = result.VertexCount();
    QV_Point3D centroid;
    for (int i = 0; i < nv; ++i) centroid += result.vertices[i];
    if (nv > 0) centroid = centroid / static_cast<float>(nv);
    for (int i = 0; i < nv; ++i) result.vertices[i] = centroid + (result.vertices[i] - centroid) * factor;

    Say("Setting XY\n");
    for (size_t k = 0; k < projected.size(); ++k) {
        QV_Point3D& v = result.vertices[static_cast<int>(k)];
        v.x = projected[k].x;
        v.y = projected[k].y;
    }
    if (!TextureFirst() && !texture()) return false;
    result.UpdateBounds();
    out = std::move(result);
    return true;
}

bool QV_MugShotBase::CreateFromFrontAndProfile(const QV_Image& front, const QV_AnnotationModel& frontModel,
                                               const QV_Image& profile, const QV_AnnotationModel& profileModel,
                                               const std::vector<QV_RigidPart>& parts, bool highRes, QV_Mesh& out)
{
    if (RefusesTwoPhotographs()) return false;
    if (front.Empty() || profile.Empty()) {
        Message(ClassName(), "CreateFromFrontAndProfile", "no photograph");
        return false;
    }
    const QV_Point2D frontScale(static_cast<float>(front.Cols()), static_cast<float>(front.Rows()));
    const QV_Point2D profileScale(static_cast<float>(profile.Cols()), static_cast<float>(profile.Rows()));
    std::vector<QV_Point2D> fp, pp;
    if (!ProjectPoints(kFront, frontScale, frontModel, fp) || !ProjectPoints(kProfile, profileScale, profileModel, pp))
        return false;
    if (fp.size() != pp.size() || static_cast<int>(fp.size()) > templateMesh.VertexCount()) {
        Message(ClassName(), "CreateFromFrontAndProfile", "front and profile lists differ");
        return false;
    }
    for (const QV_RigidPart& part : parts)
        if (!PlaceRigidPart(kFront, fp, part.vertices, part.target)) return false;

    std::vector<float> frontSample, profileSample;
    if (!TextureSample(kFront, front, frontModel, parts, highRes, frontSample)) return false;
    QV_AnnotationModel profileCopy(profileModel);
    PrepareProfileForSample(profileCopy);
    if (!TextureSample(kProfile, profile, profileCopy, {}, highRes, profileSample)) return false;

    QV_Mesh result(templateMesh);
    if (!Blend(frontSample, &profileSample, highRes, result)) return false;

    if (NormaliseProjectedPoints(kFront, frontScale, frontModel, fp) == QV_NormaliseResult::kDegenerate ||
        NormaliseProjectedPoints(kProfile, profileScale, profileModel, pp) == QV_NormaliseResult::kDegenerate) {
        Message(ClassName(), "CreateFromFrontAndProfile", "degenerate annotation");
        return false;
    }

    float x0 = 3.4028235e38f, x1 = -3.4028235e38f;
    for (const QV_Point2D& p : pp) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
    }
    const float w = x1 - x0, lowB = x0 + 0.2f * w, highA = x0 + 0.4f * w;
    for (size_t k = 0; k < fp.size(); ++k) {
        float y = fp[k].y;
        if (combinationMode == 3) {
            if (pp[k].x < lowB)
                y = pp[k].y;
            else if (pp[k].x <= highA && highA > lowB) {
                const float t = (pp[k].x - lowB) / (highA - lowB);
                y = (1.0f - t) * pp[k].y + t * fp[k].y;
            }
        }
        result.vertices[static_cast<int>(k)] = QV_Point3D(fp[k].x, y, pp[k].x);
    }
    result.UpdateBounds();
    out = std::move(result);
    return true;
}
