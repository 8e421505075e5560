// Helpers for the codec tests: deterministic source pictures, conversion
// between QV_Image and top-row-first RGBA bytes, and ImageMagick as the
// independent writer and reader the codecs are checked against.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QV_Image.h"
#include "TestSupport.h"

namespace owncodec_test {

// A picture as RGBA bytes, top row first (the order ImageMagick's raw form uses).
struct RawPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    unsigned char* At(int x, int y) { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
    const unsigned char* At(int x, int y) const { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

// Smooth ramps in R and G, a checker in B; alpha varies when withAlpha.
inline RawPicture Gradient(int width, int height, bool withAlpha = false)
{
    RawPicture p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* q = p.At(x, y);
            q[0] = static_cast<unsigned char>(width > 1 ? x * 255 / (width - 1) : 0);
            q[1] = static_cast<unsigned char>(height > 1 ? y * 255 / (height - 1) : 0);
            q[2] = static_cast<unsigned char>(((x / 3 + y / 2) & 1) ? 200 : 30);
            q[3] = static_cast<unsigned char>(withAlpha ? 40 + (x * 7 + y * 13) % 216 : 255);
        }
    return p;
}

// A picture that uses exactly `colours` distinct opaque colours (at most 256),
// in a pattern that makes runs of equal pixels as well as changes.
inline RawPicture FewColours(int width, int height, int colours)
{
    RawPicture p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int k = ((x / 4) + y * 3) % colours;
            unsigned char* q = p.At(x, y);
            q[0] = static_cast<unsigned char>((k * 37) % 256);
            q[1] = static_cast<unsigned char>((k * 91 + 17) % 256);
            q[2] = static_cast<unsigned char>(255 - k);
            q[3] = 255;
        }
    return p;
}

// Grey levels covering 0..255 exactly (first pixel 0, last 255).
inline RawPicture GreyRamp(int width, int height)
{
    RawPicture p{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 4)};
    const int n = width * height;
    for (int i = 0; i < n; ++i) {
        const unsigned char g = static_cast<unsigned char>(n > 1 ? (i * 255 + (n - 1) / 2) / (n - 1) : 0);
        unsigned char* q = p.rgba.data() + static_cast<size_t>(i) * 4;
        q[0] = q[1] = q[2] = g;
        q[3] = 255;
    }
    return p;
}

// The image with the picture's top row in its highest row index.
inline QV_Image ToImage(const RawPicture& p)
{
    QV_Image img(p.height, p.width);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const unsigned char* q = p.At(x, y);
            img(p.height - 1 - y, x) = QV_Colour(q[0], q[1], q[2], q[3]);
        }
    return img;
}

// Writes the picture as raw RGBA and lets ImageMagick turn it into `out`
// with the options given (placed before the output name).
inline bool ImageMagickWrite(const RawPicture& p, const visagen_test::TempDir& dir, const std::string& out,
                             const std::vector<std::string>& options, bool grey = false)
{
    const std::string raw = dir.File(grey ? "source.gray" : "source.rgba");
    std::vector<unsigned char> bytes;
    if (grey) {
        for (size_t i = 0; i < p.rgba.size(); i += 4) bytes.push_back(p.rgba[i]);
    } else {
        bytes = p.rgba;
    }
    visagen_test::WriteFileBytes(raw, bytes);
    std::vector<std::string> args{"-size", std::to_string(p.width) + "x" + std::to_string(p.height), "-depth", "8",
                                  (grey ? "gray:" : "rgba:") + raw};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(out);
    return visagen_test::Convert(args);
}

// ImageMagick's reading of a file, oriented as displayed, as RGBA bytes.
inline bool ImageMagickRead(const std::string& file, const visagen_test::TempDir& dir, int width, int height,
                            RawPicture& out)
{
    const std::string raw = dir.File("decoded.rgba");
    if (!visagen_test::Convert({file, "-auto-orient", "-depth", "8", "rgba:" + raw})) return false;
    out.width = width;
    out.height = height;
    out.rgba = visagen_test::ReadFileBytes(raw);
    return out.rgba.size() == static_cast<size_t>(width) * height * 4;
}

// Number of pixels whose channels (the first `channels` of R, G, B, A)
// differ between the image and the picture, skipping the first `skipBottom`
// pixels of the bottom row and `skipTop` of the top row (where comments go).
inline int CountDifferences(const QV_Image& img, const RawPicture& p, int channels, int skipBottom = 0,
                            int skipTop = 0)
{
    if (img.Rows() != p.height || img.Cols() != p.width) return -1;
    int bad = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (y == p.height - 1 && x < skipBottom) continue;
            if (y == 0 && x < skipTop) continue;
            const QV_Colour& c = img(img.RowLow() + p.height - 1 - y, img.ColLow() + x);
            const unsigned char mine[4] = {c.red, c.green, c.blue, c.alpha};
            const unsigned char* q = p.At(x, y);
            for (int k = 0; k < channels; ++k)
                if (mine[k] != q[k]) {
                    ++bad;
                    break;
                }
        }
    return bad;
}

// The same comparison between two pictures.
inline int CountDifferences(const RawPicture& a, const RawPicture& b, int channels, int skipBottom = 0,
                            int skipTop = 0)
{
    if (a.width != b.width || a.height != b.height) return -1;
    int bad = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            if (y == a.height - 1 && x < skipBottom) continue;
            if (y == 0 && x < skipTop) continue;
            for (int k = 0; k < channels; ++k)
                if (a.At(x, y)[k] != b.At(x, y)[k]) {
                    ++bad;
                    break;
                }
        }
    return bad;
}

// One corrupt file of a bad-input table: a name and its bytes.
struct CorruptCase {
    std::string name;
    std::vector<unsigned char> bytes;
};

// Cases every reader must refuse: empty, garbage, and a good file cut at
// several points (the cut points are fractions of its length).
inline std::vector<CorruptCase> TruncationCases(const std::vector<unsigned char>& good)
{
    std::vector<CorruptCase> cases;
    cases.push_back({"empty", {}});
    std::vector<unsigned char> garbage(300);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>((i * 151 + 7) % 256);
    cases.push_back({"garbage", garbage});
    const size_t cuts[] = {1, 2, 5, 10, 14, 20, 40};
    for (size_t n : cuts)
        if (n < good.size()) cases.push_back({"first " + std::to_string(n) + " bytes", {good.begin(), good.begin() + n}});
    for (int part = 1; part <= 3; ++part) {
        const size_t n = good.size() * part / 4;
        cases.push_back({"cut at " + std::to_string(part) + "/4", {good.begin(), good.begin() + n}});
    }
    cases.push_back({"missing last byte", {good.begin(), good.end() - 1}});
    return cases;
}

inline void PutLE16(std::vector<unsigned char>& b, size_t at, unsigned v)
{
    b[at] = static_cast<unsigned char>(v & 0xFF);
    b[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}
inline void PutLE32(std::vector<unsigned char>& b, size_t at, unsigned v)
{
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<unsigned char>((v >> (8 * k)) & 0xFF);
}
inline unsigned GetLE16(const std::vector<unsigned char>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
inline unsigned GetLE32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<unsigned>(b[at + 3]) << 24);
}

}  // namespace owncodec_test
