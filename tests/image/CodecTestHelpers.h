// Shared pieces of the codec tests: synthetic pictures, raw pixel files in the
// top-row-first layout that ImageMagick reads and writes, pixel comparisons,
// and running a reader while capturing what it prints.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "QV_Image.h"
#include "TestSupport.h"

namespace codec_test {

// A smooth picture with some texture and noise (fixed seed), alpha varying
// when withAlpha is set, else 255.
inline QV_Image MakePicture(int rows, int cols, bool withAlpha = false, unsigned seed = 7)
{
    QV_Image img(rows, cols);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const int red = 40 + 170 * c / (cols > 1 ? cols - 1 : 1) + noise(rng);
            const int green = 30 + 180 * r / (rows > 1 ? rows - 1 : 1) + noise(rng);
            const int blue = static_cast<int>(128 + 60 * std::sin(r / 5.0) * std::cos(c / 7.0)) + noise(rng);
            const int alpha = withAlpha ? (r * 37 + c * 11) % 256 : 255;
            img(r, c) = QV_Colour(QV_RoundToByte(red), QV_RoundToByte(green), QV_RoundToByte(blue),
                                  static_cast<unsigned char>(alpha));
        }
    return img;
}

// Pixel bytes of the picture, top row first, `channels` bytes per pixel
// (1 = red only, 3 = RGB, 4 = RGBA).
inline std::vector<unsigned char> TopFirstBytes(const QV_Image& img, int channels)
{
    std::vector<unsigned char> out;
    for (int r = img.RowHigh(); r >= img.RowLow(); --r)
        for (int c = img.ColLow(); c <= img.ColHigh(); ++c) {
            const QV_Colour p = img(r, c);
            const unsigned char b[4] = {p.red, p.green, p.blue, p.alpha};
            out.insert(out.end(), b, b + channels);
        }
    return out;
}

// Compares our image with top-first raw bytes of `channels` per pixel (1 =
// grey, compared with R, G and B). Returns the largest difference seen and
// adds the mean absolute difference to *mean.
inline int MaxDifference(const QV_Image& img, const std::vector<unsigned char>& raw, int channels,
                         double* mean = nullptr)
{
    const std::vector<unsigned char> ours = TopFirstBytes(img, 4);
    const size_t pixels = ours.size() / 4;
    if (raw.size() != pixels * static_cast<size_t>(channels)) return 1000;
    int worst = 0;
    double sum = 0;
    size_t n = 0;
    for (size_t i = 0; i < pixels; ++i)
        for (int k = 0; k < (channels == 1 ? 3 : channels); ++k) {
            const int theirs = raw[i * channels + (channels == 1 ? 0 : k)];
            const int d = std::abs(static_cast<int>(ours[i * 4 + k]) - theirs);
            worst = std::max(worst, d);
            sum += d;
            ++n;
        }
    if (mean) *mean = n ? sum / static_cast<double>(n) : 0.0;
    return worst;
}

// Writes the picture as top-first raw bytes and has ImageMagick turn it into
// `target` with the extra arguments given before the output name.
inline bool ConvertFromRaw(const visagen_test::TempDir& dir, const QV_Image& img, const std::string& layout,
                           const std::vector<std::string>& options, const std::string& target)
{
    const int channels = layout == "gray" ? 1 : (layout == "rgba" ? 4 : 3);
    const std::string raw = dir.File("source." + layout);
    visagen_test::WriteFileBytes(raw, TopFirstBytes(img, channels));
    std::vector<std::string> args{"-size", std::to_string(img.Cols()) + "x" + std::to_string(img.Rows()),
                                  "-depth", "8", layout + ":" + raw};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(target);
    return visagen_test::Convert(args);
}

// Has ImageMagick decode a file into top-first 8-bit raw bytes of `layout`.
inline std::vector<unsigned char> ConvertToRaw(const visagen_test::TempDir& dir, const std::string& file,
                                               const std::string& layout)
{
    const std::string out = dir.File("decoded." + layout);
    if (!visagen_test::Convert({file, "-depth", "8", layout + ":" + out})) return {};
    return visagen_test::ReadFileBytes(out);
}

// Runs fn with the error stream captured; returns what it printed.
inline std::string Captured(const std::function<void()>& fn)
{
    testing::internal::CaptureStderr();
    fn();
    return testing::internal::GetCapturedStderr();
}

inline void PutU32BE(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    b[at] = static_cast<unsigned char>(v >> 24);
    b[at + 1] = static_cast<unsigned char>(v >> 16);
    b[at + 2] = static_cast<unsigned char>(v >> 8);
    b[at + 3] = static_cast<unsigned char>(v);
}

inline void PutLE(std::vector<unsigned char>& b, int64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
}

// One corrupt-file case: a name, the bytes, and a part of the message the
// reader must print.
struct BadFile {
    std::string name;
    std::vector<unsigned char> bytes;
    std::string message;
};

// Every prefix length in `cuts` (clipped to the size) of a good file, each
// expected to fail with `message`.
inline std::vector<BadFile> Truncations(const std::vector<unsigned char>& good, const std::vector<size_t>& cuts,
                                        const std::string& message)
{
    std::vector<BadFile> out;
    for (size_t n : cuts) {
        if (n >= good.size()) continue;
        out.push_back({"truncated at " + std::to_string(n), std::vector<unsigned char>(good.begin(), good.begin() + n),
                       message});
    }
    return out;
}

}  // namespace codec_test
