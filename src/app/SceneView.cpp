// The view class: OpenGL set-up, painting, camera and light handling of the
// 3D view, and the photograph, annotation editing and undo of the image view.
#include "SceneView.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <utility>

#include "QV_AvatarPlugin.h"
#include "QV_GLMeshDraw.h"
#include "QV_OlderMugShotPlugins.h"
#include "QV_Platform.h"
#include "QV_WorkingPhotograph.h"
#include "SceneViewPluginClass.h"
#include "SceneViewTrackball.h"

namespace {

constexpr float kWireframeWidth = 0.25f;
constexpr float kAnnotationLineWidth = 2.0f;

// Whether an OpenGL context is current on this thread: without one every
// gl* call would go nowhere (or, for GLU's texture building, worse).
bool ContextCurrent() { return glGetString(GL_VERSION) != nullptr; }

float Length(const QV_Point3D& p) { return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z); }

void Vertex(const QV_Point2D& p, const QV_Point2D& size) { glVertex3f(p.x * size.x, p.y * size.y, 0.0f); }

}  // namespace

SceneView::SceneView() = default;

// The texture names belong to the view's context, which the window releases
// with itself; nothing of OpenGL is touched here, as no context need be
// current when the view goes.
SceneView::~SceneView() = default;

// ---------------------------------------------------------------- window life

bool SceneView::InitialiseGL(int width, int height)
{
    if (!ContextCurrent()) return false;
    viewportWidth = width;
    viewportHeight = height;
    lastPointer = QV_Point2D(float(width) / 2.0f, float(height) / 2.0f);
    camera.fieldOfView = 1.0f;
    // A new context holds none of the textures of an earlier one.
    textureNames.clear();
    textureValid.clear();
    textureUploaded = false;
    glClearColor(clearColour[0], clearColour[1], clearColour[2], 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    camera.cameraOffset = QV_Point3D(0.0f, 0.0f, -300.0f);
    camera.target = QV_Point3D(0.0f, 0.0f, 0.0f);
    camera.rotation = QV_GLMatrix();
    Resize(width, height);
    return true;
}

void SceneView::Resize(int width, int height)
{
    viewportWidth = width;
    viewportHeight = height;
    if (width <= 0 || height <= 0 || !ContextCurrent()) return;
    // The window chooses the buffer drawn into (and swaps it after Paint).
    glViewport(0, 0, width, height);
    LoadProjection();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
}

QV_GLMatrix SceneView::ProjectionMatrix() const
{
    return camera.Projection(hasMesh ? &mesh : nullptr, viewportWidth, viewportHeight);
}

QV_GLMatrix SceneView::ModelViewMatrix() const { return camera.ModelView(); }

void SceneView::LoadProjection() const
{
    const QV_GLMatrix projection = ProjectionMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SceneView::Repaint()
{
    if (host) host->Repaint();
}

void SceneView::Status(const QV_String& text)
{
    if (owner) owner->SetStatusText(text);
}

// ---------------------------------------------------------------- painting

void SceneView::Paint()
{
    if (!ContextCurrent()) return;
    // The camera changes with the pointer while no context is current, so
    // the projection is loaded afresh for every paint.
    LoadProjection();
    glClearColor(clearColour[0], clearColour[1], clearColour[2], 0.0f);

    // Light 0, directional, fixed to the eye (the model-view is the identity
    // here).
    const float position[3] = {lightPosition.x, lightPosition.y, lightPosition.z};
    const float ambient[3] = {lightColour.x * ambientFactor, lightColour.y * ambientFactor,
                              lightColour.z * ambientFactor};
    const float diffuse[3] = {lightColour.x * diffuseFactor, lightColour.y * diffuseFactor,
                              lightColour.z * diffuseFactor};
    const float specularColour[3] = {specular, specular, specular};
    QV_GLSetLight0(position, ambient, diffuse, specularColour);
    glLightf(GL_LIGHT0, GL_CONSTANT_ATTENUATION, 0.15f);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 90.0f);
    const GLfloat spotDirection[3] = {0.0f, 0.0f, -1.0f};
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, spotDirection);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Lines and points drawn at the depth of the surfaces stay visible when
    // the filled polygons are pushed back a little.
    const bool offset = wireframe || annotationShown || mode == kEyeLine;
    if (offset) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(5.0f, 5.0f);
    }
    if (annotationShown && mode == kAnnotate) DrawAnnotation();
    if (mode == kEyeLine) DrawEyeLine();

    if (!textureUploaded) textureUploaded = UploadTextures();

    glPushMatrix();
    const QV_GLMatrix modelView = ModelViewMatrix();
    glMultMatrixf(modelView.m);
    if (hasMesh) {
        ApplyMaterial();
        if (blend) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        } else {
            glDisable(GL_BLEND);
        }
        const auto named = [this](size_t i) { return textureUploaded && i < textureValid.size() && textureValid[i]; };
        if (named(0)) glBindTexture(GL_TEXTURE_2D, textureNames[0]);
        DrawMesh(mesh, named(0));
        for (size_t i = 0; i < extraMeshes.size(); ++i) {
            // An extra mesh attached after the last upload has no name of its
            // own yet and is drawn untextured.
            if (named(i + 1)) glBindTexture(GL_TEXTURE_2D, textureNames[i + 1]);
            DrawMesh(extraMeshes[i], named(i + 1));
        }
    }
    glPopMatrix();
    if (offset) glDisable(GL_POLYGON_OFFSET_FILL);
    glFlush();
    glFinish();
    // The window swaps the buffers after Paint returns.
}

