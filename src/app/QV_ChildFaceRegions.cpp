// Rebuilding a child face fit with the adult reference's contours.
#include "QV_ChildFaceRegions.h"

#include <vector>

namespace {

// Reads points of the fitted contours by label; remembers whether any read
// failed so that the contour being built can be dropped.
class PointSource {
public:
    explicit PointSource(const QV_AnnotationModel& m) : model(m) {}

    const QV_Point2D& At(const char* label, int index)
    {
        static const QV_Point2D none;
        const int a = model.Find(label);
        if (a < 0 || index < 0 || index >= model[a].NumPoints()) {
            failed = true;
            return none;
        }
        return model[a].points[index];
    }
    int Count(const char* label) const
    {
        const int a = model.Find(label);
        return a < 0 ? 0 : model[a].NumPoints();
    }
    bool failed = false;

private:
    const QV_AnnotationModel& model;
};

QV_Point2D Mid(const QV_Point2D& p, const QV_Point2D& q) { return (p + q) * 0.5f; }

std::vector<QV_Point2D> Iris(PointSource& s, const char* eye)
{
    return {Mid(s.At(eye, 1), s.At(eye, 7)), Mid(s.At(eye, 2), s.At(eye, 6)), Mid(s.At(eye, 3), s.At(eye, 5))};
}

// Cheek points from one eye, with the face, nose and mouth point indices of
// that side.
std::vector<QV_Point2D> Cheek(PointSource& s, const char* eye, int faceTop, int nose, int faceMidA, int faceMidB,
                              int mouth, int faceLow)
{
    return {{s.At(eye, 6).x, s.At("FACE", faceTop).y},
            {s.At(eye, 7).x, s.At("NOSE", nose).y},
            {s.At(eye, 0).x, 0.5f * (s.At("FACE", faceMidA).y + s.At("FACE", faceMidB).y)},
            {s.At(eye, 0).x, s.At("OUTER MOUTH", mouth).y},
            {s.At(eye, 7).x, s.At("FACE", faceLow).y}};
}

std::vector<QV_Point2D> NoseBridge(PointSource& s)
{
    std::vector<QV_Point2D> pts;
    const int n = s.Count("NOSE");
    for (int i = 0; i < 5; ++i) pts.push_back(Mid(s.At("NOSE", i), s.At("NOSE", n - 1 - i)));
    const QV_Point2D m = Mid(s.At("NOSE", 5), s.At("NOSE", 19));
    pts.push_back((m + pts.back()) * 0.5f);
    pts.push_back(m);
    return pts;
}

}  // namespace

void QV_RebuildChildFaceRegions(const QV_AnnotationModel& reference, QV_AnnotationModel& fitted,
                                const std::function<void(const char*)>& report)
{
    QV_AnnotationModel rebuilt;
    for (int r = 0; r < reference.Count(); ++r) {
        const QV_Annotation& ref = reference[r];
        const std::string& label = ref.label.Std();
        PointSource source(fitted);
        QV_Annotation made;
        std::vector<QV_Point2D> points;
        bool derived = true;
        if (label == "RIGHT IRIS") {
            points = Iris(source, "RIGHT EYE");
        } else if (label == "LEFT IRIS") {
            points = Iris(source, "LEFT EYE");
        } else if (label == "RIGHT CHEEK") {
            points = Cheek(source, "RIGHT EYE", 5, 8, 7, 6, 0, 14);
        } else if (label == "LEFT CHEEK") {
            points = Cheek(source, "LEFT EYE", 17, 16, 16, 15, 6, 8);
        } else if (label == "NOSE BRIDGE") {
            points = NoseBridge(source);
        } else {
            derived = false;
            const int a = fitted.Find(ref.label);
            if (a < 0) {
                source.failed = true;
            } else {
                made = fitted[a];
            }
        }
        if (source.failed) {
            if (report) report("index<0");
            continue;
        }
        if (derived) {
            for (const QV_Point2D& p : points) made.points.Append(p);
        }
        made.label = ref.label;
        made.open = ref.open;
        made.landmarks.Clear();
        for (unsigned k = 0; k < ref.landmarks.Size(); ++k)
            if (ref.landmarks[k] >= 0 && ref.landmarks[k] < made.NumPoints()) made.landmarks.Append(ref.landmarks[k]);
        rebuilt.annotations.Append(made);
    }
    rebuilt.version = 1;
    fitted = rebuilt;
}
