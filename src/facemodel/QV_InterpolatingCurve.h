// QV_InterpolatingCurve: a global B-spline interpolation through a list of 2D
// points (chord-length parameters, averaged knots, control points by SVD),
// with evaluation, derivatives and the nearest-parameter projection used for
// drawing contours and for dragging points.
#pragma once

#include <vector>

#include "QV_Point.h"

class QV_InterpolatingCurve {
public:
    // Fits the curve of the given degree through the points. The degree is
    // lowered to (number of points - 1) when there are too few points for it.
    // False when there are no points.
    bool Fit(const std::vector<QV_Point2D>& points, int degree);

    int Degree() const { return degree; }
    bool IsFitted() const { return !ctrl.empty(); }
    // Chord-length parameter of each fitted point (0 for the first, 1 for the last).
    const std::vector<float>& Parameters() const { return params; }

    // Point, first and second derivative at u in 0..1.
    QV_Point2D Evaluate(float u) const;
    QV_Point2D Derivative1(float u) const;
    QV_Point2D Derivative2(float u) const;

    // Parameter of the curve point nearest to p: nine Newton projections
    // started at the midpoints of the intervals [(i-1)/9, i/9], the nearest
    // result winning (the first on a tie). Tolerances are in curve units.
    float NearestParameter(const QV_Point2D& p) const;

private:
    int degree = 1;
    std::vector<float> params;
    std::vector<float> knots;                 // degree + ctrl.size() + 1 knots
    std::vector<QV_Point2D> ctrl;             // control points
    std::vector<QV_Point2D> ctrl1, ctrl2;     // derivative control points
};
