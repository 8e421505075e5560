// The child face model fits fewer contours than the plug-ins need; this
// rebuilds a child fit with the contours of the adult model's reference
// annotation, deriving irises, cheeks and the nose bridge from the eyes,
// face, nose and mouth.
#pragma once

#include <functional>

#include "QV_AnnotationModel.h"

// Replaces `fitted` by one contour per contour of `reference`, in its order,
// each with the reference contour's label, open flag and landmarks (landmarks
// beyond the new contour's points are dropped). A contour whose source label
// is missing, or whose source lacks a point it reads, is reported ("index<0")
// through `report` and left out. The result has version 1.
void QV_RebuildChildFaceRegions(const QV_AnnotationModel& reference, QV_AnnotationModel& fitted,
                                const std::function<void(const char*)>& report = nullptr);
