#include "QV_AppearanceSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "QV_AppearanceFit.h"
#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_ImagePreparation.h"
#include "QV_MatrixOps.h"

namespace {

constexpr float kLargeError = 3.4028235e38f;
// Sane bounds for values that size the pyramid: a file beyond them is corrupt.
constexpr int32_t kMaxLevels = 16;
constexpr int32_t kMaxWorkingWidth = 1 << 14;
// The smallest stored appearance model: its fixed fields and empty parts.
constexpr int64_t kMinModelBytes = 64;

}  // namespace

bool QV_AppearanceSearch::Write(std::FILE* f) const
{
    bool ok = QV_WriteI32(f, version);
    if (ok && version >= 2) ok = QV_WriteI32(f, preprocessing);
    ok = ok && QV_WriteI32(f, levels) && QV_WriteI32(f, workingWidth) && shapeModel.Write(f);
    const int64_t n = static_cast<int64_t>(models.size());
    ok = ok && QV_WriteI64(f, n) && QV_WriteI64(f, modelsLow) && QV_WriteI64(f, modelsLow + n - 1);
    for (size_t i = 0; ok && i < models.size(); ++i) ok = models[i].Write(f);
    return ok;
}

bool QV_AppearanceSearch::Read(std::FILE* f)
{
    int32_t v = 0, prep = 0, lv = 0, width = 0;
    if (!QV_ReadI32(f, v)) return false;
    if (v < 2) {
        v = 2;
        prep = 0;
    } else if (!QV_ReadI32(f, prep)) {
        return false;
    }
    if (!QV_ReadI32(f, lv) || !QV_ReadI32(f, width)) return false;
    if (lv < 0 || lv > kMaxLevels || width < 1 || width > kMaxWorkingWidth) {
        QV_PrintError("Error! QV_AppearanceSearch::Read() levels or working width out of range\n");
        return false;
    }
    QV_ShapeModel2D sm;
    if (!sm.Read(f)) return false;
    int64_t n = 0, lo = 0, hi = 0;
    if (!QV_ReadI64(f, n) || !QV_ReadI64(f, lo) || !QV_ReadI64(f, hi)) return false;
    if (n < 0 || n > kMaxLevels || hi - lo + 1 != n || !QV_CanHold(f, n, kMinModelBytes)) {
        QV_PrintError("Error! QV_AppearanceSearch::Read() bad appearance model count\n");
        return false;
    }
    // Either no appearance models at all (the search cannot start) or one per level.
    if (n != 0 && n != lv) {
        QV_PrintError("Error! QV_AppearanceSearch::Read() one appearance model per level expected\n");
        return false;
    }
    std::vector<QV_AppearanceModel> ms(static_cast<size_t>(n));
    for (QV_AppearanceModel& m : ms) {
        if (!m.Read(f)) return false;
        if (sm.IsValid() && !QV_AppearanceFitsShapeModel(m, sm)) {
            QV_PrintError("Error! QV_AppearanceSearch::Read() appearance model does not fit the shape model\n");
            return false;
        }
    }
    version = v;
    preprocessing = prep;
    levels = lv;
    workingWidth = width;
    shapeModel = std::move(sm);
    models = std::move(ms);
    modelsLow = lo;
    pyramid.clear();
    params = QV_Array<float>();
    residual = QV_Array<float>();
    return true;
}

