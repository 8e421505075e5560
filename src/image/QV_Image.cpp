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

unsigned char QV_RoundToByte(float v)
{
    if (!(v > 0.0f)) return 0;  // also NaN
    if (v >= 255.0f) return 255;
    // Half away from zero, as lround, without the library call: v + 0.5 is
    // exact in double for any float below 255, so truncation is its floor.
    return static_cast<unsigned char>(static_cast<int>(static_cast<double>(v) + 0.5));
}
