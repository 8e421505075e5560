// The shipped face model on the sample portrait, as the command line fits it
// from the eyes the detector finds there: placing the model (which builds the
// search pyramids), and placing it then searching.
#include <benchmark/benchmark.h>

#include <memory>

#include "QV_FaceSearch.h"
#include "QV_Image.h"

namespace {

struct Shipped {
    QV_FaceSearch search;
    QV_Image photo;
    bool ok = false;
};

Shipped& Load()
{
    static std::unique_ptr<Shipped> shipped;
    if (shipped) return *shipped;
    shipped = std::make_unique<Shipped>();
    const bool read = shipped->photo.Load(QV_String(VISAGEN_SAMPLES_DIR "/grace_hopper.jpg"));
    shipped->photo.ResizeToHeight(512, true);
    shipped->ok = read && shipped->search.Read(QV_String(VISAGEN_DATA_DIR "/Head.qvface"));
    shipped->search.refine = 1;
    return *shipped;
}

// Where the detector puts the eyes (normalised, y from the bottom).
const QV_Point2D kEyeA(0.4325f, 0.6758f), kEyeB(0.6041f, 0.6816f);

void BM_FitSamplePortrait(benchmark::State& state)
{
    Shipped& s = Load();
    if (!s.ok) {
        state.SkipWithError("cannot read the sample portrait or data/Head.qvface");
        return;
    }
    const bool search = state.range(0) != 0;
    QV_AnnotationModel fit;
    for (auto _ : state) {
        s.search.InitialiseFromEyes(s.photo, fit, kEyeA, kEyeB);
        if (search) s.search.Search(s.photo, fit, nullptr);
        benchmark::DoNotOptimize(fit.Count());
    }
}
BENCHMARK(BM_FitSamplePortrait)->ArgName("search")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
