// PPM (P6) and PGM (P5 binary, P2 text) reading, and P6 / P5 writing.
#include <cctype>
#include <cstdint>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Image.h"
#include "QV_ImageCodecUtil.h"
#include "QV_ImageComment.h"

namespace {

// Header fields of a PNM file after its magic line.
struct PnmHeader {
    int width = 0;
    int height = 0;
    int maxValue = 0;
};

// Skips white space and '#' comments (to the end of their line).
void SkipSpaceAndComments(std::FILE* f)
{
    int ch = std::fgetc(f);
    while (ch != EOF) {
        if (ch == '#') {
            while (ch != EOF && ch != '\n') ch = std::fgetc(f);
        } else if (!std::isspace(ch)) {
            std::ungetc(ch, f);
            return;
        }
        ch = std::fgetc(f);
    }
}

// Reads one unsigned decimal number; false when there is none or it does not
// fit an int.
bool ReadNumber(std::FILE* f, int64_t& value)
{
    int ch = std::fgetc(f);
    if (ch == EOF || !std::isdigit(ch)) return false;
    value = 0;
    while (ch != EOF && std::isdigit(ch)) {
        value = value * 10 + (ch - '0');
        if (value > INT32_MAX) return false;
        ch = std::fgetc(f);
    }
    if (ch != EOF) std::ungetc(ch, f);
    return true;
}

// Reads the two magic bytes; true when they are 'P' and one of `kinds`.
bool ReadMagic(std::FILE* f, const char* kinds, char& kind)
{
    unsigned char m[2];
    if (!QV_ReadBytes(f, m, 2) || m[0] != 'P') return false;
    for (const char* k = kinds; *k; ++k)
        if (m[1] == static_cast<unsigned char>(*k)) {
            kind = *k;
            return true;
        }
    return false;
}

// Width, height and maximum value, separated by white space with comment
// lines allowed; for the binary forms exactly one white-space byte follows the
// maximum so that pixel bytes that look like white space are not swallowed.
bool ReadHeader(std::FILE* f, PnmHeader& h, bool binary)
{
    int64_t v[3];
    for (int64_t& x : v) {
        SkipSpaceAndComments(f);
        if (!ReadNumber(f, x)) return false;
    }
    if (binary) {
        const int ch = std::fgetc(f);
        if (ch == EOF || !std::isspace(ch)) return false;
    }
    if (!QV_SaneImageSize(v[1], v[0]) || v[2] <= 0) return false;
    h.width = static_cast<int>(v[0]);
    h.height = static_cast<int>(v[1]);
    h.maxValue = static_cast<int>(v[2]);
    return true;
}

// Grey values stretched from their min..max to 0..255 into R, G and B; a
// flat image keeps its values (capped at 255) instead of dividing by zero.
void StoreStretchedGrey(QV_Image& img, const std::vector<int>& values, int width, int height)
{
    int lo = values.empty() ? 0 : values[0];
    int hi = lo;
    for (int v : values) {
        if (v < lo) lo = v;
        if (v > hi) hi = v;
    }
    img.Resize(0, height - 1, 0, width - 1);
    const double range = static_cast<double>(hi) - lo;
    for (int k = 0; k < height; ++k) {
        QV_Colour* out = img.Row(height - 1 - k);
        const int* in = values.data() + static_cast<size_t>(k) * width;
        for (int c = 0; c < width; ++c) {
            const double s = range > 0 ? (in[c] - lo) / range * 255.0 : in[c];
            const unsigned char g = QV_RoundToByte(static_cast<float>(s));
            out[c] = QV_Colour(g, g, g, 255);
        }
    }
}

}  // namespace

bool QV_Image::LoadPPM(const QV_String& path)
{
    QV_File file = QV_OpenFile(path, "rb");
    if (!file) {
        QV_PrintError(("QV_Image::LoadPPM() Error! : can't open file " + path + "\n").CStr());
        return false;
    }
    std::FILE* f = file.get();
    char kind = 0;
    PnmHeader h;
    if (!ReadMagic(f, "6", kind) || !ReadHeader(f, h, true) || h.maxValue > 255) {
        QV_PrintError(("QV_Image::LoadPPM() Error! : " + path + " is not a binary 8-bit PPM file\n").CStr());
        return false;
    }
    const int64_t rowBytes = static_cast<int64_t>(h.width) * 3;
    if (!QV_CanHold(f, rowBytes, h.height)) {
        QV_PrintError(("QV_Image::LoadPPM() Error! : " + path + " is truncated\n").CStr());
        return false;
    }
    QV_Array2D<QV_Colour>::Resize(0, h.height - 1, 0, h.width - 1);
    std::vector<unsigned char> line(static_cast<size_t>(rowBytes));
    for (int k = 0; k < h.height; ++k) {
        if (!QV_ReadBytes(f, line.data(), line.size())) {
            QV_PrintError(("QV_Image::LoadPPM() Error! : " + path + " is truncated\n").CStr());
            return false;
        }
        QV_Colour* out = Row(h.height - 1 - k);
        for (int c = 0; c < h.width; ++c) out[c] = QV_Colour(line[3 * c], line[3 * c + 1], line[3 * c + 2], 255);
    }
    return true;
}

