// QV_DetImage: the detector's own grey image (one byte per pixel, row 0 at the
// top of the picture), and the process-wide table of images kept by name.
#pragma once

#include <cstddef>
#include <vector>

struct QV_DetImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;  // row after row, top row first

    QV_DetImage() = default;
    QV_DetImage(int w, int h, unsigned char fill = 0) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
    unsigned char& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    unsigned char At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // The pixel nearest to (x, y) inside the image (borders repeat outward).
    unsigned char Clamped(int x, int y) const
    {
        x = x < 0 ? 0 : x >= width ? width - 1 : x;
        y = y < 0 ? 0 : y >= height ? height - 1 : y;
        return At(x, y);
    }
};

// Creates a zero-filled image under a new name and keeps it until deleted.
// A name already in the table prints "Create image: duplicate name '<name>'."
// and ends the process.
QV_DetImage* QV_CreateNamedImage(const char* name, int width, int height);
// The image of that name, or null.
QV_DetImage* QV_FindNamedImage(const char* name);
// Removes and frees the image of that name; false when there is none.
bool QV_DeleteNamedImage(const char* name);
