// SceneView: the OpenGL view class (being filled in).
#include "SceneView.h"

SceneView::SceneView() = default;
SceneView::~SceneView() = default;

bool SceneView::InitialiseGL(int, int) { return false; }
void SceneView::Resize(int width, int height) {
    viewportWidth = width;
    viewportHeight = height;
}
void SceneView::Paint() {}
void SceneView::Repaint() {}
void SceneView::FitCamera() {}
void SceneView::RefreshExtraMeshes(const QV_AvatarPlugin*) {}
void SceneView::SetHeadMesh(const QV_Mesh& head) {
    mesh = head;
    hasMesh = true;
    textureUploaded = false;
}
void SceneView::PointerRay(float, float, QV_Point3D& origin, QV_Point3D& direction) const {
    origin = QV_Point3D{0.0f, 0.0f, 0.0f};
    direction = QV_Point3D{0.0f, 0.0f, 0.0f};
}
QV_GLMatrix SceneView::ProjectionMatrix() const { return QV_GLMatrix(); }
QV_GLMatrix SceneView::ModelViewMatrix() const { return QV_GLMatrix(); }
bool SceneView::OpenPhotograph(const QV_String&) { return false; }
bool SceneView::OpenAnnotation(const QV_String&) { return false; }
void SceneView::AnnotationFitted() {}
void SceneView::LeftButtonDown(float, float, const Buttons&) {}
void SceneView::LeftButtonUp(float, float, const Buttons&) {}
void SceneView::RightButtonDown(float, float, const Buttons&) {}
void SceneView::RightButtonUp(float, float, const Buttons&) {}
void SceneView::LeftDoubleClick(float, float, const Buttons&) {}
void SceneView::MouseMove(float, float, const Buttons&) {}
bool SceneView::OnCommand(int) { return false; }
void SceneView::Undo() {}
void SceneView::DrawMesh(const QV_Mesh&, bool) {}
void SceneView::DrawAnnotation() {}
void SceneView::DrawEyeLine() {}
void SceneView::ApplyMaterial() {}
bool SceneView::UploadTextures() { return false; }
void SceneView::DeleteTextures() {}
void SceneView::Status(const QV_String&) {}