bool QV_Image::LoadPGM(const QV_String& path)
{
    QV_File file = QV_OpenFile(path, "rb");
    if (!file) {
        QV_PrintError(("QV_Image::LoadPGM() Error! : can't open file " + path + "\n").CStr());
        return false;
    }
    std::FILE* f = file.get();
    char kind = 0;
    PnmHeader h;
    if (!ReadMagic(f, "52", kind) || !ReadHeader(f, h, kind == '5') || (kind == '5' && h.maxValue > 255)) {
        QV_PrintError(("QV_Image::LoadPGM() Error! : " + path + " is not a P5 or P2 PGM file\n").CStr());
        return false;
    }
    const int64_t count = static_cast<int64_t>(h.width) * h.height;
    // A text value takes at least one digit and one separator (none after the last).
    const bool holds = kind == '5' ? QV_CanHold(f, count, 1) : QV_CanHold(f, 2 * count - 1, 1);
    if (!holds) {
        QV_PrintError(("QV_Image::LoadPGM() Error! : " + path + " is truncated\n").CStr());
        return false;
    }
    std::vector<int> values(static_cast<size_t>(count));
    if (kind == '5') {
        std::vector<unsigned char> bytes(static_cast<size_t>(count));
        if (!QV_ReadBytes(f, bytes.data(), bytes.size())) {
            QV_PrintError(("QV_Image::LoadPGM() Error! : " + path + " is truncated\n").CStr());
            return false;
        }
        for (size_t i = 0; i < bytes.size(); ++i) values[i] = bytes[i];
    } else {
        for (int& v : values) {
            int64_t x = 0;
            SkipSpaceAndComments(f);
            if (!ReadNumber(f, x)) {
                QV_PrintError(("QV_Image::LoadPGM() Error! : " + path + " has a missing or bad value\n").CStr());
                return false;
            }
            v = static_cast<int>(x);
        }
    }
    StoreStretchedGrey(*this, values, h.width, h.height);
    return true;
}

bool QV_Image::SavePPM(const QV_String& path) const
{
    // A file with no pixels could not be read back by any reader.
    if (Empty()) {
        QV_PrintError(("QV_Image::SavePPM() Error! : empty image, nothing written to " + path + "\n").CStr());
        return false;
    }
    QV_File file = QV_OpenFile(path, "wb");
    if (!file) {
        QV_PrintSystemError(("QV_Image::SavePPM() Error! : can't open " + path).CStr());
        return false;
    }
    std::FILE* f = file.get();
    bool ok = std::fprintf(f, "P6\n%d %d\n255\n", Cols(), Rows()) > 0;
    std::vector<unsigned char> line(static_cast<size_t>(Cols()) * 3);
    for (int r = RowHigh(); ok && r >= RowLow(); --r) {
        const QV_Colour* in = Row(r);
        for (int c = 0; c < Cols(); ++c) {
            line[3 * c] = in[c].red;
            line[3 * c + 1] = in[c].green;
            line[3 * c + 2] = in[c].blue;
        }
        ok = QV_WriteBytes(f, line.data(), line.size());
    }
    if (ok) ok = std::fflush(f) == 0;
    if (!ok) QV_PrintSystemError(("QV_Image::SavePPM() Error! : can't write " + path).CStr());
    return ok;
}

bool QV_Image::SavePGM(const QV_String& path) const
{
    // A file with no pixels could not be read back by any reader.
    if (Empty()) {
        QV_PrintError(("QV_Image::SavePGM() Error! : empty image, nothing written to " + path + "\n").CStr());
        return false;
    }
    // Grey buffer, row 0 first, so the comment goes into the bottom row.
    const size_t cols = static_cast<size_t>(Cols());
    std::vector<unsigned char> grey(cols * static_cast<size_t>(Rows()));
    for (int r = 0; r < Rows(); ++r) {
        const QV_Colour* in = Row(RowLow() + r);
        for (size_t c = 0; c < cols; ++c) grey[r * cols + c] = QV_RoundToByte(Intensity(in[c]));
    }
    if (!grey.empty()) QV_EmbedComment(grey.data(), cols, Comment());

    QV_File file = QV_OpenFile(path, "wb");
    if (!file) {
        QV_PrintSystemError(("QV_Image::SavePGM() Error! : can't open " + path).CStr());
        return false;
    }
    std::FILE* f = file.get();
    bool ok = std::fprintf(f, "P5\n%d %d\n255\n", Cols(), Rows()) > 0;
    for (int r = Rows() - 1; ok && r >= 0; --r) ok = QV_WriteBytes(f, grey.data() + r * cols, cols);
    if (ok) ok = std::fflush(f) == 0;
    if (!ok) QV_PrintSystemError(("QV_Image::SavePGM() Error! : can't write " + path).CStr());
    return ok;
}
