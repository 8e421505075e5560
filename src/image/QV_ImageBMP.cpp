// BMP reading (uncompressed 8, 24 and 32 bits per pixel) and 24-bit writing.
#include <cstdint>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Image.h"
#include "QV_ImageCodecUtil.h"

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr int kFileHeaderSize = 14;

void Unrecognised(const QV_String& path)
{
    QV_PrintError(("QV_Image::LoadBMP(). Error! : " + path + " is an unrecognised BMP file\n").CStr());
}

bool KnownInfoHeaderSize(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Bit-field masks are accepted only when they describe the plain byte layout
// B, G, R (and optionally A) of a 32-bit pixel, which reads like BI_RGB.
bool StandardMasks(uint32_t r, uint32_t g, uint32_t b)
{
    return r == 0x00FF0000u && g == 0x0000FF00u && b == 0x000000FFu;
}

}  // namespace

bool QV_Image::LoadBMP(const QV_String& path)
{
    QV_File file = QV_OpenFile(path, "rb");
    if (!file) {
        QV_PrintError(("QV_Image::LoadBMP() Error! can't open file " + path + "\n").CStr());
        return false;
    }
    std::FILE* f = file.get();

    unsigned char fh[kFileHeaderSize];
    if (!QV_ReadBytes(f, fh, 2) || fh[0] != 'B' || fh[1] != 'M') {
        QV_PrintError(("QV_Image::LoadBMP() Error!" + path + " is NOT a BMP File\n").CStr());
        return false;
    }
    unsigned char ih[124] = {};
    if (!QV_ReadBytes(f, fh + 2, kFileHeaderSize - 2) || !QV_ReadBytes(f, ih, 4)) {
        Unrecognised(path);
        return false;
    }
    const uint32_t dataOffset = QV_GetLE32(fh + 10);
    const uint32_t infoSize = QV_GetLE32(ih);
    if (!KnownInfoHeaderSize(infoSize) || !QV_ReadBytes(f, ih + 4, infoSize - 4)) {
        Unrecognised(path);
        return false;
    }

    const int32_t width = static_cast<int32_t>(QV_GetLE32(ih + 4));
    const int32_t rawHeight = static_cast<int32_t>(QV_GetLE32(ih + 8));
    const int bitCount = QV_GetLE16(ih + 14);
    const uint32_t compression = QV_GetLE32(ih + 16);
    const uint32_t coloursUsed = QV_GetLE32(ih + 32);
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -static_cast<int64_t>(rawHeight) : rawHeight;

    if (bitCount != 8 && bitCount != 24 && bitCount != 32) {
        Unrecognised(path);
        return false;
    }
    int64_t headerEnd = kFileHeaderSize + static_cast<int64_t>(infoSize);
    if (compression == kBiBitfields && bitCount == 32) {
        unsigned char masks[12];
        if (infoSize >= 52) {
            for (int k = 0; k < 12; ++k) masks[k] = ih[40 + k];
        } else {
            // With the short header the three masks follow it.
            if (!QV_ReadBytes(f, masks, 12)) {
                Unrecognised(path);
                return false;
            }
            headerEnd += 12;
        }
        if (!StandardMasks(QV_GetLE32(masks), QV_GetLE32(masks + 4), QV_GetLE32(masks + 8))) {
            Unrecognised(path);
            return false;
        }
    } else if (compression != kBiRgb) {
        Unrecognised(path);
        return false;
    }
    if (!QV_SaneImageSize(height, width)) {
        Unrecognised(path);
        return false;
    }

    // Palette: colours used (256 when 0), never more than an index can reach
    // nor more than fits before the pixel data.
    QV_Colour palette[256];
    for (QV_Colour& c : palette) c = QV_Colour(0, 0, 0, 255);
    int64_t paletteBytes = 0;
    if (bitCount == 8) {
        int64_t entries = coloursUsed == 0 ? 256 : coloursUsed;
        if (dataOffset >= headerEnd) {
            const int64_t room = (static_cast<int64_t>(dataOffset) - headerEnd) / 4;
            if (entries > room) entries = room;
        }
        if (entries > 256) entries = 256;
        unsigned char raw[256 * 4];
        if (!QV_ReadBytes(f, raw, static_cast<size_t>(entries) * 4)) {
            Unrecognised(path);
            return false;
        }
        for (int64_t k = 0; k < entries; ++k) palette[k] = QV_Colour(raw[4 * k + 2], raw[4 * k + 1], raw[4 * k], 255);
        paletteBytes = entries * 4;
    }

    // The pixel data starts where the file header says; an offset inside the
    // headers is a broken file.
    if (dataOffset != 0) {
        if (dataOffset < headerEnd || std::fseek(f, static_cast<long>(dataOffset), SEEK_SET) != 0) {
            Unrecognised(path);
            return false;
        }
    } else if (std::fseek(f, static_cast<long>(headerEnd + paletteBytes), SEEK_SET) != 0) {
        Unrecognised(path);
        return false;
    }

    const int bytesPerPixel = bitCount / 8;
    const int64_t rowBytes = (static_cast<int64_t>(width) * bytesPerPixel + 3) / 4 * 4;
    if (!QV_CanHold(f, rowBytes, height)) {
        Unrecognised(path);
        return false;
    }

    const int rows = static_cast<int>(height);
    QV_Array2D<QV_Colour>::Resize(0, rows - 1, 0, width - 1);
    std::vector<unsigned char> line(static_cast<size_t>(rowBytes));
    for (int k = 0; k < rows; ++k) {
        if (!QV_ReadBytes(f, line.data(), line.size())) {
            Unrecognised(path);
            return false;
        }
        QV_Colour* out = Row(topDown ? rows - 1 - k : k);
        const unsigned char* in = line.data();
        for (int c = 0; c < width; ++c, in += bytesPerPixel) {
            if (bitCount == 8) {
                out[c] = palette[in[0]];
            } else {
                out[c] = QV_Colour(in[2], in[1], in[0], 255);
            }
        }
    }
    return true;
}

