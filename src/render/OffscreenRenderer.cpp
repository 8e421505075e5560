// The off-screen renderer on OSMesa: a software OpenGL context drawing into a
// buffer of our own, so rendering works without any display.
#include "OffscreenRenderer.h"

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <algorithm>
#include <cmath>

#include "QV_Error.h"
#include "QV_GLMeshDraw.h"
#include "QV_ViewCamera.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kDefaultNear = 0.5f;
constexpr float kDefaultFar = 3000.0f;

OSMesaContext Ctx(void* p) { return static_cast<OSMesaContext>(p); }

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// The software OpenGL library keeps some state of every buffer it was bound
// to until the process ends; the leak checker would report that state in
// every program that renders, so its reports for that library are dropped.
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\n"; }
#endif

OffscreenRenderer::~OffscreenRenderer() { Destroy(); }

bool OffscreenRenderer::Create(int w, int h, const float backgroundColour[3])
{
    if (context) {
        QV_PrintError("OffscreenRenderer::Create() Error! : already created!\n");
        return false;
    }
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) {
        QV_PrintError("OffscreenRenderer::Create() Error! : bad size!\n");
        return false;
    }
    // By search the deepest depth buffer the library gives wins; otherwise
    // the fixed description of 16 depth and 8 stencil bits.
    OSMesaContext made = nullptr;
    if (searchPixelFormat) {
        for (int depth : {32, 24, 16}) {
            made = OSMesaCreateContextExt(OSMESA_RGBA, depth, 8, 0, nullptr);
            if (made) break;
        }
    } else {
        made = OSMesaCreateContextExt(OSMESA_RGBA, 16, 8, 0, nullptr);
    }
    if (!made) {
        QV_PrintError("OpenGL failure!, Can't start OpenGL\n");
        return false;
    }

    // Remember what was current, to give it back on Destroy.
    previousContext = OSMesaGetCurrentContext();
    previousBuffer = nullptr;
    if (previousContext) {
        GLint pw = 0, ph = 0, pf = 0;
        void* pb = nullptr;
        if (OSMesaGetColorBuffer(Ctx(previousContext), &pw, &ph, &pf, &pb)) {
            previousBuffer = pb;
            previousWidth = pw;
            previousHeight = ph;
            previousType = GL_UNSIGNED_BYTE;
        }
    }

    buffer.assign(static_cast<size_t>(w) * h * 4, 0);
    width = w;
    height = h;
    context = made;
    if (!MakeCurrent()) {
        QV_PrintError("OpenGL failure!, Can't start OpenGL\n");
        OSMesaDestroyContext(made);
        context = nullptr;
        buffer.clear();
        width = height = 0;
        return false;
    }
    for (int i = 0; i < 3; ++i) background[i] = backgroundColour[i];
    texturesUploaded = false;
    textureNames.clear();
    glClearColor(background[0], background[1], background[2], 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glViewport(0, 0, width, height);
    SetProjection(kDefaultNear, kDefaultFar);
    SetLights();
    return true;
}

bool OffscreenRenderer::MakeCurrent() const
{
    if (!context) return false;
    return OSMesaMakeCurrent(Ctx(context), const_cast<unsigned char*>(buffer.data()), GL_UNSIGNED_BYTE, width,
                             height) == GL_TRUE;
}

void OffscreenRenderer::SetProjection(float nearZ, float farZ)
{
    const float fov = fieldOfView > 0.0f ? fieldOfView : 1.0f;
    const float aspect = (height > 0 ? float(width) / float(height) : 1.0f) * aspectMultiplier;
    projection = QV_GLMatrix::Perspective(fov, aspect, nearZ, farZ);
}

void OffscreenRenderer::SetLights() const
{
    const float pos[3] = {lightPosition.x, lightPosition.y, lightPosition.z};
    const float ambient[3] = {1.0f, 1.0f, 1.0f};
    const float diffuse[3] = {diffuseFactor, diffuseFactor, diffuseFactor};
    const float spec[3] = {specular, specular, specular};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();  // the light stays fixed to the camera
    QV_GLSetLight0(pos, ambient, diffuse, spec);
}

