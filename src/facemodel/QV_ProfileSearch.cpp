#include "QV_ProfileSearch.h"

#include <cmath>
#include <cstdint>

#include "QV_BinaryIO.h"
#include "QV_ImagePreparation.h"

namespace {

// Sane bounds for the search's own values in a model file: the pyramid of
// a 512-pixel working image has 5 levels and profiles reach 3 samples.
constexpr int kMaxLevels = 16;
constexpr int kMaxWorkingWidth = 8192;
constexpr int kMaxProfileHalfLength = 256;
// The smallest stored PCA record (a few 32-bit fields), used to check a
// profile-model count against the bytes left before anything is allocated.
constexpr int64_t kMinPcaBytes = 16;

}  // namespace

bool QV_ProfileSearch::Read(std::FILE* f)
{
    profileModels.clear();
    pyramid.clear();
    if (!QV_ReadI32(f, version)) return false;
    if (version < 2) {
        preprocessing = 0;
        version = 2;
    } else if (!QV_ReadI32(f, preprocessing)) {
        return false;
    }
    if (!QV_ReadI32(f, levels) || !QV_ReadI32(f, workingWidth) || !QV_ReadI32(f, profileHalfLength)) return false;
    if (levels < 1 || levels > kMaxLevels || workingWidth < 1 || workingWidth > kMaxWorkingWidth ||
        profileHalfLength < 0 || profileHalfLength > kMaxProfileHalfLength)
        return false;
    int32_t searchValue = 0;
    if (!QV_ReadI32(f, searchValue)) return false;
    if (!shapeModel.Read(f)) return false;
    shapeModel.searchValue = searchValue;

    int32_t modelLevels = 0;
    if (!QV_ReadI32(f, modelLevels)) return false;
    // Every pyramid level needs its profile models.
    if (modelLevels < levels || modelLevels > kMaxLevels) return false;
    const int numPoints = shapeModel.NumPoints();
    std::vector<LevelModels> read(static_cast<size_t>(modelLevels));
    for (LevelModels& level : read) {
        int64_t n = 0, lo = 0, hi = 0;
        if (!QV_ReadI64(f, n) || !QV_ReadI64(f, lo) || !QV_ReadI64(f, hi)) return false;
        if (lo < INT32_MIN || lo > INT32_MAX || hi < INT32_MIN || hi > INT32_MAX) return false;
        // One profile model per shape point, in shape order.
        if (n != numPoints || hi - lo + 1 != n) return false;
        if (!QV_CanHold(f, n, kMinPcaBytes)) return false;
        level.low = static_cast<int>(lo);
        level.high = static_cast<int>(hi);
        level.models.resize(static_cast<size_t>(n));
        for (QV_PCA& pca : level.models) {
            if (!pca.Read(f)) return false;
            if (!pca.IsBuilt() || pca.ObservationSize() != ProfileLength()) return false;
        }
    }
    profileModels.swap(read);
    return true;
}

bool QV_ProfileSearch::Write(std::FILE* f) const
{
    if (!QV_WriteI32(f, version)) return false;
    if (version >= 2 && !QV_WriteI32(f, preprocessing)) return false;
    if (!QV_WriteI32(f, levels) || !QV_WriteI32(f, workingWidth) || !QV_WriteI32(f, profileHalfLength)) return false;
    if (!QV_WriteI32(f, shapeModel.searchValue) || !shapeModel.Write(f)) return false;
    if (!QV_WriteI32(f, static_cast<int32_t>(profileModels.size()))) return false;
    for (const LevelModels& level : profileModels) {
        const int64_t n = static_cast<int64_t>(level.models.size());
        const int64_t lo = level.low;
        // The bounds written always agree with the count.
        const int64_t hi = (n == static_cast<int64_t>(level.high) - level.low + 1) ? level.high : lo + n - 1;
        if (!QV_WriteI64(f, n) || !QV_WriteI64(f, lo) || !QV_WriteI64(f, hi)) return false;
        for (const QV_PCA& pca : level.models)
            if (!pca.Write(f)) return false;
    }
    return true;
}

bool QV_ProfileSearch::BuildPyramid(const QV_Image& image)
{
    return QV_BuildPyramid(image, workingWidth, levels, mirror == 1, preprocessing, pyramid);
}

QV_Point2D QV_ProfileSearch::LevelSize(int l) const
{
    if (l < 0 || l >= PyramidLevels()) return {0.0f, 0.0f};
    const QV_Image& img = pyramid[static_cast<size_t>(l)];
    return {static_cast<float>(img.Cols()), static_cast<float>(img.Rows())};
}

void QV_ProfileSearch::SetShapeLimit(float limit)
{
    if (shapeModel.PCA()) shapeModel.PCA()->SetLimit(limit);
}

void QV_ProfileSearch::ToSearchFrame(QV_AnnotationModel& model) const
{
    if (mirror == 1) model.Mirror();
}

