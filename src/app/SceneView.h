// SceneView: the OpenGL view class of the main window. One instance shows the
// created head (camera, light, wireframe/texture switches); the other, the
// image view, shows the photograph as a textured rectangle with the
// annotation drawn over it and edited with the mouse, with undo.
#pragma once

#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_GLMatrix.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_Point.h"
#include "QV_String.h"
#include "QV_ViewCamera.h"

class QV_AvatarPlugin;
class QV_ViewHost;

// What a view needs from the workspace that owns it.
class SceneViewOwner {
public:
    virtual ~SceneViewOwner() = default;
    virtual void SetStatusText(const QV_String& text) = 0;
    // A photograph was opened into the image view (already 512 rows): the
    // face models take copies as their working images.
    virtual void PhotographOpened(const QV_Image& photo) = 0;
    // The eye line was released: fit and create from these eyes.
    virtual void CreateFromEyes(const QV_Point2D& eyeA, const QV_Point2D& eyeB) = 0;
    // The current plug-in (framing by its class), or null.
    virtual const QV_AvatarPlugin* CurrentPlugin() const = 0;
};

class SceneView {
public:
    enum Mode { kCamera = 0, kAnnotate = 1, kLight = 2, kEyeLine = 3 };
    // Mouse buttons and keys held during a pointer event.
    struct Buttons {
        bool left = false;
        bool right = false;
        bool ctrl = false;
        bool shift = false;
    };

    static constexpr int kUndoCommand = 57643;
    static constexpr float kHitRadius = 0.05f;

    SceneView();
    SceneView(const SceneView&) = delete;
    SceneView& operator=(const SceneView&) = delete;
    ~SceneView();

    // ---- wiring ----
    SceneViewOwner* owner = nullptr;  // back-reference to the workspace
    QV_ViewHost* host = nullptr;      // set by the platform's window

    // ---- displayed scene ----
    QV_Mesh mesh;
    std::vector<QV_Mesh> extraMeshes;
    bool hasMesh = false;
    bool textureUploaded = false;
    bool wireframe = false;
    bool textured = true;
    bool blend = false;
    bool isImageView = false;
    Mode mode = kCamera;

    // ---- camera and light ----
    QV_ViewCamera camera;  // cameraOffset, rotation, target, fieldOfView
    QV_Point3D lightPosition{0.0f, 0.0f, 1000.0f};
    QV_Point3D lightColour{1.0f, 1.0f, 1.0f};
    float ambientFactor = 1.0f;
    float diffuseFactor = 1.0f;
    float shininess = 0.15f;
    float specular = 0.0f;
    float clearColour[3] = {0.9f, 0.9f, 0.9f};
    int viewportWidth = 0;
    int viewportHeight = 0;
    QV_Point2D lastPointer{0.0f, 0.0f};
    QV_Point3D pointerRayOrigin{0.0f, 0.0f, 0.0f};
    QV_Point3D pointerRayDirection{0.0f, 0.0f, 0.0f};
    QV_Point3D pointerOnPlane{0.0f, 0.0f, 0.0f};

    // ---- image view: photograph and annotation ----
    QV_Image photo;
    bool hasImage = false;
    QV_AnnotationModel annotation;
    std::vector<QV_AnnotationModel> undoStack;
    QV_Point2D eyeA{0.0f, 0.0f};
    QV_Point2D eyeB{0.0f, 0.0f};
    bool annotationShown = false;
    bool linesShown = true;
    bool landmarksShown = false;
    bool pointsShown = false;
    bool manipulateAll = false;
    bool manipulateSingle = false;
    int selectedAnnotation = -1;
    int selectedPoint = -1;
    bool leftGrab = false;
    bool rightGrab = false;
    QV_Point2D pointerImage{0.0f, 0.0f};
    QV_Point2D pointerDelta{0.0f, 0.0f};

    // ---- window life (the platform calls these with the context current) ----
    // Context set-up after creation: clear colour, depth, initial camera;
    // false when no context is current.
    bool InitialiseGL(int width, int height);
    void Resize(int width, int height);
    void Paint();
    // Asks the window to draw now (no-op without a host).
    void Repaint();

    // ---- 3D view ----
    void FitCamera();
    void RefreshExtraMeshes(const QV_AvatarPlugin* plugin);
    // The head made by a plug-in: copied in, texture to be uploaded, camera
    // mode, camera fitted.
    void SetHeadMesh(const QV_Mesh& head);
    // Pick ray under a window point (pixels from the top-left corner).
    void PointerRay(float x, float y, QV_Point3D& origin, QV_Point3D& direction) const;
    QV_GLMatrix ProjectionMatrix() const;
    QV_GLMatrix ModelViewMatrix() const;

    // ---- image view ----
    bool OpenPhotograph(const QV_String& path);
    bool OpenAnnotation(const QV_String& path);
    // The annotation a model search wrote becomes the base of the undo
    // stack, so the first drag after a fit can be undone back to it.
    void AnnotationFitted();

    // ---- input ----
    void LeftButtonDown(float x, float y, const Buttons& held);
    void LeftButtonUp(float x, float y, const Buttons& held);
    void RightButtonDown(float x, float y, const Buttons& held);
    void RightButtonUp(float x, float y, const Buttons& held);
    void LeftDoubleClick(float x, float y, const Buttons& held);
    void MouseMove(float x, float y, const Buttons& held);
    // Commands this view handles (Undo in the image view); false otherwise.
    bool OnCommand(int command);
    void Undo();

private:
    void DrawMesh(const QV_Mesh& m, bool withTexture);
    void DrawAnnotation();
    void DrawEyeLine();
    void ApplyMaterial();
    bool UploadTextures();
    void DeleteTextures();
    void Status(const QV_String& text);

    // Loads the projection of the current camera and mesh (context current).
    void LoadProjection() const;
    // Pick ray, its meeting point with z = 0 and, with a photograph, the
    // pointer in normalised photograph coordinates and its last movement.
    void TrackPointer(float x, float y);
    // Nearest point (or landmark) to pointerImage into selectedAnnotation and
    // selectedPoint; true when one is within the hit radius.
    bool HitTest();
    // Zoom (both buttons), pan (right) and, when allowed, trackball rotation
    // (left) for a pointer movement of (dx, dy) pixels ending at (x, y).
    void CameraDrag(float x, float y, float dx, float dy, const Buttons& held, bool allowRotate);
    // Light movement: depth (both buttons) and sideways (right), with a mesh.
    void LightDrag(float dx, float dy, const Buttons& held);
    // Moves points, contours or the whole annotation with the grab.
    void AnnotationDrag(const Buttons& held);
    // Ends a grab; a completed grab pushes the annotation onto the undo stack.
    void EndGrab();
    // The photograph's columns and rows (the rectangle's width and height).
    QV_Point2D PhotoSize() const;
    float BoxDiagonal() const;

    std::vector<unsigned int> textureNames;
    // Whether textureNames[i] holds an uploaded texture.
    std::vector<bool> textureValid;
};
