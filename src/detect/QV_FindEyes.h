// The detector's entries for the rest of the program: face records from grey
// bytes, and the two eye centres of a photograph in normalised coordinates.
#pragma once

#include <vector>

#include "QV_FaceDetector.h"
#include "QV_Image.h"
#include "QV_Point.h"

// Runs the detector with the compiled-in networks (set up on the first call).
// Returns the number of faces; *records gets a malloc'ed array of ten-int
// records (see QV_FaceRecordField) or null, to be freed by the caller.
int QV_DetectFaces(int width, int height, const unsigned char* grey, int** records);

// Finds the eyes of the first face whose two eyes were both found: eye1 is the
// eye in the left half of the picture, eye2 the one in the right half, each as
// (x / columns, y / rows) with y counted from the bottom row. False when no
// face has both eyes.
bool FindEyes(const QV_Image& image, QV_Point2D& eye1, QV_Point2D& eye2);
// The two steps around the detector, usable on their own:
// grey bytes for the detector, top row first, grey = (R + G + B) div 3;
void QV_DetectorGrey(const QV_Image& image, std::vector<unsigned char>& grey);
// the eye pair of the first record with both eyes found, normalised for an
// image of that many rows and columns.
bool QV_EyesFromRecords(const int* records, int n, int rows, int cols, QV_Point2D& eye1, QV_Point2D& eye2);

// The same with a given detector (networks supplied by the caller).
bool FindEyes(QV_FaceDetector& detector, const QV_Image& image, QV_Point2D& eye1, QV_Point2D& eye2);
