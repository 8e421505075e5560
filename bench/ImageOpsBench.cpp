// Timing of the pixel operations on photo-sized images.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "QV_Image.h"

namespace {

// Smooth gradients plus noise, like a photograph, with a fixed seed.
QV_Image PhotoLike(int rows, int cols)
{
    QV_Image img(rows, cols);
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int r = 0; r < rows; ++r) {
        QV_Colour* p = img.Row(r);
        for (int c = 0; c < cols; ++c) {
            const int base = (r * 200) / rows + (c * 40) / cols;
            p[c] = QV_Colour(static_cast<unsigned char>(std::clamp(base + noise(rng), 0, 255)),
                             static_cast<unsigned char>(std::clamp((c * 255) / cols + noise(rng), 0, 255)),
                             static_cast<unsigned char>(std::clamp(255 - base / 2 + noise(rng), 0, 255)), 255);
        }
    }
    return img;
}

void BM_ResizeToHeight512Antialias(benchmark::State& state)
{
    const QV_Image photo = PhotoLike(4000, 3000);
    for (auto _ : state) {
        state.PauseTiming();
        QV_Image img = photo;
        state.ResumeTiming();
        img.ResizeToHeight(512, true);
        benchmark::DoNotOptimize(img.Data());
    }
}
BENCHMARK(BM_ResizeToHeight512Antialias)->Unit(benchmark::kMillisecond);

void BM_GaussianBlurSigma1Radius3(benchmark::State& state)
{
    const QV_Image src = PhotoLike(1024, 1024);
    for (auto _ : state) {
        state.PauseTiming();
        QV_Image img = src;
        state.ResumeTiming();
        img.GaussianBlur(1.0f, 3);
        benchmark::DoNotOptimize(img.Data());
    }
}
BENCHMARK(BM_GaussianBlurSigma1Radius3)->Unit(benchmark::kMillisecond);

void BM_ContrastStretch1Percent(benchmark::State& state)
{
    const QV_Image src = PhotoLike(1024, 1024);
    for (auto _ : state) {
        state.PauseTiming();
        QV_Image img = src;
        state.ResumeTiming();
        img.ContrastStretch(1.0f);
        benchmark::DoNotOptimize(img.Data());
    }
}
BENCHMARK(BM_ContrastStretch1Percent)->Unit(benchmark::kMillisecond);

}  // namespace
