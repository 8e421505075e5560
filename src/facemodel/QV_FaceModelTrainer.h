// QV_FaceModelTrainer: builds a whole face search model from annotated
// photographs: the shape PCA, the profile models of every level and point,
// the appearance levels and the reference annotation.
#pragma once

#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_AppearanceTrainer.h"
#include "QV_FaceSearch.h"
#include "QV_Image.h"

// One annotated photograph; the annotation is normalised and has the
// template's contours with their point counts.
struct QV_FaceExample {
    const QV_Image* image = nullptr;
    const QV_AnnotationModel* annotation = nullptr;
};

struct QV_FaceModelTrainerOptions {
    float shapePercentage = 98.0f;    // variance kept by the shape PCA
    float profilePercentage = 95.0f;  // variance kept by each profile PCA
    int profileLevels = 5;
    int profileWidth = 512;
    int profileHalfLength = 3;
    int appearanceLevels = 2;
    int appearanceWidth = 64;
    QV_AppearanceTrainerOptions appearance;
};

class QV_FaceModelTrainer {
public:
    QV_FaceModelTrainerOptions options;

    // Builds `out` from the examples. The template fixes the contours and
    // their used flags; the reference annotation is the mean of the examples
    // in a 320 x 512 frame, with the template's landmarks. At least two
    // examples. False with a message when no model can be built.
    bool Train(const QV_AnnotationModel& templateModel, const std::vector<QV_FaceExample>& examples,
               QV_FaceSearch& out);
};
