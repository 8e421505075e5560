// The template head's own annotations: the frontal one built from the 68
// points of the template face by the face search template's rules, and the
// profile one traced from the head's silhouette.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "QV_FaceTemplate.h"
#include "QV_TemplateHead.h"

namespace QV_TemplateHead {

namespace {

constexpr double kPi = std::numbers::pi;
using Points = std::vector<QV_Point2D>;

QV_Point2D Mirrored(const QV_Point2D& p) { return {-p.x, p.y}; }

// `count` points evenly spaced by arc length along the polyline, ends included.
Points Resample(const Points& line, int count)
{
    std::vector<double> at(line.size(), 0.0);
    for (size_t i = 1; i < line.size(); ++i)
        at[i] = at[i - 1] + std::hypot(line[i].x - line[i - 1].x, line[i].y - line[i - 1].y);
    Points out;
    size_t seg = 1;
    for (int k = 0; k < count; ++k) {
        const double want = at.back() * k / (count - 1);
        while (seg + 1 < line.size() && at[seg] < want) ++seg;
        const double len = at[seg] - at[seg - 1];
        const double t = len > 0.0 ? std::clamp((want - at[seg - 1]) / len, 0.0, 1.0) : 0.0;
        out.push_back(line[seg - 1] + (line[seg] - line[seg - 1]) * static_cast<float>(t));
    }
    return out;
}

}  // namespace

std::vector<QV_Point2D> Teacher68()
{
    std::vector<QV_Point2D> p(68);
    // Jaw 0..16 from the subject's right over the chin.
    const double w = 0.70, top = 0.05, chin = -1.2;
    for (int i = 0; i <= 16; ++i) {
        const double g = kPi * i / 16.0;
        p[i] = {static_cast<float>(-w * std::cos(g)),
                static_cast<float>(top - (top - chin) * std::pow(std::sin(g), 0.7))};
    }
    // Right brow 17..21 outer to inner; left brow 22..26 its mirror.
    for (int i = 0; i < 5; ++i) {
        const double t = i / 4.0;
        p[17 + i] = {static_cast<float>(-0.52 + 0.4 * t), static_cast<float>(0.17 + 0.05 * std::sin(kPi * (0.15 + 0.7 * t)))};
    }
    for (int i = 0; i < 5; ++i) p[22 + i] = Mirrored(p[21 - i]);
    // Nose bridge 27..30 and nostrils 31..35.
    const float bridge[4] = {-0.02f, -0.16f, -0.29f, -0.42f};
    for (int i = 0; i < 4; ++i) p[27 + i] = {0.0f, bridge[i]};
    p[31] = {-0.14f, -0.50f};
    p[32] = {-0.07f, -0.53f};
    p[33] = {0.0f, -0.55f};
    p[34] = Mirrored(p[32]);
    p[35] = Mirrored(p[31]);
    // Right eye 36..41: outer corner, upper lid, inner corner, lower lid.
    const double hw = 0.14, hh = 0.055;
    const double angles[6] = {0.0, 60.0, 120.0, 180.0, 240.0, 300.0};
    for (int i = 0; i < 6; ++i) {
        const double a = angles[i] * kPi / 180.0;
        p[36 + i] = {static_cast<float>(-kEyeX - hw * std::cos(a)), static_cast<float>(hh * std::sin(a))};
    }
    // Left eye 42..47: inner corner 42, upper lid 43, 44, outer corner 45, lower lid 46, 47.
    p[42] = Mirrored(p[39]);
    p[43] = Mirrored(p[38]);
    p[44] = Mirrored(p[37]);
    p[45] = Mirrored(p[36]);
    p[46] = Mirrored(p[41]);
    p[47] = Mirrored(p[40]);
    // Outer mouth 48..59: right corner, upper lip, left corner, lower lip back.
    p[48] = {-0.25f, -0.78f};
    for (int i = 1; i <= 5; ++i)
        p[48 + i] = {static_cast<float>(-0.25 + 0.5 * i / 6.0),
                     static_cast<float>(-0.78 + 0.075 * std::sin(kPi * i / 6.0) - (i == 3 ? 0.015 : 0.0))};
    p[54] = {0.25f, -0.78f};
    for (int i = 7; i <= 11; ++i)
        p[48 + i] = {static_cast<float>(0.25 - 0.5 * (i - 6) / 6.0), static_cast<float>(-0.78 - 0.085 * std::sin(kPi * (i - 6) / 6.0))};
    // Inner mouth 60..67, slightly open so that the lips stay apart.
    const QV_Point2D inner[8] = {{-0.2f, -0.78f}, {-0.1f, -0.765f}, {0.0f, -0.762f}, {0.1f, -0.765f},
                                 {0.2f, -0.78f},  {0.1f, -0.795f},  {0.0f, -0.798f}, {-0.1f, -0.795f}};
    for (int i = 0; i < 8; ++i) p[60 + i] = inner[i];
    return p;
}

namespace {

struct Contour {
    const char* label;
    bool open;
    std::vector<int> landmarks;
    Points points;
};

void Append(QV_AnnotationModel& model, const Contour& c)
{
    QV_Annotation a;
    a.label = c.label;
    a.open = c.open ? 1 : 0;
    a.used = 1;
    a.normalised = 1;
    for (const QV_Point2D& p : c.points) a.points.Append(p);
    for (int l : c.landmarks) a.landmarks.Append(l);
    model.annotations.Append(a);
}

// (z, y) of the head surface along a meridian between two heights.
Points Meridian(double phi, double yFrom, double yTo, int samples)
{
    Points line;
    const double s0 = ParameterAtHeight(yFrom), s1 = ParameterAtHeight(yTo);
    for (int i = 0; i <= samples; ++i) {
        const QV_Point3D p = Surface(s0 + (s1 - s0) * i / samples, phi);
        line.push_back({p.z, p.y});
    }
    return line;
}

}  // namespace

std::vector<QV_Point2D> FaceOutlineInHeadUnits()
{
    QV_AnnotationModel model;
    FrontContoursInHeadUnits(model);
    return model[model.Find("FACE")].PointVector();
}

bool InsidePolygon(const std::vector<QV_Point2D>& polygon, const QV_Point2D& p)
{
    bool in = false;
    const size_t n = polygon.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const QV_Point2D& a = polygon[i];
        const QV_Point2D& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

double DistanceToPolygon(const std::vector<QV_Point2D>& polygon, const QV_Point2D& p)
{
    double best = 1e30;
    const size_t n = polygon.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double ax = polygon[j].x, ay = polygon[j].y, bx = polygon[i].x, by = polygon[i].y;
        const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        double t = len2 > 0.0 ? ((p.x - ax) * dx + (p.y - ay) * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - (ax + t * dx), p.y - (ay + t * dy)));
    }
    return best;
}

