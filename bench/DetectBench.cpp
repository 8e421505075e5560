// Eye finding with the compiled-in networks: on a synthetic 512-row picture,
// and on the sample portrait with one worker thread and with two.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "QV_FindEyes.h"
#include "QV_Image.h"
#include "QV_Parallel.h"

namespace {

// A smooth picture with a bright oval and fixed-seed noise, 512 rows by 384 columns.
QV_Image Portrait()
{
    const int rows = 512, cols = 384;
    QV_Image img(rows, cols);
    uint32_t state = 777u;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            state = state * 1664525u + 1013904223u;
            const float noise = static_cast<float>(static_cast<int>(state >> 28) - 8);
            const float dx = (c - cols * 0.5f) / (cols * 0.3f), dy = (r - rows * 0.55f) / (rows * 0.3f);
            const float face = dx * dx + dy * dy < 1.0f ? 90.0f : 0.0f;
            const float shade = 60.0f + 40.0f * std::sin(c * 0.02f) * std::cos(r * 0.015f) + face + noise;
            img(r, c) = QV_Colour(QV_RoundToByte(shade * 1.1f), QV_RoundToByte(shade), QV_RoundToByte(shade * 0.9f));
        }
    return img;
}

void BM_FindEyes512(benchmark::State& state)
{
    const QV_Image img = Portrait();
    QV_Point2D e1, e2;
    FindEyes(img, e1, e2);  // networks, masks and lighting matrix set up outside the timing
    for (auto _ : state) benchmark::DoNotOptimize(FindEyes(img, e1, e2));
}
BENCHMARK(BM_FindEyes512)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The sample portrait (512 x 600), as the command line finds its eyes.
void BM_FindEyesSamplePortrait(benchmark::State& state)
{
    QV_Image img;
    if (!img.Load(QV_String(VISAGEN_SAMPLES_DIR "/grace_hopper.jpg"))) {
        state.SkipWithError("cannot read the sample portrait");
        return;
    }
    QV_SetWorkerCount(static_cast<int>(state.range(0)));
    QV_Point2D e1, e2;
    FindEyes(img, e1, e2);
    for (auto _ : state) benchmark::DoNotOptimize(FindEyes(img, e1, e2));
    QV_SetWorkerCount(0);
}
BENCHMARK(BM_FindEyesSamplePortrait)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
