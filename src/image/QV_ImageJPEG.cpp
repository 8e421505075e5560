// JPEG reading and writing through libjpeg. Every libjpeg call that may fail
// runs inside a small stage function holding the setjmp point; those frames
// keep only trivially destructible locals, so the long jump out of a libjpeg
// error never skips a destructor. Buffers and libjpeg objects live in the
// callers (RAII).
#include <cstdint>
#include <string>
#include <vector>

#include "QV_CodecLimits.h"
#include "QV_Image.h"
#include "QV_JpegState.h"

namespace {

// A baseline JPEG needs a few bits per 8 x 8 block at the very least, so no
// genuine file describes more than this many pixels per byte it holds.
constexpr int64_t kJpegPixelsPerByte = 1024;

// The longest comment that still fits one COM marker (65533 data bytes) after
// being doubled by its shifted copy.
constexpr int kMaxCommentLength = 65533 / 2;

bool ReadHeader(QV_JpegDecoder& d, std::FILE* f, const JOCTET* magic)
{
    if (setjmp(d.error.jump)) return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    QV_JpegAttachSource(&d.cinfo, d.source, f, magic, 2);
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

bool StartDecompress(QV_JpegDecoder& d)
{
    if (setjmp(d.error.jump)) return false;
#ifdef JCS_EXTENSIONS
    // Colour pictures decode straight into our R, G, B, A layout (A = 255).
    if (d.cinfo.out_color_space == JCS_RGB) d.cinfo.out_color_space = JCS_EXT_RGBA;
#endif
    jpeg_start_decompress(&d.cinfo);
    return true;
}

// Four-byte output lands directly in the image rows (top scanline first into
// row rowHigh).
bool ReadScanlinesDirect(QV_JpegDecoder& d, QV_Image& img)
{
    if (setjmp(d.error.jump)) return false;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int k = static_cast<int>(d.cinfo.output_scanline);
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(img.Row(img.RowHigh() - k))};
        if (jpeg_read_scanlines(&d.cinfo, rows, 1) != 1) return false;
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

// Four-channel JPEGs are CMYK (libjpeg turns YCCK into CMYK too): the
// picture's colour is what the inks leave of white. Files from Adobe's
// programs, recognised by their Adobe marker, store the channels inverted
// (255 means no ink); others store the amount of ink.
void InksToColours(QV_Image& img, bool inverted)
{
    for (int r = img.RowLow(); r <= img.RowHigh(); ++r) {
        QV_Colour* row = img.Row(r);
        for (int c = 0; c < img.Cols(); ++c) {
            const int k = inverted ? row[c].alpha : 255 - row[c].alpha;
            auto left = [&](unsigned char ink) {
                const int clear = inverted ? ink : 255 - ink;
                return static_cast<unsigned char>((clear * k + 127) / 255);
            };
            row[c] = QV_Colour(left(row[c].red), left(row[c].green), left(row[c].blue), 255);
        }
    }
}

// Scanlines arrive top first; scanline k goes to image row rowHigh - k.
bool ReadScanlines(QV_JpegDecoder& d, QV_Image& img, JSAMPLE* line)
{
    if (setjmp(d.error.jump)) return false;
    const int comps = d.cinfo.output_components;
    const int cols = img.Cols();
    JSAMPROW rows[1] = {line};
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int k = static_cast<int>(d.cinfo.output_scanline);
        if (jpeg_read_scanlines(&d.cinfo, rows, 1) != 1) return false;
        QV_Colour* out = img.Row(img.RowHigh() - k);
        const JSAMPLE* in = line;
        for (int c = 0; c < cols; ++c, in += comps) {
            if (comps == 1)
                out[c] = QV_Colour(in[0], in[0], in[0], 255);
            else if (comps == 3)
                out[c] = QV_Colour(in[0], in[1], in[2], 255);
            else
                out[c] = QV_Colour(in[0], in[1], in[2], in[3]);
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

void PrintJpegError(const char* where, const QV_JpegError& e)
{
    std::string text = std::string(where) + " Error! : " + e.message + "\n";
    QV_PrintError(text.c_str());
}

std::string ByteText(int c)
{
    if (c == EOF) return "EOF";
    char buf[8];
    std::snprintf(buf, sizeof(buf), "%x", c);
    return buf;
}

bool Compress(QV_JpegEncoder& e, std::FILE* f, const QV_Image& img, int quality, const JOCTET* marker,
              unsigned markerLength, JSAMPLE* line)
{
    if (setjmp(e.error.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    e.created = true;
    jpeg_stdio_dest(&e.cinfo, f);
    e.cinfo.image_width = static_cast<JDIMENSION>(img.Cols());
    e.cinfo.image_height = static_cast<JDIMENSION>(img.Rows());
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    jpeg_start_compress(&e.cinfo, TRUE);
    jpeg_write_marker(&e.cinfo, JPEG_COM, marker, markerLength);
    JSAMPROW rows[1] = {line};
    const int cols = img.Cols();
    for (int r = img.RowHigh(); r >= img.RowLow(); --r) {
        const QV_Colour* in = img.Row(r);
        JSAMPLE* out = line;
        for (int c = 0; c < cols; ++c) {
            *out++ = in[c].red;
            *out++ = in[c].green;
            *out++ = in[c].blue;
        }
        jpeg_write_scanlines(&e.cinfo, rows, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

}  // namespace

bool QV_Image::LoadJPEG(const QV_String& path)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintError((std::string("QV_Image::LoadJPEG(). Error, can not open file ") + path.CStr() + "\n").c_str());
        return false;
    }
    return ReadJPEG(f.get());
}

bool QV_Image::ReadJPEG(std::FILE* f)
{
    jpegQuality = 100;
    if (!f) return false;
    const int64_t bytes = QV_BytesLeft(f);
    const int b0 = std::fgetc(f);
    const int b1 = (b0 == EOF) ? EOF : std::fgetc(f);
    if (b0 != 0xFF || b1 != 0xD8) {
        std::string text =
            "QV_Image()::ReadJPEG() Not a JPEG file first marker was " + ByteText(b0) + " " + ByteText(b1) + "\n";
        QV_PrintError(text.c_str());
        return false;
    }
    const JOCTET magic[2] = {0xFF, 0xD8};
    QV_JpegDecoder d;
    if (!ReadHeader(d, f, magic)) {
        PrintJpegError("QV_Image::ReadJPEG()", d.error);
        return false;
    }
    const int64_t width = d.cinfo.image_width;
    const int64_t height = d.cinfo.image_height;
    if (!QV_PixelCountPlausible(width, height, bytes, kJpegPixelsPerByte)) {
        std::string text = "QV_Image::ReadJPEG() Error! : image size " + std::to_string(width) + " x " +
                           std::to_string(height) + " is more than the file can hold\n";
        QV_PrintError(text.c_str());
        return false;
    }
    if (!StartDecompress(d)) {
        PrintJpegError("QV_Image::ReadJPEG()", d.error);
        return false;
    }
    const int comps = d.cinfo.output_components;
    if (comps > 4) {
        QV_PrintError("QV_Image::LoadJPEG(). Error, file format not supported!.\n");
        return false;
    }
    if ((comps != 1 && comps != 3 && comps != 4) || static_cast<int64_t>(d.cinfo.output_width) != width ||
        static_cast<int64_t>(d.cinfo.output_height) != height) {
        QV_PrintError("QV_Image::LoadJPEG(). Error, file format not supported!.\n");
        return false;
    }
    Resize(0, static_cast<int>(height) - 1, 0, static_cast<int>(width) - 1);
    if (comps == 4) {
        if (!ReadScanlinesDirect(d, *this)) {
            PrintJpegError("QV_Image::ReadJPEG()", d.error);
            return false;
        }
        if (d.cinfo.out_color_space == JCS_CMYK) InksToColours(*this, d.cinfo.saw_Adobe_marker);
        return true;
    }
    std::vector<JSAMPLE> line(static_cast<size_t>(width) * static_cast<size_t>(comps));
    if (!ReadScanlines(d, *this, line.data())) {
        PrintJpegError("QV_Image::ReadJPEG()", d.error);
        return false;
    }
    return true;
}

bool QV_Image::SaveJPEG(const QV_String& path) const
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintError("QV_Image::SaveJPEG(). Error, can not open file!.\n");
        return false;
    }
    if (!WriteJPEG(f.get())) return false;
    if (std::fclose(f.release()) != 0) {
        QV_PrintSystemError((std::string("QV_Image::SaveJPEG(). Error, can not write ") + path.CStr()).c_str());
        return false;
    }
    return true;
}

bool QV_Image::WriteJPEG(std::FILE* f) const
{
    if (!f) return false;
    // The COM marker: the comment, then the comment with every byte plus one.
    const int length = comment.Length() < kMaxCommentLength ? comment.Length() : kMaxCommentLength;
    std::vector<JOCTET> marker(static_cast<size_t>(length) * 2);
    for (int i = 0; i < length; ++i) {
        const JOCTET b = static_cast<JOCTET>(comment[i]);
        marker[static_cast<size_t>(i)] = b;
        marker[static_cast<size_t>(length + i)] = static_cast<JOCTET>(b + 1);
    }
    std::vector<JSAMPLE> line(static_cast<size_t>(Cols()) * 3 + 1);
    QV_JpegEncoder e;
    if (!Compress(e, f, *this, jpegQuality, marker.data(), static_cast<unsigned>(marker.size()), line.data())) {
        PrintJpegError("QV_Image::WriteJPEG()", e.error);
        return false;
    }
    return true;
}
