// QV_Image: the one raster of the system, 32-bit RGBA pixels with row 0 at the
// bottom of the picture, plus the JPEG quality and comment that writers embed.
#pragma once

#include <cstdio>

#include "QV_Array2D.h"
#include "QV_Colour.h"
#include "QV_Point.h"
#include "QV_String.h"

// A colour with float components, as averaged by MeanColour.
struct QV_ColourF {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
};

class QV_Image : public QV_Array2D<QV_Colour> {
public:
    // The notice naming the maker that every constructor puts in the comment.
    static const char* DefaultComment();

    QV_Image();
    QV_Image(int rows, int cols);
    QV_Image(const QV_Image& other) = default;
    QV_Image(QV_Image&& other) noexcept = default;
    explicit QV_Image(const QV_GreyImage& grey);
    QV_Image& operator=(const QV_Image& other) = default;
    QV_Image& operator=(QV_Image&& other) noexcept = default;

    // Storage resize of the array (content undefined afterwards).
    using QV_Array2D<QV_Colour>::Resize;

    int JPEGQuality() const { return jpegQuality; }
    // Accepted only for 0 <= q <= 100.
    void SetJPEGQuality(int q);
    const QV_String& Comment() const { return comment; }
    void SetComment(const QV_String& text) { comment = text; }

    // Whether both have the same bounds and every pixel the same, alpha
    // included (the JPEG quality and comment are not compared).
    bool SamePixels(const QV_Image& other) const;

    // ---- pixel operations ----
    // In place: each pixel becomes (a, a, a, 255) with a = (R + G + B) div 3.
    void ToGrey();
    // (R + G + B) / 3 as a float; a black pixel counts as a sum of 1e-8.
    static float Intensity(const QV_Colour& p);
    // Byte k of each pixel (0 R, 1 G, 2 B, anything else A) into a grey image.
    void ExtractChannel(QV_GreyImage& out, int k) const;
    void SetChannel(const QV_GreyImage& in, int k);
    // Byte R of each pixel (used after ToGrey).
    void ToGreyBytes(QV_GreyImage& out) const;
    // Takes the grey image's bounds; each pixel (v, v, v, 255).
    void FromGrey(const QV_GreyImage& grey);
    // Linear stretch of the float image's min..max to 0..255 into grey pixels.
    void FromFloat(const QV_FloatImage& f);
    // Red from f1, green and blue from f2, each stretched by its own range.
    void FromFloat(const QV_FloatImage& f1, const QV_FloatImage& f2);
    void ContrastStretch(float percent);
    void Sharpen(int n);
    // Resamples to newRows x newCols (bounds from 0), blurring first when
    // shrinking with antialias set.
    void Resize(int newRows, int newCols, bool antialias);
    void ResizeToHeight(int newRows, bool antialias);
    void GaussianBlur(float sigma, int radius);
    void FlipVertical();
    void Mirror();
    void Rotate90();
    // Mean R, G, B over the (2h+1)^2 window around the normalised point (u, v).
    QV_ColourF MeanColour(const QV_Point2D& uv, int h) const;
    void MeanColour(const QV_Point2D& uv, int h, QV_Colour& out) const;

    // ---- files, dispatched by the lower-cased extension ----
    bool Load(const QV_String& path);
    bool LoadAnyExtension(const QV_String& path);
    bool Save(const QV_String& path) const;

    bool LoadBMP(const QV_String& path);
    bool SaveBMP(const QV_String& path) const;
    bool LoadGIF(const QV_String& path);
    bool SaveGIF(const QV_String& path) const;
    bool LoadJPEG(const QV_String& path);
    bool ReadJPEG(std::FILE* f);
    bool SaveJPEG(const QV_String& path) const;
    bool WriteJPEG(std::FILE* f) const;
    bool LoadPNG(const QV_String& path);
    bool SavePNG(const QV_String& path) const;
    bool LoadTIFF(const QV_String& path);
    bool LoadPPM(const QV_String& path);
    bool SavePPM(const QV_String& path) const;
    bool LoadPGM(const QV_String& path);
    bool SavePGM(const QV_String& path) const;
    bool LoadTGA(const QV_String& path);
    bool SaveTGA(const QV_String& path) const;
    bool SavePCX(const QV_String& path) const;
    bool SaveMSK(const QV_String& path) const;
    bool LoadHex(const QV_String& path);
    bool LoadFloatRecord(const QV_String& path);

    // The image record: version, bounds and a zlib-compressed RGBA block.
    bool Write(std::FILE* f) const;
    bool Read(std::FILE* f);

private:
    int jpegQuality = 100;
    QV_String comment;
};

// Samples an image between pixel centres; outside the image it gives the
// default colour (128, 128, 128, 255).
class QV_BilinearSampler {
public:
    explicit QV_BilinearSampler(const QV_Image& image);
    // x, y in pixel units relative to the column and row lower bounds.
    QV_Colour Sample(float x, float y) const;
    void SetDefault(const QV_Colour& c) { defaultColour = c; }

private:
    const QV_Image& img;
    QV_Colour defaultColour{128, 128, 128, 255};
};

// Rounds to nearest, halves away from zero, and clamps to 0..255. Inline:
// resampling calls it four times a pixel.
inline unsigned char QV_RoundToByte(float v)
{
    if (!(v > 0.0f)) return 0;  // also NaN
    if (v >= 255.0f) return 255;
    // Half away from zero, as lround, without the library call: v + 0.5 is
    // exact in double for any float below 255, so truncation is its floor.
    return static_cast<unsigned char>(static_cast<int>(static_cast<double>(v) + 0.5));
}
