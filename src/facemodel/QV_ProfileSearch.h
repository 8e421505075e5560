// QV_ProfileSearch: the active-shape search, which moves every shape point
// along its normal to the best-matching profile of colour differences, level
// by level over an image pyramid, constrained by the shape model.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Array.h"
#include "QV_Image.h"
#include "QV_PCA.h"
#include "QV_Point.h"
#include "QV_ShapeInstance.h"
#include "QV_ShapeModel2D.h"

class QV_ProfileSearch {
public:
    // Profile models of one pyramid level: one PCA per shape point, kept with
    // the index bounds they were stored with.
    struct LevelModels {
        int low = 0;
        int high = -1;
        std::vector<QV_PCA> models;
    };

    QV_ProfileSearch() = default;

    // ---- stored fields ----
    int32_t version = 2;
    int32_t levels = 5;
    int32_t workingWidth = 512;
    int32_t profileHalfLength = 3;
    int32_t preprocessing = 0;
    int32_t searchHalfRange = 1;
    unsigned char mirror = 0;
    QV_ShapeModel2D shapeModel;
    std::vector<LevelModels> profileModels;  // one entry per pyramid level

    int ProfileSamples() const { return 2 * profileHalfLength + 1; }
    int ProfileLength() const { return 3 * ProfileSamples(); }

    // The profile-search part of the face model file. Read checks every
    // count (levels, profile models per level against the shape's points,
    // profile lengths) so that a malformed file fails here, not in a search.
    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;

    // Builds the pyramid from an image (working width, mirror, preprocessing).
    bool BuildPyramid(const QV_Image& image);
    int PyramidLevels() const { return static_cast<int>(pyramid.size()); }
    const std::vector<QV_Image>& Pyramid() const { return pyramid; }
    const QV_Image& LevelImage(int l) const { return pyramid[static_cast<size_t>(l)]; }
    // (columns, rows) of a pyramid level; (0, 0) when it does not exist.
    QV_Point2D LevelSize(int l) const;

    // Starts a search from an annotation model in the search's frame: copies
    // the used flags from the shape model's template into it, sets level 0,
    // the shape and its normals, the counters, maxIterations 5 and the shape
    // PCA's limit to limitBase. False without a built shape PCA or pyramid,
    // or when the annotation's used points or the profile models per level do
    // not match the shape model's points.
    bool Initialise(QV_AnnotationModel& model);
    // Mirrors an annotation model into the search's frame when `mirror` is set.
    void ToSearchFrame(QV_AnnotationModel& model) const;

    // Sets the shape from an annotation model at the current level's size and
    // updates its normals (used by the refine pass).
    void SetShapeFromAnnotation(const QV_AnnotationModel& model);

    // One step: every point searched, the shape constrained, counters grown,
    // the level changed after maxIterations steps. Returns true when the
    // search is finished (maxIterations steps at the finest level); `fit` is
    // the sum of the point costs.
    bool Step(float& fit);

    // Searches one point of the shape at the current level; returns its new
    // position and its cost (the least profile score).
    float SearchPoint(int pointIndex, QV_Point2D& newPosition) const;

    // The shape as an annotation model at the current level's size, mirrored
    // back when `mirror` is set.
    void ToAnnotation(QV_AnnotationModel& out) const;

    // ---- profile sampling shared with training ----
    // Samples 2n + 1 positions p + i*u (i = -n..n) of an image; each gives the
    // red, green and blue differences between the bilinear samples at
    // q + (1, 1) and q - (1, 1): 3 * (2n + 1) values.
    static void SampleProfile(const QV_Image& image, const QV_Point2D& p, const QV_Point2D& u, int n,
                              QV_Array<float>& values);
    // Copies `length` values starting at src[first] and scales them to unit
    // Euclidean length (left as they are when their length is 0).
    static void NormaliseProfile(const QV_Array<float>& src, int first, int length, QV_Array<float>& out);
    // The normalised training profile of a point at its true position
    // (profileHalfLength samples to each side), as the search compares it.
    void TrainingProfile(const QV_Image& image, const QV_Point2D& p, const QV_Point2D& u,
                         QV_Array<float>& out) const;

    // ---- search state ----
    int Level() const { return level; }
    void SetLevel(int l) { level = l; }
    int LevelIterations() const { return levelIterations; }
    void SetLevelIterations(int n) { levelIterations = n; }
    int TotalIterations() const { return totalIterations; }
    int MaxIterations() const { return maxIterations; }
    void SetMaxIterations(int n) { maxIterations = n; }
    float LimitBase() const { return limitBase; }
    void SetLimitBase(float v) { limitBase = v; }
    float BestFit() const { return bestFit; }
    QV_ShapeInstance& Shape() { return shape; }
    const QV_ShapeInstance& Shape() const { return shape; }
    // Sets the shape PCA's limit (nothing without a PCA).
    void SetShapeLimit(float limit);

private:
    std::vector<QV_Image> pyramid;
    QV_ShapeInstance shape;
    int level = 0;
    int levelIterations = 0;
    int totalIterations = 0;
    int maxIterations = 5;
    float limitBase = 40.0f;
    float bestFit = 3.4028235e38f;
    QV_Colour background{128, 128, 128, 255};
};
