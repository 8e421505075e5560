// QV_MugShot2D3D: record, anchors of the normalisation, squeeze and the
// two-photograph creation.
#include "QV_MugShot2D3D.h"

#include <cmath>
#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Squeeze.h"

namespace {

bool ReadFail(const char* why)
{
    QV_PrintError((std::string("QV_MugShot2D3D::ReadBinary() Error! : ") + why + "\n").c_str());
    return false;
}

// Foot of the perpendicular from p onto the line through a and b.
QV_Point2D Foot(const QV_Point2D& a, const QV_Point2D& b, const QV_Point2D& p)
{
    const QV_Point2D d = b - a;
    const float t = ((p.x - a.x) * d.x + (p.y - a.y) * d.y) / (d.x * d.x + d.y * d.y);
    return a + d * t;
}

const QV_Annotation* Get(const QV_AnnotationModel& m, const char* label, int minPoints)
{
    const int i = m.Find(label);
    return (i >= 0 && m[i].NumPoints() >= minPoints) ? &m[i] : nullptr;
}

bool GroupVerticesValid(const QV_PointGroupTable& t, int vertexCount)
{
    for (const QV_GroupMember& m : t.members.items)
        if (m.vertex >= vertexCount) return false;
    return true;
}

}  // namespace

QV_MugShot2D3D::QV_MugShot2D3D()
{
    version = 1;
    blendSample = {0.23f, 0.70f};
}

bool QV_MugShot2D3D::ReadBinary(std::FILE* f)
{
    int32_t v = 0;
    uint8_t fo = 0, sp = 0;
    if (!QV_ReadI32(f, v) || !QV_ReadU8(f, fo) || !QV_ReadU8(f, sp)) return ReadFail("short header");
    version = v;
    frontOnly = fo;
    spare = sp;
    if (!templateMesh.Read(f)) return ReadFail("bad template mesh");
    if (!frontGroups.ReadBinary(f) || !profileGroups.ReadBinary(f)) return ReadFail("bad point-group table");
    if (!GroupVerticesValid(frontGroups, templateMesh.VertexCount()) ||
        !GroupVerticesValid(profileGroups, templateMesh.VertexCount()))
        return ReadFail("point group names a missing vertex");
    if (!frontMapping.ReadBinary(f) || !profileMapping.ReadBinary(f)) return ReadFail("bad mapping list");
    if (!sampler.ReadBinary(f) || !samplerHigh.ReadBinary(f)) return ReadFail("bad texture sampler");
    if (!mask.Read(f)) return ReadFail("bad texture mask");
    return CheckAndDerive("QV_MugShot2D3D");
}

bool QV_MugShot2D3D::WriteBinary(std::FILE* f) const
{
    return QV_WriteI32(f, version) && QV_WriteU8(f, frontOnly) && QV_WriteU8(f, spare) && templateMesh.Write(f) &&
           frontGroups.WriteBinary(f) && profileGroups.WriteBinary(f) && frontMapping.WriteBinary(f) &&
           profileMapping.WriteBinary(f) && sampler.WriteBinary(f) && samplerHigh.WriteBinary(f) && mask.Write(f);
}

bool QV_MugShot2D3D::Load(const QV_String& path)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError((std::string("QV_MugShot2D3D::Load() Error! : can't open ") + path.CStr()).c_str());
        return false;
    }
    return ReadBinary(f.get());
}

bool QV_MugShot2D3D::Save(const QV_String& path) const
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintSystemError((std::string("QV_MugShot2D3D::Save() Error! : can't open ") + path.CStr()).c_str());
        return false;
    }
    if (!WriteBinary(f.get())) return false;
    return std::fclose(f.release()) == 0;
}

QV_NormaliseResult QV_MugShot2D3D::AnchorTransform(int side, const QV_Point2D& imageScale,
                                                   const QV_AnnotationModel& model, QV_Similarity& out) const
{
    out.SetIdentity();
    QV_Point2D a, b;
    if (side == kProfile) {
        const QV_Annotation* face = Get(model, "FACE", 35);
        const QV_Annotation* eye = Get(model, "EYE", 1);
        const QV_Annotation* mouth = Get(model, "MOUTH", 3);
        if (!face || !eye || !mouth) {
            QV_PrintError("QV_MugShot2D3D::NormaliseProjectedPoints() Left Error!\n");
            return QV_NormaliseResult::kMissingAnnotation;
        }
        const QV_Point2D l0 = face->points[31].Scaled(imageScale), l1 = face->points[34].Scaled(imageScale);
        if (l0 == l1) return QV_NormaliseResult::kDegenerate;
        a = Foot(l0, l1, eye->points[0].Scaled(imageScale));
        b = Foot(l0, l1, mouth->points[2].Scaled(imageScale));
    } else {
        const QV_Annotation* face = Get(model, "FACE", 0);
        const QV_Annotation* mouth = Get(model, "OUTER MOUTH", 4);
        const QV_Annotation* right = Get(model, "RIGHT EYE", 1);
        const QV_Annotation* left = Get(model, "LEFT EYE", 1);
        if (!face || !mouth || !right || !left) {
            QV_PrintError("QV_MugShot2D3D::NormaliseProjectedPoints() Front Error!\n");
            return QV_NormaliseResult::kMissingAnnotation;
        }
        const QV_Point2D r = right->points[0].Scaled(imageScale), l = left->points[0].Scaled(imageScale);
        a = (r + l) * 0.5f;
        const QV_Point2D eyeLine = l - r;
        const float len = std::sqrt(eyeLine.x * eyeLine.x + eyeLine.y * eyeLine.y);
        if (!(len > 0.0f)) return QV_NormaliseResult::kDegenerate;
        // Perpendicular to the eye line, on the side of the mouth.
        QV_Point2D n(-eyeLine.y / len, eyeLine.x / len);
        const QV_Point2D m = mouth->points[3].Scaled(imageScale);
        if ((m.x - a.x) * n.x + (m.y - a.y) * n.y < 0.0f) n = n * -1.0f;
        b = a + n * Distance(a, m);
    }
    return QV_AnchorSimilarity(a, b, out) ? QV_NormaliseResult::kDone : QV_NormaliseResult::kDegenerate;
}

QV_NormaliseResult QV_MugShot2D3D::NormaliseProjectedPoints(int side, const QV_Point2D& imageScale,
                                                            const QV_AnnotationModel& model,
                                                            std::vector<QV_Point2D>& points) const
{
    QV_Similarity first;
    const QV_NormaliseResult r = AnchorTransform(side, imageScale, model, first);
    if (r != QV_NormaliseResult::kDone) return r;
    return NormaliseWith(side, first, points);
}

void QV_MugShot2D3D::Squeeze(int side, QV_AnnotationModel& model) const
{
    if (side == kProfile)
        QV_SqueezeProfile(model);
    else
        QV_SqueezeFront(model);
}

void QV_MugShot2D3D::PrepareProfileForSample(QV_AnnotationModel& model) const
{
    // The profile's chin point takes the height of the point above it.
    const int face = model.Find("FACE");
    if (face >= 0 && model[face].NumPoints() > 27) model[face].points[27].y = model[face].points[25].y;
}