void SceneView::ApplyMaterial()
{
    const float ambient[3] = {lightColour.x * ambientFactor, lightColour.y * ambientFactor,
                              lightColour.z * ambientFactor};
    const float diffuse[3] = {lightColour.x * diffuseFactor, lightColour.y * diffuseFactor,
                              lightColour.z * diffuseFactor};
    const float specularColour[3] = {specular, specular, specular};
    QV_GLSetMaterial(ambient, diffuse, specularColour, shininess);
}

void SceneView::DrawMesh(const QV_Mesh& m, bool withTexture)
{
    if (wireframe) {
        glColor3f(1.0f, 1.0f, 1.0f);
        QV_GLDrawMeshWireframe(m, kWireframeWidth);
    }
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    if (textured && withTexture) {
        glEnable(GL_TEXTURE_2D);
        QV_GLDrawMeshFaces(m, true);
    } else {
        glDisable(GL_TEXTURE_2D);
        QV_GLDrawMeshFaces(m, false);
    }
}

void SceneView::DeleteTextures()
{
    if (!textureNames.empty())
        glDeleteTextures(static_cast<GLsizei>(textureNames.size()), textureNames.data());
    textureNames.clear();
    textureValid.clear();
}

bool SceneView::UploadTextures()
{
    // The names of the last upload go first, so that re-uploading after every
    // mesh change does not leave textures behind in the context.
    DeleteTextures();
    if (!mesh.hasTexture) return false;
    textureNames.assign(1 + extraMeshes.size(), 0u);
    textureValid.assign(textureNames.size(), false);
    glGenTextures(static_cast<GLsizei>(textureNames.size()), textureNames.data());
    // The image view's rectangle shows the photograph itself, so a change of
    // the photograph (contrast) shows after the next upload.
    const QV_Image& mainTexture = hasImage ? photo : mesh.texture;
    textureValid[0] = QV_GLUploadTexture(mainTexture, textureNames[0], true);
    for (size_t i = 0; i < extraMeshes.size(); ++i)
        if (extraMeshes[i].hasTexture)
            textureValid[i + 1] = QV_GLUploadTexture(extraMeshes[i].texture, textureNames[i + 1], true);
    glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

void SceneView::DrawAnnotation()
{
    if (!hasImage) return;
    const QV_Point2D size = PhotoSize();
    glPushMatrix();
    const QV_GLMatrix modelView = ModelViewMatrix();
    glMultMatrixf(modelView.m);
    ApplyMaterial();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    for (int a = 0; a < annotation.Count(); ++a) {
        const QV_Annotation& contour = annotation[a];
        const int n = contour.NumPoints();
        if (landmarksShown) {
            glPointSize(5.0f);
            glColor3f(0.3f, 1.0f, 0.3f);
            glBegin(GL_POINTS);
            for (unsigned k = 0; k < contour.landmarks.Size(); ++k) {
                const int index = contour.landmarks[static_cast<int>(k)];
                if (index >= 0 && index < n) Vertex(contour.points[index], size);
            }
            glEnd();
        }
        if (pointsShown) {
            glPointSize(3.0f);
            glColor3f(0.9f, 0.1f, 0.3f);
            glBegin(GL_POINTS);
            for (int k = 0; k < n; ++k) Vertex(contour.points[k], size);
            glEnd();
        }
        if (linesShown) {
            // Every contour in the same blue, whatever its stored colour.
            glLineWidth(kAnnotationLineWidth);
            glColor3f(0.0f, 0.0f, 1.0f);
            glBegin(contour.open ? GL_LINE_STRIP : GL_LINE_LOOP);
            for (int k = 0; k < n; ++k) Vertex(contour.points[k], size);
            glEnd();
        }
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

void SceneView::DrawEyeLine()
{
    if (!hasMesh || !leftGrab) return;
    const QV_Point2D size = PhotoSize();
    glPushMatrix();
    const QV_GLMatrix modelView = ModelViewMatrix();
    glMultMatrixf(modelView.m);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glLineWidth(kAnnotationLineWidth);
    glPointSize(3.0f);
    glColor3f(0.9f, 0.9f, 0.1f);
    glBegin(GL_POINTS);
    Vertex(eyeB, size);
    Vertex(pointerImage, size);
    glEnd();
    glColor3f(0.9f, 0.1f, 0.1f);
    glBegin(GL_LINES);
    Vertex(eyeB, size);
    Vertex(pointerImage, size);
    glEnd();
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

// ---------------------------------------------------------------- 3D view

void SceneView::FitCamera()
{
    if (!hasMesh) return;
    const std::string pluginClass =
        isImageView || !owner ? std::string() : QV_PluginClassName(owner->CurrentPlugin());
    camera.Fit(mesh, pluginClass.c_str(), isImageView);
    // The projection follows the camera at the next paint.
    Repaint();
}

void SceneView::RefreshExtraMeshes(const QV_AvatarPlugin* plugin)
{
    extraMeshes.clear();
    textureUploaded = false;
    if (!plugin) return;
    blend = false;
    if (plugin->TypeCode() == 1) {
        // The torso and legs of the body the plug-in has chosen.
        if (const auto* body = dynamic_cast<const QV_BodyAvatarPlugin*>(plugin)) {
            extraMeshes.push_back(body->ShownBody(0));
            extraMeshes.push_back(body->ShownBody(1));
        }
    }
    if (plugin->TypeCode() == 3 || plugin->TypeCode() == 8) blend = true;
}

void SceneView::SetHeadMesh(const QV_Mesh& head)
{
    mesh = head;
    mesh.UpdateBounds();
    hasMesh = true;
    textureUploaded = false;
    mode = kCamera;
    FitCamera();
}

void SceneView::PointerRay(float x, float y, QV_Point3D& origin, QV_Point3D& direction) const
{
    const QV_GLMatrix modelView = ModelViewMatrix();
    const QV_GLMatrix projection = ProjectionMatrix();
    GLdouble mv[16], pr[16];
    for (int i = 0; i < 16; ++i) {
        mv[i] = modelView.m[i];
        pr[i] = projection.m[i];
    }
    const GLint viewport[4] = {0, 0, viewportWidth, viewportHeight};
    const double wy = double(viewportHeight) - double(y);
    GLdouble x0 = 0, y0 = 0, z0 = 0, x1 = 0, y1 = 0, z1 = 0;
    if (viewportWidth <= 0 || viewportHeight <= 0 ||
        gluUnProject(x, wy, 0.0, mv, pr, viewport, &x0, &y0, &z0) != GL_TRUE ||
        gluUnProject(x, wy, 1.0, mv, pr, viewport, &x1, &y1, &z1) != GL_TRUE) {
        origin = QV_Point3D(0.0f, 0.0f, 0.0f);
        direction = QV_Point3D(0.0f, 0.0f, 0.0f);
        return;
    }
    origin = QV_Point3D(float(x0), float(y0), float(z0));
    direction = QV_Point3D(float(x1 - x0), float(y1 - y0), float(z1 - z0));
}

// ---------------------------------------------------------------- image view

QV_Point2D SceneView::PhotoSize() const { return QV_Point2D(float(photo.Cols()), float(photo.Rows())); }

float SceneView::BoxDiagonal() const { return Length(mesh.size); }

bool SceneView::OpenPhotograph(const QV_String& path)
{
    QV_Image loaded;
    // Displayed and searched at 512 rows, the aspect kept.
    const bool ok = QV_LoadWorkingPhotograph(path, loaded);
    hasMesh = ok;
    if (ok) {
        photo = std::move(loaded);
        if (owner) owner->PhotographOpened(photo);
    } else {
        photo = QV_Image();
    }

    // The rectangle: scene units are photograph pixels, so a normalised
    // point (x, y) lies at (x W, y H, 0).
    const float w = float(photo.Cols()), h = float(photo.Rows());
    mesh.Clear();
    mesh.vertices.Append(QV_Point3D(0.0f, 0.0f, 0.0f));
    mesh.vertices.Append(QV_Point3D(0.0f, h, 0.0f));
    mesh.vertices.Append(QV_Point3D(w, h, 0.0f));
    mesh.vertices.Append(QV_Point3D(w, 0.0f, 0.0f));
    mesh.texCoords.Append(QV_Point2D(0.0f, 0.0f));
    mesh.texCoords.Append(QV_Point2D(0.0f, 1.0f));
    mesh.texCoords.Append(QV_Point2D(1.0f, 1.0f));
    mesh.texCoords.Append(QV_Point2D(1.0f, 0.0f));
    mesh.normals.Append(QV_Point3D(0.0f, 0.0f, 1.0f));
    QV_Face face;
    for (int v : {3, 2, 1, 0}) face.Add(QV_Corner{v, 0, v});
    mesh.faces.Append(face);
    QV_Feature feature;
    feature.name = path.FileName().StripExtension();
    feature.visible = true;
    feature.faceIndices.Append(0);
    mesh.features.Append(feature);
    mesh.UpdateBounds();
    // The photograph is the rectangle's texture (uploaded from `photo`).
    mesh.hasTexture = ok;

    hasImage = hasMesh;
    textureUploaded = false;
    return ok;
}

bool SceneView::OpenAnnotation(const QV_String& path)
{
    QV_AnnotationModel loaded;
    if (!loaded.Load(path)) return false;
    undoStack.clear();
    undoStack.push_back(loaded);
    annotation = loaded;
    annotationShown = true;
    linesShown = true;
    landmarksShown = false;
    pointsShown = false;
    manipulateAll = false;
    manipulateSingle = false;
    mode = kAnnotate;
    return true;
}

void SceneView::AnnotationFitted()
{
    undoStack.clear();
    undoStack.push_back(annotation);
}

void SceneView::TrackPointer(float x, float y)
{
    PointerRay(x, y, pointerRayOrigin, pointerRayDirection);
    const QV_Point3D previous = pointerOnPlane;
    // The plane z = 0, where the photograph lies; a ray along it has no
    // meeting point and the last one is kept.
    if (pointerRayDirection.z != 0.0f) {
        const float t = -pointerRayOrigin.z / pointerRayDirection.z;
        pointerOnPlane = pointerRayOrigin + pointerRayDirection * t;
    }
    const QV_Point2D size = PhotoSize();
    if (hasMesh && size.x > 0.0f && size.y > 0.0f) {
        pointerImage = QV_Point2D(pointerOnPlane.x / size.x, pointerOnPlane.y / size.y);
        pointerDelta = QV_Point2D((pointerOnPlane.x - previous.x) / size.x, (pointerOnPlane.y - previous.y) / size.y);
    }
}

bool SceneView::HitTest()
{
    if (pointsShown || !landmarksShown) return annotation.NearestPoint(pointerImage, selectedAnnotation, selectedPoint);
    return annotation.NearestLandmark(pointerImage, selectedAnnotation, selectedPoint);
}

// ---------------------------------------------------------------- input

void SceneView::LeftButtonDown(float x, float y, const Buttons& held)
{
    TrackPointer(x, y);
    lastPointer = QV_Point2D(x, y);
    if (hasImage) {
        if (mode == kEyeLine) {
            leftGrab = true;
            eyeB = pointerImage;
        } else if (mode == kAnnotate) {
            // A Ctrl drag moves the camera, so it grabs no point (and leaves
            // no empty step on the undo stack).
            leftGrab = held.ctrl && !held.shift ? false : HitTest();
        }
    }
    Repaint();
}

void SceneView::RightButtonDown(float x, float y, const Buttons& held)
{
    TrackPointer(x, y);
    lastPointer = QV_Point2D(x, y);
    if (hasImage && mode == kAnnotate) rightGrab = held.ctrl && !held.shift ? false : HitTest();
    Repaint();
}

void SceneView::EndGrab()
{
    if (leftGrab || rightGrab) undoStack.push_back(annotation);
    leftGrab = false;
    rightGrab = false;
}

void SceneView::LeftButtonUp(float x, float y, const Buttons&)
{
    TrackPointer(x, y);
    if (!hasImage) return;
    if (mode == kEyeLine) {
        // Only the release of a line started in this mode ends it.
        if (!leftGrab) return;
        leftGrab = false;
        eyeA = pointerImage;
        if (eyeA.x > eyeB.x) std::swap(eyeA, eyeB);
        mode = kAnnotate;
        if (owner) owner->CreateFromEyes(eyeA, eyeB);
    } else if (mode == kAnnotate) {
        EndGrab();
        Repaint();
    }
}

void SceneView::RightButtonUp(float x, float y, const Buttons&)
{
    TrackPointer(x, y);
    if (!hasImage || mode != kAnnotate) return;
    EndGrab();
    Repaint();
}

void SceneView::LeftDoubleClick(float, float, const Buttons&) { FitCamera(); }

void SceneView::MouseMove(float x, float y, const Buttons& held)
{
    TrackPointer(x, y);
    const float dx = lastPointer.x - x;
    const float dy = lastPointer.y - y;
    lastPointer = QV_Point2D(x, y);

    switch (mode) {
    case kCamera:
        // Turning is for heads; a photograph is only moved and zoomed.
        CameraDrag(x, y, dx, dy, held, !hasImage);
        break;
    case kLight:
        LightDrag(dx, dy, held);
        break;
    case kAnnotate:
    case kEyeLine:
        if (!hasImage) break;
        if (mode == kEyeLine) {
            Status("Click and drag the left mouse button from one eye to the other");
        } else if (held.ctrl && !held.shift) {
            // Camera handling without rotation: the photograph stays flat.
            CameraDrag(x, y, dx, dy, held, false);
        } else {
            AnnotationDrag(held);
        }
        break;
    }
    Repaint();
}

void SceneView::CameraDrag(float x, float y, float dx, float dy, const Buttons& held, bool allowRotate)
{
    const float step = mesh.VertexCount() > 0 ? 0.0025f * BoxDiagonal() : 0.1f;
    QV_ViewCamera& c = camera;
    if (held.left && held.right) {
        const float d = Length(c.target - c.cameraOffset);
        c.cameraOffset.z -= d * 0.005f * dy;
    } else if (held.right) {
        c.cameraOffset.x -= step * dx;
        c.cameraOffset.y += step * dy;
    } else if (held.left && allowRotate) {
        const QV_Point2D previous(x + dx, y + dy);
        c.rotation = QV_TrackballRotation(previous, QV_Point2D(x, y), viewportWidth, viewportHeight) * c.rotation;
    }
    // The projection follows the camera at the next paint.
}

void SceneView::LightDrag(float dx, float dy, const Buttons& held)
{
    if (!hasMesh) return;
    if (held.left && held.right) {
        Status("Zooming");
        const float d = Length(camera.target - camera.cameraOffset);
        lightPosition.z -= d * 0.00025f * dy;
    } else if (held.right) {
        Status("Translating");
        lightPosition.x -= dx;
        lightPosition.y += dy;
    }
}

void SceneView::AnnotationDrag(const Buttons& held)
{
    const bool valid = static_cast<unsigned>(selectedAnnotation) < static_cast<unsigned>(annotation.Count());
    if (valid) Status(annotation[selectedAnnotation].label + " " + selectedPoint);
    if (!leftGrab && !rightGrab) return;
    if (!manipulateAll && !valid) return;
    const QV_Point2D size = PhotoSize();
    if (held.left && !held.right) {
        if (manipulateAll) {
            annotation.Translate(pointerDelta);
        } else if (manipulateSingle) {
            annotation[selectedAnnotation].Translate(pointerDelta);
        } else {
            QV_Annotation& contour = annotation[selectedAnnotation];
            if (pointsShown || !landmarksShown) {
                if (selectedPoint >= 0 && selectedPoint < contour.NumPoints())
                    contour.points[selectedPoint] = pointerImage;
            } else {
                contour.DragPoint(selectedPoint, pointerImage);
            }
        }
    } else if (held.right && !held.left) {
        const float angle = pointerDelta.y * 50.0f;
        if (manipulateAll)
            annotation.Rotate(angle, size);
        else if (manipulateSingle)
            annotation[selectedAnnotation].Rotate(angle, size);
    } else if (held.left && held.right) {
        const QV_Point2D s(1.0f + 0.75f * pointerDelta.x, 1.0f + 0.75f * pointerDelta.y);
        if (manipulateAll)
            annotation.ScaleAboutCentroid(s);
        else if (manipulateSingle)
            annotation[selectedAnnotation].ScaleAboutCentroid(s);
    }
}

bool SceneView::OnCommand(int command)
{
    if (command == kUndoCommand && isImageView) {
        Undo();
        return true;
    }
    return false;
}

void SceneView::Undo()
{
    if (!hasImage || mode != kAnnotate) return;
    if (undoStack.size() <= 1) {
        Status("No more undo");
        return;
    }
    undoStack.pop_back();
    annotation = undoStack.back();
    Repaint();
    Status("Ready");
}
