// Reader of a 68-point label file: a JSON array of records
// {image, width, height, box:[left,top,width,height], landmarks:[[x,y] x 68]}
// in pixels, x right and y down. Strict, bounded and safe on malformed text.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "QV_Point.h"

struct QV_LabelledFace {
    std::string image;  // file name as written in the label file
    int width = 0;
    int height = 0;
    std::array<float, 4> box{};  // left, top, width, height in pixels
    std::array<QV_Point2D, 68> points{};  // pixels, x right, y down
};

// Parses the whole text. On any fault (syntax, wrong type, wrong count, a
// missing field, a value out of range) prints "QV_ReadLandmarks68() Error! : "
// with the reason, leaves `faces` empty and returns false.
bool QV_ParseLandmarks68(std::string_view text, std::vector<QV_LabelledFace>& faces);

// The label file's text for the records, one record a line, numbers with
// one decimal as the teacher writes them; the parser reads it back.
std::string QV_FormatLandmarks68(const std::vector<QV_LabelledFace>& faces);

// Reads and parses the file (at most 512 MB).
bool QV_ReadLandmarks68(const char* path, std::vector<QV_LabelledFace>& faces);

// The 68 points in normalised image coordinates (x / width, 1 - y / height,
// i.e. y counted from the bottom row).
std::array<QV_Point2D, 68> QV_NormalisedLandmarks(const QV_LabelledFace& face);

// How far the head is turned from frontal: where the nose tip (30) lies
// between the jaw's ends (0 and 16), less one half. 0 frontal, about +-0.25
// a third of the way to profile; 0 when the jaw's ends coincide.
double QV_HeadTurn(const QV_LabelledFace& face);
