// RAII holders for libjpeg's compressor and decompressor with an error
// manager that long-jumps back to the caller instead of ending the process,
// and a stdio source that feeds back the two marker bytes already read and
// treats a premature end of the data as an error.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// Error manager: a fatal libjpeg error formats its message and long-jumps to
// `jump`; warnings are counted and otherwise ignored.
struct QV_JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Installs the error manager into a libjpeg object's `err` field.
jpeg_error_mgr* QV_JpegInstallError(QV_JpegError& e);

// Source manager reading from a C stream; `prefix` holds bytes that were
// taken from the stream before decompression started.
struct QV_JpegSource {
    jpeg_source_mgr pub;
    std::FILE* file = nullptr;
    JOCTET prefix[2] = {0, 0};
    int prefixCount = 0;
    bool started = false;
    JOCTET buffer[65536];
};

// Attaches the source to a decompressor; must run after jpeg_create_decompress.
void QV_JpegAttachSource(j_decompress_ptr cinfo, QV_JpegSource& src, std::FILE* f, const JOCTET* prefix,
                         int prefixCount);

// Owns a decompressor and its error manager and source; the decompressor is
// destroyed with the holder once it has been created.
struct QV_JpegDecoder {
    jpeg_decompress_struct cinfo{};
    QV_JpegError error{};
    QV_JpegSource source;
    bool created = false;

    QV_JpegDecoder() { cinfo.err = QV_JpegInstallError(error); }
    ~QV_JpegDecoder()
    {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
    QV_JpegDecoder(const QV_JpegDecoder&) = delete;
    QV_JpegDecoder& operator=(const QV_JpegDecoder&) = delete;
};

// Owns a compressor and its error manager.
struct QV_JpegEncoder {
    jpeg_compress_struct cinfo{};
    QV_JpegError error{};
    bool created = false;

    QV_JpegEncoder() { cinfo.err = QV_JpegInstallError(error); }
    ~QV_JpegEncoder()
    {
        if (created) jpeg_destroy_compress(&cinfo);
    }
    QV_JpegEncoder(const QV_JpegEncoder&) = delete;
    QV_JpegEncoder& operator=(const QV_JpegEncoder&) = delete;
};
