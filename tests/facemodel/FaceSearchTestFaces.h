// Synthetic faces for the face search tests and benchmark: a face outline,
// two eyes and an inner mouth drawn as shaded ellipses on a noisy background,
// with the annotation that marks their edges exactly.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "QV_AnnotationModel.h"
#include "QV_FaceLabels.h"
#include "QV_Image.h"

namespace visagen_test {

struct FaceLayout {
    int facePoints = 20;   // closed outline
    int eyePoints = 8;     // per eye (at least 8: the eye rule's points)
    int mouthPoints = 12;  // inner mouth (12: the mouth rule's points)
    int extraRings = 0;    // further closed rings inside the face (realistic point counts)
    int ringPoints = 16;
};

// Where and how big the face is, and how its parts vary.
struct FacePose {
    float cx = 128.0f, cy = 96.0f;  // centre in pixels (y from the bottom row)
    float size = 60.0f;             // half-height of the face outline, pixels
    float angle = 0.0f;             // radians
    float faceWidth = 0.75f;        // outline half-width / half-height
    float eyeSpacing = 0.36f;       // eye centre distance from the midline
    float eyeHeight = 0.08f;
    float mouthWidth = 0.28f;
    float mouthHeight = 0.08f;
};

inline FacePose RandomPose(std::mt19937& rng, float cx, float cy, float size)
{
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    FacePose p;
    p.cx = cx + 6.0f * u(rng);
    p.cy = cy + 6.0f * u(rng);
    p.size = size * (1.0f + 0.08f * u(rng));
    p.angle = 0.08f * u(rng);
    p.faceWidth = 0.75f + 0.06f * u(rng);
    p.eyeSpacing = 0.36f + 0.04f * u(rng);
    p.eyeHeight = 0.08f + 0.025f * u(rng);
    p.mouthWidth = 0.28f + 0.05f * u(rng);
    p.mouthHeight = 0.08f + 0.03f * u(rng);
    return p;
}

namespace faces_detail {

struct Ellipse {
    float x, y, rx, ry;  // face frame, units of the face half-height
};

inline Ellipse FaceOutline(const FacePose& p) { return {0.0f, 0.0f, p.faceWidth, 1.0f}; }
inline Ellipse RightEye(const FacePose& p) { return {-p.eyeSpacing, 0.25f, 0.16f, p.eyeHeight}; }
inline Ellipse LeftEye(const FacePose& p) { return {p.eyeSpacing, 0.25f, 0.16f, p.eyeHeight}; }
inline Ellipse Mouth(const FacePose& p) { return {0.0f, -0.45f, p.mouthWidth, p.mouthHeight}; }
inline Ellipse Ring(const FacePose& p, int k)
{
    // Rings about the nose, growing outwards (drawn as faint edges).
    float r = 0.12f + 0.05f * static_cast<float>(k);
    return {0.0f, -0.08f, r * 0.8f * p.faceWidth, r * 0.7f};
}

// Face frame to pixels.
inline QV_Point2D ToPixels(const FacePose& p, float fx, float fy)
{
    float c = std::cos(p.angle), s = std::sin(p.angle);
    return QV_Point2D(p.cx + p.size * (c * fx - s * fy), p.cy + p.size * (s * fx + c * fy));
}

inline void AddEllipse(QV_AnnotationModel& m, const char* label, const FacePose& p, const Ellipse& e, int n,
                       float startAngle, const QV_Point2D& imageSize)
{
    QV_Annotation a;
    a.label = label;
    a.open = 0;
    for (int i = 0; i < n; ++i) {
        double t = startAngle - 2.0 * 3.14159265358979 * i / n;
        QV_Point2D q = ToPixels(p, e.x + e.rx * static_cast<float>(std::cos(t)),
                                e.y + e.ry * static_cast<float>(std::sin(t)));
        a.points.Append(QV_Point2D(q.x / imageSize.x, q.y / imageSize.y));
    }
    m.annotations.Append(a);
}

inline bool Inside(const Ellipse& e, float fx, float fy)
{
    float dx = (fx - e.x) / e.rx, dy = (fy - e.y) / e.ry;
    return dx * dx + dy * dy <= 1.0f;
}

}  // namespace faces_detail

// The annotation of a face: "FACE", "RIGHT EYE" (image left), "LEFT EYE",
// "INNER MOUTH" (points 0-6 along the upper lip from the left corner, 7-11
// back along the lower lip) and any extra rings, normalised to imageSize.
inline QV_AnnotationModel FaceAnnotation(const FacePose& p, const FaceLayout& layout, const QV_Point2D& imageSize)
{
    using namespace faces_detail;
    const float pi = 3.14159265358979f;
    QV_AnnotationModel m;
    AddEllipse(m, QV_Labels::Face, p, FaceOutline(p), layout.facePoints, pi / 2, imageSize);
    // Clockwise from the left end: eye point 2 on top and 6 at the bottom;
    // mouth points 1-5 on the upper lip facing 11-7 on the lower.
    AddEllipse(m, QV_Labels::RightEye, p, RightEye(p), layout.eyePoints, pi, imageSize);
    AddEllipse(m, QV_Labels::LeftEye, p, LeftEye(p), layout.eyePoints, pi, imageSize);
    AddEllipse(m, QV_Labels::InnerMouth, p, Mouth(p), layout.mouthPoints, pi, imageSize);
    for (int k = 0; k < layout.extraRings; ++k) {
        std::string label = "RING " + std::to_string(k);
        AddEllipse(m, label.c_str(), p, Ring(p, k), layout.ringPoints, pi / 2, imageSize);
    }
    return m;
}

// Eye centres, normalised.
inline void EyeCentres(const FacePose& p, const QV_Point2D& imageSize, QV_Point2D& right, QV_Point2D& left)
{
    using namespace faces_detail;
    QV_Point2D r = ToPixels(p, RightEye(p).x, RightEye(p).y), l = ToPixels(p, LeftEye(p).x, LeftEye(p).y);
    right = QV_Point2D(r.x / imageSize.x, r.y / imageSize.y);
    left = QV_Point2D(l.x / imageSize.x, l.y / imageSize.y);
}

// Draws the face on a cols x rows image: background, shaded skin, dark eyes,
// red mouth, faint rings, 2 x 2 supersampled, plus noise from the seed.
inline QV_Image FaceImage(const FacePose& p, const FaceLayout& layout, int cols, int rows, uint32_t seed)
{
    using namespace faces_detail;
    QV_Image image(rows, cols);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-6.0f, 6.0f);
    const float c = std::cos(p.angle), s = std::sin(p.angle);
    const Ellipse face = FaceOutline(p), re = RightEye(p), le = LeftEye(p), mouth = Mouth(p);
    for (int r = 0; r < rows; ++r) {
        for (int col = 0; col < cols; ++col) {
            float acc[3] = {0, 0, 0};
            for (int sy = 0; sy < 2; ++sy)
                for (int sx = 0; sx < 2; ++sx) {
                    float x = col + 0.25f + 0.5f * sx - p.cx, y = r + 0.25f + 0.5f * sy - p.cy;
                    float fx = (c * x + s * y) / p.size, fy = (-s * x + c * y) / p.size;
                    float rgb[3] = {50.0f, 60.0f, 80.0f};
                    if (Inside(face, fx, fy)) {
                        float shade = 1.0f - 0.15f * fy - 0.1f * fx;
                        rgb[0] = 205.0f * shade;
                        rgb[1] = 160.0f * shade;
                        rgb[2] = 130.0f * shade;
                        for (int k = layout.extraRings - 1; k >= 0; --k)
                            if (Inside(Ring(p, k), fx, fy)) {
                                float d = (k % 2) ? 18.0f : -18.0f;
                                rgb[0] += d;
                                rgb[1] += d;
                                rgb[2] += d;
                            }
                        if (Inside(re, fx, fy) || Inside(le, fx, fy)) {
                            rgb[0] = 35.0f;
                            rgb[1] = 30.0f;
                            rgb[2] = 40.0f;
                        } else if (Inside(mouth, fx, fy)) {
                            rgb[0] = 110.0f;
                            rgb[1] = 25.0f;
                            rgb[2] = 35.0f;
                        }
                    }
                    for (int k = 0; k < 3; ++k) acc[k] += 0.25f * rgb[k];
                }
            QV_Colour& px = image(r, col);
            px.red = QV_RoundToByte(acc[0] + noise(rng));
            px.green = QV_RoundToByte(acc[1] + noise(rng));
            px.blue = QV_RoundToByte(acc[2] + noise(rng));
            px.alpha = 255;
        }
    }
    return image;
}

}  // namespace visagen_test
