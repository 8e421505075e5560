// Preparing detector training windows through the detector's own window
// functions, placing labelled faces in its pyramid, and reading .npy crops.
#include "QV_DetectorSamples.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "QV_BinaryIO.h"
#include "QV_DetectorResources.h"
#include "QV_Error.h"
#include "QV_NeuralNet.h"
#include "QV_WindowInputs.h"

namespace {

// Canonical face window: eye centres at (5.5, 5.5) and (13.5, 5.5), the
// mouth centre 9 pixels below their midpoint.
constexpr double kEyeMidX = 9.5;
constexpr double kEyeMidY = 5.5;
constexpr double kEyeDistance = 8.0;
constexpr double kEyeMouth = 9.0;

// A network with only the input units of a window, used to receive the
// detector's equalised inputs.
QV_NeuralNet& InputHolder(QV_WindowKind kind)
{
    static std::unique_ptr<QV_NeuralNet> holders[3];
    std::unique_ptr<QV_NeuralNet>& h = holders[kind];
    if (!h) {
        const int n = QV_WindowCols(kind) * QV_WindowRows(kind);
        std::vector<std::string> s;
        s.push_back(std::to_string(n + 2) + " units");
        s.push_back(std::to_string(n + 1) + " inputs");
        for (int u = 0; u <= n; ++u) s.push_back(std::to_string(u) + " 1 0 0");
        s.push_back("0 hiddens");
        s.push_back("1 outputs");
        s.push_back(std::to_string(n + 1) + " 2 0 0");
        s.push_back("1 conns");
        s.push_back("0 " + std::to_string(n + 1) + " -1");
        h = std::make_unique<QV_NeuralNet>();
        h->ReadStructure(s);
    }
    return *h;
}

}  // namespace

int QV_WindowCols(QV_WindowKind kind) { return kind == QV_WINDOW_CANDIDATE ? 30 : kind == QV_WINDOW_FACE ? 20 : 25; }
int QV_WindowRows(QV_WindowKind kind) { return kind == QV_WINDOW_CANDIDATE ? 30 : kind == QV_WINDOW_FACE ? 20 : 15; }
int QV_WindowCounted(QV_WindowKind kind)
{
    if (kind == QV_WINDOW_FACE) return static_cast<int>(QV_GetDetectorResources().faceInside.size());
    return QV_WindowCols(kind) * QV_WindowRows(kind);
}

void QV_PrepareWindow(QV_WindowKind kind, const QV_DetImage& level, int left, int top, bool mirror,
                      std::uint16_t* codes, float* inputs)
{
    const int w = QV_WindowCols(kind), h = QV_WindowRows(kind), n = w * h;
    int window[900];
    QV_NeuralNet& holder = InputHolder(kind);
    QV_CopyWindow(level, left, top, w, h, mirror, window);
    if (kind == QV_WINDOW_FACE) {
        const QV_DetectorResources& res = QV_GetDetectorResources();
        QV_CorrectLighting(window, res);
        QV_EqualiseInto(window, n, res.faceInside.data(), static_cast<int>(res.faceInside.size()), 512, holder);
    } else {
        QV_EqualiseInto(window, n, nullptr, 0, 256, holder);
    }
    // Inputs are (below + atOrBelow) / counted - 1: recover the integer code.
    const double counted = QV_WindowCounted(kind);
    for (int k = 0; k < n; ++k) {
        const float v = holder.Activation(k + 1);
        if (codes) codes[k] = static_cast<std::uint16_t>(std::lround((static_cast<double>(v) + 1.0) * counted));
        if (inputs) inputs[k] = v;
    }
}

void QV_WindowSet::Add(const QV_DetImage& level, int left, int top, bool mirror, int label)
{
    const size_t at = codes.size();
    codes.resize(at + Pixels());
    QV_PrepareWindow(kind, level, left, top, mirror, &codes[at], nullptr);
    labels.push_back(static_cast<signed char>(label));
}

