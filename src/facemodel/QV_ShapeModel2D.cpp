#include "QV_ShapeModel2D.h"

#include <cstdint>
#include <string>

#include "QV_AnnotationGeometry.h"
#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Similarity.h"

namespace {

// The point table: count, low and high as 64-bit integers, then (x, y) pairs.
bool ReadPointTable(std::FILE* f, QV_Array<QV_Point2D>& table)
{
    int64_t n = 0, lo = 0, hi = 0;
    if (!QV_ReadI64(f, n) || !QV_ReadI64(f, lo) || !QV_ReadI64(f, hi)) return false;
    if (lo < INT32_MIN || lo > INT32_MAX || hi < INT32_MIN || hi > INT32_MAX) return false;
    const int64_t span = hi - lo + 1;
    if (n < 0 || n > INT32_MAX || n != (span > 0 ? span : 0)) return false;
    if (!QV_CanHold(f, n, 2 * sizeof(float))) return false;
    QV_Array<QV_Point2D> read(static_cast<int>(lo), static_cast<int>(hi));
    for (int i = 0; i < read.Count(); ++i) {
        QV_Point2D& p = read.Data()[i];
        if (!QV_ReadF32(f, p.x) || !QV_ReadF32(f, p.y)) return false;
    }
    table.Swap(read);
    return true;
}

bool WritePointTable(std::FILE* f, const QV_Array<QV_Point2D>& table)
{
    if (!QV_WriteI64(f, table.Count()) || !QV_WriteI64(f, table.Low()) || !QV_WriteI64(f, table.High())) return false;
    for (int i = 0; i < table.Count(); ++i)
        if (!QV_WriteF32(f, table.Data()[i].x) || !QV_WriteF32(f, table.Data()[i].y)) return false;
    return true;
}

}  // namespace

QV_ShapeModel2D::QV_ShapeModel2D(const QV_ShapeModel2D& other) { *this = other; }

QV_ShapeModel2D& QV_ShapeModel2D::operator=(const QV_ShapeModel2D& other)
{
    if (this == &other) return *this;
    header = other.header;
    templateModel = other.templateModel;
    pca = other.pca ? std::make_unique<QV_PCA>(*other.pca) : nullptr;
    modelType = other.modelType;
    value1 = other.value1;
    value2 = other.value2;
    meanScale = other.meanScale;
    value3 = other.value3;
    value4 = other.value4;
    referenceShape = other.referenceShape;
    // Copies of arrays restart at index 0; the stored bounds are kept.
    referenceShape.Resize(other.referenceShape.Low(), other.referenceShape.High());
    pointTable = other.pointTable;
    pointTable.Resize(other.pointTable.Low(), other.pointTable.High());
    value5 = other.value5;
    value6 = other.value6;
    searchValue = other.searchValue;
    return *this;
}

int QV_ShapeModel2D::NumPoints() const
{
    int64_t n = 0;
    for (int a = 0; a < templateModel.Count(); ++a)
        if (templateModel[a].used == 1) n += templateModel[a].NumPoints();
    return static_cast<int>(n);
}

bool QV_ShapeModel2D::IsValid() const { return pca && pca->IsBuilt(); }

bool QV_ShapeModel2D::Read(std::FILE* f)
{
    pca.reset();
    referenceShape.Resize(0);
    if (!QV_ReadI32(f, header)) return false;
    if (!templateModel.ReadBinary(f)) return false;
    if (!QV_ReadI32(f, modelType)) return false;
    if (modelType != 1) {
        const std::string text =
            "Error! QV_ShapeModel2D::Read() model type " + std::to_string(modelType) + " not supported\n";
        QV_PrintError(text.c_str());
        return false;
    }
    auto model = std::make_unique<QV_PCA>();
    if (!model->Read(f)) return false;
    if (!QV_ReadU32(f, value1) || !QV_ReadU32(f, value2) || !QV_ReadF32(f, meanScale)) return false;
    if (!QV_ReadU32(f, value3) || !QV_ReadU32(f, value4)) return false;
    QV_Array<float> reference;
    if (!reference.Read(f)) return false;
    if (!ReadPointTable(f, pointTable)) return false;
    if (!QV_ReadU32(f, value5) || !QV_ReadU32(f, value6)) return false;

    // The reference shape and a built PCA must describe exactly the template's
    // used points, or placing and constraining would index past them.
    const int64_t coordinates = 2 * static_cast<int64_t>(NumPoints());
    if (reference.Count() != coordinates) return false;
    if (model->IsBuilt() && model->ObservationSize() != coordinates) return false;
    referenceShape.Swap(reference);
    pca = std::move(model);
    return true;
}

bool QV_ShapeModel2D::Write(std::FILE* f) const
{
    if (!QV_WriteI32(f, header) || !templateModel.WriteBinary(f) || !QV_WriteI32(f, modelType)) return false;
    QV_PCA empty;
    if (!(pca ? pca->Write(f) : empty.Write(f))) return false;
    if (!QV_WriteU32(f, value1) || !QV_WriteU32(f, value2) || !QV_WriteF32(f, meanScale)) return false;
    if (!QV_WriteU32(f, value3) || !QV_WriteU32(f, value4)) return false;
    if (!referenceShape.Write(f) || !WritePointTable(f, pointTable)) return false;
    return QV_WriteU32(f, value5) && QV_WriteU32(f, value6);
}

void QV_ShapeModel2D::PlaceMeanShape(const QV_Point2D& imageSize, QV_AnnotationModel& out) const
{
    out = templateModel;
    int k = 0;
    const float* ref = referenceShape.Data();
    QV_Point2D min(kQV_FloatMax, kQV_FloatMax), max(-kQV_FloatMax, -kQV_FloatMax);
    for (int a = 0; a < out.Count(); ++a) {
        QV_Annotation& ann = out[a];
        if (ann.used != 1) continue;
        ann.normalised = 1;
        for (int p = 0; p < ann.NumPoints() && k + 1 < referenceShape.Count(); ++p, k += 2) {
            ann.points[p] = QV_Point2D(ref[k] * meanScale, ref[k + 1] * meanScale);
            QV_ExtendBox(ann.points[p], min, max);
        }
    }
    if (k == 0) return;  // nothing placed: no used points or no reference shape
    const float mx = 0.5f * (min.x + max.x), my = 0.5f * (min.y + max.y);
    // A flat reference shape has no height to fit; it is centred unscaled.
    const float h = (max.y > min.y) ? max.y - min.y : 1.0f;
    const float aspect = imageSize.y / imageSize.x;
    for (int a = 0; a < out.Count(); ++a) {
        QV_Annotation& ann = out[a];
        for (int p = 0; p < ann.NumPoints(); ++p) {
            QV_Point2D& q = ann.points[p];
            q = QV_Point2D(aspect * (q.x - mx) / (1.05f * h) + 0.5f, (q.y - my) / (1.05f * h) + 0.5f);
        }
    }
}

void QV_ShapeModel2D::Constrain(QV_Array<float>& x, int limitMode)
{
    if (!IsValid() || x.Count() != referenceShape.Count() || x.Count() != pca->ObservationSize()) return;
    QV_Similarity pose;
    pose.Align(referenceShape, x);  // the identity when x is degenerate
    QV_Array<float> model = x;
    pose.ApplyInverseToVector(model);
    QV_Array<float> params;
    if (pca->Project(params, model, limitMode) < 0.0f) return;
    if (!pca->Reconstruct(params, model)) return;
    pose.ApplyToVector(model);
    for (int i = 0; i < x.Count(); ++i) x.Data()[i] = model.Data()[i];
}
