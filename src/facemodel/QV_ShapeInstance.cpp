#include "QV_ShapeInstance.h"
// Implementation in progress.
void QV_ShapeInstance::SetFromAnnotation(const QV_Point2D&, const QV_AnnotationModel&) {}
void QV_ShapeInstance::ToAnnotation(const QV_Point2D&, QV_AnnotationModel&) const {}
void QV_ShapeInstance::UpdateNormals() {}
void QV_ShapeInstance::ApplyFixed() {}
void QV_ShapeInstance::ShapeVector(const QV_Point2D&, const QV_AnnotationModel&, QV_Array<float>&) {}
