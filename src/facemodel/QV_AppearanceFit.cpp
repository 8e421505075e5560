#include "QV_AppearanceFit.h"

#include <cmath>
#include <utility>

#include "QV_MatrixOps.h"
#include "QV_Similarity.h"

namespace P = QV_AppearanceParams;

void QV_NormaliseTexture(QV_Array<float>& texture, float scale, float offset)
{
    const bool divide = scale > 0.0f;
    for (float& v : texture) {
        v -= offset;
        if (divide) v /= scale;
    }
}

bool QV_AppearanceFitsShapeModel(const QV_AppearanceModel& model, const QV_ShapeModel2D& shapeModel)
{
    const QV_PCA* pca = shapeModel.PCA();
    if (!shapeModel.IsValid() || !model.IsConsistent(pca->GetMean().Count())) return false;
    return model.appearanceModel.ObservationSize() == pca->NumModes() + model.textureModel.NumModes();
}

bool QV_AppearanceParamsFromImage(QV_AppearanceModel& model, QV_ShapeModel2D& shapeModel, const QV_Image& image,
                                  const QV_Array<float>& shape, QV_Array<float>& params)
{
    if (!QV_AppearanceFitsShapeModel(model, shapeModel)) return false;
    QV_PCA& shapePca = *shapeModel.PCA();
    if (shape.Count() != shapePca.GetMean().Count()) return false;

    QV_Array<float> texture;
    if (!model.SampleTexture(QV_BilinearSampler(image), shape, texture)) return false;
    const float offset = QV_Mean(texture);
    const float scale = (model.version == 1) ? QV_Dot(texture, model.normalisationTexture) : model.textureScale;
    QV_NormaliseTexture(texture, scale, offset);
    QV_Array<float> textureParams;
    if (model.textureModel.Project(textureParams, texture) < 0.0f) return false;

    // The pose takes the model frame (the shape PCA's mean) onto the shape.
    QV_Similarity pose;
    pose.Align(shapePca.GetMean(), shape);
    QV_Array<float> modelFrame(shape);
    pose.ApplyInverseToVector(modelFrame);
    QV_Array<float> shapeParams;
    if (shapePca.Project(shapeParams, modelFrame) < 0.0f) return false;

    const int s = shapeParams.Count();
    const int t = textureParams.Count();
    QV_Array<float> joined(s + t);
    for (int i = 0; i < s; ++i) joined[i] = shapeParams[shapeParams.Low() + i] * model.shapeWeight;
    for (int i = 0; i < t; ++i) joined[s + i] = textureParams[textureParams.Low() + i];
    QV_Array<float> appearance;
    if (model.appearanceModel.Project(appearance, joined) < 0.0f) return false;

    QV_Array<float> out(appearance.Count() + P::kAppearance);
    out[P::kScale] = scale - 1.0f;
    out[P::kOffset] = offset;
    pose.ToParams(out, P::kPose);
    for (int i = 0; i < appearance.Count(); ++i) out[P::kAppearance + i] = appearance[appearance.Low() + i];
    params = std::move(out);
    return true;
}

bool QV_AppearanceInstance(const QV_AppearanceModel& model, const QV_ShapeModel2D& shapeModel,
                           const QV_Array<float>& params, QV_Array<float>& modelTexture, QV_Array<float>& modelShape)
{
    if (!QV_AppearanceFitsShapeModel(model, shapeModel)) return false;
    const int a = model.AppearanceModes();
    if (params.Count() != a + P::kAppearance) return false;
    QV_Array<float> c(a);
    for (int i = 0; i < a; ++i) c[i] = params[params.Low() + P::kAppearance + i];
    modelTexture = QV_Add(model.textureModel.GetMean(), QV_Multiply(model.textureFromAppearance, c));
    modelShape = QV_Add(shapeModel.PCA()->GetMean(), QV_Multiply(model.shapeFromAppearance, c));
    return true;
}

float QV_AppearanceResidual(const QV_AppearanceModel& model, const QV_Image& image, const QV_Array<float>& params,
                            const QV_Array<float>& modelTexture, QV_Array<float> modelShape, QV_Array<float>& shape,
                            QV_Array<float>& residual)
{
    if (params.Count() < P::kAppearance) return -1.0f;
    QV_Similarity pose;
    if (!pose.FromParams(params, params.Low() + P::kPose)) return -1.0f;
    pose.ApplyToVector(modelShape);

    QV_Array<float> sampled;
    if (!model.SampleTexture(QV_BilinearSampler(image), modelShape, sampled)) return -1.0f;
    QV_NormaliseTexture(sampled, params[params.Low() + P::kScale] + 1.0f, params[params.Low() + P::kOffset]);
    if (sampled.Count() != modelTexture.Count()) return -1.0f;
    QV_Array<float> r(sampled.Count());
    double sum = 0.0;
    for (int i = 0; i < r.Count(); ++i) {
        r[i] = sampled[i] - modelTexture[i];
        sum += std::fabs(r[i]);
    }
    shape = std::move(modelShape);
    residual = std::move(r);
    return residual.Count() > 0 ? static_cast<float>(sum / residual.Count()) : 0.0f;
}

float QV_AppearanceSynthesise(const QV_AppearanceModel& model, const QV_ShapeModel2D& shapeModel,
                              const QV_Image& image, const QV_Array<float>& params, QV_Array<float>& shape,
                              QV_Array<float>& residual)
{
    QV_Array<float> modelTexture, modelShape;
    if (!QV_AppearanceInstance(model, shapeModel, params, modelTexture, modelShape)) return -1.0f;
    return QV_AppearanceResidual(model, image, params, modelTexture, std::move(modelShape), shape, residual);
}