void QV_WindowSet::AddCodes(const std::uint16_t* c, int label)
{
    codes.insert(codes.end(), c, c + Pixels());
    labels.push_back(static_cast<signed char>(label));
}

void QV_WindowSet::Inputs(int i, float* out) const
{
    // The same float arithmetic as the detector's equalisation.
    const float scale = 1.0f / static_cast<float>(QV_WindowCounted(kind));
    const std::uint16_t* c = Codes(i);
    for (int k = 0; k < Pixels(); ++k) out[k] = static_cast<float>(c[k]) * scale - 1.0f;
}

QV_FacePlacement QV_PlaceFace(const std::array<QV_Point2D, 68>& p)
{
    auto mean = [&](int a, int b, double& x, double& y) {
        x = y = 0.0;
        for (int i = a; i <= b; ++i) {
            x += p[i].x;
            y += p[i].y;
        }
        x /= (b - a + 1);
        y /= (b - a + 1);
    };
    QV_FacePlacement f;
    mean(36, 41, f.eyeBX, f.eyeBY);
    mean(42, 47, f.eyeAX, f.eyeAY);
    double mx, my;
    mean(48, 59, mx, my);
    f.midX = 0.5 * (f.eyeAX + f.eyeBX);
    f.midY = 0.5 * (f.eyeAY + f.eyeBY);
    const double eyes = std::hypot(f.eyeAX - f.eyeBX, f.eyeAY - f.eyeBY);
    const double mouth = std::hypot(mx - f.midX, my - f.midY);
    // Both distances in canonical units, averaged: robust to a turned head.
    f.size = 0.5 * (eyes + mouth * kEyeDistance / kEyeMouth);
    return f;
}

QV_FacePlacement QV_LfwCropFace()
{
    QV_FacePlacement f;
    f.eyeBX = 5.75;
    f.eyeAX = 14.75;
    f.eyeBY = f.eyeAY = 8.0;
    f.midX = 0.5 * (f.eyeAX + f.eyeBX);
    f.midY = 8.0;
    const double mouth = std::hypot(10.5 - f.midX, 17.5 - f.midY);
    f.size = 0.5 * ((f.eyeAX - f.eyeBX) + mouth * kEyeDistance / kEyeMouth);
    return f;
}

QV_FacePlacement QV_MirrorPlacement(const QV_FacePlacement& p, int width)
{
    QV_FacePlacement m = p;
    const double w1 = width - 1;
    m.midX = w1 - p.midX;
    // The eye that was in the left half is now in the right half.
    m.eyeBX = w1 - p.eyeAX;
    m.eyeBY = p.eyeAY;
    m.eyeAX = w1 - p.eyeBX;
    m.eyeAY = p.eyeBY;
    return m;
}

int QV_FaceLevel(const QV_FacePlacement& p)
{
    if (!(p.size > kEyeDistance)) return 0;
    return static_cast<int>(std::lround(std::log(p.size / kEyeDistance) / std::log(1.2)));
}

void QV_FaceWindowAt(const QV_FacePlacement& p, int level, int& left, int& top)
{
    const double s = std::pow(1.2, level);
    left = static_cast<int>(std::lround(p.midX / s - kEyeMidX));
    top = static_cast<int>(std::lround(p.midY / s - kEyeMidY));
}

void QV_EyeWindowAt(double eyeX, double eyeY, int level, int& left, int& top)
{
    const double s = std::pow(1.2, level);
    // The detector votes for (left + 12, top + 7).
    left = static_cast<int>(std::lround(eyeX / s)) - 12;
    top = static_cast<int>(std::lround(eyeY / s)) - 7;
}

QV_DetImage QV_DetectorImage(int width, int height, const unsigned char* grey)
{
    QV_DetImage img(width, height);
    std::memcpy(img.pixels.data(), grey, img.pixels.size());
    return img;
}

QV_DetImage QV_MirrorImage(const QV_DetImage& image)
{
    QV_DetImage m(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) m.At(x, y) = image.At(image.width - 1 - x, y);
    return m;
}

