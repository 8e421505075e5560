// QV_FaceFitter: the staged face searcher. It owns the active-shape and the
// active-appearance searches and runs them one step per call through its
// stages, keeping the current fit as a normalised annotation model.
#pragma once

#include <cstdint>
#include <cstdio>

#include "QV_AnnotationModel.h"
#include "QV_AppearanceSearch.h"
#include "QV_Image.h"
#include "QV_Point.h"
#include "QV_ProfileSearch.h"

class QV_FaceFitter {
public:
    int32_t version = 1;
    QV_ProfileSearch profileSearch;
    QV_AppearanceSearch appearanceSearch;
    // 0 profile search, 1 profile re-initialisation, 2 second profile search,
    // 3 appearance initialisation, 4 appearance search, 5 optional second
    // appearance initialisation, 6 second appearance search.
    int stage = 0;
    int steps = 0;  // steps taken in this search
    QV_AnnotationModel result;
    uint8_t secondAppearancePass = 0;
    uint8_t skipAppearance = 0;
    uint8_t skipShape = 0;

    // Places the mean face from two normalised eye centres (eyeA on the
    // model's "RIGHT EYE", eyeB on its "LEFT EYE"), builds the pyramid and
    // starts the profile search; the initial fit goes into `model` and
    // `result`. False when the shape model has no built PCA or the image
    // gives no pyramid (model then holds the placed mean face).
    bool InitialiseFromEyes(const QV_Image& image, QV_AnnotationModel& model, const QV_Point2D& eyeA,
                            const QV_Point2D& eyeB);
    // The same with the mean face's box mapped onto the box spanned by two
    // normalised corners.
    bool InitialiseFromBox(const QV_Image& image, QV_AnnotationModel& model, const QV_Point2D& cornerA,
                           const QV_Point2D& cornerB);

    // Builds the search pyramid of `image` ahead of time: the next
    // InitialiseFromEyes or InitialiseFromBox on an image equal to it takes
    // that pyramid instead of building its own. False when the image gives
    // no pyramid.
    bool PreparePyramid(const QV_Image& image);

    // Clears the options a search does not keep and the fit shown.
    void BeginSearch();
    // One step of the current stage. `fit` is set by the steps that measure
    // one and left alone otherwise. Returns true when the search has ended.
    bool Step(float& fit);

    // The fitter's part of the face model file: its version, then the
    // profile-search part and the appearance-search part.
    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;

private:
    // The image PreparePyramid built the profile search's pyramid from
    // (empty when there is none waiting to be taken).
    QV_Image prepared;

    // Builds the pyramid and starts the profile search from a placed model.
    bool StartProfileSearch(const QV_Image& image, QV_AnnotationModel& model);
    // Chooses the appearance source image and starts the appearance search
    // from `result`; on success `result` takes the appearance shape.
    bool StartAppearanceSearch();
};
