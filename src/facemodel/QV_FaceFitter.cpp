#include "QV_FaceFitter.h"

// Placeholder bodies while the driver is written.
bool QV_FaceFitter::InitialiseFromEyes(const QV_Image&, QV_AnnotationModel&, const QV_Point2D&, const QV_Point2D&)
{
    return false;
}
bool QV_FaceFitter::InitialiseFromBox(const QV_Image&, QV_AnnotationModel&, const QV_Point2D&, const QV_Point2D&)
{
    return false;
}
void QV_FaceFitter::BeginSearch() {}
bool QV_FaceFitter::Step(float&) { return true; }
bool QV_FaceFitter::Read(std::FILE*) { return false; }
bool QV_FaceFitter::Write(std::FILE*) const { return false; }
bool QV_FaceFitter::StartProfileSearch(const QV_Image&, QV_AnnotationModel&) { return false; }
bool QV_FaceFitter::StartAppearanceSearch() { return false; }
