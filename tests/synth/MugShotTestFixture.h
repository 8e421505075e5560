// A small synthetic mugshot for tests: a grid template head whose vertices are
// tied one-to-one to an annotation drawn from the template through a known
// similarity, samplers rasterised from its texture coordinates, a stock
// texture, a mask and a gradient photograph. Header-only so that tests of
// other subsystems can include it.
#pragma once

#include <cmath>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_MugShot.h"
#include "QV_MugShot2D3D.h"
#include "QV_MugShotFixture.h"
#include "QV_Similarity.h"

namespace mugshot_fixture {

constexpr int kGridRows = 12;
constexpr int kGridCols = 10;
constexpr int kGridVertices = kGridRows * kGridCols;
constexpr int kBackVertices = 4;  // unmapped vertices behind the grid
constexpr int kTexSize = 32;
constexpr int kTexSizeHigh = 64;

// Template frame: x in -90..90, y in -200..100, the eye anchor at (0, 0) and
// the mouth anchor at (0, -150).
inline QV_Point3D GridVertex(int r, int c)
{
    const float x = -90.0f + 180.0f * c / (kGridCols - 1);
    const float y = -200.0f + 300.0f * r / (kGridRows - 1);
    return {x, y, 20.0f * std::cos(x / 60.0f) + 10.0f * std::cos(y / 80.0f)};
}

// Template frame to photograph pixels for a 100 x 100 photograph.
inline QV_Similarity TemplateToPhoto(float scaleFactor = 1.0f)
{
    QV_Similarity s;
    const float a = 5.0f * 3.14159265f / 180.0f;
    s.scale = 0.25f * scaleFactor;
    s.R[0][0] = std::cos(a);
    s.R[0][1] = -std::sin(a);
    s.R[1][0] = std::sin(a);
    s.R[1][1] = std::cos(a);
    s.tx = 50.0f * scaleFactor;
    s.ty = 62.0f * scaleFactor;
    return s;
}

inline QV_Annotation Contour(const char* label, const std::vector<QV_Point2D>& templatePts, const QV_Similarity& s,
                             float photoSize)
{
    QV_Annotation a;
    a.label = QV_String(label);
    for (const QV_Point2D& p : templatePts) a.points.Append(s.Apply(p) / photoSize);
    return a;
}

inline std::vector<QV_Point2D> Ellipse(QV_Point2D c, float rx, float ry, int n, float startDeg)
{
    std::vector<QV_Point2D> pts;
    for (int k = 0; k < n; ++k) {
        const float t = (startDeg + 360.0f * k / n) * 3.14159265f / 180.0f;
        pts.push_back({c.x + rx * std::cos(t), c.y + ry * std::sin(t)});
    }
    return pts;
}

// The fitted annotation of a front photograph of photoSize x photoSize pixels
// (normalised coordinates): "GRID" first (its points are the images of the
// grid vertices, so mapping entry k names point k), then the facial contours.
inline QV_AnnotationModel FrontAnnotation(float photoSize = 100.0f)
{
    const QV_Similarity s = TemplateToPhoto(photoSize / 100.0f);
    QV_AnnotationModel m;
    std::vector<QV_Point2D> grid;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c) grid.push_back({GridVertex(r, c).x, GridVertex(r, c).y});
    m.annotations.Append(Contour("GRID", grid, s, photoSize));
    m.annotations.Append(Contour("FACE", Ellipse({0, -50}, 85, 140, 20, 90), s, photoSize));
    // Point 3 of the mouth is its lowest point, on the mouth anchor.
    std::vector<QV_Point2D> mouth = Ellipse({0, -140}, 30, 10, 8, 135);
    mouth[3] = {0, -150};
    m.annotations.Append(Contour("OUTER MOUTH", mouth, s, photoSize));
    m.annotations.Append(Contour("RIGHT EYE", Ellipse({-40, 0}, 15, 6, 8, 0), s, photoSize));
    m.annotations.Append(Contour("LEFT EYE", Ellipse({40, 0}, 15, 6, 8, 180), s, photoSize));
    m.annotations.Append(Contour("NECK", Ellipse({0, -190}, 40, 10, 6, 0), s, photoSize));
    m.annotations.Append(Contour("HEAD", Ellipse({0, -40}, 95, 150, 10, 0), s, photoSize));
    return m;
}

