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
#include "QV_NetworkFolder.h"
#include "WholeNumbers.h"

namespace {

// Per-region errors of a set of fits: means (the targets) and medians (what
// a typical portrait gets, untouched by a few wrong faces).
struct Totals {
    std::vector<float> eyes, mouth, nose, jaw;
    void Add(const RegionErrors& e)
    {
        if (!e.valid) return;
        eyes.push_back(e.eyes);
        mouth.push_back(e.mouth);
        nose.push_back(e.nose);
        jaw.push_back(e.jaw);
    }
    int Count() const { return static_cast<int>(eyes.size()); }
    static double Mean(const std::vector<float>& v)
    {
        double sum = 0;
        for (float x : v) sum += x;
        return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
    }
    static double Median(std::vector<float> v)
    {
        if (v.empty()) return 0.0;
        std::sort(v.begin(), v.end());
        const size_t h = v.size() / 2;
        return v.size() % 2 ? v[h] : 0.5 * (v[h - 1] + v[h]);
    }
    double Overall() const { return (Mean(eyes) + Mean(mouth) + Mean(nose) + Mean(jaw)) / 4.0; }
    void Print(const char* title) const
    {
        std::printf("%-44s n=%4d  eyes %6.2f%%  mouth %6.2f%%  nose %6.2f%%  jaw %6.2f%%\n", title, Count(),
                    100 * Mean(eyes), 100 * Mean(mouth), 100 * Mean(nose), 100 * Mean(jaw));
        std::printf("%-44s         eyes %6.2f%%  mouth %6.2f%%  nose %6.2f%%  jaw %6.2f%%\n", "  medians", 100 * Median(eyes),
                    100 * Median(mouth), 100 * Median(nose), 100 * Median(jaw));
    }
};

std::string Describe(const RegionErrors& e)
{
    if (!e.valid) return "no fit";
    char buf[96];
    std::snprintf(buf, sizeof buf, "eyes %.1f%% mouth %.1f%% nose %.1f%% jaw %.1f%%", 100 * e.eyes, 100 * e.mouth,
                  100 * e.nose, 100 * e.jaw);
    return buf;
}

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
    std::string faces, data, networks;
    int limit = 0;
    bool all = false, each = false, usage = false;
    for (int i = 1; i < argc && !usage; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--faces" && hasValue) faces = argv[++i];
        else if (a == "--data" && hasValue) data = argv[++i];
        else if (a == "--networks" && hasValue) networks = argv[++i];
        else if (a == "--limit" && hasValue) {
            if (!ParseWholeNumber(argv[++i], 1, 1000000, limit)) {
                std::fprintf(stderr, "evaluate: --limit takes a whole number from 1\n");
                usage = true;
            }
        }
        else if (a == "--all") all = true;
        else if (a == "--each") each = true;
        else {
            const bool needsValue = a == "--faces" || a == "--data" || a == "--networks" || a == "--limit";
            std::fprintf(stderr, needsValue ? "evaluate: %s needs a value\n" : "evaluate: unknown option %s\n",
                         a.c_str());
            usage = true;
        }
    }
    if (usage || faces.empty() || data.empty()) {
        std::fprintf(stderr, "usage: visagen-author evaluate --faces DIR --data DIR [--networks DIR] [--limit N]\n"
                             "       [--all] [--each]\n"
                             "  --networks DIR  the detector networks train-detector wrote there instead of\n"
                             "                  those compiled into the program\n"
                             "  --all           every labelled portrait, not only the held-out ones\n"
                             "  --each          a line for every portrait\n");
        return 2;
    }
    QV_FaceSearch model;
    if (!model.Read(QV_String(data + "/Head.qvface"))) {
        std::fprintf(stderr, "evaluate: cannot read %s/Head.qvface\n", data.c_str());
        return 1;
    }
    QV_FaceDetector detector;
    if (!networks.empty() && !QV_LoadNetworkFolder(networks, detector)) {
        std::fprintf(stderr, "evaluate: cannot read the networks in %s\n", networks.c_str());
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
        if (!all && !QV_IsHeldOut(face.image)) continue;
        if (limit > 0 && portraits >= limit) break;
        QV_Image photo;
        // Image names are relative to the label file's folder unless absolute.
        const std::string path = !face.image.empty() && face.image[0] == '/' ? face.image : faces + "/" + face.image;
        if (!photo.Load(QV_String(path.c_str())) || photo.Cols() != face.width ||
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
        RegionErrors fromTeacher;
        if (Fit(model, photo, right, left, false, fit)) {
            fromTeacher = MeasureRegions(fit, teacher, size);
            fromTeacherEyes.Add(fromTeacher);
        }
        if (Fit(model, photo, right, left, true, fit)) profileOnly.Add(MeasureRegions(fit, teacher, size));
        if (each)
            std::printf("%s: iod %.1f px; fit from the teacher's eyes: %s\n", face.image.c_str(), iod,
                        Describe(fromTeacher).c_str());

        QV_Point2D a, b;
        if (networks.empty() ? FindEyes(photo, a, b) : FindEyes(detector, photo, a, b)) {
            ++eyesFound;
            // The eye in the left half of the picture is the subject's right.
            const float eyeError =
                (Distance(a.Scaled(size), right.Scaled(size)) + Distance(b.Scaled(size), left.Scaled(size))) * 0.5f / iod;
            foundEyeError += eyeError;
            biasX += ((a.x - right.x) + (b.x - left.x)) * size.x * 0.5 / iod;
            biasY += ((a.y - right.y) + (b.y - left.y)) * size.y * 0.5 / iod;
            RegionErrors fromFound;
            if (Fit(model, photo, a, b, false, fit)) {
                fromFound = MeasureRegions(fit, teacher, size);
                fromFoundEyes.Add(fromFound);
            }
            if (each)
                std::printf("%s: eyes found at (%.3f %.3f) (%.3f %.3f), teacher's (%.3f %.3f) (%.3f %.3f), "
                            "error %.1f%%; fit from them: %s\n",
                            face.image.c_str(), a.x, a.y, b.x, b.y, right.x, right.y, left.x, left.y, 100 * eyeError,
                            Describe(fromFound).c_str());
        } else if (each) {
            std::printf("%s: no eyes found\n", face.image.c_str());
        }
    }
    std::printf("%s portraits: %d\n", all ? "labelled" : "held-out", portraits);
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
