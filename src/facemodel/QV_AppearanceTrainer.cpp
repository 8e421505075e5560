#include "QV_AppearanceTrainer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "QV_AppearanceFit.h"
#include "QV_Error.h"
#include "QV_MatrixOps.h"
#include "QV_SVD.h"
#include "QV_Similarity.h"
#include "QV_Triangulation.h"

namespace P = QV_AppearanceParams;

namespace {

// Most sample points a level may hold; keeps a tiny spacing from exhausting memory.
constexpr int64_t kMaxSamples = 200000;

void Fail(const char* why)
{
    std::string text = "QV_AppearanceTrainer::Train() Error! : ";
    text += why;
    text += "\n";
    QV_PrintError(text.c_str());
}

// Cuts the mean shape into triangles and puts sample points on a square grid
// of the given spacing, each point in the first triangle that holds it.
bool BuildSamplingTable(const QV_Array<float>& mean, float spacing, QV_AppearanceModel& model)
{
    const int n = mean.Count() / 2;
    std::vector<QV_Point2D> pts(static_cast<size_t>(n));
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < n; ++i) {
        pts[i] = {mean[mean.Low() + 2 * i], mean[mean.Low() + 2 * i + 1]};
        if (i == 0 || pts[i].x < minX) minX = pts[i].x;
        if (i == 0 || pts[i].x > maxX) maxX = pts[i].x;
        if (i == 0 || pts[i].y < minY) minY = pts[i].y;
        if (i == 0 || pts[i].y > maxY) maxY = pts[i].y;
    }
    const auto tris = QV_Triangulate(pts);
    if (tris.empty() || !(spacing > 0.0f)) return false;
    const double cols = std::floor((maxX - minX) / spacing) + 1.0;
    const double rows = std::floor((maxY - minY) / spacing) + 1.0;
    if (!(cols * rows <= static_cast<double>(kMaxSamples))) return false;

    std::vector<QV_SamplingTriangle> table(tris.size());
    for (size_t t = 0; t < tris.size(); ++t)
        for (int k = 0; k < 3; ++k) table[t].corner[k] = 2 * tris[t][k];
    const double eps = 1e-6;
    for (int r = 0; r < static_cast<int>(rows); ++r) {
        for (int c = 0; c < static_cast<int>(cols); ++c) {
            const double x = minX + c * static_cast<double>(spacing);
            const double y = minY + r * static_cast<double>(spacing);
            for (size_t t = 0; t < tris.size(); ++t) {
                const QV_Point2D& a = pts[tris[t][0]];
                const QV_Point2D& b = pts[tris[t][1]];
                const QV_Point2D& d = pts[tris[t][2]];
                const double det = (static_cast<double>(b.x) - a.x) * (d.y - a.y) -
                                   (static_cast<double>(d.x) - a.x) * (b.y - a.y);
                if (det == 0.0) continue;
                const double w1 = ((x - a.x) * (d.y - a.y) - (d.x - a.x) * (y - a.y)) / det;
                const double w2 = ((b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y)) / det;
                const double w0 = 1.0 - w1 - w2;
                if (w0 < -eps || w1 < -eps || w2 < -eps) continue;
                table[t].samples.push_back(
                    {static_cast<float>(w0), static_cast<float>(w1), static_cast<float>(w2)});
                break;
            }
        }
    }
    model.sampling.clear();
    for (QV_SamplingTriangle& t : table)
        if (!t.samples.empty()) model.sampling.push_back(std::move(t));
    model.samplingLow = 0;
    return !model.sampling.empty();
}

float SumAbs(const QV_Array<float>& a, int count)
{
    double s = 0.0;
    for (int i = 0; i < count; ++i) s += std::fabs(a[a.Low() + i]);
    return static_cast<float>(s);
}

// Rows first..first+count-1 of m as a new matrix.
QV_Matrix RowBlock(const QV_Matrix& m, int first, int count)
{
    QV_Matrix out(count, m.Cols());
    for (int i = 0; i < count; ++i) {
        const float* src = m.Row(m.RowLow() + first + i);
        float* dst = out.Row(i);
        for (int j = 0; j < m.Cols(); ++j) dst[j] = src[j];
    }
    return out;
}

// v += s * column k of m.
void AddColumn(QV_Array<float>& v, const QV_Matrix& m, int k, float s)
{
    for (int i = 0; i < v.Count(); ++i) v[i] += s * m(m.RowLow() + i, m.ColLow() + k);
}

}  // namespace