namespace {

// The head in `level` turned by `yaw` about its vertical axis: every row
// resampled along x, a point at x - cx on the face's cylinder of radius r
// moving to r sin(asin((x - cx) / r) + yaw). Columns outside the cylinder
// keep their pixels; its far edge, turned out of view, repeats outward.
QV_DetImage TurnHead(const QV_DetImage& level, double cx, double r, double yaw)
{
    QV_DetImage out(level.width, level.height);
    std::vector<double> from(static_cast<size_t>(level.width));
    for (int x = 0; x < level.width; ++x) {
        const double u = (x - cx) / r;
        if (std::abs(u) >= 1.0) {
            from[static_cast<size_t>(x)] = x;
            continue;
        }
        const double phi = std::clamp(std::asin(u) - yaw, -M_PI / 2, M_PI / 2);
        from[static_cast<size_t>(x)] = cx + r * std::sin(phi);
    }
    for (int y = 0; y < level.height; ++y)
        for (int x = 0; x < level.width; ++x) {
            const double sx = from[static_cast<size_t>(x)];
            const double fx0 = std::floor(sx), fx = sx - fx0;
            const int x0 = static_cast<int>(fx0);
            const double v = level.Clamped(x0, y) * (1.0 - fx) + level.Clamped(x0 + 1, y) * fx;
            out.At(x, y) = static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 255.0)));
        }
    return out;
}

// The face rotated and scaled about its eye midpoint, its skin darkened and
// its forehead banded as `jitter` asks (its yaw is not read here).
void WarpFace(const QV_DetImage& level, int levelIndex, const QV_FacePlacement& face, const QV_FaceJitter& jitter,
              QV_DetImage& out, QV_FacePlacement& outFace)
{
    const double toLevel = 1.0 / std::pow(1.2, levelIndex);
    const double cx = face.midX * toLevel, cy = face.midY * toLevel;
    const double c = std::cos(jitter.angle), s = std::sin(jitter.angle), k = jitter.scale;
    // Where the face lands, in input pixels: the eyes turned and scaled about
    // their midpoint.
    outFace = face;
    outFace.size = face.size * k;
    auto move = [&](double& x, double& y) {
        const double dx = x - face.midX, dy = y - face.midY;
        x = face.midX + k * (c * dx - s * dy);
        y = face.midY + k * (s * dx + c * dy);
    };
    move(outFace.eyeAX, outFace.eyeAY);
    move(outFace.eyeBX, outFace.eyeBY);

    // The skin ellipse in the output level: half a face size below the eyes,
    // 1.05 sizes wide and 1.5 high on each side of its centre, faded out over
    // a further quarter of its radius.
    const double size = outFace.size * toLevel;
    const double ex = cx - s * 0.5 * size, ey = cy + c * 0.5 * size;
    const double rx = 1.05 * size, ry = 1.5 * size;
    const bool darken = jitter.gamma > 1.0 && size > 0.0;
    unsigned char curve[256];
    for (int v = 0; v < 256; ++v)
        curve[v] = static_cast<unsigned char>(std::lround(255.0 * std::pow(v / 255.0, darken ? jitter.gamma : 1.0)));

    const bool brim = jitter.brimTone >= 0 && jitter.brimTone <= 255 && size > 0.0;
    const double brimEdge = -jitter.brimHeight * size, brimFade = 0.1 * size;

    out = QV_DetImage(level.width, level.height);
    if (level.width == 0 || level.height == 0) return;
    for (int y = 0; y < level.height; ++y)
        for (int x = 0; x < level.width; ++x) {
            // The source of output pixel (x, y): turned back and unscaled.
            const double dx = (x - cx) / k, dy = (y - cy) / k;
            const double sx = cx + c * dx + s * dy, sy = cy - s * dx + c * dy;
            const double fx0 = std::floor(sx), fy0 = std::floor(sy);
            const int x0 = static_cast<int>(fx0), y0 = static_cast<int>(fy0);
            const double fx = sx - fx0, fy = sy - fy0;
            const double top = level.Clamped(x0, y0) * (1.0 - fx) + level.Clamped(x0 + 1, y0) * fx;
            const double bottom = level.Clamped(x0, y0 + 1) * (1.0 - fx) + level.Clamped(x0 + 1, y0 + 1) * fx;
            double v = top * (1.0 - fy) + bottom * fy;
            if (darken) {
                // Ellipse axes turn with the face.
                const double ux = x - ex, uy = y - ey;
                const double a = (c * ux + s * uy) / rx, b = (-s * ux + c * uy) / ry;
                const double r = std::sqrt(a * a + b * b);
                const double w = r <= 1.0 ? 1.0 : r >= 1.25 ? 0.0 : (1.25 - r) / 0.25;
                if (w > 0.0) {
                    const int iv = static_cast<int>(std::lround(v));
                    v = (1.0 - w) * v + w * curve[iv < 0 ? 0 : iv > 255 ? 255 : iv];
                }
            }
            if (brim) {
                // Along the eye line and down from it, in output pixels.
                const double ux = x - cx, uy = y - cy;
                const double a = c * ux + s * uy, b = -s * ux + c * uy;
                if (std::abs(a) < 1.6 * size && b < brimEdge + brimFade && b > brimEdge - 1.2 * size) {
                    const double w = b <= brimEdge ? 1.0 : (brimEdge + brimFade - b) / brimFade;
                    v = (1.0 - w) * v + w * jitter.brimTone;
                }
            }
            out.At(x, y) = static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 255.0)));
        }
}

}  // namespace

