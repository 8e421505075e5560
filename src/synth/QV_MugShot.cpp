// QV_MugShot: the older record, its group-based normalisation and squeeze.
#include "QV_MugShot.h"

#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Squeeze.h"

namespace {

bool ReadFail(const char* why)
{
    QV_PrintError((std::string("QV_MugShot::ReadBinary() Error! : ") + why + "\n").c_str());
    return false;
}

// Projected point of member `index` of a group, if both exist.
bool GroupPoint(const QV_PointGroupTable& t, const char* label, int index, const std::vector<QV_Point2D>& pts,
                QV_Point2D& out)
{
    std::vector<int> verts;
    if (!t.GroupVertices(label, verts)) return false;
    if (index < 0) index = static_cast<int>(verts.size()) - 1;  // the last
    if (index < 0 || index >= static_cast<int>(verts.size())) return false;
    const int v = verts[static_cast<size_t>(index)];
    if (v < 0 || v >= static_cast<int>(pts.size())) return false;
    out = pts[static_cast<size_t>(v)];
    return true;
}

}  // namespace

QV_MugShot::QV_MugShot()
{
    version = 2;
    blendSample = {0.20f, 0.70f};
}

bool QV_MugShot::ReadBinary(std::FILE* f)
{
    int32_t v = 0;
    uint8_t b = 0;
    if (!QV_ReadI32(f, v) || !QV_ReadU8(f, b)) return ReadFail("short header");
    if (v < 1) return ReadFail("bad version");
    flag = b;
    if (!templateMesh.Read(f)) return ReadFail("bad template mesh");
    for (QV_PointGroupTable& t : tables)
        if (!t.ReadBinary(f)) return ReadFail("bad point-group table");
    if (!frontMapping.ReadBinary(f) || !profileMapping.ReadBinary(f) || !thirdMapping.ReadBinary(f))
        return ReadFail("bad mapping list");
    if (!sampler.ReadBinary(f) || !samplerHigh.ReadBinary(f)) return ReadFail("bad texture sampler");
    if (!furtherTable.ReadBinary(f)) return ReadFail("bad point-group table");
    if (v >= 2) {
        if (!QV_ReadU8(f, maskFlag)) return ReadFail("short mask flag");
        if (!mask.Read(f)) return ReadFail("bad texture mask");
    } else {
        maskFlag = 0;
        mask = QV_Image();
    }
    version = 2;
    if (thirdMapping.Size() > templateMesh.VertexCount())
        return ReadFail("mapping list longer than the template's vertex list");
    return CheckAndDerive("QV_MugShot");
}

bool QV_MugShot::WriteBinary(std::FILE* f) const
{
    if (!QV_WriteI32(f, 2) || !QV_WriteU8(f, flag) || !templateMesh.Write(f)) return false;
    for (const QV_PointGroupTable& t : tables)
        if (!t.WriteBinary(f)) return false;
    return frontMapping.WriteBinary(f) && profileMapping.WriteBinary(f) && thirdMapping.WriteBinary(f) &&
           sampler.WriteBinary(f) && samplerHigh.WriteBinary(f) && furtherTable.WriteBinary(f) &&
           QV_WriteU8(f, maskFlag) && mask.Write(f);
}

bool QV_MugShot::Load(const QV_String& path)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError((std::string("QV_MugShot::Load() Error! : can't open ") + path.CStr()).c_str());
        return false;
    }
    return ReadBinary(f.get());
}

bool QV_MugShot::Save(const QV_String& path) const
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintSystemError((std::string("QV_MugShot::Save() Error! : can't open ") + path.CStr()).c_str());
        return false;
    }
    if (!WriteBinary(f.get())) return false;
    return std::fclose(f.release()) == 0;
}

QV_NormaliseResult QV_MugShot::NormaliseProjectedPoints(int side, const QV_Point2D& /*imageScale*/,
                                                        const QV_AnnotationModel& /*model*/,
                                                        std::vector<QV_Point2D>& points) const
{
    QV_Point2D a, b;
    if (side == kProfile) {
        const QV_PointGroupTable& t = tables[1];
        const bool found = GroupPoint(t, "FACE", 5, points, a) &&
                           (headProfileAnchor ? GroupPoint(t, "HEAD", 63, points, b)
                                              : GroupPoint(t, "FACE", 30, points, b));
        if (!found) {
            QV_PrintError("QV_MugShot::NormaliseProjectedPoints() Left Error!\n");
            return QV_NormaliseResult::kMissingAnnotation;
        }
    } else {
        const QV_PointGroupTable& t = tables[0];
        QV_Point2D n0, n1;
        if (!GroupPoint(t, "NOSE", 0, points, n0) || !GroupPoint(t, "NOSE", -1, points, n1) ||
            !GroupPoint(t, "FACE", 14, points, b)) {
            QV_PrintError("QV_MugShot::NormaliseProjectedPoints() Front Error!\n");
            return QV_NormaliseResult::kMissingAnnotation;
        }
        a = (n0 + n1) * 0.5f;
    }
    return NormaliseFromAnchors(side, a, b, points);
}

void QV_MugShot::Squeeze(int side, QV_AnnotationModel& model) const
{
    if (side == kFront) QV_SqueezeOlderFront(model);
}
