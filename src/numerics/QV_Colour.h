// QV_Colour: an RGBA byte colour, the pixel of QV_Image (memory order R, G, B, A).
#pragma once

#include <cstdio>
#include <istream>
#include <ostream>

struct QV_Colour {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
    unsigned char alpha = 255;

    QV_Colour() = default;
    QV_Colour(unsigned char r, unsigned char g, unsigned char b) : red(r), green(g), blue(b), alpha(255) {}
    QV_Colour(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : red(r), green(g), blue(b), alpha(a) {}

    bool operator==(const QV_Colour&) const = default;

    // Binary form: red, green and blue, one byte each.
    bool Write(std::FILE* f) const;
    bool Read(std::FILE* f);

    // Takes the integers after '(' and after the first and second ',' of a
    // text line such as "QV_Colour(1,2,3)", clamped to 0..255. False, colour
    // unchanged, when the line lacks them.
    bool FromText(const char* line);
};

static_assert(sizeof(QV_Colour) == 4, "a pixel is four bytes");

// Text form "QV_Colour(r,g,b)" and a newline.
std::ostream& operator<<(std::ostream& os, const QV_Colour& c);
// Reads one line (at most 256 characters) and takes the three integers after
// '(' and the two commas.
std::istream& operator>>(std::istream& is, QV_Colour& c);
