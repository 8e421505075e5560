// The template head's surface, its UV layout and the mesh built from them.
#include "QV_TemplateHead.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace QV_TemplateHead {

namespace {

constexpr double kPi = std::numbers::pi;
// Part of the vertical parameter taken by the cranium (a half ellipsoid from
// the top pole down to eye level); the rest runs linearly down to the neck cut.
constexpr double kCraniumShare = 0.396;
constexpr double kHalfWidth = 0.75, kHalfDepth = 0.95;

// Half width, front depth and back depth of the horizontal section below eye
// level, by height (linear between the rows).
struct SectionRow {
    double y, width, front, back;
};
constexpr SectionRow kSections[] = {
    {0.0, 0.75, 0.95, 0.95},   {-0.5, 0.72, 0.92, 0.85},  {-0.9, 0.58, 0.85, 0.70},
    {-1.15, 0.45, 0.80, 0.55}, {-1.3, 0.42, 0.45, 0.50},  {-1.5, 0.42, 0.40, 0.48},
    {-2.0, 0.44, 0.42, 0.50},
};

SectionRow Section(double y)
{
    const int n = static_cast<int>(std::size(kSections));
    if (y >= kSections[0].y) return kSections[0];
    for (int i = 1; i < n; ++i) {
        if (y >= kSections[i].y) {
            const SectionRow& a = kSections[i - 1];
            const SectionRow& b = kSections[i];
            const double t = (a.y - y) / (a.y - b.y);
            return {y, a.width + t * (b.width - a.width), a.front + t * (b.front - a.front),
                    a.back + t * (b.back - a.back)};
        }
    }
    return kSections[n - 1];
}

double Bump(double x, double y, double cx, double cy, double sx, double sy)
{
    const double dx = (x - cx) / sx, dy = (y - cy) / sy;
    return std::exp(-0.5 * (dx * dx + dy * dy));
}

// Facial relief added to z on the front: nose, eye sockets, brows, lips,
// mouth line and chin.
double Relief(double x, double y)
{
    double d = 0.0;
    // Nose: a ridge rising from the bridge to the tip, then falling off.
    const double tipY = -0.45;
    const double ridge = y >= tipY ? std::clamp(0.05 + 0.22 * (-y / -tipY), 0.0, 0.27) : 0.27;
    const double below = y >= tipY ? 1.0 : std::exp(-0.5 * ((y - tipY) / 0.07) * ((y - tipY) / 0.07));
    const double above = y <= 0.05 ? 1.0 : std::exp(-0.5 * ((y - 0.05) / 0.08) * ((y - 0.05) / 0.08));
    const double sx = 0.07 + 0.05 * std::clamp(-y / -tipY, 0.0, 1.0);
    d += ridge * below * above * std::exp(-0.5 * (x / sx) * (x / sx));
    for (double side : {-1.0, 1.0}) {
        d -= 0.06 * Bump(x, y, side * kEyeX, 0.0, 0.12, 0.08);
        d += 0.04 * Bump(std::fabs(x), y, 0.3, 0.2, 0.15, 0.05) * (side > 0 ? 0.5 : 0.5);
    }
    d += 0.04 * Bump(x, y, 0.0, -0.78, 0.2, 0.08);
    d -= 0.02 * Bump(x, y, 0.0, -0.78, 0.18, 0.015);
    d += 0.03 * Bump(x, y, 0.0, -1.05, 0.1, 0.1);
    return d;
}

// Appends a vertex and returns its index.
int AddVertex(QV_Mesh& mesh, const QV_Point3D& p)
{
    mesh.vertices.Append(p);
    return mesh.VertexCount() - 1;
}

int AddTexCoord(QV_Mesh& mesh, const QV_Point2D& t)
{
    mesh.texCoords.Append(t);
    return mesh.TexCoordCount() - 1;
}

QV_Face MakeFace(std::initializer_list<std::pair<int, int>> corners)
{
    QV_Face f;
    for (const auto& [v, t] : corners) {
        QV_Corner c;
        c.vertex = v;
        c.texCoord = t;
        f.Add(c);
    }
    return f;
}

// A closed sphere-like part: poles at parameter 0 and pi, `rings` - 1 rings of
// `columns` vertices. position(alpha, beta) gives the point, uv(point) its
// texture coordinate. Faces are appended to `faces`.
template <class Position, class UV>
void AddClosedPart(QV_Mesh& mesh, int rings, int columns, Position position, UV uv, std::vector<int>& faces)
{
    const int first = mesh.VertexCount();
    for (int k = 1; k < rings; ++k)
        for (int j = 0; j < columns; ++j) AddVertex(mesh, position(kPi * k / rings, 2.0 * kPi * j / columns));
    const int top = AddVertex(mesh, position(0.0, 0.0));
    const int bottom = AddVertex(mesh, position(kPi, 0.0));
    // Planar texture coordinates: one per vertex.
    const int firstTex = mesh.TexCoordCount();
    for (int v = first; v <= bottom; ++v) AddTexCoord(mesh, uv(mesh.vertices[v]));
    auto V = [&](int k, int j) { return first + (k - 1) * columns + (j % columns); };
    auto T = [&](int vertex) { return firstTex + (vertex - first); };
    auto add = [&](const QV_Face& f) {
        mesh.faces.Append(f);
        faces.push_back(mesh.FaceCount() - 1);
    };
    for (int j = 0; j < columns; ++j) add(MakeFace({{top, T(top)}, {V(1, j), T(V(1, j))}, {V(1, j + 1), T(V(1, j + 1))}}));
    for (int k = 1; k + 1 < rings; ++k)
        for (int j = 0; j < columns; ++j)
            add(MakeFace({{V(k, j), T(V(k, j))},
                          {V(k + 1, j), T(V(k + 1, j))},
                          {V(k + 1, j + 1), T(V(k + 1, j + 1))},
                          {V(k, j + 1), T(V(k, j + 1))}}));
    for (int j = 0; j < columns; ++j)
        add(MakeFace({{V(rings - 1, j), T(V(rings - 1, j))},
                      {bottom, T(bottom)},
                      {V(rings - 1, j + 1), T(V(rings - 1, j + 1))}}));
}

void AddFeature(QV_Mesh& mesh, const char* name, const std::vector<int>& faces)
{
    QV_Feature f;
    f.id = mesh.FeatureCount();
    f.name = name;
    for (int i : faces) f.faceIndices.Append(i);
    mesh.features.Append(f);
}

}  // namespace

