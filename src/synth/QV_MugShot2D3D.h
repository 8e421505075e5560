// QV_MugShot2D3D: the mugshot model that ties template head vertices to the
// points of a fitted annotation and fills the head texture from a photograph;
// its record is the ".mug2d3d" file and is embedded as is in head model files.
//
// Record: int32 version, byte front-only flag, byte spare, template mesh
// record, front and profile point-group tables, front and profile mapping
// lists, standard and high-resolution samplers, texture-mask image record.
#pragma once

#include <cstdio>

#include "QV_MugShotBase.h"
#include "QV_PointGroupTable.h"
#include "QV_String.h"

class QV_MugShot2D3D : public QV_MugShotBase {
public:
    QV_MugShot2D3D();

    unsigned char frontOnly = 0;
    unsigned char spare = 0;
    QV_PointGroupTable frontGroups;
    QV_PointGroupTable profileGroups;

    // A failed read returns false with a message; the object must not be used.
    bool ReadBinary(std::FILE* f);
    bool WriteBinary(std::FILE* f) const;
    bool Load(const QV_String& path);
    bool Save(const QV_String& path) const;

    // Front anchors: eye midpoint and a point below it at the eye-to-mouth
    // distance; profile anchors: the eye and mouth dropped onto the profile line.
    QV_NormaliseResult NormaliseProjectedPoints(int side, const QV_Point2D& imageScale,
                                                const QV_AnnotationModel& model,
                                                std::vector<QV_Point2D>& points) const override;
    // The first-stage similarity of NormaliseProjectedPoints (anchors to the
    // fixed frame). Missing annotations write the side's error line.
    QV_NormaliseResult AnchorTransform(int side, const QV_Point2D& imageScale, const QV_AnnotationModel& model,
                                       QV_Similarity& out) const;
    void Squeeze(int side, QV_AnnotationModel& model) const override;

protected:
    const char* ClassName() const override { return "QV_MugShot2D3D"; }
    bool RefusesTwoPhotographs() const override { return frontOnly != 0; }
    void PrepareProfileForSample(QV_AnnotationModel& model) const override;
};
