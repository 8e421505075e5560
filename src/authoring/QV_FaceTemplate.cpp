// The template annotation from 68 points. Contours that the 68 points name
// directly are copied or resampled; the outline of the head, the neck and
// the ears are placed by fixed rules in a frame tied to the eyes, so that the
// same rules give every training face the same construction, and so that the
// template of a mirrored face is the mirror of the template.
#include "QV_FaceTemplate.h"

#include <cmath>
#include <vector>

#include "QV_FaceLabels.h"

const QV_TemplateContour QV_TemplateContours[QV_TemplateContourCount] = {
    {QV_Labels::Face, 22, false},       {QV_Labels::RightEye, 8, false},   {QV_Labels::LeftEye, 8, false},
    {QV_Labels::RightIris, 3, true},    {QV_Labels::LeftIris, 3, true},    {QV_Labels::BrowRidge, 11, true},
    {QV_Labels::Nose, 25, true},        {QV_Labels::OuterMouth, 12, false}, {QV_Labels::InnerMouth, 12, false},
    {QV_Labels::RightCheek, 5, true},   {QV_Labels::LeftCheek, 5, true},   {QV_Labels::NoseBridge, 7, true},
    {QV_Labels::Head, 17, true},        {QV_Labels::Neck, 11, true},       {QV_Labels::RightEar, 8, true},
    {QV_Labels::LeftEar, 8, true},
};

namespace {

using Points = std::vector<QV_Point2D>;
constexpr float pi = 3.14159265358979f;

QV_Point2D Mid(const QV_Point2D& a, const QV_Point2D& b) { return (a + b) * 0.5f; }
QV_Point2D Lerp(const QV_Point2D& a, const QV_Point2D& b, float t) { return a + (b - a) * t; }

// Point at arc-length fraction t (0..1) along a polyline.
QV_Point2D AlongPolyline(const Points& line, float t)
{
    float total = 0.0f;
    for (size_t i = 1; i < line.size(); ++i) total += Distance(line[i - 1], line[i]);
    if (total <= 0.0f) return line.front();
    float want = t * total;
    for (size_t i = 1; i < line.size(); ++i) {
        float d = Distance(line[i - 1], line[i]);
        if (want <= d || i + 1 == line.size()) return d > 0.0f ? Lerp(line[i - 1], line[i], want / d) : line[i];
        want -= d;
    }
    return line.back();
}

// The frame of the face, in pixel-proportional units (x scaled by the aspect
// ratio): origin between the eye centres, x towards the subject's left eye,
// y up; coordinates (u, v) of a mirrored face are (-u, v).
struct Frame {
    QV_Point2D origin, ex, ey;
    QV_Point2D ToLocal(const QV_Point2D& p) const
    {
        QV_Point2D d = p - origin;
        return {d.x * ex.x + d.y * ex.y, d.x * ey.x + d.y * ey.y};
    }
    QV_Point2D FromLocal(const QV_Point2D& q) const { return origin + ex * q.x + ey * q.y; }
};

class Builder {
public:
    Builder(const std::array<QV_Point2D, 68>& normalised, float aspect) : aspect_(aspect > 0.0f ? aspect : 1.0f)
    {
        for (int i = 0; i < 68; ++i) p_[i] = {normalised[i].x * aspect_, normalised[i].y};
        QV_Point2D right, left;
        for (int i = 36; i < 42; ++i) right += p_[i] / 6.0f;
        for (int i = 42; i < 48; ++i) left += p_[i] / 6.0f;
        frame_.origin = Mid(right, left);
        QV_Point2D d = left - right;
        float len = std::sqrt(d.x * d.x + d.y * d.y);
        frame_.ex = len > 0.0f ? d / len : QV_Point2D(1.0f, 0.0f);
        frame_.ey = {-frame_.ex.y, frame_.ex.x};
    }

