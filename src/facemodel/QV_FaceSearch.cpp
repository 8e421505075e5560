#include "QV_FaceSearch.h"

#include "QV_SearchRules.h"

// Placeholder bodies while the search is written.
bool QV_FaceSearch::Read(const QV_String&) { return false; }
bool QV_FaceSearch::Read(std::FILE*) { return false; }
bool QV_FaceSearch::Write(const QV_String&) const { return false; }
bool QV_FaceSearch::Write(std::FILE*) const { return false; }
void QV_FaceSearch::Search(const QV_Image&, QV_AnnotationModel&, const Progress&) {}
bool QV_FaceSearch::CompleteOutline(QV_AnnotationModel& model, const QV_Point2D& imageSize) const
{
    return QV_CompleteOutline(model, reference, imageSize);
}
void QV_FaceSearch::RefinePass(QV_AnnotationModel&, const Progress&, double&, int&, float&) {}