void FrontAnnotation(QV_AnnotationModel& model)
{
    // The face search's own construction from the 68 points of this head, so
    // that a fit of a photograph and this reference line up point for point
    // and follow the same rules where the 68 points say nothing (outline,
    // neck, ears).
    const std::vector<QV_Point2D> teacher = Teacher68();
    std::array<QV_Point2D, 68> normalised;
    for (int i = 0; i < 68; ++i) normalised[static_cast<size_t>(i)] = FrontFrame(teacher[i].x, teacher[i].y);
    QV_BuildFaceTemplate(normalised, kFrontWidth / kFrameHeight, model);
}

void FrontContoursInHeadUnits(QV_AnnotationModel& model)
{
    FrontAnnotation(model);
    for (int a = 0; a < model.Count(); ++a)
        for (int i = 0; i < model[a].NumPoints(); ++i) model[a].points[i] = FrontFrameInverse(model[a].points[i]);
}

void ProfileAnnotation(QV_AnnotationModel& model)
{
    model.Clear();
    std::vector<Contour> cs;
    cs.push_back({"FACE", true, {0, 39}, Resample(Meridian(0.0, 0.62, -1.45, 400), 40)});
    const QV_Point3D eye = EyeCentre(0);
    const double ez = eye.z + kEyeRadius - 0.07;
    Points eyePoints;
    for (int i = 0; i < 8; ++i)
        eyePoints.push_back({static_cast<float>(ez - 0.07 * std::cos(2.0 * kPi * i / 8.0)),
                             static_cast<float>(0.035 * std::sin(2.0 * kPi * i / 8.0))});
    cs.push_back({"EYE", false, {0, 4}, eyePoints});
    const double front = Surface(ParameterAtHeight(-0.78), 0.0).z, corner = front - 0.15;
    Points mouth;
    for (int i = 0; i <= 6; ++i)
        mouth.push_back({static_cast<float>(corner + (front - corner) * i / 6.0),
                         static_cast<float>(-0.78 + 0.05 * std::sin(0.5 * kPi * i / 6.0))});
    for (int i = 7; i <= 11; ++i)
        mouth.push_back({static_cast<float>(front - (front - corner) * (i - 6) / 6.0),
                         static_cast<float>(-0.78 - 0.06 * std::sin(0.5 * kPi * (12 - i) / 6.0))});
    cs.push_back({"MOUTH", false, {0, 6}, mouth});
    Points side = Meridian(0.0, 0.62, kTop, 100);
    const Points back = Meridian(kPi, kTop, -1.3, 300);
    side.insert(side.end(), back.begin() + 1, back.end());
    cs.push_back({"HEAD SIDE", true, {0, 14}, Resample(side, 15)});
    Points neck = Meridian(kPi, -1.3, kBottom, 100);
    const Points up = Meridian(0.0, kBottom, -1.45, 100);
    neck.insert(neck.end(), up.begin(), up.end());
    cs.push_back({"NECK", true, {0, 10}, Resample(neck, 11)});
    const QV_Point3D c = EarCentre(0), r = EarRadii();
    Points ear;
    for (int i = 0; i < 8; ++i)
        ear.push_back({static_cast<float>(c.z + r.z * std::cos(2.0 * kPi * i / 8.0)),
                       static_cast<float>(c.y + r.y * std::sin(2.0 * kPi * i / 8.0))});
    cs.push_back({"EAR", false, {0, 4}, ear});
    for (Contour& k : cs) {
        for (QV_Point2D& p : k.points) p = ProfileFrame(p.x, p.y);
        Append(model, k);
    }
}

}  // namespace QV_TemplateHead