    void Build(QV_AnnotationModel& out)
    {
        out.Clear();
        Points face = FaceOutline();
        Points rightEye = Eye(36, 37, 38, 39, 40, 41);
        Points leftEye = Eye(45, 44, 43, 42, 47, 46);
        Points nose = Nose();
        Points outerMouth(p_.begin() + 48, p_.begin() + 60);
        Points innerMouth = InnerMouth();
        Points brow(p_.begin() + 17, p_.begin() + 22);
        brow.push_back(Mid(p_[21], p_[22]));
        brow.insert(brow.end(), p_.begin() + 22, p_.begin() + 27);

        // The cheeks and the nose bridge are the formulas the child face uses
        // to rebuild them from a fitted face, so both agree.
        auto xy = [](float x, float y) { return QV_Point2D(x, y); };
        Points rightCheek = {xy(rightEye[6].x, face[5].y), xy(rightEye[7].x, nose[8].y),
                             xy(rightEye[0].x, (face[7].y + face[6].y) * 0.5f),
                             xy(rightEye[0].x, outerMouth[0].y), xy(rightEye[7].x, face[14].y)};
        Points leftCheek = {xy(leftEye[6].x, face[17].y), xy(leftEye[7].x, nose[16].y),
                            xy(leftEye[0].x, (face[16].y + face[15].y) * 0.5f),
                            xy(leftEye[0].x, outerMouth[6].y), xy(leftEye[7].x, face[8].y)};
        Points bridge;
        const size_t n = nose.size();
        for (size_t i = 0; i < 5; ++i) bridge.push_back(Mid(nose[i], nose[n - 1 - i]));
        QV_Point2D m = Mid(nose[5], nose[n - 1 - 5]);
        bridge.push_back((m + bridge.back()) * 0.5f);
        bridge.push_back(m);

        Points rightIris = Iris(rightEye), leftIris = Iris(leftEye);
        const float X = Distance(face[4], face[18]);
        Points head = HeadOutline(face, X);
        Points neck = Neck(face, X);
        Points rightEar = Ear(face[4], face[6], -1.0f, X);
        Points leftEar = Ear(face[18], face[16], 1.0f, X);

        const Points* contours[QV_TemplateContourCount] = {&face,       &rightEye,   &leftEye,   &rightIris,
                                                           &leftIris,   &brow,       &nose,      &outerMouth,
                                                           &innerMouth, &rightCheek, &leftCheek, &bridge,
                                                           &head,       &neck,       &rightEar,  &leftEar};
        const std::vector<int> landmarks[QV_TemplateContourCount] = {
            {0, 4, 11, 18}, {0, 4}, {0, 4}, {0, 2}, {0, 2}, {0, 5, 10}, {0, 8, 12, 16, 24}, {0, 3, 6, 9},
            {0, 3, 6, 9},   {0, 4}, {0, 4}, {0, 6}, {0, 16}, {0, 10},  {0, 7},             {0, 7}};
        for (int c = 0; c < QV_TemplateContourCount; ++c) {
            QV_Annotation a;
            a.label = QV_TemplateContours[c].label;
            a.open = QV_TemplateContours[c].open ? 1 : 0;
            a.used = 1;
            a.normalised = 1;
            for (const QV_Point2D& q : *contours[c]) a.points.Append(QV_Point2D(q.x / aspect_, q.y));
            for (int l : landmarks[c]) a.landmarks.Append(l);
            out.annotations.Append(a);
        }
        out.version = 1;
    }

private:
    std::array<QV_Point2D, 68> p_{};
    float aspect_;
    Frame frame_;

