// Which detector windows and face records of a labelled portrait lie on its
// face: training portraits may only teach "not a face" with windows away from it.
#pragma once

#include <vector>

#include "QV_DetectorSamples.h"
#include "QV_FaceDetector.h"

// A box in input pixels (x right, y down), x0/y0 inclusive, x1/y1 exclusive.
struct QV_InputBox {
    double x0, y0, x1, y1;
};

// How far around the face's own window a window still counts as on the face,
// as a fraction of that window's side on every side.
constexpr double QV_FACE_MARGIN = 0.25;
// How many pyramid levels from the face's own level a window may be and still
// show the face: a window much smaller (an eye, the nose) or much larger than
// the face is not the face even where it overlaps it.
constexpr int QV_FACE_NEAR_LEVELS = 2;

// The input-pixel box of a cols x rows window with top-left (left, top) at a
// pyramid level.
QV_InputBox QV_WindowBox(int left, int top, int level, int cols = 20, int rows = 20);
// The face's own 20 x 20 window at its level, grown by `margin` times its side
// on every side.
QV_InputBox QV_FaceBox(const QV_FacePlacement& face, double margin = QV_FACE_MARGIN);
// True when the two boxes share some area.
bool QV_BoxesOverlap(const QV_InputBox& a, const QV_InputBox& b);
// True when the window overlaps the face's grown box at a level within
// QV_FACE_NEAR_LEVELS of the face's own: such a window may show the face at a
// nearby scale and is never a negative. (The size of a cols x rows window is
// taken as that of the 20 x 20 window it holds at its level.)
bool QV_WindowOnFace(const QV_FacePlacement& face, int left, int top, int level, int cols = 20, int rows = 20,
                     double margin = QV_FACE_MARGIN);

// The detector's 20 x 20 window (x, y, level) of an output record, recovered
// from its face box; false when the box is not that of a pyramid window.
bool QV_RecordWindow(const int* record, QV_Detection& window);
// Indices of the records (ten ints each) that are not the face: their box
// does not overlap the face's grown box, or its size is more than
// QV_FACE_NEAR_LEVELS levels from the face's.
std::vector<int> QV_FalseFaceRecords(const int* records, int n, const QV_FacePlacement& face,
                                     double margin = QV_FACE_MARGIN);
