// Builds the face-search template annotation (the contours the face model
// is trained on) from 68 points in iBUG order: jaw 0-16 from the subject's
// right, brows 17-26, nose 27-35, eyes 36-47, outer mouth 48-59, inner 60-67.
#pragma once

#include <array>

#include "QV_AnnotationModel.h"
#include "QV_Point.h"

// The contours, in the order they are built, with their point counts.
struct QV_TemplateContour {
    const char* label;
    int points;
    bool open;
};
inline constexpr int QV_TemplateContourCount = 16;
extern const QV_TemplateContour QV_TemplateContours[QV_TemplateContourCount];

// `points` are normalised (x right, y up from the bottom row, as from
// QV_NormalisedLandmarks); `aspect` is the image width over its height, so
// that geometric rules (arcs, ellipses, offsets) are true in pixels. Fills
// `out` with every contour of QV_TemplateContours, their landmark lists, open
// flags, used = 1 and normalised = 1.
void QV_BuildFaceTemplate(const std::array<QV_Point2D, 68>& points, float aspect, QV_AnnotationModel& out);

// The 68 points of the same face seen in a mirror: x -> 1 - x and each point
// renumbered to its left-right counterpart.
std::array<QV_Point2D, 68> QV_MirrorLandmarks68(const std::array<QV_Point2D, 68>& points);
