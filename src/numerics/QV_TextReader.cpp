#include "QV_TextReader.h"

#include <cstdlib>

bool QV_TextReader::ReadLine(std::string& line)
{
    line.clear();
    int c = std::fgetc(f);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        line += static_cast<char>(c);
        c = std::fgetc(f);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool QV_TextReader::SkipLine()
{
    int c = std::fgetc(f);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') c = std::fgetc(f);
    return true;
}

bool QV_TextReader::SkipWhite()
{
    int c = std::fgetc(f);
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r') c = std::fgetc(f);
    if (c == EOF) return false;
    std::ungetc(c, f);
    return true;
}

bool QV_TextReader::ReadToken(std::string& token)
{
    token.clear();
    if (!SkipWhite()) return false;
    int c = std::fgetc(f);
    while (c != EOF && c != ' ' && c != '\t' && c != '\n' && c != '\r') {
        token += static_cast<char>(c);
        c = std::fgetc(f);
    }
    if (c != EOF) std::ungetc(c, f);
    return true;
}

bool QV_TextReader::ReadInt(int& v)
{
    std::string t;
    if (!ReadToken(t)) return false;
    long x = std::strtol(t.c_str(), nullptr, 10);
    if (x > 2147483647L) x = 2147483647L;
    if (x < -2147483647L - 1) x = -2147483647L - 1;
    v = static_cast<int>(x);
    return true;
}

bool QV_TextReader::ReadFloat(float& v)
{
    std::string t;
    if (!ReadToken(t)) return false;
    v = std::strtof(t.c_str(), nullptr);
    return true;
}

bool QV_TextReader::AtEnd()
{
    int c = std::fgetc(f);
    if (c == EOF) return true;
    std::ungetc(c, f);
    return false;
}

int QV_TextReader::IntAfterEquals(const std::string& line)
{
    size_t p = line.find('=');
    if (p == std::string::npos) return 0;
    long x = std::strtol(line.c_str() + p + 1, nullptr, 10);
    if (x > 2147483647L) x = 2147483647L;
    if (x < -2147483647L - 1) x = -2147483647L - 1;
    return static_cast<int>(x);
}

char QV_TextReader::CharAfterEquals(const std::string& line)
{
    size_t p = line.find('=');
    if (p == std::string::npos || p + 1 >= line.size()) return '\0';
    return line[p + 1];
}
