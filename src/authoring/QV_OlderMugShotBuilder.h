// Building an older mugshot (".mug", the model of the targets built on it)
// from a 2D-3D one: the same template, mappings, samplers and mask, with the
// point-group tables through which the older model finds its anchors.
#pragma once

#include "QV_AnnotationModel.h"
#include "QV_MugShot.h"
#include "QV_MugShot2D3D.h"

// The front table names one group per contour of the front reference and the
// profile table one per contour of the profile reference (labels and points
// as in the references); each member is the template vertex that the side's
// mapping, evaluated on the reference, puts nearest to the contour's point.
// The references are scaled by their frames (the stock photographs' sizes).
// With frontLayout, the front mapping is rebuilt over that annotation (the
// same face in another layout, such as the body avatar's working annotation
// of the front reference) so that each vertex keeps its place, and the front
// table follows that layout. False, with a message, when a mapping names a
// point its reference lacks, a layout admits no mapping or the template has
// no vertices.
bool QV_BuildOlderMugShot(const QV_MugShot2D3D& from, const QV_AnnotationModel& front,
                          const QV_Point2D& frontFrame, const QV_AnnotationModel& profile,
                          const QV_Point2D& profileFrame, QV_MugShot& out,
                          const QV_AnnotationModel* frontLayout = nullptr);