bool QV_ProfileSearch::Initialise(QV_AnnotationModel& model)
{
    if (!shapeModel.IsValid() || PyramidLevels() < 1) return false;
    model.CopyUsedFlags(shapeModel.Template());
    level = 0;
    shape.SetFromAnnotation(LevelSize(level), model);
    shape.UpdateNormals();
    levelIterations = totalIterations = 0;
    bestFit = 3.4028235e38f;
    maxIterations = 5;
    SetShapeLimit(limitBase);
    // The annotation must give the model's points, and every level searched
    // must have one profile model per point.
    const int n = shapeModel.NumPoints();
    if (shape.NumPoints() != n || static_cast<int>(profileModels.size()) < PyramidLevels()) return false;
    for (int l = 0; l < PyramidLevels(); ++l)
        if (static_cast<int>(profileModels[static_cast<size_t>(l)].models.size()) != n) return false;
    return true;
}

void QV_ProfileSearch::SetShapeFromAnnotation(const QV_AnnotationModel& model)
{
    shape.SetFromAnnotation(LevelSize(level), model);
    shape.UpdateNormals();
}

void QV_ProfileSearch::SampleProfile(const QV_Image& image, const QV_Point2D& p, const QV_Point2D& u, int n,
                                     QV_Array<float>& values)
{
    if (n < 0) n = 0;
    values.Resize(3 * (2 * n + 1));
    const QV_BilinearSampler sampler(image);
    int k = 0;
    for (int i = -n; i <= n; ++i) {
        const float qx = p.x + static_cast<float>(i) * u.x;
        const float qy = p.y + static_cast<float>(i) * u.y;
        const QV_Colour a = sampler.Sample(qx + 1.0f, qy + 1.0f);
        const QV_Colour b = sampler.Sample(qx - 1.0f, qy - 1.0f);
        values[k++] = static_cast<float>(a.red) - static_cast<float>(b.red);
        values[k++] = static_cast<float>(a.green) - static_cast<float>(b.green);
        values[k++] = static_cast<float>(a.blue) - static_cast<float>(b.blue);
    }
}

void QV_ProfileSearch::NormaliseProfile(const QV_Array<float>& src, int first, int length, QV_Array<float>& out)
{
    out.Resize(length);
    double sum = 0.0;
    for (int i = 0; i < length; ++i) {
        const int j = first + i;
        const float v = (j >= 0 && j < src.Count()) ? src.Data()[j] : 0.0f;
        out[i] = v;
        sum += static_cast<double>(v) * v;
    }
    if (sum > 0.0) {
        const double inv = 1.0 / std::sqrt(sum);
        for (int i = 0; i < length; ++i) out[i] = static_cast<float>(out[i] * inv);
    }
}

void QV_ProfileSearch::TrainingProfile(const QV_Image& image, const QV_Point2D& p, const QV_Point2D& u,
                                       QV_Array<float>& out) const
{
    QV_Array<float> values;
    SampleProfile(image, p, u, profileHalfLength, values);
    NormaliseProfile(values, 0, ProfileLength(), out);
}

float QV_ProfileSearch::SearchPoint(int pointIndex, QV_Point2D& newPosition) const
{
    const QV_Point2D p = shape.Point(pointIndex);
    const QV_Point2D u = shape.Normal(pointIndex);
    newPosition = p;
    if (level < 0 || level >= PyramidLevels() || level >= static_cast<int>(profileModels.size())) return 0.0f;
    const std::vector<QV_PCA>& models = profileModels[static_cast<size_t>(level)].models;
    if (pointIndex < 0 || pointIndex >= static_cast<int>(models.size())) return 0.0f;
    // Distance only projects; the model itself is not changed by scoring.
    QV_PCA& model = const_cast<QV_PCA&>(models[static_cast<size_t>(pointIndex)]);

    QV_Array<float> values, candidate;
    SampleProfile(pyramid[static_cast<size_t>(level)], p, u, searchHalfRange + profileHalfLength, values);
    float best = 0.0f;
    int bestK = -1;
    for (int k = 0; k <= 2 * searchHalfRange; ++k) {
        NormaliseProfile(values, 3 * k, ProfileLength(), candidate);
        const float score = std::fabs(model.Distance(candidate));
        if (bestK < 0 || score < best) {
            best = score;
            bestK = k;
        }
    }
    if (bestK < 0) return 0.0f;
    newPosition = p + u * static_cast<float>(bestK - searchHalfRange);
    return best;
}

bool QV_ProfileSearch::Step(float& fit)
{
    fit = 0.0f;
    if (level < 0 || level >= PyramidLevels()) return true;
    const int n = shape.NumPoints();
    for (int i = 0; i < n; ++i) {
        QV_Point2D moved;
        fit += SearchPoint(i, moved);
        shape.SetPoint(i, moved);
    }
    shapeModel.Constrain(shape.points, 0);
    shape.ApplyFixed();
    shape.UpdateNormals();
    ++levelIterations;
    ++totalIterations;
    if (levelIterations < maxIterations) return false;
    if (level >= PyramidLevels() - 1) return true;

    QV_AnnotationModel at;
    shape.ToAnnotation(LevelSize(level), at);
    ++level;
    shape.SetFromAnnotation(LevelSize(level), at);
    shape.UpdateNormals();
    levelIterations = 0;
    SetShapeLimit(limitBase * (1.0f + 0.5f * static_cast<float>(level)));
    return false;
}

void QV_ProfileSearch::ToAnnotation(QV_AnnotationModel& out) const
{
    shape.ToAnnotation(LevelSize(level), out);
    if (mirror == 1) out.Mirror();
}