double HeightAt(double s)
{
    if (s <= kCraniumShare) return kTop * std::cos(0.5 * kPi * s / kCraniumShare);
    return kBottom * (s - kCraniumShare) / (1.0 - kCraniumShare);
}

double ParameterAtHeight(double y)
{
    if (y >= 0.0) return kCraniumShare * std::acos(std::clamp(y / kTop, -1.0, 1.0)) / (0.5 * kPi);
    return kCraniumShare + (1.0 - kCraniumShare) * std::clamp(y / kBottom, 0.0, 1.0);
}

QV_Point3D Surface(double s, double phi)
{
    const double y = HeightAt(s);
    double width, front, back;
    if (s <= kCraniumShare) {
        const double r = std::sin(0.5 * kPi * s / kCraniumShare);
        width = kHalfWidth * r;
        front = back = kHalfDepth * r;
    } else {
        const SectionRow row = Section(y);
        width = row.width;
        front = row.front;
        back = row.back;
    }
    const double c = std::cos(phi);
    const double x = width * std::sin(phi);
    double z = (c >= 0.0 ? front : back) * c;
    if (c > 0.0) z += c * c * Relief(x, y);
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

namespace {
// Piecewise-linear texture layout: the face band (|phi| up to kFaceAngle, and
// s between kFaceTop and kFaceBottom) is compressed so that the photograph's
// texels stay few, and placed so that the plug-in's blend sample point falls
// on the right cheek.
constexpr double kFaceAngle = 65.0 * kPi / 180.0;
constexpr double kFaceU0 = 0.301, kFaceU1 = 0.521;
constexpr double kFaceTop = 0.25, kFaceBottom = 0.758;
constexpr double kFaceG0 = 0.337, kFaceG1 = 0.667;

double Piecewise(double x, const double (&xs)[4], const double (&ys)[4])
{
    if (x <= xs[0]) return ys[0];
    for (int i = 1; i < 4; ++i)
        if (x <= xs[i]) return ys[i - 1] + (ys[i] - ys[i - 1]) * (x - xs[i - 1]) / (xs[i] - xs[i - 1]);
    return ys[3];
}
constexpr double kPhiKnots[4] = {-kPi, -kFaceAngle, kFaceAngle, kPi};
constexpr double kUKnots[4] = {0.0, kFaceU0, kFaceU1, 1.0};
constexpr double kSKnots[4] = {0.0, kFaceTop, kFaceBottom, 1.0};
constexpr double kGKnots[4] = {0.0, kFaceG0, kFaceG1, 1.0};
}  // namespace

double UOfAngle(double phi) { return Piecewise(phi, kPhiKnots, kUKnots); }
double AngleOfU(double u) { return Piecewise(u, kUKnots, kPhiKnots); }
double VOfParameter(double s) { return kPartsBand + (1.0 - kPartsBand) * (1.0 - Piecewise(s, kSKnots, kGKnots)); }
double ParameterOfV(double v) { return Piecewise(1.0 - (v - kPartsBand) / (1.0 - kPartsBand), kGKnots, kSKnots); }

QV_Point2D SurfaceUV(double s, double phi)
{
    return {static_cast<float>(UOfAngle(phi)), static_cast<float>(VOfParameter(s))};
}

QV_Point3D EyeCentre(int side)
{
    const double x = side == 0 ? -kEyeX : kEyeX;
    const double phi = std::asin(x / kHalfWidth);
    const QV_Point3D skin = Surface(ParameterAtHeight(0.0), phi);
    return {static_cast<float>(x), 0.0f, skin.z - kEyeRadius + 0.03f};
}

QV_Point3D EarCentre(int side) { return {side == 0 ? -0.76f : 0.76f, -0.1f, -0.1f}; }
QV_Point3D EarRadii() { return {0.08f, 0.28f, 0.17f}; }

QV_Point2D FrontFrame(float x, float y)
{
    return {(0.5f * kFrontWidth + kPixelsPerUnit * x) / kFrontWidth, (kEyeLevelRow + kPixelsPerUnit * y) / kFrameHeight};
}

QV_Point2D FrontFrameInverse(const QV_Point2D& n)
{
    return {(n.x * kFrontWidth - 0.5f * kFrontWidth) / kPixelsPerUnit, (n.y * kFrameHeight - kEyeLevelRow) / kPixelsPerUnit};
}

QV_Point2D ProfileFrame(float z, float y)
{
    return {(0.5f * kProfileWidth + kPixelsPerUnit * (z - kProfileCentreZ)) / kProfileWidth,
            (kEyeLevelRow + kPixelsPerUnit * y) / kFrameHeight};
}

void BuildMesh(QV_Mesh& mesh, int textureSize)
{
    mesh.Clear();
    // Head grid: ring-major, then the two poles.
    for (int k = 1; k < kRings; ++k)
        for (int j = 0; j < kColumns; ++j)
            AddVertex(mesh, Surface(double(k) / kRings, -kPi + 2.0 * kPi * j / kColumns));
    const int topPole = AddVertex(mesh, Surface(0.0, 0.0));
    const int bottomPole = AddVertex(mesh, {0.0f, kBottom, 0.0f});
    auto V = [](int k, int j) { return (k - 1) * kColumns + (j % kColumns); };
    // Texture coordinates: (kColumns + 1) per ring so that the seam at the
    // back has both u = 0 and u = 1; one per pole triangle.
    std::vector<int> gridTex(static_cast<size_t>(kRings + 1) * (kColumns + 1), -1);
    auto T = [&](int k, int j) -> int {
        int& t = gridTex[static_cast<size_t>(k) * (kColumns + 1) + j];
        if (t < 0) t = AddTexCoord(mesh, SurfaceUV(double(k) / kRings, -kPi + 2.0 * kPi * j / kColumns));
        return t;
    };
    // Face region: the quads whose corners all lie on the front inside the
    // face outline.
    const std::vector<QV_Point2D> outline = FaceOutlineInHeadUnits();
    std::vector<int> faceFaces, headFaces;
    auto add = [&](const QV_Face& f) {
        mesh.faces.Append(f);
        const int index = mesh.FaceCount() - 1;
        bool inFace = true;
        for (int c = 0; c < f.count; ++c) {
            const QV_Point3D& p = mesh.vertices[f.corners[c].vertex];
            const QV_Point2D& uv = mesh.texCoords[f.corners[c].texCoord];
            if (std::fabs(AngleOfU(uv.x)) >= 0.5 * kPi || !InsidePolygon(outline, {p.x, p.y})) inFace = false;
        }
        (inFace ? faceFaces : headFaces).push_back(index);
    };
    for (int j = 0; j < kColumns; ++j) {
        const int t = AddTexCoord(mesh, SurfaceUV(0.0, -kPi + 2.0 * kPi * (j + 0.5) / kColumns));
        add(MakeFace({{topPole, t}, {V(1, j), T(1, j)}, {V(1, j + 1), T(1, j + 1)}}));
    }
    for (int k = 1; k + 1 < kRings; ++k)
        for (int j = 0; j < kColumns; ++j)
            add(MakeFace({{V(k, j), T(k, j)}, {V(k + 1, j), T(k + 1, j)}, {V(k + 1, j + 1), T(k + 1, j + 1)},
                          {V(k, j + 1), T(k, j + 1)}}));
    for (int j = 0; j < kColumns; ++j) {
        const int t = AddTexCoord(mesh, SurfaceUV(1.0, -kPi + 2.0 * kPi * (j + 0.5) / kColumns));
        add(MakeFace({{V(kRings - 1, j), T(kRings - 1, j)}, {bottomPole, t}, {V(kRings - 1, j + 1), T(kRings - 1, j + 1)}}));
    }
    AddFeature(mesh, "Face", faceFaces);
    AddFeature(mesh, "Head", headFaces);

    // Eyeballs: poles along z (the front pole is the pupil); planar frontal
    // texture coordinates in a square of the parts band.
    const char* eyeNames[2] = {"RightEye", "LeftEye"};
    for (int side = 0; side < 2; ++side) {
        const QV_Point3D c = EyeCentre(side);
        const float u0 = side == 0 ? 0.06f : 0.16f, v0 = 0.05f, half = 0.04f;
        std::vector<int> faces;
        AddClosedPart(
            mesh, kEyeRings, kEyeColumns,
            [&](double a, double b) {
                return QV_Point3D(static_cast<float>(c.x + kEyeRadius * std::sin(a) * std::cos(b)),
                                  static_cast<float>(c.y + kEyeRadius * std::sin(a) * std::sin(b)),
                                  static_cast<float>(c.z + kEyeRadius * std::cos(a)));
            },
            [&](const QV_Point3D& p) {
                return QV_Point2D(u0 + half * (p.x - c.x) / kEyeRadius, v0 + half * (p.y - c.y) / kEyeRadius);
            },
            faces);
        AddFeature(mesh, eyeNames[side], faces);
    }
    // Ears: flattened ellipsoids against the sides of the head, poles along y;
    // planar side-view texture coordinates.
    const char* earNames[2] = {"RightEar", "LeftEar"};
    const QV_Point3D r = EarRadii();
    for (int side = 0; side < 2; ++side) {
        const QV_Point3D c = EarCentre(side);
        const float u0 = side == 0 ? 0.35f : 0.6f, v0 = 0.05f, halfU = 0.04f * r.z / r.y, halfV = 0.04f;
        std::vector<int> faces;
        AddClosedPart(
            mesh, kEarRings, kEarColumns,
            [&](double a, double b) {
                return QV_Point3D(static_cast<float>(c.x + r.x * std::sin(a) * std::sin(b)),
                                  static_cast<float>(c.y + r.y * std::cos(a)),
                                  static_cast<float>(c.z + r.z * std::sin(a) * std::cos(b)));
            },
            [&](const QV_Point3D& p) {
                return QV_Point2D(u0 + halfU * (p.z - c.z) / r.z, v0 + halfV * (p.y - c.y) / r.y);
            },
            faces);
        AddFeature(mesh, earNames[side], faces);
    }
    StockTexture(textureSize, mesh.texture);
    mesh.hasTexture = true;
    mesh.ComputeFaceNormals(true);
    mesh.ComputeVertexNormals();
    mesh.UpdateBounds();
}

}  // namespace QV_TemplateHead
