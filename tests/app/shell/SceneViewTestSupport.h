// Helpers of the view class tests: a recording owner, photographs and
// annotations written to disk, and window positions of photograph points.
#pragma once

#include <string>
#include <vector>

#include "QV_GLMatrix.h"
#include "QV_Image.h"
#include "SceneView.h"
#include "TestSupport.h"

namespace visagen_test {

// Records what a view asks of its workspace.
class RecordingOwner : public SceneViewOwner {
public:
    std::vector<std::string> statusTexts;
    std::vector<std::pair<QV_Point2D, QV_Point2D>> eyeCalls;
    std::vector<int> openedRows;
    const QV_AvatarPlugin* plugin = nullptr;

    void SetStatusText(const QV_String& text) override { statusTexts.emplace_back(text.CStr()); }
    void PhotographOpened(const QV_Image& photo) override { openedRows.push_back(photo.Rows()); }
    void CreateFromEyes(const QV_Point2D& a, const QV_Point2D& b) override { eyeCalls.emplace_back(a, b); }
    const QV_AvatarPlugin* CurrentPlugin() const override { return plugin; }

    std::string LastStatus() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }
};

// A photograph rows x cols saved as PNG: its lower half (rows below
// rows / 2, row 0 being the bottom) in `bottom`, the rest in `top`.
inline std::string WritePhoto(const TempDir& dir, const std::string& name, int rows, int cols, QV_Colour bottom,
                              QV_Colour top)
{
    QV_Image image(rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) image(r, c) = r < rows / 2 ? bottom : top;
    const std::string path = dir.File(name);
    image.Save(QV_String(path.c_str()));
    return path;
}

inline std::string WritePhoto(const TempDir& dir, const std::string& name, int rows, int cols, QV_Colour colour)
{
    return WritePhoto(dir, name, rows, cols, colour, colour);
}

// An annotation of one open contour through the given points.
inline QV_AnnotationModel OneContour(const std::vector<QV_Point2D>& points, const std::vector<int>& landmarks = {},
                                     const char* label = "FACE")
{
    QV_AnnotationModel model;
    QV_Annotation contour;
    contour.label = label;
    for (const QV_Point2D& p : points) contour.points.Append(p);
    for (int l : landmarks) contour.landmarks.Append(l);
    model.annotations.Append(contour);
    return model;
}

// A box from lo to hi, outward quads with their normals and the whole
// texture on each side (none without a texture image), in a feature "Head".
inline QV_Mesh TexturedBox(QV_Point3D lo, QV_Point3D hi, const QV_Image* texture = nullptr)
{
    QV_Mesh m;
    for (int i = 0; i < 8; ++i)
        m.vertices.Append(QV_Point3D(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z));
    const QV_Point2D uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const QV_Point2D& t : uv) m.texCoords.Append(t);
    const int quads[6][4] = {{4, 5, 7, 6}, {1, 0, 2, 3}, {5, 1, 3, 7}, {0, 4, 6, 2}, {6, 7, 3, 2}, {0, 1, 5, 4}};
    const QV_Point3D normals[6] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    QV_Feature feature;
    feature.name = "Head";
    for (int f = 0; f < 6; ++f) {
        m.normals.Append(normals[f]);
        QV_Face face;
        for (int k = 0; k < 4; ++k) face.Add(QV_Corner{quads[f][k], f, k});
        m.faces.Append(face);
        feature.faceIndices.Append(f);
    }
    m.features.Append(feature);
    if (texture) {
        m.texture = *texture;
        m.hasTexture = true;
    }
    m.UpdateBounds();
    return m;
}

// Where a normalised photograph point appears in the view's window (pixels
// from the top-left corner).
inline QV_Point2D WindowPoint(const SceneView& view, const QV_Point2D& normalised)
{
    const QV_Point3D scene(normalised.x * float(view.photo.Cols()), normalised.y * float(view.photo.Rows()), 0.0f);
    QV_Point3D window;
    QV_GLProject(scene, view.ModelViewMatrix(), view.ProjectionMatrix(), view.viewportWidth, view.viewportHeight,
                 window);
    return QV_Point2D(window.x, float(view.viewportHeight) - window.y);
}

// Where a scene point appears in the view's window.
inline QV_Point2D WindowPoint3D(const SceneView& view, const QV_Point3D& scene)
{
    QV_Point3D window;
    QV_GLProject(scene, view.ModelViewMatrix(), view.ProjectionMatrix(), view.viewportWidth, view.viewportHeight,
                 window);
    return QV_Point2D(window.x, float(view.viewportHeight) - window.y);
}

}  // namespace visagen_test
