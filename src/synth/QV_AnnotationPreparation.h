// QV_AnnotationPreparation: what a plug-in does to the user's fitted
// annotation before head creation: work on a copy, let the face search
// complete the head outline, append the reference annotation's points aligned
// to the photograph, and find the eye targets and the eye vertex lists.
#pragma once

#include <functional>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Mesh.h"
#include "QV_MugShotBase.h"

// Completes the head outline of a model in place, given the photograph's size
// in pixels (normally a face search's CompleteOutline); false on failure.
using QV_OutlineCompleter = std::function<bool(QV_AnnotationModel& model, const QV_Point2D& imageSize)>;

// A plug-in's reference annotation model and the scale (x, y) of its
// coordinates, normally the reference photograph's width and height.
struct QV_ReferenceAnnotation {
    QV_AnnotationModel model;
    QV_Point2D scale{1.0f, 1.0f};
};

namespace QV_AnnotationPreparation {

// Copies user into out, completes the outline when completer is given and
// aligns the reference when reference is given, in that order. imageSize is
// the photograph's (width, height) in pixels. False, with a message, when a
// step fails; user is never changed.
bool Prepare(const QV_AnnotationModel& user, const QV_Point2D& imageSize, const QV_OutlineCompleter* completer,
             const QV_ReferenceAnnotation* reference, QV_AnnotationModel& out);

// The reference annotation labelled "BODY" (at index k of the reference) is
// paired point by point with annotation k of model, over the points both
// have: reference points times the reference scale, model points times
// imageSize. The 2D similarity fitted from the former to the latter maps the
// points of every other reference annotation (times the reference scale, in
// model order); divided by imageSize they are appended to model as one
// annotation (default label, flags and colour, no landmarks). False, model
// unchanged, when the reference has no "BODY", model has no annotation k,
// fewer than two points pair up, the image size is not positive or the fit is
// undetermined.
bool AlignReference(QV_AnnotationModel& model, const QV_ReferenceAnnotation& reference,
                    const QV_Point2D& imageSize);

// The box centres of "RIGHT EYE" and "LEFT EYE" in pixels (midpoint of the
// minimum and maximum, times imageSize). False when either eye is missing or
// has no points.
bool EyeTargets(const QV_AnnotationModel& model, const QV_Point2D& imageSize, QV_Point2D& right,
                QV_Point2D& left);

// The template vertices of the mesh groups "RightEye" and "LeftEye" (in order
// of first use by the group's faces); a missing group gives an empty list.
void EyeVertexLists(const QV_Mesh& templateMesh, std::vector<int>& right, std::vector<int>& left);

// The two eye parts (right, then left) for head creation: each eye's vertex
// list with its target. False when the targets cannot be found or a list is empty.
bool EyeParts(const QV_AnnotationModel& model, const QV_Point2D& imageSize, const std::vector<int>& rightEye,
              const std::vector<int>& leftEye, std::vector<QV_RigidPart>& parts);

// The same for the eyes whose lists are not empty: none when both are (true),
// otherwise false when the targets cannot be found.
bool GivenEyeParts(const QV_AnnotationModel& model, const QV_Point2D& imageSize, const std::vector<int>& rightEye,
                   const std::vector<int>& leftEye, std::vector<QV_RigidPart>& parts);

}  // namespace QV_AnnotationPreparation
