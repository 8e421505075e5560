// Mesh timings on a head-sized grid (about 40,000 vertices and quads): OBJ
// writing and reading, vertex normals, triangulation with compaction, the
// binary record and an STL round trip (with the weld); and a long list
// filled one element at a time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>

#include "QV_MIO_OBJ.h"
#include "QV_MIO_STL.h"
#include "QV_Mesh.h"

namespace {

QV_Mesh Grid(int n)
{
    QV_Mesh m;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const float u = static_cast<float>(i) / n, v = static_cast<float>(j) / n;
            m.vertices.Append(QV_Point3D(std::cos(6.2831853f * u), v * 2.0f, std::sin(6.2831853f * u)));
            m.texCoords.Append(QV_Point2D(u, v));
        }
    QV_Feature feature;
    feature.name = "Grid";
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            QV_Face f(a, a + 1, a + n + 2, a + n + 1);
            for (int c = 0; c < 4; ++c) f.corners[c].texCoord = f.corners[c].vertex;
            m.faces.Append(f);
            feature.faceIndices.Append(m.FaceCount() - 1);
        }
    m.features.Append(feature);
    m.ComputeVertexNormals();
    return m;
}

std::string TempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::to_string(getpid()) + "_" + name)).string();
}

void BM_ObjWriteText(benchmark::State& state)
{
    const QV_Mesh m = Grid(200);
    for (auto _ : state) {
        std::ostringstream out;
        QV_MIO_OBJ::WriteText(m, out);
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_ObjWriteText)->Unit(benchmark::kMillisecond);

void BM_ObjRead(benchmark::State& state)
{
    const std::string path = TempPath("bench.obj");
    // A small texture beside the file, found on the first try when reading.
    QV_Mesh m = Grid(200);
    m.texture.Resize(8, 8);
    m.hasTexture = true;
    if (!m.Save(QV_String(path))) {
        state.SkipWithError("cannot write the OBJ");
        return;
    }
    for (auto _ : state) {
        QV_Mesh read;
        benchmark::DoNotOptimize(read.Load(QV_String(path)));
    }
    std::filesystem::remove(path);
    std::filesystem::remove(TempPath("bench.jpg"));
}
BENCHMARK(BM_ObjRead)->Unit(benchmark::kMillisecond);

void BM_ComputeVertexNormals(benchmark::State& state)
{
    QV_Mesh m = Grid(200);
    for (auto _ : state) {
        m.ComputeVertexNormals();
        benchmark::DoNotOptimize(m.NormalCount());
    }
}
BENCHMARK(BM_ComputeVertexNormals)->Unit(benchmark::kMillisecond);

void BM_TriangulateCompact(benchmark::State& state)
{
    const QV_Mesh m = Grid(200);
    for (auto _ : state) {
        QV_Mesh copy = m;
        copy.Triangulate();
        copy.Compact();
        benchmark::DoNotOptimize(copy.FaceCount());
    }
}
BENCHMARK(BM_TriangulateCompact)->Unit(benchmark::kMillisecond);

void BM_BinaryRecordRoundTrip(benchmark::State& state)
{
    const QV_Mesh m = Grid(200);
    const std::string path = TempPath("bench.amx");
    for (auto _ : state) {
        {
            QV_File f = QV_OpenFile(path.c_str(), "wb");
            m.Write(f.get());
        }
        QV_File f = QV_OpenFile(path.c_str(), "rb");
        QV_Mesh back;
        benchmark::DoNotOptimize(back.Read(f.get()));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_BinaryRecordRoundTrip)->Unit(benchmark::kMillisecond);

// Binary STL out and back: every triangle read as three new vertices, then
// welded back to the grid's.
void BM_StlBinaryRoundTrip(benchmark::State& state)
{
    const QV_Mesh m = Grid(200);
    const std::string path = TempPath("bench.stl");
    for (auto _ : state) {
        QV_MIO_STL out{QV_String(path.c_str())};
        out.SetBinary(true);
        out.Save(m);
        QV_Mesh back;
        benchmark::DoNotOptimize(back.Load(QV_String(path.c_str())));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_StlBinaryRoundTrip)->Unit(benchmark::kMillisecond);

// Three million points appended to a list of 1024-element blocks, as a
// reader fills a large mesh.
void BM_ListAppendThreeMillion(benchmark::State& state)
{
    for (auto _ : state) {
        QV_List<QV_Point3D> list(1024);
        for (int i = 0; i < 3000000; ++i) list.Append(QV_Point3D(static_cast<float>(i), 0.0f, 0.0f));
        benchmark::DoNotOptimize(list.Size());
    }
}
BENCHMARK(BM_ListAppendThreeMillion)->Unit(benchmark::kMillisecond);

}  // namespace