void QV_JitterFaceLevel(const QV_DetImage& level, int levelIndex, const QV_FacePlacement& face,
                        const QV_FaceJitter& jitter, QV_DetImage& out, QV_FacePlacement& outFace)
{
    const double eyes = std::hypot(face.eyeAX - face.eyeBX, face.eyeAY - face.eyeBY);
    if (jitter.yaw == 0.0 || !(eyes > 0.0) || level.width == 0 || level.height == 0) {
        WarpFace(level, levelIndex, face, jitter, out, outFace);
        return;
    }
    // Turn the head first, in input pixels for the placement and in level
    // pixels for the picture, then rotate, scale and darken the result.
    const double toLevel = 1.0 / std::pow(1.2, levelIndex);
    const double r = 1.2 * eyes;
    QV_FacePlacement turned = face;
    auto turn = [&](double& x) {
        const double u = std::clamp((x - face.midX) / r, -1.0, 1.0);
        x = face.midX + r * std::sin(std::clamp(std::asin(u) + jitter.yaw, -M_PI / 2, M_PI / 2));
    };
    turn(turned.eyeAX);
    turn(turned.eyeBX);
    turned.midX = 0.5 * (turned.eyeAX + turned.eyeBX);
    // The size averages the eye distance with the (unchanged) eye-mouth
    // distance; only the first part narrows.
    const double turnedEyes = std::hypot(turned.eyeAX - turned.eyeBX, turned.eyeAY - turned.eyeBY);
    turned.size = face.size + 0.5 * (turnedEyes - eyes);
    const QV_DetImage head = TurnHead(level, face.midX * toLevel, r * toLevel, jitter.yaw);
    WarpFace(head, levelIndex, turned, jitter, out, outFace);
}

namespace {

bool NpyFail(const char* what)
{
    QV_PrintError((std::string("QV_ReadNpyBytes() Error! : ") + what + "\n").c_str());
    return false;
}

// Value of a key in the header dictionary, as raw text up to the next ','
// or '}' at the same nesting (a tuple counts as one value).
bool HeaderValue(const std::string& header, const char* key, std::string& value)
{
    const std::string k = std::string("'") + key + "'";
    size_t at = header.find(k);
    if (at == std::string::npos) return false;
    at = header.find(':', at + k.size());
    if (at == std::string::npos) return false;
    ++at;
    int depth = 0;
    size_t end = at;
    for (; end < header.size(); ++end) {
        const char c = header[end];
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (depth == 0 && (c == ',' || c == '}')) break;
        if (depth < 0) return false;
    }
    if (end >= header.size()) return false;
    value = header.substr(at, end - at);
    while (!value.empty() && value.front() == ' ') value.erase(value.begin());
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return true;
}

}  // namespace

