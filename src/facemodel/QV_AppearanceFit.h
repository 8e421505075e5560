// The computations shared by the appearance search and its trainer: the
// parameter vector measured from an image at a known shape, and the synthesis
// of shape, texture and residual from a parameter vector.
#pragma once

#include "QV_AppearanceModel.h"
#include "QV_Array.h"
#include "QV_Image.h"
#include "QV_ShapeModel2D.h"

// Layout of the appearance search's parameter vector.
namespace QV_AppearanceParams {
constexpr int kScale = 0;       // photometric scale - 1
constexpr int kOffset = 1;      // photometric offset
constexpr int kPose = 2;        // four similarity parameters
constexpr int kAppearance = 6;  // first appearance-model parameter
}  // namespace QV_AppearanceParams

// Photometric normalisation of a sampled texture: the offset is subtracted
// and, when the scale is positive, the texture is divided by it.
void QV_NormaliseTexture(QV_Array<float>& texture, float scale, float offset);

// The parameter vector for the texture of `image` sampled at `shape` (pixels):
// photometric values (offset = texture mean; scale from normalisationTexture
// for a version 1 model, textureScale otherwise), the pose from the shape
// PCA's mean onto the shape, and the appearance parameters of the weighted
// shape parameters joined with the texture parameters. False when the model
// does not fit the shape model or the shape.
bool QV_AppearanceParamsFromImage(QV_AppearanceModel& model, QV_ShapeModel2D& shapeModel, const QV_Image& image,
                                  const QV_Array<float>& shape, QV_Array<float>& params);

// Synthesis for a parameter vector: the model-frame shape (shape PCA mean +
// shapeFromAppearance · c) mapped by the pose into `shape` (pixels), the
// model texture (texture mean + textureFromAppearance · c), the image texture
// sampled at `shape` and normalised by the vector's photometric values, and
// residual = sampled - model texture. Returns the mean |residual|, or -1 when
// the sizes do not fit.
float QV_AppearanceSynthesise(const QV_AppearanceModel& model, const QV_ShapeModel2D& shapeModel,
                              const QV_Image& image, const QV_Array<float>& params, QV_Array<float>& shape,
                              QV_Array<float>& residual);

// The two halves of synthesis, for callers that reuse the first: the model
// texture and model-frame shape for the vector's appearance parameters (false
// when the sizes do not fit), then the residual of the image against them at
// the vector's pose and photometric values (the mean |residual|, or -1).
bool QV_AppearanceInstance(const QV_AppearanceModel& model, const QV_ShapeModel2D& shapeModel,
                           const QV_Array<float>& params, QV_Array<float>& modelTexture, QV_Array<float>& modelShape);
float QV_AppearanceResidual(const QV_AppearanceModel& model, const QV_Image& image, const QV_Array<float>& params,
                            const QV_Array<float>& modelTexture, QV_Array<float> modelShape, QV_Array<float>& shape,
                            QV_Array<float>& residual);

// True when the model can be used with the shape model: built shape PCA whose
// mean has the length of shapeFromAppearance's rows and whose mode count plus
// the texture modes is the appearance PCA's observation size.
bool QV_AppearanceFitsShapeModel(const QV_AppearanceModel& model, const QV_ShapeModel2D& shapeModel);
