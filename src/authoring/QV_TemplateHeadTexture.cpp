// The template head's stock texture and blend mask, both painted in texture
// space from the head surface that each texel belongs to.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "QV_TemplateHead.h"

namespace QV_TemplateHead {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kPartDiscRadius = 0.04;
const QV_Point2D kEyeDiscs[2] = {{0.06f, 0.05f}, {0.16f, 0.05f}};
// Width, in head units, of the band inside the face outline over which the
// photograph fades into the stock texture.
constexpr double kFeather = 0.12;

// Height above which the stock head is hair: the hairline runs at the top of
// the forehead in front, above the ears at the sides and low at the back.
double Hairline(double phi)
{
    const double c = std::cos(phi);
    return c >= 0.0 ? 0.15 + 0.45 * c : 0.15 + 0.75 * c;
}

// Where a texel lies: in the band of parts (eyes, ears) or on the head.
struct TexelPlace {
    bool head = false;
    double s = 0.0, phi = 0.0;
    QV_Point3D p;
};

TexelPlace Place(double u, double v)
{
    TexelPlace t;
    if (v < kPartsBand) return t;
    t.head = true;
    t.s = std::clamp(ParameterOfV(v), 0.0, 1.0);
    t.phi = AngleOfU(u);
    t.p = Surface(t.s, t.phi);
    return t;
}

// The eyeball's texture disc; `radius` is a fraction of the full disc.
int EyeDisc(double u, double v, double radius = 1.0)
{
    for (int e = 0; e < 2; ++e)
        if (std::hypot(u - kEyeDiscs[e].x, v - kEyeDiscs[e].y) <= radius * kPartDiscRadius) return e;
    return -1;
}

unsigned char Byte(double x) { return static_cast<unsigned char>(std::clamp(std::lround(x), 0L, 255L)); }

QV_Colour Mix(const QV_Colour& a, const QV_Colour& b, double t)
{
    return {Byte(a.red + (b.red - a.red) * t), Byte(a.green + (b.green - a.green) * t),
            Byte(a.blue + (b.blue - a.blue) * t), 255};
}

// Weight of the photograph (0..1) at a head point: 1 well inside the face
// outline, fading to 0 at the outline; 0 behind the head.
double FaceWeight(const TexelPlace& t, const std::vector<QV_Point2D>& outline)
{
    if (!t.head || std::cos(t.phi) <= 0.0) return 0.0;
    const QV_Point2D q(t.p.x, t.p.y);
    if (!InsidePolygon(outline, q)) return 0.0;
    const double w = std::clamp(DistanceToPolygon(outline, q) / kFeather, 0.0, 1.0);
    return w * w * (3.0 - 2.0 * w);
}

}  // namespace

void StockTexture(int size, QV_Image& out)
{
    out.Resize(size, size);
    const QV_Colour skin(222, 176, 148), shade(196, 146, 120), hair(58, 40, 30), white(236, 232, 226),
        iris(92, 64, 44), pupil(16, 12, 10);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) {
            const double u = (c + 0.5) / size, v = (r + 0.5) / size;
            QV_Colour col = skin;
            const TexelPlace t = Place(u, v);
            if (!t.head) {
                const int e = EyeDisc(u, v);
                if (e >= 0) {
                    const double d = std::hypot(u - kEyeDiscs[e].x, v - kEyeDiscs[e].y) / kPartDiscRadius;
                    col = d < 0.12 ? pupil : d < 0.3 ? iris : white;
                }
            } else {
                // Slightly darker skin towards the back and under the jaw.
                const double back = 0.5 * (1.0 - std::cos(t.phi));
                const double under = std::clamp((-1.1 - t.p.y) / 0.4, 0.0, 1.0) * 0.5;
                col = Mix(skin, shade, std::min(1.0, 0.35 * back + under));
                const double above = t.p.y - Hairline(t.phi);
                if (above > -0.03) col = Mix(col, hair, std::clamp((above + 0.03) / 0.06, 0.0, 1.0));
            }
            out(r, c) = col;
        }
}

void BlendMask(int size, QV_Image& out)
{
    out.Resize(size, size);
    const std::vector<QV_Point2D> outline = FaceOutlineInHeadUnits();
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) {
            const double u = (c + 0.5) / size, v = (r + 0.5) / size;
            const TexelPlace t = Place(u, v);
            QV_Colour m(0, 0, 0);
            if (!t.head) {
                // Eyes take the photograph inside the eyeball's polygonal
                // rim only, so that every green texel has a sample.
                if (EyeDisc(u, v, 0.85) >= 0) m = QV_Colour(0, 255, 0);
                // Ear squares: stock skin, tinted.
                else if (std::fabs(v - 0.05) <= kPartDiscRadius &&
                         (std::fabs(u - 0.35) <= kPartDiscRadius || std::fabs(u - 0.6) <= kPartDiscRadius))
                    m = QV_Colour(0, 0, 255);
            } else {
                const double w = FaceWeight(t, outline);
                if (w > 0.0)
                    m = QV_Colour(0, Byte(255.0 * w), Byte(255.0 * (1.0 - w)));
                else if (t.p.y < Hairline(t.phi))
                    m = QV_Colour(0, 0, 255);
            }
            out(r, c) = m;
        }
}

