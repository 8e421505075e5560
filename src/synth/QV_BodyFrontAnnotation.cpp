// The body avatar's working front annotation, built contour by contour from
// the user's annotation.
#include "QV_BodyFrontAnnotation.h"

#include <string>
#include <vector>

#include "QV_Error.h"
#include "QV_InterpolatingCurve.h"

namespace {

// One output point: wa * P[a] + wb * P[b] of the source contour.
struct Blend {
    int a;
    float wa;
    int b;
    float wb;
};

constexpr Blend P(int i) { return {i, 1.0f, i, 0.0f}; }
constexpr Blend Mid(int i, int j) { return {i, 0.5f, j, 0.5f}; }

// A contour made only of blends of source points.
struct PointRecipe {
    const char* label;
    std::vector<Blend> points;
    std::vector<int> landmarks;
};

const std::vector<PointRecipe>& Recipes()
{
    static const std::vector<PointRecipe> recipes = {
        {"BROW RIDGE", {P(0), P(2), P(3), P(4), P(5), P(6), P(7), P(8), P(10)}, {0, 4, 8}},
        {"FACE",
         {P(0), Mid(0, 1), P(1), Mid(1, 2), P(2), P(3), P(4), P(5), P(6), P(7), P(8), P(9), P(10), Mid(10, 11), P(11),
          Mid(11, 12), P(12), P(13), P(14), P(15), P(16), P(17), P(18), P(19), P(20), Mid(20, 21), P(21), Mid(21, 0)},
         {0, 3, 6, 9, 12, 14, 16, 19, 22, 25}},
        {"OUTER MOUTH",
         {P(0), Mid(0, 1), Mid(1, 2), P(2), P(3), P(4), Mid(4, 5), Mid(5, 6), P(6), Mid(6, 7), Mid(7, 8), P(8), P(9),
          P(10), Mid(10, 11), Mid(11, 0)},
         {0, 3, 4, 5, 8, 11, 13}},
        {"INNER MOUTH",
         {P(0), P(1), P(2), P(3), P(4), P(5), P(6), Mid(6, 7), Mid(7, 8), P(8), P(9), P(10), Mid(10, 11), Mid(11, 0)},
         {0, 2, 3, 4, 6, 9, 11}},
        {"LEFT EAR",
         {P(1), {1, 0.8f, 2, 0.2f}, P(2), P(3), P(4), {4, 0.33f, 5, 0.67f}, P(5), P(6), P(7)},
         {0, 8}},
        {"RIGHT EAR",
         {P(1), {1, 0.8f, 2, 0.2f}, P(2), P(3), P(4), {4, 0.33f, 5, 0.67f}, P(5), P(6), P(7)},
         {0, 8}},
        {"LEFT EYE", {P(0), P(1), P(3), P(4), P(5), P(7)}, {0, 1, 2, 3, 4, 5}},
        {"RIGHT EYE", {P(0), P(1), P(3), P(4), P(5), P(7)}, {0, 1, 2, 3, 4, 5}},
        {"NOSE",
         {P(0), P(2), P(4), P(5), P(6), P(7), P(8), Mid(8, 9), P(9), Mid(9, 10), P(10), P(11), P(12), P(13), P(14),
          Mid(14, 15), P(15), Mid(15, 16), P(16), P(17), P(18), P(19), P(20), P(22), P(24)},
         {0, 3, 6, 9, 12, 15, 18, 21, 24}},
    };
    return recipes;
}

const PointRecipe* FindRecipe(const char* label)
{
    for (const PointRecipe& r : Recipes())
        if (std::string(r.label) == label) return &r;
    return nullptr;
}

// The curves are fitted in a frame where the contour has roughly its pixel
// proportions.
const QV_Point2D kCurveScale(512.0f, 384.0f);
// The eyes' points 0 and 3 are measured in this frame.
const QV_Point2D kEyeScale(384.0f, 512.0f);

void Fail(const char* label, const char* reason)
{
    std::string text = std::string("QV_BuildBodyFrontAnnotation() Error! : ") + label + " " + reason + "\n";
    QV_PrintError(text.c_str());
}

// The new contour: the label and open flag of its source, default otherwise.
QV_Annotation Started(const QV_Annotation& src)
{
    QV_Annotation out;
    out.label = src.label;
    out.open = src.open;
    return out;
}

void SetLandmarks(QV_Annotation& out, const std::vector<int>& landmarks)
{
    for (int l : landmarks) out.landmarks.Append(l);
}

bool BuildFromRecipe(const QV_Annotation& src, const PointRecipe& recipe, QV_Annotation& out)
{
    int needed = 0;
    for (const Blend& b : recipe.points) needed = std::max(needed, std::max(b.a, b.b) + 1);
    if (src.NumPoints() < needed) {
        Fail(recipe.label, "has too few points");
        return false;
    }
    out = Started(src);
    for (const Blend& b : recipe.points) out.points.Append(src.points[b.a] * b.wa + src.points[b.b] * b.wb);
    SetLandmarks(out, recipe.landmarks);
    return true;
}

// Appends the curve through points (in normalised units) evaluated at
// t = k / m, k = 0 .. m.
bool AppendCurve(const std::vector<QV_Point2D>& points, int m, QV_Annotation& out)
{
    std::vector<QV_Point2D> scaled;
    scaled.reserve(points.size());
    for (const QV_Point2D& p : points) scaled.push_back(p.Scaled(kCurveScale));
    QV_InterpolatingCurve curve;
    if (!curve.Fit(scaled, 3)) return false;
    for (int k = 0; k <= m; ++k) {
        const QV_Point2D c = curve.Evaluate(static_cast<float>(k) / static_cast<float>(m));
        out.points.Append(QV_Point2D(c.x / kCurveScale.x, c.y / kCurveScale.y));
    }
    return true;
}

bool BuildHead(const QV_Annotation& src, QV_Annotation& out)
{
    if (src.NumPoints() < 2) {
        Fail("HEAD", "has too few points");
        return false;
    }
    out = Started(src);
    if (!AppendCurve(src.PointVector(), 16, out)) {
        Fail("HEAD", "admits no curve");
        return false;
    }
    SetLandmarks(out, {0, 2, 5, 8, 11, 14, 16});
    return true;
}

bool BuildNeck(const QV_Annotation& src, QV_Annotation& out)
{
    if (src.NumPoints() < 11) {
        Fail("NECK", "has too few points");
        return false;
    }
    out = Started(src);
    out.points.Append(src.points[0]);
    std::vector<QV_Point2D> middle;
    for (int i = 1; i <= 9; ++i) middle.push_back(src.points[i]);
    if (!AppendCurve(middle, 14, out)) {
        Fail("NECK", "admits no curve");
        return false;
    }
    out.points.Append(src.points[10]);
    SetLandmarks(out, {0, 1, 8, 15, 16});
    return true;
}

// Enlarges an eye about its centroid and lowers it by a small fraction of its
// width.
void AdjustEye(QV_Annotation& eye)
{
    eye.ScaleAboutCentroid(QV_Point2D(1.15f, 1.35f));
    const float d = Distance(eye.points[0].Scaled(kEyeScale), eye.points[3].Scaled(kEyeScale));
    eye.Translate(QV_Point2D(0.0f, -0.04f * d / 512.0f));
}

}  // namespace

bool QV_BuildBodyFrontAnnotation(const QV_AnnotationModel& user, QV_AnnotationModel& working)
{
    static const char* const kOrder[] = {"BROW RIDGE", "FACE",      "HEAD",     "OUTER MOUTH", "INNER MOUTH", "LEFT EAR",
                                         "RIGHT EAR",  "LEFT EYE", "RIGHT EYE", "NECK",        "NOSE"};
    QV_AnnotationModel result;
    result.version = working.version;
    for (const char* label : kOrder) {
        const int index = user.Find(label);
        if (index < 0) {
            Fail(label, "is missing");
            return false;
        }
        const QV_Annotation& src = user[index];
        QV_Annotation built;
        bool ok;
        if (std::string(label) == "HEAD")
            ok = BuildHead(src, built);
        else if (std::string(label) == "NECK")
            ok = BuildNeck(src, built);
        else
            ok = BuildFromRecipe(src, *FindRecipe(label), built);
        if (!ok) return false;
        result.annotations.Append(built);
    }
    for (const char* eye : {"RIGHT EYE", "LEFT EYE"}) AdjustEye(result[result.Find(eye)]);
    working = std::move(result);
    return true;
}
