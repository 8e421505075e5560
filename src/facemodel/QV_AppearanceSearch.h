// QV_AppearanceSearch: the active-appearance phase of the face search, which
// adjusts photometric, pose and appearance parameters together on a small
// image pyramid, one step per call, starting from the profile search's result.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_AppearanceModel.h"
#include "QV_Array.h"
#include "QV_Image.h"
#include "QV_Point.h"
#include "QV_ShapeInstance.h"
#include "QV_ShapeModel2D.h"

class QV_AppearanceSearch {
public:
    static constexpr float kDefaultLimitBase = 70.0f;
    static constexpr int kMaxTries = 8;
    // Appearance parameters are clamped to this many standard deviations.
    static constexpr float kClampDeviations = 6.0f;

    // ---- stored in the face model file ----
    int32_t version = 2;
    int32_t preprocessing = 0;
    int32_t levels = 2;
    int32_t workingWidth = 64;
    QV_ShapeModel2D shapeModel;
    std::vector<QV_AppearanceModel> models;  // one per level, coarsest first
    int64_t modelsLow = 0;                   // lower bound the model array is stored with

    // ---- options and search state ----
    int32_t levelsToUse = -1;  // number of levels searched; all when below 1
    int32_t maxIterations = 5;
    uint8_t constrainShape = 0;
    uint8_t mirror = 0;
    float limitBase = kDefaultLimitBase;
    std::vector<QV_Image> pyramid;  // index 0 the coarsest
    // Pixels of the current level; an optional constraint (fixedValues and
    // fixedFlags, set by the caller in pixels of level 0) is scaled with it.
    QV_ShapeInstance shape;
    QV_Array<float> params;
    QV_Array<float> residual;
    float bestError = 3.4028235e38f;
    int level = 0;
    int levelIterations = 0;
    int totalIterations = 0;

    // The appearance part of the face model file: version (below 2 means
    // preprocessing 0 and version 2, otherwise preprocessing follows), levels,
    // workingWidth, the shape model, the model array (count, lower and upper
    // bound as 64-bit integers, then the models). Read fails (false) on a
    // short read or on models that do not fit the shape model or each other.
    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;

    // Index of the level whose width is nearest to workingWidth (the first
    // wins a tie), -1 for an empty list: the source image of Initialise.
    static int ChooseSourceLevel(std::span<const QV_Image> candidates, int workingWidth);
    int ChooseSourceLevel(std::span<const QV_Image> candidates) const
    {
        return ChooseSourceLevel(candidates, workingWidth);
    }

    // Starts a search: builds the pyramid from `source` (taken as it is: the
    // caller hands the image in the orientation the search works in), copies
    // the template's used flags into `annotation`, sets the shape from it at
    // level 0, resets the counters, and measures the parameters and the
    // residual. False when the shape model has no built PCA, there is no
    // model for a level, or the annotation does not give the model's shape.
    bool Initialise(const QV_Image& source, QV_AnnotationModel& annotation);

    // One search step; `fit` receives bestError x 1000. True when the search
    // has finished (after the last level's steps).
    bool Step(float& fit);

    // The current shape as an annotation at the current level's size,
    // mirrored when `mirror` is set.
    void ToAnnotation(QV_AnnotationModel& out) const;

    // Index of the last level searched.
    int LastLevel() const;
    // Steps on a level: maxIterations, twice that on the last level.
    int StepsOnLevel(int lvl) const;
    // (columns, rows) of a pyramid level; (0, 0) when there is none.
    QV_Point2D LevelSize(int lvl) const;
    bool IsValid() const { return shapeModel.IsValid() && !models.empty(); }

private:
    // Measures params at the current shape and synthesises the residual.
    bool MeasureAtCurrentLevel();
    void MoveToNextLevel();
};
