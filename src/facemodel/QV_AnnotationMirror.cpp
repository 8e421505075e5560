// Left-right mirroring of an annotation model in normalised coordinates.
#include "QV_AnnotationModel.h"
#include "QV_FaceLabels.h"

namespace {

QV_Point2D Flip(const QV_Point2D& p) { return QV_Point2D(1.0f - p.x, p.y); }

void FlipInPlace(QV_Annotation& a)
{
    for (int k = 0; k < a.NumPoints(); ++k) a.points[k] = Flip(a.points[k]);
}

// Annotation `to` of the model becomes a mirrored copy of the source, with
// the label of `to`.
void ReplaceMirrored(QV_Annotation& to, const QV_Annotation& source)
{
    QV_String label = to.label;
    to = source;
    to.label = label;
    FlipInPlace(to);
}

// Point map(i) of the model takes the copy's point i, mirrored; a point the
// map sends outside the contour stays at its own index, mirrored.
template <class Map>
void Reorder(QV_Annotation& to, const QV_Annotation& from, Map map)
{
    const int n = from.NumPoints();
    for (int i = 0; i < n; ++i) {
        int j = map(i, n);
        if (j < 0 || j >= n) j = i;
        to.points[j] = Flip(from.points[i]);
    }
}

}  // namespace

void QV_AnnotationModel::Mirror()
{
    using namespace QV_Labels;
    const QV_AnnotationModel copy = *this;

    if (copy.Find(HeadSide) >= 0) {
        for (int i = 0; i < Count(); ++i) FlipInPlace(annotations[i]);
        return;
    }

    const char* pairs[][2] = {{RightForehead, LeftForehead}, {RightCheek, LeftCheek}, {RightIris, LeftIris},
                              {RightJaw, LeftJaw},           {RightEar, LeftEar},     {RightNose, LeftNose},
                              {RightEye, LeftEye}};
    for (const auto& pair : pairs) {
        int r = copy.Find(pair[0]);
        int l = copy.Find(pair[1]);
        if (r >= 0 && l >= 0) {
            ReplaceMirrored(annotations[l], copy.annotations[r]);
            ReplaceMirrored(annotations[r], copy.annotations[l]);
        } else if (pair[1] == LeftEar && r < 0 && l >= 0) {
            FlipInPlace(annotations[l]);
        }
    }

    for (const char* label : {BrowRidge, Nostrils, Nose, NoseTip, Neck, Head}) {
        int i = copy.Find(label);
        if (i >= 0) Reorder(annotations[i], copy.annotations[i], [](int k, int n) { return n - 1 - k; });
    }

    int bridge = Find(NoseBridge);
    if (bridge >= 0) FlipInPlace(annotations[bridge]);

    // Lips: points 0..6 run along one lip, 7..11 back along the other. A
    // shorter contour takes the part of the rule that stays inside it; points
    // past the twelfth keep their order. Either way every point is mirrored.
    for (const char* label : {Mouth, OuterMouth, InnerMouth}) {
        int i = copy.Find(label);
        if (i < 0) continue;
        Reorder(annotations[i], copy.annotations[i], [](int k, int n) {
            if (k <= 6) return 6 - k < n ? 6 - k : -1;
            if (k <= 11) return 18 - k < n ? 18 - k : -1;
            return k;
        });
    }

    int face = copy.Find(Face);
    if (face >= 0) {
        const bool isOpen = copy.annotations[face].open != 0;
        Reorder(annotations[face], copy.annotations[face],
                [isOpen](int k, int n) { return isOpen ? n - 1 - k : (n - k) % n; });
    }
}
