// QV_ShapeModel2D: the statistical model of where the annotation points of a
// face can lie: a template annotation, a reference (mean) shape and a PCA of
// shape vectors, with placement of the mean face and constraining of shapes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "QV_AnnotationModel.h"
#include "QV_Array.h"
#include "QV_PCA.h"
#include "QV_Point.h"

class QV_ShapeModel2D {
public:
    QV_ShapeModel2D() = default;
    // Copies are deep (the PCA is copied).
    QV_ShapeModel2D(const QV_ShapeModel2D& other);
    QV_ShapeModel2D& operator=(const QV_ShapeModel2D& other);
    QV_ShapeModel2D(QV_ShapeModel2D&&) noexcept = default;
    QV_ShapeModel2D& operator=(QV_ShapeModel2D&&) noexcept = default;

    // ---- stored fields, in file order ----
    int32_t header = 0;
    QV_AnnotationModel templateModel;  // contours, flags and point counts
    std::unique_ptr<QV_PCA> pca;       // over shape vectors; may be null
    int32_t modelType = 1;             // only 1 is supported
    uint32_t value1 = 0;               // kept for the file form
    uint32_t value2 = 0;
    float meanScale = 1.0f;            // multiplies the reference shape when placed
    uint32_t value3 = 0;
    uint32_t value4 = 0;
    QV_Array<float> referenceShape;    // mean shape in the model frame
    QV_Array<QV_Point2D> pointTable;   // kept for the file form
    uint32_t value5 = 0;
    uint32_t value6 = 0;
    // Set by the search model file (read just before the model there).
    int32_t searchValue = 0;

    // The binary form. Read fails on a short read, a model type other than 1
    // (with its message), or a reference shape or PCA whose length does not
    // match the template's used points; the model is unusable afterwards.
    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;

    // True when the PCA exists and is built.
    bool IsValid() const;
    // Number of points in a shape vector: the points of the used annotations.
    int NumPoints() const;

    QV_AnnotationModel& Template() { return templateModel; }
    const QV_AnnotationModel& Template() const { return templateModel; }
    QV_PCA* PCA() { return pca.get(); }
    const QV_PCA* PCA() const { return pca.get(); }

    // Writes the average face, centred in an image of size (W, H) pixels and
    // filling 1/1.05 of its height, into `out` (normalised coordinates).
    void PlaceMeanShape(const QV_Point2D& imageSize, QV_AnnotationModel& out) const;

    // Replaces a shape vector (pixels) by the nearest shape the model allows:
    // the pose to the reference shape is removed, the PCA projects with
    // limitMode and reconstructs, and the pose is put back. Nothing happens
    // without a built PCA or when x does not have the model's length.
    void Constrain(QV_Array<float>& x, int limitMode);
};
