// A strict reader of the 68-point label file. It parses exactly the records
// it expects (skipping, within a depth bound, any other members), so that a
// malformed, truncated or hostile file gives one message and a false result.
#include "QV_Landmarks68.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"

namespace {

constexpr int maxDepth = 32;
constexpr long maxFileBytes = 512L * 1024 * 1024;
constexpr int maxImageSide = 100000;

class Parser {
public:
    explicit Parser(std::string_view text) : s(text) {}

    std::string error;

    bool ParseFile(std::vector<QV_LabelledFace>& faces)
    {
        SkipSpace();
        if (!Expect('[')) return false;
        SkipSpace();
        if (Peek() == ']') {
            ++pos;
        } else {
            for (;;) {
                QV_LabelledFace face;
                if (!ParseFace(face)) return false;
                faces.push_back(std::move(face));
                SkipSpace();
                if (Peek() == ',') {
                    ++pos;
                    continue;
                }
                if (!Expect(']')) return false;
                break;
            }
        }
        SkipSpace();
        if (pos != s.size()) return Fail("text after the end of the array");
        return true;
    }

private:
    std::string_view s;
    size_t pos = 0;

    bool Fail(const std::string& why)
    {
        if (error.empty()) error = why + " at byte " + std::to_string(pos);
        return false;
    }
    int Peek() const { return pos < s.size() ? static_cast<unsigned char>(s[pos]) : -1; }
    void SkipSpace()
    {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\n' || s[pos] == '\r')) ++pos;
    }
    bool Expect(char c)
    {
        SkipSpace();
        if (pos >= s.size()) return Fail(std::string("unexpected end of text, expected '") + c + "'");
        if (s[pos] != c) return Fail(std::string("expected '") + c + "'");
        ++pos;
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool Hex4(unsigned& v)
    {
        if (s.size() - pos < 4) return Fail("truncated \\u escape");
        v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = s[pos++];
            v <<= 4;
            if (c >= '0' && c <= '9') v |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') v |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') v |= static_cast<unsigned>(c - 'A' + 10);
            else return Fail("bad \\u escape");
        }
        return true;
    }

    bool ParseString(std::string& out)
    {
        SkipSpace();
        if (Peek() != '"') return Fail("expected a string");
        ++pos;
        out.clear();
        for (;;) {
            if (pos >= s.size()) return Fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(s[pos++]);
            if (c == '"') return true;
            if (c < 0x20) return Fail("control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos >= s.size()) return Fail("unterminated string");
            char e = s[pos++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned cp = 0;
                if (!Hex4(cp)) return false;
                if (cp >= 0xD800 && cp < 0xDC00) {
                    unsigned low = 0;
                    if (s.size() - pos < 2 || s[pos] != '\\' || s[pos + 1] != 'u')
                        return Fail("unpaired surrogate in a string");
                    pos += 2;
                    if (!Hex4(low)) return false;
                    if (low < 0xDC00 || low >= 0xE000) return Fail("unpaired surrogate in a string");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    return Fail("unpaired surrogate in a string");
                }
                AppendUtf8(out, cp);
                break;
            }
            default: return Fail("bad escape in a string");
            }
        }
    }

    // A JSON number (strict grammar), finite.
    bool ParseNumber(double& v)
    {
        SkipSpace();
        size_t start = pos;
        if (Peek() == '-') ++pos;
        if (Peek() == '0') {
            ++pos;
        } else if (Peek() >= '1' && Peek() <= '9') {
            while (Peek() >= '0' && Peek() <= '9') ++pos;
        } else {
            return Fail("expected a number");
        }
        if (Peek() == '.') {
            ++pos;
            if (!(Peek() >= '0' && Peek() <= '9')) return Fail("bad number");
            while (Peek() >= '0' && Peek() <= '9') ++pos;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++pos;
            if (Peek() == '+' || Peek() == '-') ++pos;
            if (!(Peek() >= '0' && Peek() <= '9')) return Fail("bad number");
            while (Peek() >= '0' && Peek() <= '9') ++pos;
        }
        auto r = std::from_chars(s.data() + start, s.data() + pos, v);
        if (r.ec != std::errc() || r.ptr != s.data() + pos || !std::isfinite(v)) return Fail("number out of range");
        return true;
    }