void RenderProfile(const QV_Mesh& mesh, int width, int height, QV_Image& out)
{
    out.Resize(height, width);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) out(r, c) = QV_Colour(200, 200, 200);
    std::vector<float> depth(static_cast<size_t>(width) * height, 1e30f);
    const double lx = -0.8, ly = 0.35, lz = 0.5, ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    const QV_Image& tex = mesh.texture;
    const bool textured = tex.Rows() > 0 && tex.Cols() > 0;
    for (int f = 0; f < mesh.FaceCount(); ++f) {
        const QV_Face& face = mesh.faces[f];
        for (int k = 1; k + 1 < face.count; ++k) {
            const QV_Corner* cs[3] = {&face.corners[0], &face.corners[k], &face.corners[k + 1]};
            double px[3], py[3], depthAt[3], u[3], v[3], shadeAt[3];
            bool ok = true;
            for (int i = 0; i < 3; ++i) {
                if (cs[i]->vertex < 0 || cs[i]->vertex >= mesh.VertexCount()) ok = false;
                if (!ok) break;
                const QV_Point3D& p = mesh.vertices[cs[i]->vertex];
                const QV_Point2D n = ProfileFrame(p.z, p.y);
                px[i] = n.x * width;
                py[i] = n.y * height;
                depthAt[i] = p.x;
                const bool hasTex = cs[i]->texCoord >= 0 && cs[i]->texCoord < mesh.TexCoordCount();
                u[i] = hasTex ? mesh.texCoords[cs[i]->texCoord].x : 0.5;
                v[i] = hasTex ? mesh.texCoords[cs[i]->texCoord].y : 0.5;
                double nx = 0, ny = 0, nz = 1;
                if (cs[i]->normal >= 0 && cs[i]->normal < mesh.NormalCount()) {
                    const QV_Point3D& nn = mesh.normals[cs[i]->normal];
                    nx = nn.x, ny = nn.y, nz = nn.z;
                }
                const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
                shadeAt[i] = 0.35 + 0.65 * std::max(0.0, nl > 0 ? (nx * lx + ny * ly + nz * lz) / (nl * ll) : 0.0);
            }
            if (!ok) continue;
            const double det = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
            if (std::fabs(det) < 1e-12) continue;
            const int c0 = std::max(0, static_cast<int>(std::floor(std::min({px[0], px[1], px[2]}))));
            const int c1 = std::min(width - 1, static_cast<int>(std::ceil(std::max({px[0], px[1], px[2]}))));
            const int r0 = std::max(0, static_cast<int>(std::floor(std::min({py[0], py[1], py[2]}))));
            const int r1 = std::min(height - 1, static_cast<int>(std::ceil(std::max({py[0], py[1], py[2]}))));
            for (int r = r0; r <= r1; ++r)
                for (int c = c0; c <= c1; ++c) {
                    const double x = c + 0.5, y = r + 0.5;
                    const double w1 = ((x - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (y - py[0])) / det;
                    const double w2 = ((px[1] - px[0]) * (y - py[0]) - (x - px[0]) * (py[1] - py[0])) / det;
                    const double w0 = 1.0 - w1 - w2;
                    if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                    const float d = static_cast<float>(w0 * depthAt[0] + w1 * depthAt[1] + w2 * depthAt[2]);
                    float& best = depth[static_cast<size_t>(r) * width + c];
                    if (d >= best) continue;
                    best = d;
                    QV_Colour base(222, 176, 148);
                    if (textured) {
                        const double tu = w0 * u[0] + w1 * u[1] + w2 * u[2];
                        const double tv = w0 * v[0] + w1 * v[1] + w2 * v[2];
                        const int tc = std::clamp(static_cast<int>(tu * tex.Cols()), 0, tex.Cols() - 1);
                        const int tr = std::clamp(static_cast<int>(tv * tex.Rows()), 0, tex.Rows() - 1);
                        base = tex(tex.RowLow() + tr, tex.ColLow() + tc);
                    }
                    const double s = w0 * shadeAt[0] + w1 * shadeAt[1] + w2 * shadeAt[2];
                    out(r, c) = QV_Colour(Byte(base.red * s), Byte(base.green * s), Byte(base.blue * s));
                }
        }
    }
}

}  // namespace QV_TemplateHead
