// The template head's own annotations: the frontal one with the face search
// template's contours and point conventions, and the profile one.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "QV_TemplateHead.h"

namespace QV_TemplateHead {

namespace {

constexpr double kPi = std::numbers::pi;
using Points = std::vector<QV_Point2D>;

QV_Point2D Mid(const QV_Point2D& a, const QV_Point2D& b) { return (a + b) * 0.5f; }
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

// Points spaced evenly by arc length strictly between the ends of a polyline.
Points Between(const Points& line, int count)
{
    Points all = Resample(line, count + 2);
    return Points(all.begin() + 1, all.end() - 1);
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

const QV_Point2D& At(const std::vector<Contour>& cs, const char* label, int i)
{
    for (const Contour& c : cs)
        if (std::string(c.label) == label) return c.points[static_cast<size_t>(i)];
    static const QV_Point2D none;
    return none;
}

// The closed outline of the face: forehead arc 19..21, 0..3 and the jaw 4..18.
Points FaceContour(const std::vector<QV_Point2D>& t)
{
    Points face(22);
    const Points jaw = Resample(Points(t.begin(), t.begin() + 17), 15);
    for (int i = 0; i < 15; ++i) face[4 + i] = jaw[i];
    // Forehead: an elliptic arc from point 18 over the top (point 0) to point 4.
    const QV_Point2D a = face[18], b = face[4];
    const double cx = 0.5 * (a.x + b.x), cy = 0.5 * (a.y + b.y), rx = 0.5 * (a.x - b.x), ry = 0.57;
    const int order[7] = {19, 20, 21, 0, 1, 2, 3};
    for (int k = 1; k <= 7; ++k) {
        const double g = kPi * k / 8.0;
        face[order[k - 1]] = {static_cast<float>(cx + rx * std::cos(g)), static_cast<float>(cy + ry * std::sin(g))};
    }
    return face;
}

std::vector<Contour> FrontContours()
{
    const std::vector<QV_Point2D> t = Teacher68();
    std::vector<Contour> cs;
    cs.push_back({"FACE", false, {0, 4, 11, 18}, FaceContour(t)});
    const Points right = {t[36], t[37], Mid(t[37], t[38]), t[38], t[39], t[40], Mid(t[40], t[41]), t[41]};
    const Points left = {t[45], t[44], Mid(t[44], t[43]), t[43], t[42], t[47], Mid(t[47], t[46]), t[46]};
    cs.push_back({"RIGHT EYE", false, {0, 4}, right});
    cs.push_back({"LEFT EYE", false, {0, 4}, left});
    auto iris = [](const Points& e) { return Points{Mid(e[1], e[7]), Mid(e[2], e[6]), Mid(e[3], e[5])}; };
    cs.push_back({"RIGHT IRIS", true, {0, 2}, iris(right)});
    cs.push_back({"LEFT IRIS", true, {0, 2}, iris(left)});
    Points brow(t.begin() + 17, t.begin() + 22);
    brow.push_back(Mid(t[21], t[22]));
    brow.insert(brow.end(), t.begin() + 22, t.begin() + 27);
    cs.push_back({"BROW RIDGE", true, {0, 5, 10}, brow});
    // Nose: down the right side of the bridge, the nostrils, up the left side.
    Points nose;
    for (int i = 0; i < 8; ++i) nose.push_back({-0.07f, t[27].y + (t[30].y + 0.02f - t[27].y) * i / 7.0f});
    for (int i = 31; i <= 35; ++i) {
        nose.push_back(t[i]);
        if (i < 35) nose.push_back(Mid(t[i], t[i + 1]));
    }
    for (int i = 7; i >= 0; --i) nose.push_back(Mirrored(nose[i]));
    cs.push_back({"NOSE", true, {0, 8, 12, 16, 24}, nose});
    cs.push_back({"OUTER MOUTH", false, {0, 3, 6, 9}, Points(t.begin() + 48, t.begin() + 60)});
    Points inner{t[60]};
    for (const QV_Point2D& p : Between({t[60], t[61], t[62], t[63], t[64]}, 5)) inner.push_back(p);
    inner.push_back(t[64]);
    for (const QV_Point2D& p : Between({t[64], t[65], t[66], t[67], t[60]}, 5)) inner.push_back(p);
    cs.push_back({"INNER MOUTH", false, {0, 3, 6, 9}, inner});
    // Cheeks and nose bridge from the contours above.
    auto cheek = [&](const char* eye, int faceTop, int noseIndex, int midA, int midB, int mouth, int faceLow) {
        return Points{{At(cs, eye, 6).x, At(cs, "FACE", faceTop).y},
                      {At(cs, eye, 7).x, At(cs, "NOSE", noseIndex).y},
                      {At(cs, eye, 0).x, 0.5f * (At(cs, "FACE", midA).y + At(cs, "FACE", midB).y)},
                      {At(cs, eye, 0).x, At(cs, "OUTER MOUTH", mouth).y},
                      {At(cs, eye, 7).x, At(cs, "FACE", faceLow).y}};
    };
    cs.push_back({"RIGHT CHEEK", true, {0, 4}, cheek("RIGHT EYE", 5, 8, 7, 6, 0, 14)});
    cs.push_back({"LEFT CHEEK", true, {0, 4}, cheek("LEFT EYE", 17, 16, 16, 15, 6, 8)});
    Points bridge;
    for (int i = 0; i < 5; ++i) bridge.push_back(Mid(nose[i], nose[24 - i]));
    const QV_Point2D m = Mid(nose[5], nose[19]);
    bridge.push_back(Mid(m, bridge.back()));
    bridge.push_back(m);
    cs.push_back({"NOSE BRIDGE", true, {0, 6}, bridge});
    // Head outline over the top, from beside "FACE" 4 to beside "FACE" 18.
    Points head;
    for (int i = 0; i < 17; ++i) {
        const double psi = -0.5 * kPi + kPi * i / 16.0;
        head.push_back({static_cast<float>(0.76 * std::sin(psi)), static_cast<float>(0.05 + 1.07 * std::cos(psi))});
    }
    cs.push_back({"HEAD", true, {0, 16}, head});
    // Neck: from below "FACE" 8 down the side, across the cut, up to "FACE" 14.
    const Points neck = {{-0.43f, -1.1f}, {-0.42f, -1.4f}, {-0.42f, -1.7f}, {-0.43f, -1.95f},
                         {-0.25f, -2.0f}, {0.0f, -2.0f},   {0.25f, -2.0f},  {0.43f, -1.95f},
                         {0.42f, -1.7f},  {0.42f, -1.4f},  {0.43f, -1.1f}};
    cs.push_back({"NECK", true, {0, 10}, neck});
    // Ears: the outer rim in the front view, from the top down.
    const QV_Point3D r = EarRadii();
    for (int side = 0; side < 2; ++side) {
        const QV_Point3D c = EarCentre(side);
        Points ear;
        for (int i = 0; i < 8; ++i) {
            const double a = 0.5 * kPi + kPi * i / 7.0;
            const double outward = side == 0 ? 1.0 : -1.0;
            ear.push_back({static_cast<float>(c.x + outward * r.x * std::cos(a)), static_cast<float>(c.y + r.y * std::sin(a))});
        }
        cs.push_back({side == 0 ? "RIGHT EAR" : "LEFT EAR", true, {0, 7}, ear});
    }
    return cs;
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

std::vector<QV_Point2D> FaceOutlineInHeadUnits() { return FaceContour(Teacher68()); }

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

void FrontContoursInHeadUnits(QV_AnnotationModel& model)
{
    model.Clear();
    for (const Contour& c : FrontContours()) Append(model, c);
}

void FrontAnnotation(QV_AnnotationModel& model)
{
    FrontContoursInHeadUnits(model);
    for (int a = 0; a < model.Count(); ++a)
        for (int i = 0; i < model[a].NumPoints(); ++i) {
            QV_Point2D& p = model[a].points[i];
            p = FrontFrame(p.x, p.y);
        }
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
