// QV_FaceSearch: one face search model as read from a face model file: the
// staged fitter, the reference annotation whose landmarks and outlines every
// fit takes, and the search loop with its progress messages and final rules.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "QV_AnnotationModel.h"
#include "QV_FaceFitter.h"
#include "QV_Image.h"
#include "QV_Point.h"
#include "QV_String.h"

class QV_FaceSearch {
public:
    // Called after every step with the current fit and a one-line message.
    using Progress = std::function<void(QV_AnnotationModel& model, const QV_String& message)>;

    int32_t header = 0;
    QV_FaceFitter fitter;
    QV_AnnotationModel reference;  // same annotations as the model's template
    QV_Image image;                // the application's copy of the photograph
    QV_String directory;           // the application's data directory
    uint8_t verbose = 0;           // 1: iteration counts and times in messages
    uint8_t refine = 0;            // 1: a last profile pass on the two finest levels

    // The face model file ("rb"): header, fitter, reference. Fails (false) on
    // a file that cannot be opened or is short or inconsistent.
    bool Read(const QV_String& path);
    bool Read(std::FILE* f);
    // The exact inverse of Read.
    bool Write(const QV_String& path) const;
    bool Write(std::FILE* f) const;

    bool InitialiseFromEyes(const QV_Image& photo, QV_AnnotationModel& model, const QV_Point2D& eyeA,
                            const QV_Point2D& eyeB)
    {
        return fitter.InitialiseFromEyes(photo, model, eyeA, eyeB);
    }
    bool InitialiseFromBox(const QV_Image& photo, QV_AnnotationModel& model, const QV_Point2D& cornerA,
                           const QV_Point2D& cornerB)
    {
        return fitter.InitialiseFromBox(photo, model, cornerA, cornerB);
    }

    // Runs the search from the last initialisation to the end, writing the
    // fit into `model` after every step and calling `progress` (when given);
    // then the optional refine pass, the landmark copy and the mouth and eye
    // rules. `photo` gives the pixel size the rules measure in.
    void Search(const QV_Image& photo, QV_AnnotationModel& model, const Progress& progress);

    // Rebuilds "HEAD" and the upper "FACE" outline of a fitted model from
    // `reference`; false (nothing changed) when the model does not match it.
    bool CompleteOutline(QV_AnnotationModel& model, const QV_Point2D& imageSize) const;

private:
    void RefinePass(QV_AnnotationModel& model, const Progress& progress, double& totalMs, int& counted,
                    float& fit);
};
