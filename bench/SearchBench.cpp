// Timing of one whole face search (profile and appearance stages plus the
// refine pass) on a 640 x 480 photograph with a face model of realistic size,
// trained once from synthetic faces.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "../tests/facemodel/FaceSearchTestFaces.h"
#include "QV_FaceModelTrainer.h"
#include "QV_FaceSearch.h"

namespace {

constexpr int kCols = 640;
constexpr int kRows = 480;

visagen_test::FaceLayout Layout()
{
    visagen_test::FaceLayout layout;  // 42 + 2 x 16 + 12 + 4 x 16 = 150 points
    layout.facePoints = 42;
    layout.eyePoints = 16;
    layout.mouthPoints = 12;
    layout.extraRings = 4;
    layout.ringPoints = 16;
    return layout;
}

struct Setup {
    QV_FaceSearch search;
    QV_Image photo;
    QV_Point2D rightEye, leftEye;
    bool ok = false;
};

Setup& Model()
{
    static std::unique_ptr<Setup> setup;
    if (setup) return *setup;
    setup = std::make_unique<Setup>();
    const QV_Point2D size(kCols, kRows);
    std::mt19937 rng(11);
    std::vector<QV_Image> images;
    std::vector<QV_AnnotationModel> annotations;
    const int examples = 40;
    for (int i = 0; i < examples; ++i) {
        visagen_test::FacePose pose = visagen_test::RandomPose(rng, 320.0f, 240.0f, 150.0f);
        images.push_back(visagen_test::FaceImage(pose, Layout(), kCols, kRows, 500 + i));
        annotations.push_back(visagen_test::FaceAnnotation(pose, Layout(), size));
    }
    std::vector<QV_FaceExample> list;
    for (int i = 0; i < examples; ++i) list.push_back({&images[i], &annotations[i]});
    QV_FaceModelTrainer trainer;
    // Texture sample spacing that gives about 2,000 samples per level.
    trainer.options.appearance.sampleSpacing = 0.5f;
    trainer.options.appearance.texturePercentage = 99.5f;
    trainer.options.appearance.appearancePercentage = 99.5f;
    setup->ok = trainer.Train(annotations[0], list, setup->search);
    visagen_test::FacePose pose = visagen_test::RandomPose(rng, 320.0f, 240.0f, 150.0f);
    setup->photo = visagen_test::FaceImage(pose, Layout(), kCols, kRows, 9);
    visagen_test::EyeCentres(pose, size, setup->rightEye, setup->leftEye);
    setup->rightEye = setup->rightEye + QV_Point2D(8.0f / kCols, -6.0f / kRows);
    if (setup->ok) {
        const QV_AppearanceSearch& a = setup->search.fitter.appearanceSearch;
        std::fprintf(stderr, "face model: %d points, %d profile levels, appearance levels:",
                     setup->search.fitter.profileSearch.shapeModel.NumPoints(),
                     setup->search.fitter.profileSearch.levels);
        for (const QV_AppearanceModel& m : a.models)
            std::fprintf(stderr, " %d samples / %d modes;", m.SampleCount(), m.AppearanceModes());
        std::fprintf(stderr, "\n");
    }
    return *setup;
}

void BM_FaceSearchWithRefine(benchmark::State& state)
{
    Setup& s = Model();
    if (!s.ok) {
        state.SkipWithError("face model training failed");
        return;
    }
    s.search.refine = 1;
    QV_AnnotationModel fit;
    for (auto _ : state) {
        state.PauseTiming();
        s.search.InitialiseFromEyes(s.photo, fit, s.rightEye, s.leftEye);
        state.ResumeTiming();
        s.search.Search(s.photo, fit, nullptr);
        benchmark::DoNotOptimize(fit.Count());
    }
}
BENCHMARK(BM_FaceSearchWithRefine)->Unit(benchmark::kMillisecond);

void BM_FaceInitialiseFromEyes(benchmark::State& state)
{
    Setup& s = Model();
    if (!s.ok) {
        state.SkipWithError("face model training failed");
        return;
    }
    QV_AnnotationModel fit;
    for (auto _ : state) {
        s.search.InitialiseFromEyes(s.photo, fit, s.rightEye, s.leftEye);
        benchmark::DoNotOptimize(fit.Count());
    }
}
BENCHMARK(BM_FaceInitialiseFromEyes)->Unit(benchmark::kMillisecond);

}  // namespace
