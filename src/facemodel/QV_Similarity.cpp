#include "QV_Similarity.h"
// Implementation in progress.
void QV_Similarity::SetIdentity() { *this = QV_Similarity(); }
bool QV_Similarity::IsIdentity() const { return false; }
void QV_Similarity::FromParams(float, float, float, float) {}
void QV_Similarity::ToParams(float& a, float& b, float& x, float& y) const { a = b = x = y = 0; }
bool QV_Similarity::FromParams(const QV_Array<float>&, int) { return false; }
void QV_Similarity::ToParams(QV_Array<float>&, int) const {}
bool QV_Similarity::Align(const QV_Point2D*, const QV_Point2D*, int) { return false; }
bool QV_Similarity::Align(const std::vector<QV_Point2D>&, const std::vector<QV_Point2D>&) { return false; }
bool QV_Similarity::Align(const QV_Array<float>&, const QV_Array<float>&) { return false; }
QV_Point2D QV_Similarity::Apply(const QV_Point2D& v) const { return v; }
QV_Point2D QV_Similarity::ApplyInverse(const QV_Point2D& v) const { return v; }
void QV_Similarity::ApplyToVector(QV_Array<float>&) const {}
void QV_Similarity::ApplyInverseToVector(QV_Array<float>&) const {}
