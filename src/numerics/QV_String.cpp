#include "QV_String.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "QV_BinaryIO.h"

void QV_AppendFloat(std::string& out, float value, int d)
{
    // Single-precision arithmetic throughout: each step rounds like the stored
    // float, so a value such as 0.7f (0.69999998...) gives 0.700, and text
    // written this way reads back as the value it came from.
    float v = value;
    if (std::isnan(v)) {
        out += "nan";
        return;
    }
    if (v < 0) {
        out += '-';
        v = -v;
    }
    if (std::isinf(v)) {
        out += "inf";
        return;
    }
    float whole = std::floor(v);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(whole));
    out += buf;
    out += '.';
    float frac = v - whole;
    for (int i = 0; i < d; ++i) {
        frac *= 10.0f;
        float digit = std::floor(frac);
        if (digit > 9.0f) digit = 9.0f;
        out += static_cast<char>('0' + static_cast<int>(digit));
        frac -= digit;
    }
}

QV_String::QV_String(int value) : s(std::to_string(value)) {}

QV_String::QV_String(float value, int decimals)
{
    QV_AppendFloat(s, value, decimals < 0 ? 0 : decimals);
}

QV_String& QV_String::Append(const QV_String& t)
{
    s += t.s;
    return *this;
}
QV_String& QV_String::Append(const char* t)
{
    if (t) s += t;
    return *this;
}
QV_String& QV_String::Append(char c)
{
    s += c;
    return *this;
}
QV_String& QV_String::Append(int v)
{
    s += std::to_string(v);
    return *this;
}
QV_String& QV_String::Append(float v)
{
    QV_AppendFloat(s, v, 3);
    return *this;
}

bool QV_String::Compare(const char* text) const
{
    if (!text) return s.empty();
    size_t i = 0;
    while (i < s.size() && text[i] != '\0' && text[i] != '\n' && text[i] == s[i]) ++i;
    if (i != s.size()) return false;
    // All of this string matched; the text must end here: NUL or newline (a
    // carriage return before either, as in lines of files from other systems).
    if (text[i] == '\r') ++i;
    return text[i] == '\0' || text[i] == '\n';
}

int QV_String::Find(char c) const
{
    size_t p = s.find(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int QV_String::FindLast(char c) const
{
    if (s.empty()) return -1;
    size_t p = s.rfind(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int QV_String::Find(const char* sub) const
{
    if (!sub) return -1;
    size_t p = s.find(sub);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

QV_String QV_String::Left(int n) const
{
    if (n <= 0) return QV_String();
    return QV_String(s.substr(0, static_cast<size_t>(n)));
}

QV_String QV_String::Right(int n) const
{
    if (n <= 0) return QV_String();
    if (static_cast<size_t>(n) >= s.size()) return *this;
    return QV_String(s.substr(s.size() - static_cast<size_t>(n)));
}

QV_String QV_String::Mid(int pos, int n) const
{
    if (pos < 0) pos = 0;
    if (static_cast<size_t>(pos) >= s.size()) return QV_String();
    if (n <= 0) return QV_String(s.substr(static_cast<size_t>(pos)));
    return QV_String(s.substr(static_cast<size_t>(pos), static_cast<size_t>(n)));
}

QV_String& QV_String::Reverse()
{
    std::string r(s.rbegin(), s.rend());
    s.swap(r);
    return *this;
}

QV_String& QV_String::ToLower()
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return *this;
}

QV_String& QV_String::Trim()
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    s = s.substr(b, e - b);
    return *this;
}

int QV_String::LastSeparator() const
{
    size_t p = s.find_last_of("\\/");
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int QV_String::ExtensionDot() const
{
    int dot = FindLast('.');
    return dot > LastSeparator() ? dot : -1;
}

QV_String QV_String::StripExtension() const
{
    int dot = ExtensionDot();
    return dot < 0 ? *this : Left(dot);
}

QV_String QV_String::Extension() const
{
    int dot = ExtensionDot();
    return dot < 0 ? *this : QV_String(s.substr(static_cast<size_t>(dot) + 1));
}

QV_String QV_String::FileName() const
{
    QV_String name = QV_String(s.substr(static_cast<size_t>(LastSeparator() + 1)));
    return name.StripExtension();
}

QV_String QV_String::Directory() const
{
    int sep = LastSeparator();
    return sep < 0 ? *this : Left(sep);
}

QV_String QV_String::ReplaceExtension(const char* ext)
{
    QV_String r = StripExtension();
    r.Append('.');
    r.Append(ext);
    *this = r;
    return r;
}

QV_String QV_String::FloatList(const float* values, int n, int decimals)
{
    std::string out = "(";
    for (int i = 0; i < n; ++i) {
        if (i) out += ',';
        QV_AppendFloat(out, values[i], decimals);
    }
    out += ')';
    return QV_String(out);
}

bool QV_String::Write(std::FILE* f) const
{
    uint32_t size = Size();
    return QV_WriteU32(f, size) && QV_WriteBytes(f, s.c_str(), size);
}

bool QV_String::Read(std::FILE* f)
{
    uint32_t size = 0;
    if (!QV_ReadU32(f, size)) return false;
    if (!QV_CanHold(f, size, 1)) return false;
    std::vector<char> buf(static_cast<size_t>(size) + 1, '\0');
    if (!QV_ReadBytes(f, buf.data(), size)) return false;
    s = buf.data();  // up to the first NUL
    return true;
}

QV_String operator+(const QV_String& a, const QV_String& b) { return QV_String(a).Append(b); }
QV_String operator+(const QV_String& a, const char* b) { return QV_String(a).Append(b); }
QV_String operator+(const char* a, const QV_String& b) { return QV_String(a).Append(b); }
QV_String operator+(const QV_String& a, char c) { return QV_String(a).Append(c); }
QV_String operator+(const QV_String& a, int v) { return QV_String(a).Append(v); }
QV_String operator+(const QV_String& a, float v) { return QV_String(a).Append(v); }

std::ostream& operator<<(std::ostream& os, const QV_String& s) { return os << s.CStr(); }
