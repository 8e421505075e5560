// Squeezing of an annotation before texture sampling: the face outline, neck
// and head are drawn slightly inwards so that the photograph is sampled inside
// the face and never from the background. Annotations a step needs but the
// model lacks (or that are too short) leave that step out.
#pragma once

#include "QV_AnnotationModel.h"

// "FACE" points 6..16 pulled to 0.9 of their distance from their mean x;
// "NECK" scaled by (0.9, 0.97) and "HEAD" by (0.9, 0.9) about their centroids.
void QV_SqueezeFront(QV_AnnotationModel& model);
// "HEAD" and "HEAD SIDE" together about their common centroid by 0.9 (only when
// both exist); "NECK" about its centroid by 0.9.
void QV_SqueezeProfile(QV_AnnotationModel& model);
// The older mugshot's front squeeze: the jaw ends of "FACE" are moved inwards
// by 0.55 of their last segments, "FACE" and "HEAD" narrowed to 0.95 in x.
void QV_SqueezeOlderFront(QV_AnnotationModel& model);
