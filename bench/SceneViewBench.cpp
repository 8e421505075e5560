// One paint of the 3D view with a textured head-sized mesh (a sphere of about
// 5,000 vertices and 10,000 triangles with a 512 x 512 texture) into a
// 640 x 480 software OpenGL context, after the texture has been uploaded.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cmath>
#include <vector>

#include "SceneView.h"

namespace {

// A sphere of (rings + 1) x (segments + 1) vertices with smooth normals and
// texture coordinates, in triangles, textured with a checked pattern.
QV_Mesh TexturedSphere(int rings, int segments, float radius)
{
    QV_Mesh m;
    for (int j = 0; j <= rings; ++j)
        for (int i = 0; i <= segments; ++i) {
            const float u = float(i) / segments, v = float(j) / rings;
            const float theta = 6.2831853f * u, phi = 3.14159265f * v;
            const QV_Point3D n(std::sin(phi) * std::cos(theta), -std::cos(phi), std::sin(phi) * std::sin(theta));
            m.vertices.Append(n * radius);
            m.normals.Append(n);
            m.texCoords.Append(QV_Point2D(u, v));
        }
    QV_Feature feature;
    feature.name = "Head";
    for (int j = 0; j < rings; ++j)
        for (int i = 0; i < segments; ++i) {
            const int a = j * (segments + 1) + i, b = a + 1, c = a + segments + 2, d = a + segments + 1;
            QV_Face t1, t2;
            for (int k : {a, b, c}) t1.Add(QV_Corner{k, k, k});
            for (int k : {a, c, d}) t2.Add(QV_Corner{k, k, k});
            m.faces.Append(t1);
            feature.faceIndices.Append(m.FaceCount() - 1);
            m.faces.Append(t2);
            feature.faceIndices.Append(m.FaceCount() - 1);
        }
    m.features.Append(feature);
    QV_Image texture(512, 512);
    for (int r = 0; r < 512; ++r)
        for (int c = 0; c < 512; ++c)
            texture(r, c) = ((r / 32 + c / 32) % 2) ? QV_Colour(220, 170, 140) : QV_Colour(120, 80, 60);
    m.texture = texture;
    m.hasTexture = true;
    return m;
}

void BM_HeadViewPaint(benchmark::State& state)
{
    constexpr int kWidth = 640, kHeight = 480;
    std::vector<unsigned char> buffer(size_t(kWidth) * kHeight * 4);
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 16, 8, 0, nullptr);
    if (!context || !OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, kWidth, kHeight)) {
        state.SkipWithError("no software OpenGL context");
        if (context) OSMesaDestroyContext(context);
        return;
    }
    {
        SceneView view;
        if (!view.InitialiseGL(kWidth, kHeight)) {
            state.SkipWithError("view initialisation failed");
        } else {
            view.SetHeadMesh(TexturedSphere(70, 70, 100.0f));  // 71 x 71 = 5,041 vertices
            view.Paint();                                       // the one texture upload
            for (auto _ : state) {
                view.Paint();
                benchmark::DoNotOptimize(buffer[(kHeight / 2 * kWidth + kWidth / 2) * 4]);
            }
            state.counters["vertices"] = view.mesh.VertexCount();
        }
    }
    OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    OSMesaDestroyContext(context);
}
BENCHMARK(BM_HeadViewPaint)->Unit(benchmark::kMillisecond);

}  // namespace
