// QV_ViewCamera: the camera of an interactive 3D view (offset, trackball
// rotation, target, field of view), its framing of a mesh by the current
// plug-in's class, and the projection and model-view matrices it implies.
#pragma once

#include "QV_GLMatrix.h"
#include "QV_Mesh.h"
#include "QV_Point.h"

// Box over the corner vertices of the faces of visible features (valid
// indices only); false when there is none.
bool QV_MeshVisibleBounds(const QV_Mesh& mesh, QV_Point3D& lo, QV_Point3D& hi);

class QV_ViewCamera {
public:
    QV_Point3D cameraOffset{0.0f, 0.0f, -300.0f};
    QV_GLMatrix rotation;  // identity
    QV_Point3D target{0.0f, 0.0f, 0.0f};
    float fieldOfView = 1.0f;  // degrees

    // Frames the mesh: the part to frame and its size come from the plug-in
    // class name (head-and-shoulder framings for the body and plain-head
    // families, the whole box for the standard family); an image view, or
    // any other class, frames the "Face", "head" or "Head" feature when there
    // is one, else the whole box. Resets the offset's x and y and the
    // rotation; the offset's z puts the frame size x 1.1 in the field of view.
    void Fit(const QV_Mesh& mesh, const char* pluginClass, bool isImageView);

    // near = |cameraOffset| - f / 2 (1 when not positive), far = near + f,
    // with f = 2.5 x the box diagonal when that exceeds 10, else 100; without
    // a mesh near 1 and far 2000. The frustum is the field of view's.
    QV_GLMatrix Projection(const QV_Mesh* mesh, int width, int height) const;

    // Translate by the offset, multiply by the rotation, translate by -target.
    QV_GLMatrix ModelView() const;
};
