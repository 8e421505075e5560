// Codec timings: decoding a large photograph-sized JPEG (alone and followed by
// the resize that opening an image performs) and the image record of a
// 512 x 512 texture.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "QV_Image.h"

namespace {

// A smooth, photograph-like picture with fine noise from a fixed-seed
// generator, so every run codes the same data.
QV_Image PhotoLike(int rows, int cols)
{
    QV_Image img(rows, cols);
    uint32_t state = 12345u;
    for (int r = 0; r < rows; ++r) {
        QV_Colour* row = img.Row(r);
        for (int c = 0; c < cols; ++c) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 28) - 8;
            const float u = static_cast<float>(c) / static_cast<float>(cols);
            const float v = static_cast<float>(r) / static_cast<float>(rows);
            const float shade = 0.5f + 0.35f * std::sin(9.0f * u + 4.0f * v) * std::cos(6.0f * v);
            row[c] = QV_Colour(QV_RoundToByte(255.0f * shade * (0.6f + 0.4f * u) + static_cast<float>(noise)),
                               QV_RoundToByte(200.0f * shade + 30.0f * v + static_cast<float>(noise)),
                               QV_RoundToByte(180.0f * (1.0f - shade) * v + 40.0f + static_cast<float>(noise)), 255);
        }
    }
    return img;
}

// The 3000-column x 4000-row photograph, written once as a quality 90 JPEG
// into a temporary folder that goes with the process.
class PhotoFile {
public:
    PhotoFile()
    {
        dir = std::filesystem::temp_directory_path() / ("visagen-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        path = (dir / "photo.jpg").string();
        QV_Image img = PhotoLike(4000, 3000);
        img.SetJPEGQuality(90);
        ok = img.SaveJPEG(path);
    }
    ~PhotoFile()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;
    std::string path;
    bool ok = false;
};

const PhotoFile& Photo()
{
    static const PhotoFile file;
    return file;
}

void BM_JpegDecode(benchmark::State& state)
{
    const PhotoFile& photo = Photo();
    if (!photo.ok) {
        state.SkipWithError("could not write the JPEG");
        return;
    }
    for (auto _ : state) {
        QV_Image img;
        if (!img.LoadJPEG(photo.path.c_str())) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(img.Data());
    }
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

void BM_JpegDecodeAndResizeTo512(benchmark::State& state)
{
    const PhotoFile& photo = Photo();
    if (!photo.ok) {
        state.SkipWithError("could not write the JPEG");
        return;
    }
    for (auto _ : state) {
        QV_Image img;
        if (!img.LoadJPEG(photo.path.c_str())) state.SkipWithError("decode failed");
        img.ResizeToHeight(512, true);
        benchmark::DoNotOptimize(img.Data());
    }
}
BENCHMARK(BM_JpegDecodeAndResizeTo512)->Unit(benchmark::kMillisecond);

void BM_ImageRecordWrite512(benchmark::State& state)
{
    const QV_Image img = PhotoLike(512, 512);
    QV_File f(std::tmpfile());
    if (!f) {
        state.SkipWithError("no temporary file");
        return;
    }
    for (auto _ : state) {
        std::rewind(f.get());
        if (!img.Write(f.get())) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_ImageRecordWrite512)->Unit(benchmark::kMillisecond);

void BM_ImageRecordRead512(benchmark::State& state)
{
    const QV_Image img = PhotoLike(512, 512);
    QV_File f(std::tmpfile());
    if (!f || !img.Write(f.get())) {
        state.SkipWithError("could not write the record");
        return;
    }
    for (auto _ : state) {
        std::rewind(f.get());
        QV_Image back;
        if (!back.Read(f.get())) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(back.Data());
    }
}
BENCHMARK(BM_ImageRecordRead512)->Unit(benchmark::kMillisecond);

}  // namespace
