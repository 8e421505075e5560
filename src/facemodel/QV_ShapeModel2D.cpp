#include "QV_ShapeModel2D.h"
// Implementation in progress.
QV_ShapeModel2D::QV_ShapeModel2D(const QV_ShapeModel2D& other) { *this = other; }
QV_ShapeModel2D& QV_ShapeModel2D::operator=(const QV_ShapeModel2D&) { return *this; }
bool QV_ShapeModel2D::Read(std::FILE*) { return false; }
bool QV_ShapeModel2D::Write(std::FILE*) const { return false; }
bool QV_ShapeModel2D::IsValid() const { return pca && pca->IsBuilt(); }
int QV_ShapeModel2D::NumPoints() const { return 0; }
void QV_ShapeModel2D::PlaceMeanShape(const QV_Point2D&, QV_AnnotationModel&) const {}
void QV_ShapeModel2D::Constrain(QV_Array<float>&, int) {}
