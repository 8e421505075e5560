// visagen-author train-face: trains the face search model ("Head.qvface")
// from labelled portraits, leaving out the held-out ones.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "QV_FaceModelTrainer.h"
#include "QV_FaceSearch.h"
#include "QV_HeldOut.h"
#include "QV_Landmarks68.h"
#include "TrainFaceExamples.h"
#include "WholeNumbers.h"

namespace {

struct TrainFaceOptions {
    std::string faces;
    std::string out;
    int limit = 0;  // 0: every training portrait
    int imageWidth = 512;
    // Jittered copies of each portrait and of its mirror. None by default: the
    // shipped model is trained on the portraits and their mirrors.
    int jitter = 0;
    std::uint32_t seed = 6;
    // The trainer's own defaults: 98 % of the texture and of the appearance
    // variance. Both are needed for the appearance stage to improve on the
    // profile stage; with either at 95 % it gains little or loses.
    QV_FaceModelTrainerOptions trainer;
};

void Usage()
{
    std::fprintf(stderr,
                 "usage: visagen-author train-face --faces DIR --out FILE [--limit N] [--jitter N] [--seed N]\n"
                 "         [--image-width PX] [--profile-levels N] [--profile-width PX]\n"
                 "         [--appearance-levels N] [--appearance-width PX] [--sample-spacing PX]\n"
                 "         [--texture-percentage P] [--appearance-percentage P]\n"
                 "  DIR holds landmarks-68.json and the images it names.\n");
}

bool ParseOptions(int argc, char** argv, TrainFaceOptions& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "train-face: %s needs a value\n", a.c_str());
            return false;
        }
        const char* v = argv[++i];
        int n = 0;
        bool ok = true;
        if (a == "--faces") o.faces = v;
        else if (a == "--out") o.out = v;
        else if (a == "--limit") ok = ParseWholeNumber(v, 1, 1000000, o.limit);
        else if (a == "--jitter") ok = ParseWholeNumber(v, 0, 20, o.jitter);
        else if (a == "--seed") ok = ParseWholeNumber(v, 0, 2147483647, n), o.seed = static_cast<std::uint32_t>(n);
        else if (a == "--image-width") ok = ParseWholeNumber(v, 16, 4096, o.imageWidth);
        else if (a == "--profile-levels") ok = ParseWholeNumber(v, 1, 8, o.trainer.profileLevels);
        else if (a == "--profile-width") ok = ParseWholeNumber(v, 16, 4096, o.trainer.profileWidth);
        else if (a == "--appearance-levels") ok = ParseWholeNumber(v, 1, 4, o.trainer.appearanceLevels);
        else if (a == "--appearance-width") ok = ParseWholeNumber(v, 16, 1024, o.trainer.appearanceWidth);
        else if (a == "--appearance-percentage" || a == "--texture-percentage") {
            char* end = nullptr;
            float f = std::strtof(v, &end);
            ok = end != v && *end == '\0' && f >= 50.0f && f <= 100.0f;
            if (a == "--texture-percentage") o.trainer.appearance.texturePercentage = f;
            else o.trainer.appearance.appearancePercentage = f;
        } else if (a == "--sample-spacing") {
            char* end = nullptr;
            float f = std::strtof(v, &end);
            ok = end != v && *end == '\0' && f >= 0.25f && f <= 16.0f;
            o.trainer.appearance.sampleSpacing = f;
        } else {
            std::fprintf(stderr, "train-face: unknown option %s\n", a.c_str());
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "train-face: bad value for %s: %s\n", a.c_str(), v);
            return false;
        }
    }
    if (o.faces.empty() || o.out.empty()) {
        std::fprintf(stderr, "train-face: --faces and --out are required\n");
        return false;
    }
    return true;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int TrainFaceCommand(int argc, char** argv)
{
    TrainFaceOptions o;
    if (!ParseOptions(argc, argv, o)) {
        Usage();
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    std::vector<QV_LabelledFace> faces;
    if (!QV_ReadLandmarks68((o.faces + "/landmarks-68.json").c_str(), faces)) return 1;

    std::vector<TrainingExample> examples;
    int portraits = 0, heldOut = 0, unreadable = 0;
    for (const QV_LabelledFace& face : faces) {
        if (QV_IsHeldOut(face.image)) {
            ++heldOut;
            continue;
        }
        if (o.limit > 0 && portraits >= o.limit) continue;
        TrainingExample e;
        if (!LoadLabelledPortrait(o.faces, face, o.imageWidth, e)) {
            ++unreadable;
            continue;
        }
        ++portraits;
        TrainingExample m = MirroredExample(e);
        // Seeds from the portrait's name, so a copy does not depend on which
        // other portraits were read before it.
        std::uint32_t base = QV_Fnv1a32(face.image) ^ o.seed;
        for (int j = 0; j < o.jitter; ++j) {
            examples.push_back(JitteredExample(e, base + 2u * static_cast<std::uint32_t>(j)));
            examples.push_back(JitteredExample(m, base + 2u * static_cast<std::uint32_t>(j) + 1u));
        }
        examples.push_back(std::move(e));
        examples.push_back(std::move(m));
    }
    std::printf("train-face: %d portraits for training (%d held out, %d unreadable), %zu examples, %.1f s\n",
                portraits, heldOut, unreadable, examples.size(), Seconds(start));
    std::fflush(stdout);
    if (examples.size() < 2) {
        std::fprintf(stderr, "train-face: fewer than two training examples\n");
        return 1;
    }

    std::vector<QV_FaceExample> views;
    for (const TrainingExample& e : examples) views.push_back({&e.image, &e.annotation});
    QV_FaceModelTrainer trainer;
    trainer.options = o.trainer;
    QV_FaceSearch model;
    // The first portrait's annotation fixes the contours, their order and
    // their landmark lists; every example has the same construction.
    if (!trainer.Train(examples.front().annotation, views, model)) return 1;
    if (!model.Write(QV_String(o.out))) return 1;
    const QV_ShapeModel2D& shape = model.fitter.profileSearch.shapeModel;
    std::printf("train-face: wrote %s (%d shape modes over %d points), %.1f s\n", o.out.c_str(),
                shape.pca ? shape.pca->NumModes() : 0, shape.NumPoints(), Seconds(start));
    return 0;
}
