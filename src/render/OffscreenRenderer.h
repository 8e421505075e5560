// OffscreenRenderer: draws meshes into an off-screen OpenGL frame buffer
// (OSMesa, so no display is needed) with a camera fitted to a mesh, one
// directional light and a material, and reads the pixels back as a QV_Image.
#pragma once

#include <vector>

#include "QV_GLMatrix.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_Point.h"

class OffscreenRenderer {
public:
    // ---- settings: set before Create / Fit / Render ----
    float background[3] = {0.3f, 0.3f, 0.3f};
    float fieldOfView = 1.0f;  // degrees, vertical
    float aspectMultiplier = 1.0f;
    QV_Point3D lightPosition{0.0f, 0.0f, 7000.0f};  // directional, in eye space
    float diffuseFactor = 1.0f;
    float specular = 0.0f;
    float shininessFactor = 0.0f;  // shininess = factor x 128
    float materialColour[3] = {0.8f, 0.8f, 0.8f};
    float materialScale = 1.0f;
    QV_Point3D offset{0.0f, 0.0f, 0.0f};
    float rotation[3] = {0.0f, 0.0f, 0.0f};  // degrees about x, then y, then z
    bool textures = true;
    bool wireframe = false;
    bool flatShading = false;
    bool searchPixelFormat = false;  // try the deepest depth buffer first
    bool texturesUploaded = false;

    OffscreenRenderer() = default;
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;
    ~OffscreenRenderer();

    // Makes a width x height frame buffer and its context, current from now
    // on; clear colour = the given background with alpha 0, depth test,
    // viewport, a projection with near 0.5 and far 3000, and the light.
    // False with a message when already created, for a size outside
    // 1..kMaxSide, or when no context can be made.
    bool Create(int width, int height, const float backgroundColour[3]);
    bool IsCreated() const { return context != nullptr; }
    int Width() const { return width; }
    int Height() const { return height; }

    // Frames the mesh's bounding box (over the visible features' faces) at
    // the given scale: the offset moves the box centre onto the line of sight
    // and back until the frame's height (or its width over the aspect, when
    // that is larger) fills the field of view; the rotation is zeroed and the
    // projection's near and far planes bracket the box.
    void Fit(const QV_Mesh& mesh, float scale);

    // Clears and draws the meshes in order: back faces culled; a mesh with a
    // texture, when textures are on, textured with blending (and a white
    // wireframe overlay when that switch is on); otherwise lit with each
    // feature's material colour. Textures are uploaded on the first render
    // after Create or InvalidateTextures. False when not created.
    bool Render(const std::vector<const QV_Mesh*>& meshes);
    // The next Render uploads the textures again (after the meshes changed).
    void InvalidateTextures();

    // The frame buffer as a width x height image, row 0 at the bottom.
    bool ReadPixels(QV_Image& image) const;

    // Window position (pixels from the bottom-left, depth 0..1) of a point
    // under the current transform.
    QV_Point3D Project(const QV_Point3D& point) const;

    // The transforms Render uses.
    QV_GLMatrix ModelView() const;
    const QV_GLMatrix& Projection() const { return projection; }

    // Restores the context that was current before Create and releases the
    // buffer; the renderer may be created again afterwards.
    void Destroy();

    static constexpr int kMaxSide = 8192;

private:
    bool MakeCurrent() const;
    void SetLights() const;
    void SetProjection(float nearZ, float farZ);
    bool UploadTextures(const std::vector<const QV_Mesh*>& meshes);

    void* context = nullptr;  // OSMesaContext
    std::vector<unsigned char> buffer;
    int width = 0;
    int height = 0;
    void* previousContext = nullptr;
    void* previousBuffer = nullptr;
    int previousWidth = 0;
    int previousHeight = 0;
    unsigned int previousType = 0;
    QV_GLMatrix projection;
    QV_Point3D pivot{0.0f, 0.0f, 0.0f};  // the fitted box centre; rotations turn about it
    std::vector<unsigned int> textureNames;  // per mesh index, 0 for none
};
