// Errors of a fitted annotation against the annotation built from the
// teacher's points, per facial region, in units of the teacher's
// inter-ocular distance.
#pragma once

#include "QV_AnnotationModel.h"
#include "QV_Point.h"

struct RegionErrors {
    float eyes = 0;   // eye centres (centroids of the eye contours)
    float mouth = 0;  // outer and inner mouth points
    float nose = 0;   // nose points
    float jaw = 0;    // "FACE" 4..18
    bool valid = false;
};

// Both annotations normalised; `size` the image size in pixels the
// distances are measured in. Invalid when a region is missing from either.
RegionErrors MeasureRegions(const QV_AnnotationModel& fitted, const QV_AnnotationModel& teacher,
                            const QV_Point2D& size);

// Centroid of the labelled contour in pixels; false when it is absent.
bool ContourCentre(const QV_AnnotationModel& model, const char* label, const QV_Point2D& size, QV_Point2D& out);