    // "FACE": 4..18 the jaw, each half resampled by arc length so that 11 is
    // the chin; 19..21, 0..3 an arc over the forehead from 18 back to 4, the
    // same ellipse the outline completion uses, tilted with the face.
    Points FaceOutline() const
    {
        Points face(22);
        Points rightJaw(p_.begin(), p_.begin() + 9), leftJaw(p_.begin() + 8, p_.begin() + 17);
        for (int k = 0; k <= 7; ++k) {
            face[4 + k] = AlongPolyline(rightJaw, static_cast<float>(k) / 7.0f);
            face[11 + k] = AlongPolyline(leftJaw, static_cast<float>(k) / 7.0f);
        }
        QV_Point2D a = frame_.ToLocal(face[4]), b = frame_.ToLocal(face[18]);
        QV_Point2D centre = Mid(a, b);
        float X = Distance(a, b);
        float rx = 0.5f * X, ry = 0.5f * 0.95f * X;
        const int forehead[7] = {19, 20, 21, 0, 1, 2, 3};
        for (int k = 0; k < 7; ++k) {
            float t = static_cast<float>(k + 1) * pi / 8.0f;
            face[forehead[k]] = frame_.FromLocal(centre + QV_Point2D(rx * std::cos(t), ry * std::sin(t)));
        }
        return face;
    }

    Points Eye(int c0, int c1, int c2, int c3, int c4, int c5) const
    {
        return {p_[c0], p_[c1], Mid(p_[c1], p_[c2]), p_[c2], p_[c3], p_[c4], Mid(p_[c4], p_[c5]), p_[c5]};
    }

    static Points Iris(const Points& eye) { return {Mid(eye[1], eye[7]), Mid(eye[2], eye[6]), Mid(eye[3], eye[5])}; }

    // "NOSE": eight points down each side of the bridge line 27-30, offset
    // from it and widening towards the nostrils, and the nostril points.
    Points Nose() const
    {
        Points bridgeLine = {frame_.ToLocal(p_[27]), frame_.ToLocal(p_[28]), frame_.ToLocal(p_[29]),
                             frame_.ToLocal(p_[30])};
        float w0 = 0.08f * EyeDistance();
        float rightW1 = 0.6f * std::fabs(bridgeLine.back().x - frame_.ToLocal(p_[31]).x);
        float leftW1 = 0.6f * std::fabs(frame_.ToLocal(p_[35]).x - bridgeLine.back().x);
        Points nose(25);
        for (int k = 0; k < 8; ++k) {
            float s = static_cast<float>(k) / 8.0f;
            QV_Point2D base = AlongPolyline(bridgeLine, s);
            nose[k] = frame_.FromLocal(base - QV_Point2D(w0 + (rightW1 - w0) * s, 0.0f));
            nose[24 - k] = frame_.FromLocal(base + QV_Point2D(w0 + (leftW1 - w0) * s, 0.0f));
        }
        nose[8] = p_[31];
        nose[9] = Mid(p_[31], p_[32]);
        nose[10] = p_[32];
        nose[11] = Mid(p_[32], p_[33]);
        nose[12] = p_[33];
        nose[13] = Mid(p_[33], p_[34]);
        nose[14] = p_[34];
        nose[15] = Mid(p_[34], p_[35]);
        nose[16] = p_[35];
        return nose;
    }

    float EyeDistance() const
    {
        QV_Point2D right, left;
        for (int i = 36; i < 42; ++i) right += p_[i] / 6.0f;
        for (int i = 42; i < 48; ++i) left += p_[i] / 6.0f;
        return Distance(right, left);
    }

    // "INNER MOUTH": 60, five points evenly along 60-61-62-63-64, 64, five
    // along 64-65-66-67-60, so that (1, 11), (3, 9), (5, 7) face each other.
    Points InnerMouth() const
    {
        Points upper = {p_[60], p_[61], p_[62], p_[63], p_[64]};
        Points lower = {p_[64], p_[65], p_[66], p_[67], p_[60]};
        Points m = {p_[60]};
        for (int k = 1; k <= 5; ++k) m.push_back(AlongPolyline(upper, static_cast<float>(k) / 6.0f));
        m.push_back(p_[64]);
        for (int k = 1; k <= 5; ++k) m.push_back(AlongPolyline(lower, static_cast<float>(k) / 6.0f));
        return m;
    }

