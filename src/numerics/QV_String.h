// QV_String: a counted 8-bit character string with the file-name helpers,
// the truncating float-to-text conversion and a binary form.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>

class QV_String {
public:
    QV_String() = default;
    QV_String(const char* text) : s(text ? text : "") {}  // NOLINT: implicit by design
    QV_String(const std::string& text) : s(text.c_str()) {}  // NOLINT
    explicit QV_String(int value);
    // The value with `decimals` digits after the point, truncated (not rounded).
    QV_String(float value, int decimals);

    // Number of characters; Size() counts the terminating NUL as well.
    int Length() const { return static_cast<int>(s.size()); }
    unsigned Size() const { return static_cast<unsigned>(s.size()) + 1; }
    const char* CStr() const { return s.c_str(); }
    const std::string& Std() const { return s; }
    char& operator[](int i) { return s[static_cast<size_t>(i)]; }
    char operator[](int i) const { return s[static_cast<size_t>(i)]; }
    bool IsEmpty() const { return s.empty(); }

    QV_String& Append(const QV_String& t);
    QV_String& Append(const char* t);
    QV_String& Append(char c);
    QV_String& Append(int v);
    QV_String& Append(float v);  // three decimals, truncated

    QV_String& operator+=(const QV_String& t) { return Append(t); }
    QV_String& operator+=(const char* t) { return Append(t); }
    QV_String& operator+=(char c) { return Append(c); }
    QV_String& operator+=(int v) { return Append(v); }
    QV_String& operator+=(float v) { return Append(v); }

    // True when the characters of this string match text position by position,
    // stopping at the end of this string or at a NUL or newline in text, and
    // all Length() characters matched (so a line with its newline compares equal).
    bool Compare(const char* text) const;
    bool operator==(const char* text) const { return Compare(text); }
    bool operator!=(const char* text) const { return !Compare(text); }
    bool operator==(const QV_String& t) const { return Compare(t.CStr()); }
    bool operator!=(const QV_String& t) const { return !Compare(t.CStr()); }

    int Find(char c) const;
    int FindLast(char c) const;
    int Find(const char* sub) const;

    QV_String Left(int n) const;
    QV_String Right(int n) const;
    // n characters from pos, to the end when n is 0; clipped to the string.
    QV_String Mid(int pos, int n = 0) const;
    QV_String& Reverse();
    // Maps 'A'..'Z' to 'a'..'z' and nothing else.
    QV_String& ToLower();
    // Removes blanks, tabs and newlines from both ends.
    QV_String& Trim();

    // File-name helpers; '\\' and '/' both separate folders. A '.' counts as
    // the start of an extension only after the last separator.
    QV_String StripExtension() const;
    QV_String Extension() const;
    QV_String FileName() const;
    QV_String Directory() const;
    QV_String ReplaceExtension(const char* ext);

    // "(" v1 "," v2 ... ")" with each value given `decimals` truncated digits.
    static QV_String FloatList(const float* values, int n, int decimals = 3);

    // Binary form: size (characters + NUL) as a 32-bit count, then the bytes.
    bool Write(std::FILE* f) const;
    // Fails, leaving the string unchanged, on a short read or a count larger
    // than the stream still holds.
    bool Read(std::FILE* f);

private:
    int LastSeparator() const;
    int ExtensionDot() const;

    std::string s;
};

QV_String operator+(const QV_String& a, const QV_String& b);
QV_String operator+(const QV_String& a, const char* b);
QV_String operator+(const char* a, const QV_String& b);
QV_String operator+(const QV_String& a, char c);
QV_String operator+(const QV_String& a, int v);
QV_String operator+(const QV_String& a, float v);

std::ostream& operator<<(std::ostream& os, const QV_String& s);

// Appends v with d decimals to out: a '-' for negative values, the integer
// part, '.', then d digits each taken by multiplying the remaining fraction by
// ten and truncating.
void QV_AppendFloat(std::string& out, float v, int d);
