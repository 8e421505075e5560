#include "QV_PngState.h"

#include <cstdio>

namespace {

// Keeps libpng's message in the holder (the error pointer) and jumps back.
void PngError(png_structp png, png_const_charp text)
{
    char* message = static_cast<char*>(png_get_error_ptr(png));
    if (message) std::snprintf(message, 256, "%s", text ? text : "unknown error");
    png_longjmp(png, 1);
}

// Warnings describe data that libpng could still read; they are not failures.
void PngWarning(png_structp, png_const_charp) {}

}  // namespace

QV_PngReader::QV_PngReader()
{
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, message, PngError, PngWarning);
    if (png) info = png_create_info_struct(png);
}

QV_PngReader::~QV_PngReader()
{
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
}

QV_PngWriter::QV_PngWriter()
{
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, PngError, PngWarning);
    if (png) info = png_create_info_struct(png);
}

QV_PngWriter::~QV_PngWriter()
{
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
}
