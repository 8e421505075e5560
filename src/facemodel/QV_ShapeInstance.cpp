#include "QV_ShapeInstance.h"

#include <cstdint>

#include "QV_FaceLabels.h"

namespace {

// Number of coordinates of the used annotations of a model.
int64_t UsedCoordinates(const QV_AnnotationModel& model)
{
    int64_t n = 0;
    for (int a = 0; a < model.Count(); ++a)
        if (model[a].used == 1) n += 2 * static_cast<int64_t>(model[a].NumPoints());
    return n;
}

}  // namespace

void QV_ShapeInstance::ShapeVector(const QV_Point2D& imageSize, const QV_AnnotationModel& model, QV_Array<float>& out)
{
    out.Resize(static_cast<int>(UsedCoordinates(model)));
    int k = 0;
    for (int a = 0; a < model.Count(); ++a) {
        const QV_Annotation& ann = model[a];
        if (ann.used != 1) continue;
        for (int p = 0; p < ann.NumPoints(); ++p) {
            out[k++] = ann.points[p].x * imageSize.x;
            out[k++] = ann.points[p].y * imageSize.y;
        }
    }
}

void QV_ShapeInstance::SetFromAnnotation(const QV_Point2D& imageSize, const QV_AnnotationModel& model)
{
    parts.clear();
    rightEyeIndex = leftEyeIndex = -1;
    ShapeVector(imageSize, model, points);
    normals.Resize(points.Count());
    normals.Fill(0.0f);

    int rightEyeCorner = -1, leftEyeCorner = -1;  // point 6 of each eye contour
    int first = 0;                                // index of the part's first point in the shape
    for (int a = 0; a < model.Count(); ++a) {
        const QV_Annotation& ann = model[a];
        if (ann.used != 1) continue;
        const int n = ann.NumPoints();
        parts.push_back({ann.label, n, ann.open});
        // x index of the part's point k, or -1 when the part has no such point.
        auto at = [&](int k) { return k < n ? 2 * (first + k) : -1; };
        if (ann.label == QV_Labels::Eyes) {
            rightEyeIndex = at(1);
            leftEyeIndex = at(5);
        } else if (ann.label == QV_Labels::RightIris) {
            rightEyeIndex = at(2);
        } else if (ann.label == QV_Labels::LeftIris) {
            leftEyeIndex = at(2);
        } else if (ann.label == QV_Labels::RightEye) {
            rightEyeCorner = at(6);
        } else if (ann.label == QV_Labels::LeftEye) {
            leftEyeCorner = at(6);
        }
        first += n;
    }
    if (rightEyeIndex < 0 && leftEyeIndex < 0) {
        rightEyeIndex = rightEyeCorner;
        leftEyeIndex = leftEyeCorner;
    }
}

void QV_ShapeInstance::ToAnnotation(const QV_Point2D& imageSize, QV_AnnotationModel& out) const
{
    out.Clear();
    int k = 0;
    for (const QV_ShapePart& part : parts) {
        QV_Annotation ann;
        ann.label = part.label;
        ann.open = part.open;
        ann.used = 1;
        ann.normalised = 1;
        for (int p = 0; p < part.numPoints && k + 1 < points.Count(); ++p, k += 2)
            ann.points.Append(QV_Point2D(points[k] / imageSize.x, points[k + 1] / imageSize.y));
        out.annotations.Append(ann);
    }
}

void QV_ShapeInstance::UpdateNormals()
{
    normals.Resize(points.Count());
    int k = 0;
    QV_List<QV_Point2D> partNormals{10};
    for (const QV_ShapePart& part : parts) {
        if (k + 2 * static_cast<int64_t>(part.numPoints) > points.Count()) break;
        QV_Annotation ann;
        ann.open = part.open;
        for (int p = 0; p < part.numPoints; ++p) ann.points.Append(QV_Point2D(points[k + 2 * p], points[k + 2 * p + 1]));
        partNormals.Clear();
        ann.PointNormals(QV_Point2D(1.0f, 1.0f), partNormals);
        for (int p = 0; p < part.numPoints; ++p) {
            const QV_Point2D nrm = p < static_cast<int>(partNormals.Size()) ? partNormals[p] : QV_Point2D(0.0f, 1.0f);
            normals[k + 2 * p] = nrm.x;
            normals[k + 2 * p + 1] = nrm.y;
        }
        k += 2 * part.numPoints;
    }
}

void QV_ShapeInstance::ApplyFixed()
{
    if (fixedValues.Count() != points.Count() || fixedFlags.Count() != points.Count()) return;
    for (int i = 0; i < points.Count(); ++i)
        if (fixedFlags.Data()[i] == 1) points.Data()[i] = fixedValues.Data()[i];
}
