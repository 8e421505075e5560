// Eye finding on a 512-row photograph-sized picture with the compiled-in
// networks (full-size networks; every stage-1 window is evaluated since the
// placeholder networks accept none).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "QV_FindEyes.h"
#include "QV_Image.h"

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

}  // namespace