    bool ParseCoordinate(float& out)
    {
        double v = 0;
        if (!ParseNumber(v)) return false;
        if (std::fabs(v) > 1e7) return Fail("coordinate out of range");
        out = static_cast<float>(v);
        return true;
    }

    bool ParseSide(int& out)
    {
        double v = 0;
        if (!ParseNumber(v)) return false;
        if (v != std::floor(v) || v < 1 || v > maxImageSide) return Fail("image size out of range");
        out = static_cast<int>(v);
        return true;
    }

    // A fixed-length array of numbers.
    bool ParseFloats(float* out, int n)
    {
        if (!Expect('[')) return false;
        for (int i = 0; i < n; ++i) {
            if (i > 0 && !Expect(',')) return false;
            if (!ParseCoordinate(out[i])) return false;
        }
        SkipSpace();
        if (Peek() != ']') return Fail("array longer than " + std::to_string(n));
        ++pos;
        return true;
    }

    bool ParseLandmarks(std::array<QV_Point2D, 68>& points)
    {
        if (!Expect('[')) return false;
        for (int i = 0; i < 68; ++i) {
            if (i > 0 && !Expect(',')) {
                error.clear();
                return Fail("fewer than 68 landmarks");
            }
            float xy[2];
            if (!ParseFloats(xy, 2)) return false;
            points[i] = {xy[0], xy[1]};
        }
        SkipSpace();
        if (Peek() != ']') return Fail("more than 68 landmarks");
        ++pos;
        return true;
    }

    // Skips any JSON value, bounded in depth.
    bool SkipValue(int depth)
    {
        if (depth > maxDepth) return Fail("nesting too deep");
        SkipSpace();
        int c = Peek();
        if (c == '"') {
            std::string ignored;
            return ParseString(ignored);
        }
        if (c == '{' || c == '[') {
            char close = c == '{' ? '}' : ']';
            ++pos;
            SkipSpace();
            if (Peek() == close) {
                ++pos;
                return true;
            }
            for (;;) {
                if (c == '{') {
                    std::string key;
                    if (!ParseString(key) || !Expect(':')) return false;
                }
                if (!SkipValue(depth + 1)) return false;
                SkipSpace();
                if (Peek() == ',') {
                    ++pos;
                    continue;
                }
                return Expect(close);
            }
        }
        for (const char* word : {"true", "false", "null"}) {
            std::string_view w(word);
            if (s.substr(pos, w.size()) == w) {
                pos += w.size();
                return true;
            }
        }
        double v = 0;
        return ParseNumber(v);
    }

    bool ParseFace(QV_LabelledFace& face)
    {
        if (!Expect('{')) return false;
        bool haveImage = false, haveWidth = false, haveHeight = false, haveBox = false, haveLandmarks = false;
        SkipSpace();
        if (Peek() != '}') {
            for (;;) {
                std::string key;
                if (!ParseString(key) || !Expect(':')) return false;
                bool ok = true;
                bool* seen = nullptr;
                if (key == "image") {
                    seen = &haveImage;
                    ok = ParseString(face.image);
                } else if (key == "width") {
                    seen = &haveWidth;
                    ok = ParseSide(face.width);
                } else if (key == "height") {
                    seen = &haveHeight;
                    ok = ParseSide(face.height);
                } else if (key == "box") {
                    seen = &haveBox;
                    ok = ParseFloats(face.box.data(), 4);
                } else if (key == "landmarks") {
                    seen = &haveLandmarks;
                    ok = ParseLandmarks(face.points);
                } else {
                    ok = SkipValue(2);
                }
                if (!ok) return false;
                if (seen) {
                    if (*seen) return Fail("member \"" + key + "\" given twice");
                    *seen = true;
                }
                SkipSpace();
                if (Peek() == ',') {
                    ++pos;
                    continue;
                }
                break;
            }
        }
        if (!Expect('}')) return false;
        if (!haveImage || face.image.empty()) return Fail("record without \"image\"");
        if (!haveWidth || !haveHeight) return Fail("record without \"width\" and \"height\"");
        if (!haveLandmarks) return Fail("record without \"landmarks\"");
        (void)haveBox;  // the box is optional: the points are what training uses
        return true;
    }
};

}  // namespace

