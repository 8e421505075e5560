// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

void QV_Image::ToGrey() {}
float QV_Image::Intensity(const QV_Colour&) { return 0.0f; }
void QV_Image::ExtractChannel(QV_GreyImage&, int) const {}
void QV_Image::SetChannel(const QV_GreyImage&, int) {}
void QV_Image::ToGreyBytes(QV_GreyImage&) const {}
void QV_Image::FromGrey(const QV_GreyImage&) {}
void QV_Image::FromFloat(const QV_FloatImage&) {}
void QV_Image::FromFloat(const QV_FloatImage&, const QV_FloatImage&) {}
void QV_Image::ContrastStretch(float) {}
void QV_Image::Sharpen(int) {}
void QV_Image::FlipVertical() {}
void QV_Image::Mirror() {}
void QV_Image::Rotate90() {}
QV_ColourF QV_Image::MeanColour(const QV_Point2D&, int) const { return {}; }
void QV_Image::MeanColour(const QV_Point2D&, int, QV_Colour&) const {}
