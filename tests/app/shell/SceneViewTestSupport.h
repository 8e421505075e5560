// Helpers of the view class tests: a recording owner, photographs and
// annotations written to disk, and window positions of photograph points.
#pragma once

#include <string>
#include <vector>

#include "QV_GLMatrix.h"
#include "QV_Image.h"
#include "RenderTestMeshes.h"
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

// The renderer tests' box in a feature "Head", with the whole texture on
// each side when a texture image is given.
inline QV_Mesh TexturedBox(QV_Point3D lo, QV_Point3D hi, const QV_Image* texture = nullptr)
{
    QV_Mesh m = render_test::Box(lo, hi);
    m.features[0].name = "Head";
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
