// RAII holders for libpng read and write structures, with error handlers
// that keep libpng's message and long-jump back through png_jmpbuf.
#pragma once

#include <png.h>


// Owns a libpng read structure and its info structure.
struct QV_PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = {0};  // libpng's text of the last error

    QV_PngReader();
    ~QV_PngReader();
    QV_PngReader(const QV_PngReader&) = delete;
    QV_PngReader& operator=(const QV_PngReader&) = delete;
    bool Valid() const { return png && info; }
};

// Owns a libpng write structure and its info structure.
struct QV_PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = {0};  // libpng's text of the last error

    QV_PngWriter();
    ~QV_PngWriter();
    QV_PngWriter(const QV_PngWriter&) = delete;
    QV_PngWriter& operator=(const QV_PngWriter&) = delete;
    bool Valid() const { return png && info; }
};
