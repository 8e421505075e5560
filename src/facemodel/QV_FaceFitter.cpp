#include "QV_FaceFitter.h"

#include <vector>

#include "QV_AnnotationGeometry.h"
#include "QV_BinaryIO.h"
#include "QV_FaceLabels.h"
#include "QV_Similarity.h"

namespace {

QV_Point2D ImageSize(const QV_Image& image)
{
    return QV_Point2D(static_cast<float>(image.Cols()), static_cast<float>(image.Rows()));
}

// Bounding box of the points of the used annotations.
bool UsedBox(const QV_AnnotationModel& model, QV_Point2D& centre, QV_Point2D& size)
{
    QV_Point2D min(kQV_FloatMax, kQV_FloatMax), max(-kQV_FloatMax, -kQV_FloatMax);
    bool any = false;
    for (int i = 0; i < model.Count(); ++i) {
        if (!model[i].used) continue;
        for (int k = 0; k < model[i].NumPoints(); ++k) {
            QV_ExtendBox(model[i].points[k], min, max);
            any = true;
        }
    }
    if (!any) return false;
    centre = (min + max) * 0.5f;
    size = max - min;
    return true;
}

// Applies a pixel-space similarity to every point of every annotation.
void ApplyInPixels(QV_AnnotationModel& model, const QV_Similarity& pose, const QV_Point2D& size)
{
    for (int i = 0; i < model.Count(); ++i) {
        for (int k = 0; k < model[i].NumPoints(); ++k) {
            QV_Point2D p = pose.Apply(model[i].points[k].Scaled(size));
            model[i].points[k] = QV_Point2D(p.x / size.x, p.y / size.y);
        }
    }
}

}  // namespace

bool QV_FaceFitter::InitialiseFromEyes(const QV_Image& image, QV_AnnotationModel& model, const QV_Point2D& eyeA,
                                       const QV_Point2D& eyeB)
{
    const QV_Point2D size = ImageSize(image);
    profileSearch.shapeModel.PlaceMeanShape(size, model);
    if (!profileSearch.shapeModel.IsValid() || size.x <= 0.0f || size.y <= 0.0f) return false;
    QV_Point2D a = eyeA, b = eyeB;
    if (profileSearch.mirror) {
        // In the mirrored frame the photograph's right eye lies where the
        // model expects its left one: mirror the points and swap them, or the
        // fit would turn the face upside down to match them.
        a = QV_Point2D(1.0f - eyeB.x, eyeB.y);
        b = QV_Point2D(1.0f - eyeA.x, eyeA.y);
    }
    const int right = model.Find(QV_Labels::RightEye);
    const int left = model.Find(QV_Labels::LeftEye);
    if (right >= 0 && left >= 0) {
        QV_Point2D r = model[right].BoxCentre(size), l = model[left].BoxCentre(size);
        const std::vector<QV_Point2D> from = {r, (r + l) * 0.5f, l};
        QV_Point2D pa = a.Scaled(size), pb = b.Scaled(size);
        const std::vector<QV_Point2D> to = {pa, (pa + pb) * 0.5f, pb};
        QV_Similarity pose;
        pose.Align(from, to);  // coincident eyes leave the mean placement
        ApplyInPixels(model, pose, size);
    }
    return StartProfileSearch(image, model);
}