bool QV_ParseLandmarks68(std::string_view text, std::vector<QV_LabelledFace>& faces)
{
    faces.clear();
    Parser parser(text);
    if (!parser.ParseFile(faces)) {
        faces.clear();
        QV_PrintError(("QV_ReadLandmarks68() Error! : " + parser.error + "\n").c_str());
        return false;
    }
    return true;
}

bool QV_ReadLandmarks68(const char* path, std::vector<QV_LabelledFace>& faces)
{
    faces.clear();
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError((std::string("QV_ReadLandmarks68() Error! : cannot open ") + path).c_str());
        return false;
    }
    if (std::fseek(f.get(), 0, SEEK_END) != 0) {
        QV_PrintError("QV_ReadLandmarks68() Error! : cannot seek in the file\n");
        return false;
    }
    long size = std::ftell(f.get());
    if (size < 0 || size > maxFileBytes || std::fseek(f.get(), 0, SEEK_SET) != 0) {
        QV_PrintError("QV_ReadLandmarks68() Error! : file too large or unreadable\n");
        return false;
    }
    std::string text(static_cast<size_t>(size), '\0');
    if (size > 0 && std::fread(text.data(), 1, text.size(), f.get()) != text.size()) {
        QV_PrintError("QV_ReadLandmarks68() Error! : short read\n");
        return false;
    }
    return QV_ParseLandmarks68(text, faces);
}

std::array<QV_Point2D, 68> QV_NormalisedLandmarks(const QV_LabelledFace& face)
{
    std::array<QV_Point2D, 68> out{};
    float w = static_cast<float>(face.width > 0 ? face.width : 1);
    float h = static_cast<float>(face.height > 0 ? face.height : 1);
    for (int i = 0; i < 68; ++i) out[i] = {face.points[i].x / w, 1.0f - face.points[i].y / h};
    return out;
}

double QV_HeadTurn(const QV_LabelledFace& face)
{
    const double x0 = face.points[0].x, x16 = face.points[16].x;
    if (std::abs(x16 - x0) < 1e-6) return 0.0;
    return (face.points[30].x - x0) / (x16 - x0) - 0.5;
}

namespace {

void AppendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void AppendNumber(std::string& out, float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(v));
    out += buf;
}

}  // namespace

std::string QV_FormatLandmarks68(const std::vector<QV_LabelledFace>& faces)
{
    std::string out = "[";
    for (size_t f = 0; f < faces.size(); ++f) {
        const QV_LabelledFace& face = faces[f];
        if (f > 0) out += ",\n ";
        out += "{\"image\": ";
        AppendJsonString(out, face.image);
        out += ", \"width\": ";
        out += std::to_string(face.width);
        out += ", \"height\": ";
        out += std::to_string(face.height);
        out += ", \"box\": [";
        for (int k = 0; k < 4; ++k) {
            if (k > 0) out += ", ";
            AppendNumber(out, face.box[static_cast<size_t>(k)]);
        }
        out += "], \"landmarks\": [";
        for (size_t k = 0; k < face.points.size(); ++k) {
            if (k > 0) out += ", ";
            out += '[';
            AppendNumber(out, face.points[k].x);
            out += ", ";
            AppendNumber(out, face.points[k].y);
            out += ']';
        }
        out += "]}";
    }
    out += "]\n";
    return out;
}
