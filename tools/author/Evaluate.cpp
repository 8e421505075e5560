// visagen-author evaluate: fits the face search model of a data directory to
// the held-out labelled portraits and reports its errors against the
// teacher's points, per region, as fractions of the inter-ocular distance.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Commands.h"
#include "EvaluateErrors.h"
#include "QV_FaceLabels.h"
#include "QV_FaceSearch.h"
#include "QV_FaceTemplate.h"
#include "QV_FindEyes.h"
#include "QV_HeldOut.h"
#include "QV_Landmarks68.h"

namespace {

struct Totals {
    double eyes = 0, mouth = 0, nose = 0, jaw = 0;
    int n = 0;
    void Add(const RegionErrors& e)
    {
        if (!e.valid) return;
        eyes += e.eyes;
        mouth += e.mouth;
        nose += e.nose;
        jaw += e.jaw;
        ++n;
    }
    double Mean(double v) const { return n > 0 ? v / n : 0.0; }
    double Overall() const { return n > 0 ? (eyes + mouth + nose + jaw) / (4.0 * n) : 0.0; }
    void Print(const char* title) const
    {
        std::printf("%-44s n=%4d  eyes %6.2f%%  mouth %6.2f%%  nose %6.2f%%  jaw %6.2f%%\n", title, n,
                    100 * Mean(eyes), 100 * Mean(mouth), 100 * Mean(nose), 100 * Mean(jaw));
    }
};

// The fit the main pipeline makes from two eye points on the photograph.
bool Fit(QV_FaceSearch& model, const QV_Image& photo, const QV_Point2D& right, const QV_Point2D& left,
         bool skipAppearance, QV_AnnotationModel& out)
{
    out.Clear();
    model.fitter.skipAppearance = skipAppearance ? 1 : 0;
    if (!model.InitialiseFromEyes(photo, out, right, left)) return false;
    model.refine = 1;
    model.Search(photo, out, nullptr);
    return out.Count() > 0;
}

}  // namespace

int EvaluateCommand(int argc, char** argv)
{
    std::string faces, data;
    int limit = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--faces") faces = argv[i + 1];
        else if (a == "--data") data = argv[i + 1];
        else if (a == "--limit") limit = std::max(0, std::atoi(argv[i + 1]));
        else {
            std::fprintf(stderr, "evaluate: unknown option %s\n", a.c_str());
            faces.clear();
            break;
        }
    }
    if (faces.empty() || data.empty() || argc % 2 == 0) {
        std::fprintf(stderr, "usage: visagen-author evaluate --faces DIR --data DIR [--limit N]\n");
        return 2;
    }
    QV_FaceSearch model;
    if (!model.Read(QV_String(data + "/Head.qvface"))) {
        std::fprintf(stderr, "evaluate: cannot read %s/Head.qvface\n", data.c_str());
        return 1;
    }
    std::vector<QV_LabelledFace> labelled;
    if (!QV_ReadLandmarks68((faces + "/landmarks-68.json").c_str(), labelled)) return 1;

    Totals fromTeacherEyes, profileOnly, fromFoundEyes;
    int portraits = 0, eyesFound = 0;
    double foundEyeError = 0;
    // Mean signed offset of the found eyes from the teacher's, over the
    // inter-ocular distance: a systematic shift shows here.
    double biasX = 0, biasY = 0;
    for (const QV_LabelledFace& face : labelled) {
        if (!QV_IsHeldOut(face.image)) continue;
        if (limit > 0 && portraits >= limit) break;
        QV_Image photo;
        if (!photo.Load(QV_String(faces + "/" + face.image)) || photo.Cols() != face.width ||
            photo.Rows() != face.height) {
            std::fprintf(stderr, "evaluate: cannot use %s\n", face.image.c_str());
            continue;
        }
        ++portraits;
        // The pipeline works on the photograph at 512 rows.
        photo.ResizeToHeight(512, true);
        const QV_Point2D size(static_cast<float>(photo.Cols()), static_cast<float>(photo.Rows()));
        QV_AnnotationModel teacher;
        QV_BuildFaceTemplate(QV_NormalisedLandmarks(face),
                             static_cast<float>(face.width) / static_cast<float>(face.height), teacher);
        QV_Point2D right, left;
        ContourCentre(teacher, QV_Labels::RightEye, QV_Point2D(1, 1), right);
        ContourCentre(teacher, QV_Labels::LeftEye, QV_Point2D(1, 1), left);
        const float iod = Distance(right.Scaled(size), left.Scaled(size));

        QV_AnnotationModel fit;
        if (Fit(model, photo, right, left, false, fit)) fromTeacherEyes.Add(MeasureRegions(fit, teacher, size));
        if (Fit(model, photo, right, left, true, fit)) profileOnly.Add(MeasureRegions(fit, teacher, size));

        QV_Point2D a, b;
        if (FindEyes(photo, a, b)) {
            ++eyesFound;
            // The eye in the left half of the picture is the subject's right.
            foundEyeError += (Distance(a.Scaled(size), right.Scaled(size)) + Distance(b.Scaled(size), left.Scaled(size))) *
                             0.5 / iod;
            if (std::getenv("VISAGEN_EVAL_VERBOSE"))
                std::printf("%s: found (%.3f %.3f) (%.3f %.3f) teacher (%.3f %.3f) (%.3f %.3f) iod %.1f px\n",
                            face.image.c_str(), a.x, a.y, b.x, b.y, right.x, right.y, left.x, left.y, iod);
            biasX += ((a.x - right.x) + (b.x - left.x)) * size.x * 0.5 / iod;
            biasY += ((a.y - right.y) + (b.y - left.y)) * size.y * 0.5 / iod;
            if (Fit(model, photo, a, b, false, fit)) fromFoundEyes.Add(MeasureRegions(fit, teacher, size));
        }
    }
    std::printf("held-out portraits: %d\n", portraits);
    std::printf("errors as mean distance over the inter-ocular distance:\n");
    fromTeacherEyes.Print("search from the teacher's eye centres");
    profileOnly.Print("  the same, profile stage only");
    std::printf("appearance stage: overall error %.2f%% -> %.2f%% (%+.2f points)\n", 100 * profileOnly.Overall(),
                100 * fromTeacherEyes.Overall(), 100 * (fromTeacherEyes.Overall() - profileOnly.Overall()));
    std::printf("built-in eye finder: eyes found on %d of %d portraits", eyesFound, portraits);
    if (eyesFound > 0)
        std::printf(", eye error %.2f%% (mean offset x %+.2f%%, y %+.2f%%)", 100 * foundEyeError / eyesFound,
                    100 * biasX / eyesFound, 100 * biasY / eyesFound);
    std::printf("\n");
    fromFoundEyes.Print("search from the found eyes");
    return portraits > 0 ? 0 : 1;
}
