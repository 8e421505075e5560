// QV_AnnotationModel: the annotation of a face in one photograph, a list of
// labelled contours, with its geometric operations and its three file forms
// ("ana" versioned text, "anb" versioned binary, "mma"/"mmac"/"mmaf" older text).
#pragma once

#include <cstdio>

#include "QV_Annotation.h"

class QV_AnnotationModel {
public:
    QV_List<QV_Annotation> annotations{10};
    int version = 1;

    int Count() const { return static_cast<int>(annotations.Size()); }
    QV_Annotation& operator[](int i) { return annotations[i]; }
    const QV_Annotation& operator[](int i) const { return annotations[i]; }
    void Clear()
    {
        annotations.Clear();
        version = 1;
    }

    // ---- files ----
    // By the lower-cased extension; other extensions read nothing and return true.
    bool Load(const QV_String& path);
    // By the lower-cased extension; other extensions write nothing and return false.
    bool Save(const QV_String& path) const;
    // The binary form at the stream's current position (also embedded in
    // other files). A failed read leaves the model empty.
    bool ReadBinary(std::FILE* f);
    bool WriteBinary(std::FILE* f) const;
    bool ReadText(std::FILE* f);
    bool WriteText(std::FILE* f) const;
    bool ReadOldText(std::FILE* f);
    bool WriteOldText(std::FILE* f) const;

    // ---- lookups ----
    // Index of the first annotation with the label, -1 if none.
    int Find(const QV_String& label) const;
    int Find(const char* label) const;
    // Each annotation takes the used flag of the first annotation of other with
    // the same label, or 0 when other has none.
    void CopyUsedFlags(const QV_AnnotationModel& other);

    // ---- geometry (usedOnly skips annotations whose used flag is 0) ----
    QV_Point2D Centroid(bool usedOnly) const;
    QV_Point2D BoundingBox(bool usedOnly, QV_Point2D& min, QV_Point2D& max) const;
    void ScaledPoints(const QV_Point2D& scale, bool usedOnly, QV_List<QV_Point2D>& out) const;
    // Nearest point closer than 0.05 (normalised units); outputs 0, 0 and
    // false when there is none.
    bool NearestPoint(const QV_Point2D& p, int& annotationIndex, int& pointIndex) const;
    bool NearestLandmark(const QV_Point2D& p, int& annotationIndex, int& pointIndex) const;
    void Translate(const QV_Point2D& d);
    void ScaleAboutCentroid(const QV_Point2D& s);
    void Rotate(float angleDegrees, const QV_Point2D& aspect);
    // Scales the listed annotations together about their common centroid.
    void ScaleGroup(const QV_List<int>& indices, const QV_Point2D& s);

    // Left-right mirroring: swaps left and right contours and reorders points
    // so that each contour keeps its point-order convention.
    void Mirror();
};