// A smooth gradient, so that bilinear reads are exact: (2x, 2y, 50) on 100 x 100.
inline QV_Image Photo(int size = 100)
{
    QV_Image im(size, size);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            im.Row(r)[c] = QV_Colour(static_cast<unsigned char>(c * 200 / size),
                                     static_cast<unsigned char>(r * 200 / size), 50, 255);
    return im;
}

inline QV_Image Solid(int size, QV_Colour c)
{
    QV_Image im(size, size);
    for (int r = 0; r < size; ++r)
        for (int k = 0; k < size; ++k) im.Row(r)[k] = c;
    return im;
}

// The template mesh: grid vertices with one texture coordinate each (and one
// more texture coordinate that no face uses), quads split into triangles,
// four unmapped back vertices, a uniform stock texture.
inline QV_Mesh TemplateMesh()
{
    QV_Mesh mesh;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c) {
            mesh.vertices.Append(GridVertex(r, c));
            mesh.texCoords.Append(QV_Point2D(static_cast<float>(c) / (kGridCols - 1),
                                             static_cast<float>(r) / (kGridRows - 1)));
        }
    mesh.texCoords.Append(QV_Point2D(0.5f, 0.5f));  // used by no face
    for (int k = 0; k < kBackVertices; ++k) mesh.vertices.Append(QV_Point3D(-50.0f + 30.0f * k, -50.0f, -60.0f));
    auto corner = [](int v) {
        QV_Corner c;
        c.vertex = v;
        c.texCoord = v;
        return c;
    };
    for (int r = 0; r + 1 < kGridRows; ++r)
        for (int c = 0; c + 1 < kGridCols; ++c) {
            const int v00 = r * kGridCols + c, v01 = v00 + 1, v10 = v00 + kGridCols, v11 = v10 + 1;
            QV_Face a, b;
            a.Add(corner(v00));
            a.Add(corner(v01));
            a.Add(corner(v11));
            b.Add(corner(v00));
            b.Add(corner(v11));
            b.Add(corner(v10));
            mesh.faces.Append(a);
            mesh.faces.Append(b);
        }
    // The back vertices form one untextured face.
    QV_Face back(kGridVertices, kGridVertices + 1, kGridVertices + 2, kGridVertices + 3);
    mesh.faces.Append(back);
    mesh.texture = Solid(kTexSize, QV_Colour(100, 80, 60));
    mesh.hasTexture = true;
    mesh.EnsureFeature();
    mesh.UpdateBounds();
    return mesh;
}

// The mugshot: identity mappings for the grid on both sides, samplers of
// kTexSize and kTexSizeHigh in RGB mode, a pure green mask.
inline QV_MugShot2D3D MugShot()
{
    QV_MugShot2D3D mug;
    mug.templateMesh = TemplateMesh();
    for (int k = 0; k < kGridVertices; ++k) {
        QV_MappingEntry e;
        e.w[0] = 1.0f;
        e.i[0] = e.i[1] = e.i[2] = k;
        mug.frontMapping.entries.push_back(e);
        mug.profileMapping.entries.push_back(e);
    }
    QV_BuildTextureSampler(mug.templateMesh, kTexSize, kTexSize, QV_TextureSampler::kRGB, mug.sampler);
    QV_BuildTextureSampler(mug.templateMesh, kTexSizeHigh, kTexSizeHigh, QV_TextureSampler::kRGB, mug.samplerHigh);
    mug.mask = Solid(kTexSize, QV_Colour(0, 255, 0));
    mug.DeriveAssociations();
    return mug;
}

// The older mugshot on the same template, mappings, samplers and mask (no
// point-group tables: normalisation reports them missing and goes on).
inline QV_MugShot OlderMugShot(const QV_MugShot2D3D& m = MugShot())
{
    QV_MugShot old;
    old.templateMesh = m.templateMesh;
    old.frontMapping = m.frontMapping;
    old.profileMapping = m.profileMapping;
    old.sampler = m.sampler;
    old.samplerHigh = m.samplerHigh;
    old.mask = m.mask;
    old.DeriveAssociations();
    return old;
}

}  // namespace mugshot_fixture
