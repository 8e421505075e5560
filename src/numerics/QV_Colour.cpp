#include "QV_Colour.h"

#include <cstdlib>
#include <cstring>

bool QV_Colour::Write(std::FILE* f) const
{
    return std::fputc(red, f) != EOF && std::fputc(green, f) != EOF && std::fputc(blue, f) != EOF;
}

bool QV_Colour::Read(std::FILE* f)
{
    int r = std::fgetc(f);
    if (r == EOF) return false;
    int g = std::fgetc(f);
    if (g == EOF) return false;
    int b = std::fgetc(f);
    if (b == EOF) return false;
    red = static_cast<unsigned char>(r);
    green = static_cast<unsigned char>(g);
    blue = static_cast<unsigned char>(b);
    return true;
}

std::ostream& operator<<(std::ostream& os, const QV_Colour& c)
{
    os << "QV_Colour(" << int(c.red) << "," << int(c.green) << "," << int(c.blue) << ")\n";
    return os;
}

bool QV_Colour::FromText(const char* line)
{
    const char* p = line ? std::strchr(line, '(') : nullptr;
    const char* c1 = p ? std::strchr(p + 1, ',') : nullptr;
    const char* c2 = c1 ? std::strchr(c1 + 1, ',') : nullptr;
    if (!c2) return false;
    auto clamp = [](long v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); };
    red = clamp(std::strtol(p + 1, nullptr, 10));
    green = clamp(std::strtol(c1 + 1, nullptr, 10));
    blue = clamp(std::strtol(c2 + 1, nullptr, 10));
    return true;
}

std::istream& operator>>(std::istream& is, QV_Colour& c)
{
    char line[257] = {0};
    is.getline(line, sizeof line);
    if (is.fail() && !is.eof()) is.clear();  // over-long line: keep what was read
    if (!c.FromText(line)) is.setstate(std::ios::failbit);
    return is;
}