bool QV_FaceFitter::InitialiseFromBox(const QV_Image& image, QV_AnnotationModel& model, const QV_Point2D& cornerA,
                                      const QV_Point2D& cornerB)
{
    const QV_Point2D size = ImageSize(image);
    profileSearch.shapeModel.PlaceMeanShape(size, model);
    if (!profileSearch.shapeModel.IsValid() || size.x <= 0.0f || size.y <= 0.0f) return false;
    QV_Point2D a = cornerA, b = cornerB;
    if (profileSearch.mirror) {
        // The box mirrored into the search's frame, its corners keeping their
        // left-right order so that the face is not flipped.
        a.x = 1.0f - cornerB.x;
        b.x = 1.0f - cornerA.x;
    }
    QV_Point2D c, s;
    if (UsedBox(model, c, s)) {
        const QV_Point2D m = (a + b) * 0.5f;
        const QV_Point2D d = b - a;
        // A flat box side would divide by zero: that axis keeps its scale.
        const float fx = s.x > 0.0f ? d.x / s.x : 1.0f;
        const float fy = s.y > 0.0f ? d.y / s.y : 1.0f;
        for (int i = 0; i < model.Count(); ++i)
            for (int k = 0; k < model[i].NumPoints(); ++k) {
                QV_Point2D& p = model[i].points[k];
                p = QV_Point2D(fx * (p.x - c.x) + m.x, fy * (p.y - c.y) + m.y);
            }
    }
    return StartProfileSearch(image, model);
}

bool QV_FaceFitter::PreparePyramid(const QV_Image& image)
{
    prepared = QV_Image();
    if (!profileSearch.BuildPyramid(image)) return false;
    prepared = image;
    return true;
}

bool QV_FaceFitter::StartProfileSearch(const QV_Image& image, QV_AnnotationModel& model)
{
    // A pyramid built ahead is taken only for the very image it was built from.
    const bool ready = !prepared.Empty() && prepared.SamePixels(image);
    prepared = QV_Image();
    if (!ready && !profileSearch.BuildPyramid(image)) return false;
    if (!profileSearch.Initialise(model)) return false;
    profileSearch.ToAnnotation(model);
    result = model;
    stage = 0;
    steps = 0;
    return true;
}

void QV_FaceFitter::BeginSearch()
{
    secondAppearancePass = 0;
    skipShape = 0;
}

bool QV_FaceFitter::StartAppearanceSearch()
{
    const int source = appearanceSearch.ChooseSourceLevel(profileSearch.Pyramid());
    if (source < 0) return false;
    // The profile pyramid is already in the search's frame; only the fit,
    // which is held in the photograph's frame, is mirrored to match it.
    QV_AnnotationModel start = result;
    if (profileSearch.mirror) {
        start.Mirror();
        appearanceSearch.mirror = 1;
    }
    if (!appearanceSearch.Initialise(profileSearch.LevelImage(source), start)) return false;
    appearanceSearch.ToAnnotation(result);
    return true;
}

bool QV_FaceFitter::Step(float& fit)
{
    ++steps;
    switch (stage) {
    case 0:
        if (skipShape) {
            stage = 3;
            return false;
        }
        [[fallthrough]];
    case 2: {
        bool finished = profileSearch.Step(fit);
        profileSearch.ToAnnotation(result);
        if (finished) ++stage;
        return false;
    }
    case 1: {
        QV_AnnotationModel start = result;
        profileSearch.ToSearchFrame(start);
        profileSearch.Initialise(start);
        stage = 2;
        return false;
    }
    case 3:
        if (skipAppearance) return true;
        profileSearch.ToAnnotation(result);
        if (!StartAppearanceSearch()) return true;
        stage = 4;
        return false;
    case 4:
    case 6: {
        bool finished = appearanceSearch.Step(fit);
        appearanceSearch.ToAnnotation(result);
        if (!finished) return false;
        if (stage == 6) return true;
        stage = 5;
        return false;
    }
    case 5:
        if (!secondAppearancePass) return true;
        profileSearch.ToAnnotation(result);
        if (!StartAppearanceSearch()) return true;
        stage = 6;
        return false;
    default:
        return true;
    }
}

bool QV_FaceFitter::Read(std::FILE* f)
{
    int32_t v = 0;
    if (!QV_ReadI32(f, v)) return false;
    if (!profileSearch.Read(f)) return false;
    if (!appearanceSearch.Read(f)) return false;
    version = v;
    return true;
}

bool QV_FaceFitter::Write(std::FILE* f) const
{
    return QV_WriteI32(f, version) && profileSearch.Write(f) && appearanceSearch.Write(f);
}