bool QV_ParseNpyBytes(const unsigned char* file, size_t size, std::vector<long>& shape, std::vector<unsigned char>& data)
{
    shape.clear();
    data.clear();
    static const unsigned char magic[6] = {0x93, 'N', 'U', 'M', 'P', 'Y'};
    if (size < 10 || std::memcmp(file, magic, 6) != 0) return NpyFail("not a .npy file");
    const int major = file[6];
    size_t headerLen, headerAt;
    if (major == 1) {
        headerLen = file[8] | (file[9] << 8);
        headerAt = 10;
    } else if (major == 2 || major == 3) {
        if (size < 12) return NpyFail("truncated header");
        headerLen = static_cast<size_t>(file[8]) | (static_cast<size_t>(file[9]) << 8) |
                    (static_cast<size_t>(file[10]) << 16) | (static_cast<size_t>(file[11]) << 24);
        headerAt = 12;
    } else {
        return NpyFail("unknown format version");
    }
    if (headerLen > size - headerAt) return NpyFail("truncated header");
    const std::string header(reinterpret_cast<const char*>(file + headerAt), headerLen);
    std::string descr, fortran, shapeText;
    if (!HeaderValue(header, "descr", descr) || !HeaderValue(header, "fortran_order", fortran) ||
        !HeaderValue(header, "shape", shapeText))
        return NpyFail("header lacks descr, fortran_order or shape");
    int itemSize;
    if (descr == "'|u1'" || descr == "'<u1'")
        itemSize = 1;
    else if (descr == "'<f8'")
        itemSize = 8;
    else
        return NpyFail("unsupported element type");
    if (fortran != "False") return NpyFail("Fortran order is not supported");
    if (shapeText.size() < 2 || shapeText.front() != '(' || shapeText.back() != ')') return NpyFail("bad shape");
    // Element count with an overflow-safe product bounded by the file size.
    const size_t payload = size - headerAt - headerLen;
    size_t count = 1;
    const char* p = shapeText.c_str() + 1;
    for (;;) {
        while (*p == ' ' || *p == ',') ++p;
        if (*p == ')') break;
        char* end = nullptr;
        const long d = std::strtol(p, &end, 10);
        if (end == p || d < 0 || shape.size() >= 8) return NpyFail("bad shape");
        shape.push_back(d);
        if (d != 0 && count > payload / static_cast<size_t>(d)) return NpyFail("file shorter than its shape");
        count *= static_cast<size_t>(d);
        p = end;
    }
    if (count > payload / itemSize) return NpyFail("file shorter than its shape");
    const unsigned char* src = file + headerAt + headerLen;
    data.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (itemSize == 1) {
            data[i] = src[i];
        } else {
            double v;
            std::memcpy(&v, src + 8 * i, 8);  // little-endian host
            v = std::isfinite(v) ? v * 255.0 : 0.0;
            data[i] = static_cast<unsigned char>(v < 0.0 ? 0 : v > 255.0 ? 255 : std::lround(v));
        }
    }
    return true;
}

bool QV_ReadNpyBytes(const char* path, std::vector<long>& shape, std::vector<unsigned char>& data)
{
    shape.clear();
    data.clear();
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError((std::string("QV_ReadNpyBytes() Error! : cannot open ") + path).c_str());
        return false;
    }
    const int64_t size = QV_BytesLeft(f.get());
    constexpr int64_t kMaxFile = 512LL << 20;
    if (size < 0 || size > kMaxFile) return NpyFail("file too large");
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return NpyFail("read failed");
    return QV_ParseNpyBytes(bytes.data(), bytes.size(), shape, data);
}
