#include "QV_Image.h"

#include <cmath>

const char* QV_Image::DefaultComment()
{
    return "Made with Visagen";
}

QV_Image::QV_Image() : comment(DefaultComment()) {}

QV_Image::QV_Image(int rows, int cols) : QV_Array2D<QV_Colour>(rows, cols), comment(DefaultComment()) {}

QV_Image::QV_Image(const QV_GreyImage& grey) : comment(DefaultComment())
{
    FromGrey(grey);
}

void QV_Image::SetJPEGQuality(int q)
{
    if (q >= 0 && q <= 100) jpegQuality = q;
}

