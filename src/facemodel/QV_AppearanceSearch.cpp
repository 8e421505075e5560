#include "QV_AppearanceSearch.h"
// Work in progress: filled in below.
bool QV_AppearanceSearch::Read(std::FILE*) { return false; }
bool QV_AppearanceSearch::Write(std::FILE*) const { return false; }
int QV_AppearanceSearch::ChooseSourceLevel(std::span<const QV_Image>, int) { return -1; }
bool QV_AppearanceSearch::Initialise(const QV_Image&, QV_AnnotationModel&) { return false; }
bool QV_AppearanceSearch::Step(float& fit) { fit = 0; return true; }
void QV_AppearanceSearch::ToAnnotation(QV_AnnotationModel&) const {}
int QV_AppearanceSearch::LastLevel() const { return 0; }
int QV_AppearanceSearch::StepsOnLevel(int) const { return 0; }
QV_Point2D QV_AppearanceSearch::LevelSize(int) const { return {}; }
bool QV_AppearanceSearch::MeasureAtCurrentLevel() { return false; }
void QV_AppearanceSearch::MoveToNextLevel() {}
