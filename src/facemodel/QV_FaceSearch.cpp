#include "QV_FaceSearch.h"

#include <ctime>
#include <utility>

#include "QV_AnnotationGeometry.h"
#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_SearchRules.h"

namespace {

double ClockMs() { return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC; }

// Limit of the shape PCA during the refine pass, by pyramid level.
float RefineLimit(int level) { return 40.0f + 20.0f * static_cast<float>(level); }

}  // namespace

bool QV_FaceSearch::Read(const QV_String& path)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintSystemError((QV_String("QV_FaceSearch::Read() Error! : cannot open ") + path).CStr());
        return false;
    }
    return Read(f.get());
}

bool QV_FaceSearch::Read(std::FILE* f)
{
    int32_t newHeader = 0;
    QV_FaceFitter newFitter;
    QV_AnnotationModel newReference;
    if (!QV_ReadI32(f, newHeader) || !newFitter.Read(f) || !newReference.ReadBinary(f)) {
        QV_PrintError("QV_FaceSearch::Read() Error! : face model file is short or damaged\n");
        return false;
    }
    // The reference is indexed alongside the model's annotations.
    if (newReference.Count() != newFitter.profileSearch.shapeModel.Template().Count()) {
        QV_PrintError("QV_FaceSearch::Read() Error! : reference annotation does not match the shape model\n");
        return false;
    }
    header = newHeader;
    fitter = std::move(newFitter);
    reference = std::move(newReference);
    return true;
}

bool QV_FaceSearch::Write(const QV_String& path) const
{
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintSystemError((QV_String("QV_FaceSearch::Write() Error! : cannot open ") + path).CStr());
        return false;
    }
    if (!Write(f.get())) return false;
    // Data still buffered must reach the file for the write to count.
    return std::fflush(f.get()) == 0;
}

bool QV_FaceSearch::Write(std::FILE* f) const
{
    return QV_WriteI32(f, header) && fitter.Write(f) && reference.WriteBinary(f);
}

bool QV_FaceSearch::CompleteOutline(QV_AnnotationModel& model, const QV_Point2D& imageSize) const
{
    return QV_CompleteOutline(model, reference, imageSize);
}

namespace {

QV_String StepMessage(bool verbose, int steps, float fit, float average)
{
    if (!verbose) return QV_String("Finding Face, please wait...");
    return QV_String("Iterations=") + steps + ", fit=" + QV_String(fit, 3) + ", iteration time=" +
           QV_String(average, 3) + " ms";
}

}  // namespace

void QV_FaceSearch::Search(const QV_Image& photo, QV_AnnotationModel& model, const Progress& progress)
{
    QV_ProfileSearch& profile = fitter.profileSearch;
    model = fitter.result;
    profile.SetLimitBase(70.0f);
    // A search started before any step takes the new limit at once, so the
    // first level is searched with it too.
    if (fitter.stage == 0 && profile.Level() == 0 && profile.LevelIterations() == 0)
        profile.SetShapeLimit(profile.LimitBase());
    fitter.BeginSearch();
    float fit = kQV_FloatMax;
    double totalMs = 0.0;
    int counted = 0;

    bool ended = false;
    while (!ended) {
        double t0 = ClockMs();
        ended = fitter.Step(fit);
        totalMs += ClockMs() - t0;
        model = fitter.result;
        ++counted;
        if (progress) {
            QV_String message = StepMessage(verbose, fitter.steps, fit, static_cast<float>(totalMs / counted));
            progress(model, message);
        }
    }

    if (refine) RefinePass(model, progress, totalMs, counted, fit);

    const QV_Point2D size(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
    QV_CopyLandmarks(model, reference);
    QV_ApplyMouthRule(model, size);
    QV_ApplyEyeRule(model, size);

    if (progress) {
        QV_String message("Face found...");
        if (verbose) {
            message = StepMessage(true, fitter.steps, fit, static_cast<float>(totalMs / counted)) +
                      ", total time=" + QV_String(static_cast<float>(totalMs), 3) + " ms";
        }
        progress(model, message);
    }
}

void QV_FaceSearch::RefinePass(QV_AnnotationModel& model, const Progress& progress, double& totalMs, int& counted,
                               float& fit)
{
    QV_ProfileSearch& profile = fitter.profileSearch;
    if (profile.PyramidLevels() < 1) return;
    // With fewer than two levels the pass runs on the only one there is.
    const int start = profile.PyramidLevels() >= 2 ? profile.PyramidLevels() - 2 : 0;
    QV_AnnotationModel startModel = model;
    profile.ToSearchFrame(startModel);
    startModel.CopyUsedFlags(profile.shapeModel.Template());
    profile.SetLevel(start);
    profile.SetShapeFromAnnotation(startModel);
    // The fit must give the profile models' shape; otherwise there is nothing
    // to refine.
    if (profile.Shape().NumPoints() != profile.shapeModel.NumPoints()) return;
    profile.SetLevelIterations(0);
    profile.SetShapeLimit(RefineLimit(start));
    const int savedMax = profile.MaxIterations();
    profile.SetMaxIterations(5);
    bool finished = false;
    while (!finished) {
        double t0 = ClockMs();
        finished = profile.Step(fit);
        totalMs += ClockMs() - t0;
        profile.ToAnnotation(model);
        ++fitter.steps;
        ++counted;
        if (progress) progress(model, StepMessage(verbose, fitter.steps, fit, static_cast<float>(totalMs / counted)));
    }
    profile.SetMaxIterations(savedMax);
}