bool QV_AppearanceTrainer::Train(QV_ShapeModel2D& shapeModel, const std::vector<QV_AppearanceExample>& examples,
                                 QV_AppearanceModel& out)
{
    if (!shapeModel.IsValid()) {
        Fail("the shape model has no built PCA");
        return false;
    }
    QV_PCA& shapePca = *shapeModel.PCA();
    const QV_Array<float>& meanShape = shapePca.GetMean();
    if (examples.size() < 2) {
        Fail("less than 2 examples");
        return false;
    }
    for (const QV_AppearanceExample& e : examples) {
        if (!e.image || e.image->Rows() < 1 || e.image->Cols() < 1 || e.shape.Count() != meanShape.Count()) {
            Fail("an example has no image or a shape of the wrong length");
            return false;
        }
    }

    QV_AppearanceModel model;
    model.version = QV_AppearanceModel::kCurrentVersion;

    // The poses of the examples give the face size in pixels, and so the
    // spacing of the sample points in the model frame.
    std::vector<QV_Similarity> poses(examples.size());
    double poseScale = 0.0;
    for (size_t i = 0; i < examples.size(); ++i) {
        poses[i].Align(meanShape, examples[i].shape);
        poseScale += poses[i].scale;
    }
    poseScale /= static_cast<double>(examples.size());
    if (!(poseScale > 0.0) ||
        !BuildSamplingTable(meanShape, static_cast<float>(options.sampleSpacing / poseScale), model)) {
        Fail("no sample points inside the mean shape");
        return false;
    }

    // Textures, photometrically normalised by their mean and one common scale.
    std::vector<QV_Array<float>> textures(examples.size());
    std::vector<float> offsets(examples.size());
    double spread = 0.0;
    for (size_t i = 0; i < examples.size(); ++i) {
        model.SampleTexture(QV_BilinearSampler(*examples[i].image), examples[i].shape, textures[i]);
        offsets[i] = QV_Mean(textures[i]);
        double ss = 0.0;
        for (float v : textures[i]) ss += (v - offsets[i]) * static_cast<double>(v - offsets[i]);
        spread += std::sqrt(ss / textures[i].Count());
    }
    model.textureScale = static_cast<float>(spread / static_cast<double>(examples.size()));
    if (!(model.textureScale > 0.0f)) model.textureScale = 1.0f;
    for (size_t i = 0; i < examples.size(); ++i) {
        QV_NormaliseTexture(textures[i], model.textureScale, offsets[i]);
        model.textureModel.AddObservation(textures[i]);
    }
    if (model.textureModel.Build(options.texturePercentage) < 0.0f || model.textureModel.NumModes() < 1) {
        Fail("the texture model cannot be built");
        return false;
    }
    model.firstTexture = model.textureModel.GetMean();
    model.normalisationTexture = model.textureModel.GetMean();
    const float mean = QV_Mean(model.normalisationTexture);
    for (float& v : model.normalisationTexture) v -= mean;
    QV_Normalise(model.normalisationTexture);

    // Shape and texture parameters of every example, joined.
    const int shapeModes = shapePca.NumModes();
    const int textureModes = model.textureModel.NumModes();
    std::vector<QV_Array<float>> shapeParams(examples.size()), textureParams(examples.size());
    for (size_t i = 0; i < examples.size(); ++i) {
        QV_Array<float> frame(examples[i].shape);
        poses[i].ApplyInverseToVector(frame);
        shapePca.Project(shapeParams[i], frame);
        model.textureModel.Project(textureParams[i], textures[i]);
    }
    model.shapeWeight = options.shapeWeight;
    if (!(model.shapeWeight > 0.0f)) {
        const float shapeVar = SumAbs(shapePca.GetEigenvalues(), shapeModes);
        const float textureVar = SumAbs(model.textureModel.GetEigenvalues(), textureModes);
        model.shapeWeight = (shapeVar > 0.0f && textureVar > 0.0f) ? std::sqrt(textureVar / shapeVar) : 1.0f;
    }
    for (size_t i = 0; i < examples.size(); ++i) {
        QV_Array<float> joined(shapeModes + textureModes);
        for (int k = 0; k < shapeModes; ++k) joined[k] = shapeParams[i][shapeParams[i].Low() + k] * model.shapeWeight;
        for (int k = 0; k < textureModes; ++k) joined[shapeModes + k] = textureParams[i][textureParams[i].Low() + k];
        model.appearanceModel.AddObservation(joined);
    }
    if (model.appearanceModel.Build(options.appearancePercentage) < 0.0f || model.appearanceModel.NumModes() < 1) {
        Fail("the appearance model cannot be built");
        return false;
    }
    const int appearanceModes = model.appearanceModel.NumModes();
    const QV_Matrix& combined = model.appearanceModel.GetEigenvectors();
    model.textureFromAppearance =
        QV_Multiply(model.textureModel.GetEigenvectors(), RowBlock(combined, shapeModes, textureModes));
    model.shapeFromAppearance = QV_Multiply(shapePca.GetEigenvectors(), RowBlock(combined, 0, shapeModes));
    for (float& v : model.shapeFromAppearance.Elements()) v /= model.shapeWeight;

    // A placeholder update model of the right sizes lets the model be used
    // for the measurements below.
    const int textureSize = model.TextureSize();
    const int paramCount = appearanceModes + P::kAppearance;
    {
        QV_Matrix u(textureSize, paramCount), v(paramCount, paramCount);
        QV_Array<float> w(paramCount);
        u.Fill(0.0f);
        v.Fill(0.0f);
        w.Fill(0.0f);
        model.update.Set(QV_UpdateModel::kDefaultTolerance, u, w, v);
    }
    if (!QV_AppearanceFitsShapeModel(model, shapeModel)) {
        Fail("the trained parts do not fit together");
        return false;
    }

    // The residual's response to a known displacement of each parameter.
    std::vector<float> steps(static_cast<size_t>(paramCount));
    steps[P::kScale] = options.scaleStep;
    steps[P::kOffset] = options.offsetStep;
    steps[P::kPose] = steps[P::kPose + 1] = options.poseScaleStep * static_cast<float>(poseScale);
    steps[P::kPose + 2] = steps[P::kPose + 3] = options.translationStep;
    const QV_Array<float> deviations = model.appearanceModel.GetStandardDeviations();
    for (int k = 0; k < appearanceModes; ++k)
        steps[P::kAppearance + k] = options.appearanceStep * deviations[deviations.Low() + k];

    QV_Matrix response(textureSize, paramCount);
    response.Fill(0.0f);
    std::vector<double> weight(static_cast<size_t>(paramCount), 0.0);
    std::vector<double> column(static_cast<size_t>(textureSize));
    for (const QV_AppearanceExample& e : examples) {
        QV_Array<float> truth, baseTexture, baseShape, shape, r0, r;
        if (!QV_AppearanceParamsFromImage(model, shapeModel, *e.image, e.shape, truth)) continue;
        if (!QV_AppearanceInstance(model, shapeModel, truth, baseTexture, baseShape)) continue;
        if (QV_AppearanceResidual(model, *e.image, truth, baseTexture, baseShape, shape, r0) < 0.0f) continue;
        for (int j = 0; j < paramCount; ++j) {
            std::fill(column.begin(), column.end(), 0.0);
            for (float d : options.displacements) {
                const float delta = d * steps[static_cast<size_t>(j)];
                if (delta == 0.0f) continue;
                QV_Array<float> p(truth);
                p[j] += delta;
                // A displaced pose or photometric value keeps the model
                // instance; a displaced appearance parameter moves it along
                // one column of each synthesis matrix, which is far cheaper
                // than synthesising it again.
                float error;
                if (j < P::kAppearance) {
                    error = QV_AppearanceResidual(model, *e.image, p, baseTexture, baseShape, shape, r);
                } else {
                    QV_Array<float> texture(baseTexture), frame(baseShape);
                    AddColumn(texture, model.textureFromAppearance, j - P::kAppearance, delta);
                    AddColumn(frame, model.shapeFromAppearance, j - P::kAppearance, delta);
                    error = QV_AppearanceResidual(model, *e.image, p, texture, std::move(frame), shape, r);
                }
                if (error < 0.0f) continue;
                // The correction that undoes the displacement is -delta.
                for (int i = 0; i < textureSize; ++i) column[i] += -delta * static_cast<double>(r[i] - r0[i]);
                weight[static_cast<size_t>(j)] += static_cast<double>(delta) * delta;
            }
            for (int i = 0; i < textureSize; ++i) response(i, j) += static_cast<float>(column[i]);
        }
    }
    for (int j = 0; j < paramCount; ++j) {
        if (weight[static_cast<size_t>(j)] <= 0.0) continue;
        for (int i = 0; i < textureSize; ++i)
            response(i, j) = static_cast<float>(response(i, j) / weight[static_cast<size_t>(j)]);
    }
    QV_SVD svd;
    if (!svd.Decompose(response)) {
        Fail("the update model cannot be decomposed");
        return false;
    }
    model.update.SetFromSVD(svd);
    model.appearanceModel.ClearObservations();
    model.textureModel.ClearObservations();
    if (!QV_AppearanceFitsShapeModel(model, shapeModel)) {
        Fail("the trained parts do not fit together");
        return false;
    }
    out = std::move(model);
    return true;
}
