// TIFF reading through libtiff's RGBA raster interface. libtiff's error and
// warning handlers are pointed at our error stream; the TIFF handle is held
// by a small RAII owner.
#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "QV_CodecLimits.h"
#include "QV_Image.h"

namespace {

// LZW and deflate both stay below about 4096 bytes per input byte, and the
// smallest TIFF pixel is one bit.
constexpr int64_t kTiffPixelsPerByte = 8 * 4096;

void TiffReport(const char* kind, const char* module, const char* format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof(text), format, args);
    std::string line = std::string("QV_Image::LoadTIFF() ") + kind + " : " + (module ? module : "") + ": " + text + "\n";
    QV_PrintError(line.c_str());
}

void TiffError(const char* module, const char* format, va_list args) { TiffReport("Error!", module, format, args); }
void TiffWarning(const char* module, const char* format, va_list args) { TiffReport("Warning", module, format, args); }

// libtiff's default handlers write to stderr in their own form; ours keep
// every report on our error stream in the reader's form.
void InstallTiffHandlers()
{
    static const bool installed = [] {
        TIFFSetErrorHandler(TiffError);
        TIFFSetWarningHandler(TiffWarning);
        return true;
    }();
    (void)installed;
}

struct TiffCloser {
    void operator()(TIFF* t) const
    {
        if (t) TIFFClose(t);
    }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

int64_t FileSize(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

}  // namespace

bool QV_Image::LoadTIFF(const QV_String& path)
{
    InstallTiffHandlers();
    const std::string systemPath = QV_SystemPath(path.CStr());
    TiffHandle tif(TIFFOpen(systemPath.c_str(), "r"));
    if (!tif) {
        QV_PrintError((std::string("QV_Image::LoadTIFF() Error! : can't open ") + path.CStr() + "\n").c_str());
        return false;
    }
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height)) {
        QV_PrintError((std::string("QV_Image::LoadTIFF() Error! : no image size in ") + path.CStr() + "\n").c_str());
        return false;
    }
    if (!QV_PixelCountPlausible(width, height, FileSize(systemPath), kTiffPixelsPerByte)) {
        QV_PrintError((std::string("QV_Image::LoadTIFF() Error! : image size is more than the file can hold: ") +
                       path.CStr() + "\n")
                          .c_str());
        return false;
    }
    Resize(0, static_cast<int>(height) - 1, 0, static_cast<int>(width) - 1);
    // The raster is bottom row first, each pixel a word 0xAABBGGRR, which is
    // the memory order R, G, B, A of our pixels; stop at the first error so a
    // damaged strip fails the read instead of leaving garbage behind.
    uint32_t* raster = reinterpret_cast<uint32_t*>(Data());
    if (!TIFFReadRGBAImage(tif.get(), width, height, raster, 1)) {
        QV_PrintError((std::string("QV_Image::LoadTIFF() Error! : can't read the image of ") + path.CStr() + "\n").c_str());
        return false;
    }
    QV_Colour* p = Data();
    for (int i = 0; i < Count(); ++i) p[i].alpha = 255;
    return true;
}
