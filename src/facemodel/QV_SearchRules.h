// Corrections applied to a fitted face annotation after the model search:
// the landmark copy from the reference annotation, the mouth-opening and eye
// rules, and the rebuilding of the head and upper face outlines.
#pragma once

#include "QV_AnnotationModel.h"
#include "QV_Point.h"

// Each annotation takes the landmark list of the reference annotation at the
// same index, or, when the labels there differ, of the first reference
// annotation with its label. Indices that do not name one of the annotation's
// points are dropped; annotations the reference lacks keep their own lists.
void QV_CopyLandmarks(QV_AnnotationModel& model, const QV_AnnotationModel& reference);

// The side openings of "INNER MOUTH" (points 1-11 and 5-7) are shortened,
// along their own direction, to the middle opening (points 3-9), measured in
// pixels of an image of imageSize (W, H). Needs at least 12 points.
void QV_ApplyMouthRule(QV_AnnotationModel& model, const QV_Point2D& imageSize);

// Points 4, 5, 6, 7 and 0 of "RIGHT EYE" move outwards along their pixel
// normals by 4% of the eye's size (|p2 - p6| in pixels); those of "LEFT EYE"
// move by the opposite amount. Each eye needs at least 8 points.
void QV_ApplyEyeRule(QV_AnnotationModel& model, const QV_Point2D& imageSize);

// Rebuilds "HEAD" and the upper "FACE" outline (points 0-4 and 18-last) of a
// fitted model from a reference annotation held as fractions of a 320 x 512
// frame. Returns false, changing nothing, unless the model has the same
// annotations with the same point counts as the reference, a "HEAD" and a
// "FACE" of at least 19 points.
bool QV_CompleteOutline(QV_AnnotationModel& model, const QV_AnnotationModel& reference,
                        const QV_Point2D& imageSize);
