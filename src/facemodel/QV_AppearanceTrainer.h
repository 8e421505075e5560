// QV_AppearanceTrainer: builds one level of the appearance model from images
// with known shapes - the sampling table over a triangulation of the mean
// shape, the texture and combined appearance PCAs, and the update model found
// by regressing known parameter displacements on the residuals they cause.
#pragma once

#include <vector>

#include "QV_AppearanceModel.h"
#include "QV_Array.h"
#include "QV_Image.h"
#include "QV_ShapeModel2D.h"

// One training example: an image (of the level being trained) and the shape
// of the face in it, as a shape vector in that image's pixels.
struct QV_AppearanceExample {
    const QV_Image* image = nullptr;
    QV_Array<float> shape;
};

struct QV_AppearanceTrainerOptions {
    // Distance between texture sample points, in pixels of the examples'
    // average face size.
    float sampleSpacing = 1.0f;
    // Percentages of variance kept by the texture and appearance PCAs.
    float texturePercentage = 98.0f;
    float appearancePercentage = 98.0f;
    // Weight of the shape parameters in the appearance vector; 0 or less: the
    // square root of total texture variance over total shape variance.
    float shapeWeight = 0.0f;
    // Displacements used to learn the update model, as multiples of each
    // parameter's step (below).
    std::vector<float> displacements = {-1.0f, -0.5f, 0.5f, 1.0f};
    float scaleStep = 0.1f;        // photometric scale - 1
    float offsetStep = 8.0f;       // photometric offset, grey levels
    float poseScaleStep = 0.08f;   // the two rotation/scale pose values
    float translationStep = 2.0f;  // pixels
    float appearanceStep = 0.5f;   // standard deviations of each appearance mode
};

class QV_AppearanceTrainer {
public:
    QV_AppearanceTrainerOptions options;

    // Trains `out` from the examples. The shape model must have a built PCA
    // whose length matches every example shape; at least two examples. False
    // with a message when the data cannot give a model. Synthesis leaves out
    // the appearance PCA's mean, so the shape PCA should be built on the same
    // (aligned) shapes, whose parameters then average to zero.
    bool Train(QV_ShapeModel2D& shapeModel, const std::vector<QV_AppearanceExample>& examples,
               QV_AppearanceModel& out);
};
