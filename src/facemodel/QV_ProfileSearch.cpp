#include "QV_ProfileSearch.h"
// Implementation in progress.
bool QV_ProfileSearch::Read(std::FILE*) { return false; }
bool QV_ProfileSearch::Write(std::FILE*) const { return false; }
bool QV_ProfileSearch::BuildPyramid(const QV_Image&) { return false; }
QV_Point2D QV_ProfileSearch::LevelSize(int) const { return {}; }
bool QV_ProfileSearch::Initialise(QV_AnnotationModel&) { return false; }
void QV_ProfileSearch::ToSearchFrame(QV_AnnotationModel&) const {}
void QV_ProfileSearch::SetShapeFromAnnotation(const QV_AnnotationModel&) {}
bool QV_ProfileSearch::Step(float& fit) { fit = 0; return true; }
float QV_ProfileSearch::SearchPoint(int, QV_Point2D&) const { return 0; }
void QV_ProfileSearch::ToAnnotation(QV_AnnotationModel&) const {}
void QV_ProfileSearch::SampleProfile(const QV_Image&, const QV_Point2D&, const QV_Point2D&, int, QV_Array<float>&) {}
void QV_ProfileSearch::NormaliseProfile(const QV_Array<float>&, int, int, QV_Array<float>&) {}
void QV_ProfileSearch::TrainingProfile(const QV_Image&, const QV_Point2D&, const QV_Point2D&, QV_Array<float>&) const {}
void QV_ProfileSearch::SetShapeLimit(float) {}
