// QV_Annotation: one named contour of a face annotation, an ordered list of
// normalised 2D points (fractions of the image width and height) with some
// points marked as landmarks, open/closed and used flags and a drawing colour.
#pragma once

#include <vector>

#include "QV_Colour.h"
#include "QV_InterpolatingCurve.h"
#include "QV_List.h"
#include "QV_Point.h"
#include "QV_String.h"

class QV_Annotation {
public:
    QV_Annotation() = default;

    QV_List<QV_Point2D> points{10};
    int version = 1;
    QV_String label{"NONE"};
    QV_List<int> landmarks{4};  // indices into points
    unsigned char normalised = 1;
    unsigned char open = 1;  // 1 open polyline, 0 closed contour
    unsigned char used = 1;
    QV_Colour colour{0, 0, 255, 255};

    int NumPoints() const { return static_cast<int>(points.Size()); }
    bool IsLandmark(int pointIndex) const { return landmarks.Find(pointIndex) >= 0; }
    std::vector<QV_Point2D> PointVector() const;

    // Mean of the points; (0, 0) for an annotation without points.
    QV_Point2D Centroid() const;
    // Returns max - min; with no points min and max keep their start values
    // (+3.4028235e38 and -3.4028235e38).
    QV_Point2D BoundingBox(QV_Point2D& min, QV_Point2D& max) const;
    // Centre of the bounding box scaled component-wise.
    QV_Point2D BoxCentre(const QV_Point2D& scale) const;

    void Translate(const QV_Point2D& d);
    void ScaleAboutCentroid(const QV_Point2D& s);
    // Rotation about the centroid in a frame scaled by aspect (normally the
    // image width and height, so the rotation is true in pixels).
    void Rotate(float angleDegrees, const QV_Point2D& aspect);

    // Nearest point to p; distance starts at +3.4028235e38 and index at -1, and
    // only a strictly nearer point replaces the best so far.
    void NearestPoint(const QV_Point2D& p, float& distance, int& index) const;

    // Unit normals (-dy, dx) of each segment of the scaled points (and of the
    // closing segment of a closed contour); empty for fewer than two points.
    void SegmentNormals(const QV_Point2D& scale, QV_List<QV_Point2D>& out) const;
    // One unit normal per point, from the normals of its segments.
    void PointNormals(const QV_Point2D& scale, QV_List<QV_Point2D>& out) const;

    // Moves a point and lets the points up to the nearest landmarks on either
    // side follow, less the farther they are from it.
    void DragPoint(int index, const QV_Point2D& newPosition);

    // Interpolating curve through the scaled points, of the given degree when
    // there are more than two points and of degree 1 otherwise.
    bool SmoothCurve(const QV_Point2D& scale, int degree, QV_InterpolatingCurve& curve) const;
};
