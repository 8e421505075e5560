// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

void QV_Image::Resize(int, int, bool) {}
void QV_Image::ResizeToHeight(int, bool) {}
void QV_Image::GaussianBlur(float, int) {}
QV_BilinearSampler::QV_BilinearSampler(const QV_Image& image) : img(image) {}
QV_Colour QV_BilinearSampler::Sample(float, float) const { return defaultColour; }
