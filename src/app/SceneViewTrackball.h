// The virtual trackball of the 3D view: the rotation that a pointer movement
// between two window points gives.
#pragma once

#include "QV_GLMatrix.h"
#include "QV_Point.h"

// The unit vector a window point (pixels from the top-left corner) maps to on
// the trackball's sphere; left as computed when its length is 0.
QV_Point3D QV_TrackballVector(float px, float py, int width, int height);

// The rotation from the previous to the current window point: by
// 90 x |b - a| degrees about a x b, where a and b are the two points'
// trackball vectors. Identity for an empty window or no movement.
QV_GLMatrix QV_TrackballRotation(const QV_Point2D& previous, const QV_Point2D& current, int width, int height);