    // "HEAD": 17 points over the head, from just beside "FACE" 4 to just
    // beside 18, on the ellipse the outline completion puts them on.
    Points HeadOutline(const Points& face, float X) const
    {
        QV_Point2D a = frame_.ToLocal(face[4]), b = frame_.ToLocal(face[18]);
        QV_Point2D centre = Mid(a, b);
        float rx = 0.5f * 1.05f * X, ry = 0.5f * 1.2f * X;
        Points head(17);
        for (int k = 0; k < 17; ++k) {
            float t = pi - static_cast<float>(k) * pi / 16.0f;
            head[k] = frame_.FromLocal(centre + QV_Point2D(rx * std::cos(t), ry * std::sin(t)));
        }
        return head;
    }

    // "NECK": from "FACE" 8 down the right side of the neck, across the
    // collar with a slight dip, and up the left side to "FACE" 14.
    Points Neck(const Points& face, float X) const
    {
        QV_Point2D r = frame_.ToLocal(face[8]), l = frame_.ToLocal(face[14]);
        Points local(11);
        local[0] = r;
        local[1] = r + QV_Point2D(0.0f, -0.25f * X);
        local[2] = r + QV_Point2D(-0.1f * X, -0.5f * X);
        local[10] = l;
        local[9] = l + QV_Point2D(0.0f, -0.25f * X);
        local[8] = l + QV_Point2D(0.1f * X, -0.5f * X);
        QV_Point2D collarR = r + QV_Point2D(-0.15f * X, -0.55f * X);
        QV_Point2D collarL = l + QV_Point2D(0.15f * X, -0.55f * X);
        for (int j = 0; j < 5; ++j) {
            float s = static_cast<float>(j + 1) / 6.0f;
            local[3 + j] = Lerp(collarR, collarL, s) + QV_Point2D(0.0f, -0.05f * X * std::sin(pi * s));
        }
        Points neck;
        for (const QV_Point2D& q : local) neck.push_back(frame_.FromLocal(q));
        return neck;
    }

    // An ear: a half ellipse outside the face between the level of the jaw's
    // top point and two points below it, from the top round to the bottom.
    // `side` is -1 for the subject's right (towards -u), +1 for the left.
    Points Ear(const QV_Point2D& top, const QV_Point2D& below, float side, float X) const
    {
        QV_Point2D a = frame_.ToLocal(top), b = frame_.ToLocal(below);
        QV_Point2D centre = Mid(a, b);
        float rx = 0.09f * X, ry = 0.5f * std::fabs(a.y - b.y) + 0.05f * X;
        Points ear;
        for (int k = 0; k < 8; ++k) {
            float t = pi / 2.0f + static_cast<float>(k) * pi / 7.0f;
            ear.push_back(frame_.FromLocal(centre + QV_Point2D(-side * rx * std::cos(t), ry * std::sin(t))));
        }
        return ear;
    }
};

}  // namespace

void QV_BuildFaceTemplate(const std::array<QV_Point2D, 68>& points, float aspect, QV_AnnotationModel& out)
{
    Builder(points, aspect).Build(out);
}

std::array<QV_Point2D, 68> QV_MirrorLandmarks68(const std::array<QV_Point2D, 68>& points)
{
    // Left-right counterpart of every point of the 68-point numbering.
    static const int partner[68] = {
        16, 15, 14, 13, 12, 11, 10, 9,  8,  7,  6,  5,  4,  3,  2,  1,  0,  26, 25, 24, 23, 22, 21,
        20, 19, 18, 17, 27, 28, 29, 30, 35, 34, 33, 32, 31, 45, 44, 43, 42, 47, 46, 39, 38, 37, 36,
        41, 40, 54, 53, 52, 51, 50, 49, 48, 59, 58, 57, 56, 55, 64, 63, 62, 61, 60, 67, 66, 65};
    std::array<QV_Point2D, 68> out{};
    for (int i = 0; i < 68; ++i) out[i] = {1.0f - points[partner[i]].x, points[partner[i]].y};
    return out;
}
