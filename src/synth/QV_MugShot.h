// QV_MugShot: the older mugshot model (".mug" files), used by the body avatar
// plug-ins; it normalises projected points through its own vertex groups.
//
// Record: int32 version (2 written; 1 accepted), byte flag, template mesh
// record, three point-group tables (front groups, profile groups, a third kept
// as read), three mapping lists (front, profile, third), standard and
// high-resolution samplers, a further point-group table, and for version 2 or
// more a byte and the texture-mask image record.
#pragma once

#include <cstdio>

#include "QV_MugShotBase.h"
#include "QV_PointGroupTable.h"
#include "QV_String.h"

class QV_MugShot : public QV_MugShotBase {
public:
    QV_MugShot();

    unsigned char flag = 0;
    QV_PointGroupTable tables[3];
    QV_MappingList thirdMapping;
    QV_PointGroupTable furtherTable;
    unsigned char maskFlag = 0;
    // The profile anchor B from vertex 63 of "HEAD" instead of vertex 30 of "FACE".
    bool headProfileAnchor = false;

    // A version-1 record has no mask; the version becomes 2 after reading.
    bool ReadBinary(std::FILE* f);
    bool WriteBinary(std::FILE* f) const;
    bool Load(const QV_String& path);
    bool Save(const QV_String& path) const;

    // Front: A = midpoint of the first and last "NOSE" vertices, B = vertex 14 of
    // "FACE"; profile: A = vertex 5 of "FACE", B = vertex 30 of "FACE" (or 63 of
    // "HEAD"), taken from the projected points through the side's group table.
    QV_NormaliseResult NormaliseProjectedPoints(int side, const QV_Point2D& imageScale,
                                                const QV_AnnotationModel& model,
                                                std::vector<QV_Point2D>& points) const override;
    void Squeeze(int side, QV_AnnotationModel& model) const override;

protected:
    const char* ClassName() const override { return "QV_MugShot"; }
    bool TextureFirst() const override { return false; }
};
