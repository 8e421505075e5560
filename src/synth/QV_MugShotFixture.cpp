// Texture sampler construction by rasterising the texture triangles.
#include "QV_MugShotFixture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Rasteriser {
    const QV_Mesh& mesh;
    int height, width;
    std::vector<char> taken;
    QV_TextureSampler& out;

    void Triangle(int t0, int t1, int t2)
    {
        const int n = mesh.TexCoordCount();
        if (t0 < 0 || t1 < 0 || t2 < 0 || t0 >= n || t1 >= n || t2 >= n) return;
        const QV_Point2D a = mesh.texCoords[t0], b = mesh.texCoords[t1], c = mesh.texCoords[t2];
        const double det = (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
        if (!(std::fabs(det) > 1e-20)) return;
        const double uMin = std::min({a.x, b.x, c.x}), uMax = std::max({a.x, b.x, c.x});
        const double vMin = std::min({a.y, b.y, c.y}), vMax = std::max({a.y, b.y, c.y});
        const int c0 = std::max(0, static_cast<int>(std::floor(uMin * width - 0.5)));
        const int c1 = std::min(width - 1, static_cast<int>(std::ceil(uMax * width - 0.5)));
        const int r0 = std::max(0, static_cast<int>(std::floor(vMin * height - 0.5)));
        const int r1 = std::min(height - 1, static_cast<int>(std::ceil(vMax * height - 0.5)));
        const double eps = -1e-6;
        for (int r = r0; r <= r1; ++r) {
            const double v = (r + 0.5) / height;
            for (int col = c0; col <= c1; ++col) {
                char& done = taken[static_cast<size_t>(r) * width + col];
                if (done) continue;
                const double u = (col + 0.5) / width;
                const double w1 = ((u - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (v - a.y)) / det;
                const double w2 = ((double(b.x) - a.x) * (v - a.y) - (u - a.x) * (double(b.y) - a.y)) / det;
                const double w0 = 1.0 - w1 - w2;
                if (w0 < eps || w1 < eps || w2 < eps) continue;
                done = 1;
                QV_MappingEntry e;
                e.w[0] = static_cast<float>(w0);
                e.w[1] = static_cast<float>(w1);
                e.w[2] = static_cast<float>(w2);
                e.i[0] = t0;
                e.i[1] = t1;
                e.i[2] = t2;
                out.entries.items.push_back(e);
                QV_Texel t;
                t.row = r;
                t.col = col;
                out.texels.items.push_back(t);
            }
        }
    }
};

}  // namespace

bool QV_BuildTextureSampler(const QV_Mesh& mesh, int height, int width, int mode, QV_TextureSampler& out)
{
    if (height < 1 || width < 1 || height > QV_TextureSampler::kMaxSide || width > QV_TextureSampler::kMaxSide)
        return false;
    if (mode < QV_TextureSampler::kGrey || mode > QV_TextureSampler::kRGBA) return false;
    QV_TextureSampler s;
    s.version = 2;
    s.mode = mode;
    s.height = height;
    s.width = width;
    Rasteriser r{mesh, height, width, std::vector<char>(static_cast<size_t>(height) * width, 0), s};
    for (int f = 0; f < mesh.FaceCount(); ++f) {
        const QV_Face& face = mesh.faces[f];
        if (face.count < 3 || face.count > QV_Face::kMaxCorners) continue;
        for (int k = 1; k + 1 < face.count; ++k)
            r.Triangle(face.corners[0].texCoord, face.corners[k].texCoord, face.corners[k + 1].texCoord);
    }
    out = std::move(s);
    return true;
}
