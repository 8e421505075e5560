// QV_ShapeInstance: the shape being searched, as a shape vector in pixels of
// one image with its parts, point normals, eye reference indices and an
// optional fixed-coordinate constraint.
#pragma once

#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Array.h"
#include "QV_Point.h"
#include "QV_String.h"

// One used annotation laid out in the shape vector.
struct QV_ShapePart {
    QV_String label;
    int numPoints = 0;
    unsigned char open = 1;
};

class QV_ShapeInstance {
public:
    std::vector<QV_ShapePart> parts;
    QV_Array<float> points;   // x0, y0, x1, y1, ... in pixels
    QV_Array<float> normals;  // one unit normal per point, same layout
    // Index in `points` of the x coordinate of each eye's reference point, -1
    // when unknown.
    int rightEyeIndex = -1;
    int leftEyeIndex = -1;
    // One entry per coordinate; a flag of 1 holds that coordinate at its value.
    QV_Array<float> fixedValues;
    QV_Array<unsigned char> fixedFlags;

    int NumPoints() const { return points.Count() / 2; }
    QV_Point2D Point(int i) const { return {points[2 * i], points[2 * i + 1]}; }
    void SetPoint(int i, const QV_Point2D& p)
    {
        points[2 * i] = p.x;
        points[2 * i + 1] = p.y;
    }
    QV_Point2D Normal(int i) const { return {normals[2 * i], normals[2 * i + 1]}; }

    // Lays out the used annotations: points are the annotation coordinates
    // times the image size (W, H); normals are sized (not computed).
    void SetFromAnnotation(const QV_Point2D& imageSize, const QV_AnnotationModel& model);
    // Clears `out` and appends one annotation per part (label, open flag,
    // used = 1, normalised = 1) with the points divided by the image size.
    void ToAnnotation(const QV_Point2D& imageSize, QV_AnnotationModel& out) const;
    // Recomputes the unit normal of every point, part by part.
    void UpdateNormals();
    // Copies each coordinate flagged 1 from fixedValues into points (only
    // when the constraint covers every coordinate).
    void ApplyFixed();

    // The shape vector of the used annotations of a model, scaled by the
    // image size: what SetFromAnnotation puts into `points`.
    static void ShapeVector(const QV_Point2D& imageSize, const QV_AnnotationModel& model, QV_Array<float>& out);
};