bool QV_Image::SaveBMP(const QV_String& path) const
{
    // A file with no pixels could not be read back by any reader.
    if (Empty()) {
        QV_PrintError(("QV_Image::SaveBMP(). Error! : empty image, nothing written to " + path + "\n").CStr());
        return false;
    }
    const int64_t rowBytes = (static_cast<int64_t>(Cols()) * 3 + 3) / 4 * 4;
    const int64_t fileSize = 54 + rowBytes * Rows();
    if (fileSize > UINT32_MAX) {
        QV_PrintError(("QV_Image::SaveBMP(). Error! : image too large for " + path + "\n").CStr());
        return false;
    }
    QV_File file = QV_OpenFile(path, "wb");
    if (!file) {
        QV_PrintError(("QV_Image::SaveBMP(). Error! : can't open " + path + "\n").CStr());
        return false;
    }

    unsigned char h[54] = {};
    h[0] = 'B';
    h[1] = 'M';
    QV_PutLE32(h + 2, static_cast<uint32_t>(fileSize));
    QV_PutLE32(h + 10, 54);
    QV_PutLE32(h + 14, 40);
    QV_PutLE32(h + 18, static_cast<uint32_t>(Cols()));
    QV_PutLE32(h + 22, static_cast<uint32_t>(Rows()));
    QV_PutLE16(h + 26, 1);
    QV_PutLE16(h + 28, 24);
    QV_PutLE32(h + 38, 2925);
    QV_PutLE32(h + 42, 2925);
    bool ok = QV_WriteBytes(file.get(), h, sizeof h);

    std::vector<unsigned char> line(static_cast<size_t>(rowBytes), 0);
    for (int r = RowLow(); ok && r <= RowHigh(); ++r) {
        const QV_Colour* in = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            line[3 * c] = in[c].blue;
            line[3 * c + 1] = in[c].green;
            line[3 * c + 2] = in[c].red;
        }
        ok = QV_WriteBytes(file.get(), line.data(), line.size());
    }
    if (ok) ok = std::fflush(file.get()) == 0;
    if (!ok) QV_PrintSystemError(("QV_Image::SaveBMP(). Error! : can't write " + path).CStr());
    return ok;
}
