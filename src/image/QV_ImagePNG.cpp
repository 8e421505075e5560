// PNG reading and writing through libpng. Calls that may raise a libpng error
// run in stage functions that hold the setjmp point and only trivially
// destructible locals; the libpng structures and row tables are owned by the
// callers, so a long jump never skips a destructor.
#include <cstdint>
#include <string>
#include <vector>

#include "QV_CodecLimits.h"
#include "QV_Image.h"
#include "QV_PngState.h"

namespace {

// Deflate expands at most about 1032 times, and the smallest PNG pixel is one
// bit, so a PNG cannot describe more pixels per byte than this.
constexpr int64_t kPngPixelsPerByte = 8 * 1032;

bool ReadInfo(QV_PngReader& r, std::FILE* f, png_uint_32& width, png_uint_32& height)
{
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_init_io(r.png, f);
    png_set_sig_bytes(r.png, 8);
    png_read_info(r.png, r.info);
    width = png_get_image_width(r.png, r.info);
    height = png_get_image_height(r.png, r.info);
    return true;
}

// Every colour type becomes 8-bit RGBA: palettes and small grey depths expand
// (with tRNS turned into alpha), 16-bit samples are cut to 8, grey is copied
// into R, G and B, and a missing alpha becomes 255.
bool SetTransforms(QV_PngReader& r, png_size_t& rowBytes, int& channels)
{
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_set_expand(r.png);
    png_set_strip_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_filler(r.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    rowBytes = png_get_rowbytes(r.png, r.info);
    channels = png_get_channels(r.png, r.info);
    return true;
}

bool ReadRows(QV_PngReader& r, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_read_image(r.png, rows);
    png_read_end(r.png, nullptr);
    return true;
}

bool WriteRows(QV_PngWriter& w, std::FILE* f, png_uint_32 width, png_uint_32 height, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_init_io(w.png, f);
    png_set_IHDR(w.png, w.info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    png_write_image(w.png, rows);
    png_write_end(w.png, nullptr);
    return true;
}

void PrintPngError(const char* where, const QV_String& path, const char* message)
{
    std::string text = std::string(where) + " Error! : " + path.CStr() + ": " + message + "\n";
    QV_PrintError(text.c_str());
}

}  // namespace

bool QV_Image::LoadPNG(const QV_String& path)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        PrintPngError("QV_Image::LoadPNG()", path, "can't open file");
        return false;
    }
    const int64_t bytes = QV_BytesLeft(f.get());
    png_byte signature[8];
    if (std::fread(signature, 1, 8, f.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        PrintPngError("QV_Image::LoadPNG()", path, "not a PNG file");
        return false;
    }
    QV_PngReader r;
    if (!r.Valid()) {
        PrintPngError("QV_Image::LoadPNG()", path, "can't create the PNG reader");
        return false;
    }
    png_uint_32 width = 0, height = 0;
    if (!ReadInfo(r, f.get(), width, height)) {
        PrintPngError("QV_Image::LoadPNG()", path, r.message);
        return false;
    }
    if (!QV_PixelCountPlausible(width, height, bytes, kPngPixelsPerByte)) {
        PrintPngError("QV_Image::LoadPNG()", path, "image size is more than the file can hold");
        return false;
    }
    png_size_t rowBytes = 0;
    int channels = 0;
    if (!SetTransforms(r, rowBytes, channels)) {
        PrintPngError("QV_Image::LoadPNG()", path, r.message);
        return false;
    }
    if (channels != 4 || rowBytes != static_cast<png_size_t>(width) * 4) {
        PrintPngError("QV_Image::LoadPNG()", path, "unsupported pixel layout");
        return false;
    }
    Resize(0, static_cast<int>(height) - 1, 0, static_cast<int>(width) - 1);
    // PNG row k (top first) is image row height - 1 - k; pixels are R, G, B, A.
    std::vector<png_bytep> rows(height);
    for (png_uint_32 k = 0; k < height; ++k)
        rows[k] = reinterpret_cast<png_bytep>(Row(static_cast<int>(height - 1 - k)));
    if (!ReadRows(r, rows.data())) {
        PrintPngError("QV_Image::LoadPNG()", path, r.message);
        return false;
    }
    return true;
}

bool QV_Image::SavePNG(const QV_String& path) const
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        PrintPngError("QV_Image::SavePNG()", path, "can't open file");
        return false;
    }
    QV_PngWriter w;
    if (!w.Valid()) {
        PrintPngError("QV_Image::SavePNG()", path, "can't create the PNG writer");
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(Rows()));
    for (int k = 0; k < Rows(); ++k)
        rows[static_cast<size_t>(k)] =
            reinterpret_cast<png_bytep>(const_cast<QV_Colour*>(Row(RowHigh() - k)));
    if (!WriteRows(w, f.get(), static_cast<png_uint_32>(Cols()), static_cast<png_uint_32>(Rows()), rows.data())) {
        PrintPngError("QV_Image::SavePNG()", path, w.message);
        return false;
    }
    if (std::fclose(f.release()) != 0) {
        QV_PrintSystemError((std::string("QV_Image::SavePNG() Error! : can't write ") + path.CStr()).c_str());
        return false;
    }
    return true;
}