void OffscreenRenderer::Fit(const QV_Mesh& mesh, float scale)
{
    if (fieldOfView <= 0.0f) fieldOfView = 1.0f;
    rotation[0] = rotation[1] = rotation[2] = 0.0f;
    QV_Point3D lo, hi;
    if (!QV_MeshVisibleBounds(mesh, lo, hi)) {
        pivot = QV_Point3D();
        offset = QV_Point3D();
        SetProjection(kDefaultNear, kDefaultFar);
        return;
    }
    const QV_Point3D centre((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2);
    const QV_Point3D size(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z);
    // The frame's height, or its width over the aspect when the box is the
    // wider, so the whole box shows.
    const float aspect = (height > 0 ? float(width) / float(height) : 1.0f) * aspectMultiplier;
    float frame = std::max(size.y, aspect > 0.0f ? size.x / aspect : size.x) * scale;
    if (!(frame > 0.0f)) frame = 1.0f;
    const float distance = frame / (2.0f * float(std::tan(fieldOfView * kPi / 360.0)));
    pivot = centre;
    // The centre goes onto the line of sight at `distance` in front of the eye.
    offset = QV_Point3D(-centre.x, -centre.y, -centre.z - distance);

    const float length = std::sqrt(size.x * size.x + size.y * size.y + size.z * size.z);
    const float f = length > 10.0f ? 2.5f * length : 100.0f;
    float nearZ = distance - f / 2.0f;
    if (nearZ <= 0.0f) nearZ = 0.1f;
    SetProjection(nearZ, nearZ + f);
}

QV_GLMatrix OffscreenRenderer::ModelView() const
{
    return QV_GLMatrix::Translation(offset.x, offset.y, offset.z) *
           QV_GLMatrix::Translation(pivot.x, pivot.y, pivot.z) * QV_GLMatrix::Rotation(rotation[0], 1, 0, 0) *
           QV_GLMatrix::Rotation(rotation[1], 0, 1, 0) * QV_GLMatrix::Rotation(rotation[2], 0, 0, 1) *
           QV_GLMatrix::Translation(-pivot.x, -pivot.y, -pivot.z);
}

QV_Point3D OffscreenRenderer::Project(const QV_Point3D& point) const
{
    QV_Point3D window;
    QV_GLProject(point, ModelView(), projection, width, height, window);
    return window;
}

void OffscreenRenderer::InvalidateTextures()
{
    texturesUploaded = false;
}

bool OffscreenRenderer::UploadTextures(const std::vector<const QV_Mesh*>& meshes)
{
    if (!textureNames.empty()) {
        std::vector<GLuint> old;
        for (unsigned int n : textureNames)
            if (n) old.push_back(n);
        if (!old.empty()) glDeleteTextures(static_cast<GLsizei>(old.size()), old.data());
    }
    textureNames.assign(meshes.size(), 0);
    bool ok = true;
    for (size_t i = 0; i < meshes.size(); ++i) {
        const QV_Mesh* m = meshes[i];
        if (!m || !m->hasTexture || m->texture.Empty()) continue;
        GLuint name = 0;
        glGenTextures(1, &name);
        if (!QV_GLUploadTexture(m->texture, name, false)) {
            glDeleteTextures(1, &name);
            ok = false;
            continue;
        }
        textureNames[i] = name;
    }
    glDisable(GL_TEXTURE_2D);
    return ok;
}

bool OffscreenRenderer::Render(const std::vector<const QV_Mesh*>& meshes)
{
    if (!MakeCurrent()) return false;
    SetLights();
    glClearColor(background[0], background[1], background[2], 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection.m);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(ModelView().m);

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glPolygonMode(GL_FRONT, GL_FILL);
    glShadeModel(flatShading ? GL_FLAT : GL_SMOOTH);
    // Normals of scaled or unnormalised meshes still light correctly.
    glEnable(GL_NORMALIZE);

    const float ambient[3] = {materialColour[0] * materialScale, materialColour[1] * materialScale,
                              materialColour[2] * materialScale};
    const float diffuse[3] = {materialColour[0] * diffuseFactor, materialColour[1] * diffuseFactor,
                              materialColour[2] * diffuseFactor};
    const float spec[3] = {specular, specular, specular};
    QV_GLSetMaterial(ambient, diffuse, spec, shininessFactor * 128.0f);

    if (!texturesUploaded || textureNames.size() != meshes.size()) {
        UploadTextures(meshes);
        texturesUploaded = true;
    }

    for (size_t i = 0; i < meshes.size(); ++i) {
        const QV_Mesh* m = meshes[i];
        if (!m) continue;
        const unsigned int name = textureNames[i];
        if (textures && m->hasTexture && name != 0) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, name);
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            if (wireframe) {
                glEnable(GL_POLYGON_OFFSET_FILL);
                glPolygonOffset(5.0f, 5.0f);
            }
            QV_GLDrawMeshFaces(*m, true);
            glDisable(GL_POLYGON_OFFSET_FILL);
            glDisable(GL_BLEND);
            glDisable(GL_TEXTURE_2D);
            if (wireframe) {
                glColor3f(1.0f, 1.0f, 1.0f);
                QV_GLDrawMeshWireframe(*m, 0.25f);
            }
            continue;
        }
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        for (int f = 0; f < m->FeatureCount(); ++f) {
            const QV_Feature& feature = m->features[f];
            if (!feature.visible) continue;
            const float* c = feature.material.diffuse;
            const float fa[3] = {c[0] * materialScale, c[1] * materialScale, c[2] * materialScale};
            const float fd[3] = {c[0] * diffuseFactor, c[1] * diffuseFactor, c[2] * diffuseFactor};
            QV_GLSetMaterial(fa, fd, spec, shininessFactor * 128.0f);
            QV_GLDrawFeatureFaces(*m, f, false);
        }
        QV_GLSetMaterial(ambient, diffuse, spec, shininessFactor * 128.0f);
    }
    glPopMatrix();
    glFinish();
    return true;
}

bool OffscreenRenderer::ReadPixels(QV_Image& image) const
{
    if (!MakeCurrent()) return false;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    image.QV_Array2D<QV_Colour>::Resize(height, width);
    for (int r = 0; r < height; ++r) {
        QV_Colour* dst = image.Row(image.RowLow() + r);
        const unsigned char* src = pixels.data() + static_cast<size_t>(r) * width * 4;
        for (int c = 0; c < width; ++c) dst[c] = QV_Colour(src[4 * c], src[4 * c + 1], src[4 * c + 2], src[4 * c + 3]);
    }
    return true;
}

void OffscreenRenderer::Destroy()
{
    if (!context) return;
    if (!textureNames.empty() && MakeCurrent()) {
        for (unsigned int n : textureNames)
            if (n) glDeleteTextures(1, &n);
    }
    textureNames.clear();
    if (previousContext && previousBuffer)
        OSMesaMakeCurrent(Ctx(previousContext), previousBuffer, previousType, previousWidth, previousHeight);
    else
        OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    OSMesaDestroyContext(Ctx(context));
    context = nullptr;
    previousContext = nullptr;
    previousBuffer = nullptr;
    buffer.clear();
    width = height = 0;
    texturesUploaded = false;
}
