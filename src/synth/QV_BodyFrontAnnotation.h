// QV_BuildBodyFrontAnnotation: the working front annotation the body avatar
// plug-in derives from the user's annotation: eleven contours resampled to the
// point counts and landmarks its mugshot expects, with enlarged eyes.
#pragma once

#include "QV_AnnotationModel.h"

// Fills working with "BROW RIDGE", "FACE", "HEAD", "OUTER MOUTH",
// "INNER MOUTH", "LEFT EAR", "RIGHT EAR", "LEFT EYE", "RIGHT EYE", "NECK" and
// "NOSE", each built from the first annotation of user with that label; then
// enlarges both eyes and lowers them slightly. False, with a message and
// working unchanged, when user lacks one of the labels or has fewer points in
// it than the construction reads. user is not changed.
bool QV_BuildBodyFrontAnnotation(const QV_AnnotationModel& user, QV_AnnotationModel& working);