int QV_AppearanceSearch::ChooseSourceLevel(std::span<const QV_Image> candidates, int width)
{
    int best = -1;
    long bestDistance = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const long d = std::labs(static_cast<long>(candidates[i].Cols()) - width);
        if (best < 0 || d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    return best;
}

int QV_AppearanceSearch::LastLevel() const
{
    const int available = static_cast<int>(std::min<size_t>(models.size(), pyramid.size()));
    int used = (levelsToUse < 1) ? available : std::min(levelsToUse, available);
    return used - 1;
}

int QV_AppearanceSearch::StepsOnLevel(int lvl) const
{
    return (lvl >= LastLevel()) ? 2 * maxIterations : maxIterations;
}

QV_Point2D QV_AppearanceSearch::LevelSize(int lvl) const
{
    if (lvl < 0 || lvl >= static_cast<int>(pyramid.size())) return {0.0f, 0.0f};
    const QV_Image& im = pyramid[static_cast<size_t>(lvl)];
    return {static_cast<float>(im.Cols()), static_cast<float>(im.Rows())};
}

bool QV_AppearanceSearch::MeasureAtCurrentLevel()
{
    if (level < 0 || level >= static_cast<int>(models.size()) || level >= static_cast<int>(pyramid.size()))
        return false;
    QV_AppearanceModel& model = models[static_cast<size_t>(level)];
    const QV_Image& image = pyramid[static_cast<size_t>(level)];
    QV_Array<float> p;
    if (!QV_AppearanceParamsFromImage(model, shapeModel, image, shape.points, p)) return false;
    QV_Array<float> synthesised, r;
    const float error = QV_AppearanceSynthesise(model, shapeModel, image, p, synthesised, r);
    if (error < 0.0f) return false;
    params = std::move(p);
    residual = std::move(r);
    bestError = error;
    return true;
}

bool QV_AppearanceSearch::Initialise(const QV_Image& source, QV_AnnotationModel& annotation)
{
    pyramid.clear();
    params = QV_Array<float>();
    residual = QV_Array<float>();
    if (!shapeModel.IsValid() || models.empty() || levels < 1) return false;
    if (!QV_BuildPyramid(source, workingWidth, levels, false, preprocessing, pyramid)) return false;
    if (LastLevel() < 0) return false;

    annotation.CopyUsedFlags(shapeModel.Template());
    level = 0;
    shape.SetFromAnnotation(LevelSize(0), annotation);
    shape.UpdateNormals();
    bestError = kLargeError;
    levelIterations = 0;
    totalIterations = 0;
    maxIterations = 5;
    shapeModel.PCA()->SetLimit(limitBase);
    return MeasureAtCurrentLevel();
}

void QV_AppearanceSearch::MoveToNextLevel()
{
    QV_AnnotationModel annotation;
    const QV_Point2D from = LevelSize(level);
    shape.ToAnnotation(from, annotation);
    ++level;
    const QV_Point2D to = LevelSize(level);
    shape.SetFromAnnotation(to, annotation);
    shape.UpdateNormals();
    // Fixed coordinates are pixels too: they follow the shape to the new level.
    if (from.x > 0.0f && from.y > 0.0f) {
        float* v = shape.fixedValues.Data();
        for (int i = 0; i < shape.fixedValues.Count(); ++i) v[i] *= (i % 2 == 0) ? to.x / from.x : to.y / from.y;
    }
    levelIterations = 0;
    shapeModel.PCA()->SetLimit(limitBase * (1.0f + 0.5f * static_cast<float>(level)));
}

bool QV_AppearanceSearch::Step(float& fit)
{
    fit = bestError * 1000.0f;
    const bool ready = level >= 0 && level < static_cast<int>(models.size()) &&
                       level < static_cast<int>(pyramid.size()) && params.Count() > 0;
    if (ready) {
        QV_AppearanceModel& model = models[static_cast<size_t>(level)];
        const QV_Image& image = pyramid[static_cast<size_t>(level)];
        QV_Array<float> delta;
        if (model.update.Apply(residual, delta) && delta.Count() == params.Count()) {
            const QV_Array<float> deviations = model.appearanceModel.GetStandardDeviations();
            float k = 1.0f;
            for (int t = 0; t < kMaxTries; ++t, k *= 0.5f) {
                QV_Array<float> candidate(params.Count());
                for (int i = 0; i < candidate.Count(); ++i)
                    candidate[i] = params[params.Low() + i] + k * delta[i];
                for (int i = 0; i < deviations.Count(); ++i) {
                    const float bound = kClampDeviations * deviations[deviations.Low() + i];
                    float& c = candidate[QV_AppearanceParams::kAppearance + i];
                    if (std::fabs(c) > bound) c = std::copysign(bound, c);
                }
                QV_Array<float> candidateShape, candidateResidual;
                const float error =
                    QV_AppearanceSynthesise(model, shapeModel, image, candidate, candidateShape, candidateResidual);
                if (error >= 0.0f && error <= bestError) {
                    params = std::move(candidate);
                    residual = std::move(candidateResidual);
                    shape.points = std::move(candidateShape);
                    shape.ApplyFixed();
                    shape.UpdateNormals();
                    bestError = error;
                    break;
                }
            }
        }
        fit = bestError * 1000.0f;
    }

    ++levelIterations;
    ++totalIterations;
    bool finished = false;
    if (levelIterations >= StepsOnLevel(level)) {
        if (level >= LastLevel()) {
            finished = true;
        } else {
            MoveToNextLevel();
            if (!MeasureAtCurrentLevel()) bestError = kLargeError;
            fit = bestError * 1000.0f;
        }
    }
    if (constrainShape && shapeModel.IsValid()) {
        shapeModel.Constrain(shape.points, 0);
        shape.UpdateNormals();
    }
    return finished;
}

void QV_AppearanceSearch::ToAnnotation(QV_AnnotationModel& out) const
{
    shape.ToAnnotation(LevelSize(level), out);
    if (mirror) out.Mirror();
}
