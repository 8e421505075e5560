// The hex text image: three lines of preamble, two size lines "%s %d %d %d"
// (the second gives columns and rows), then the grey bytes as pairs of
// hexadecimal digits, row after row, stretched to 0..255 into R, G and B.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "QV_CodecLimits.h"
#include "QV_Image.h"

namespace {

// Reads one line without its newline; false at the end of the file.
bool ReadLine(std::FILE* f, std::string& line)
{
    line.clear();
    int c = std::fgetc(f);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        if (line.size() < 4096) line.push_back(static_cast<char>(c));
        c = std::fgetc(f);
    }
    return true;
}

int HexValue(int c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void Fail(const QV_String& path, const char* why)
{
    QV_PrintError((std::string("QV_Image::LoadHex() Error! : ") + path.CStr() + ": " + why + "\n").c_str());
}

}  // namespace

bool QV_Image::LoadHex(const QV_String& path)
{
    QV_File file = QV_OpenFile(path, "r");
    if (!file) {
        Fail(path, "can't open file");
        return false;
    }
    std::FILE* f = file.get();
    std::string line;
    for (int i = 0; i < 3; ++i)
        if (!ReadLine(f, line)) {
            Fail(path, "missing header line");
            return false;
        }
    int cols = 0, rows = 0, extra = 0;
    char word[256];
    if (!ReadLine(f, line) || std::sscanf(line.c_str(), "%255s %d %d %d", word, &cols, &rows, &extra) < 3 ||
        !ReadLine(f, line) || std::sscanf(line.c_str(), "%255s %d %d %d", word, &cols, &rows, &extra) < 3) {
        Fail(path, "missing size line");
        return false;
    }
    // Every grey byte takes two characters of the file.
    const int64_t bytesLeft = QV_BytesLeft(f);
    if (cols <= 0 || rows <= 0 || !QV_PixelCountPlausible(cols, rows, bytesLeft, 1) ||
        static_cast<int64_t>(cols) * rows > bytesLeft / 2) {
        Fail(path, "image size is more than the file holds");
        return false;
    }
    const size_t count = static_cast<size_t>(cols) * static_cast<size_t>(rows);
    std::vector<unsigned char> grey(count);
    size_t n = 0;
    int high = -1;
    while (n < count) {
        const int c = std::fgetc(f);
        if (c == EOF) break;
        if (IsBlank(c)) continue;
        const int v = HexValue(c);
        if (v < 0) {
            Fail(path, "character that is not a hexadecimal digit");
            return false;
        }
        if (high < 0) {
            high = v;
        } else {
            grey[n++] = static_cast<unsigned char>(high * 16 + v);
            high = -1;
        }
    }
    if (n < count) {
        Fail(path, "fewer grey bytes than the size announces");
        return false;
    }
    // Stretch min..max to 0..255; a flat image has nothing to stretch and
    // keeps its values.
    int lo = 255, hi = 0;
    for (unsigned char v : grey) {
        if (v < lo) lo = v;
        if (v > hi) hi = v;
    }
    unsigned char map[256];
    for (int v = 0; v < 256; ++v)
        map[v] = (hi > lo) ? QV_RoundToByte(static_cast<float>(v - lo) / static_cast<float>(hi - lo) * 255.0f)
                           : static_cast<unsigned char>(v);
    Resize(0, rows - 1, 0, cols - 1);
    QV_Colour* p = Data();
    for (size_t i = 0; i < count; ++i) p[i] = QV_Colour(map[grey[i]], map[grey[i]], map[grey[i]], 255);
    return true;
}
