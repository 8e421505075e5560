// Fixed-function drawing of meshes; only OpenGL 1.1 and GLU calls.
#include "QV_GLMeshDraw.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <vector>

namespace {

bool InRange(int i, int count) { return i >= 0 && i < count; }

void SendCorner(const QV_Mesh& mesh, const QV_Corner& c, bool withTexCoords)
{
    if (withTexCoords && InRange(c.texCoord, mesh.TexCoordCount())) {
        const QV_Point2D& t = mesh.texCoords[c.texCoord];
        glTexCoord2f(t.x, t.y);
    }
    if (InRange(c.normal, mesh.NormalCount())) {
        const QV_Point3D& n = mesh.normals[c.normal];
        glNormal3f(n.x, n.y, n.z);
    }
    const QV_Point3D& v = mesh.vertices[c.vertex];
    glVertex3f(v.x, v.y, v.z);
}

// Calls draw(face) for every face of the feature whose index is valid.
template <typename Fn>
void ForFeatureFaces(const QV_Mesh& mesh, const QV_Feature& feature, Fn draw)
{
    const int faceCount = mesh.FaceCount();
    for (unsigned i = 0; i < feature.faceIndices.Size(); ++i) {
        const int index = feature.faceIndices[static_cast<int>(i)];
        if (InRange(index, faceCount)) draw(mesh.faces[index]);
    }
}

// The same for every visible feature.
template <typename Fn>
void ForVisibleFaces(const QV_Mesh& mesh, Fn draw)
{
    for (int f = 0; f < mesh.FeatureCount(); ++f)
        if (mesh.features[f].visible) ForFeatureFaces(mesh, mesh.features[f], draw);
}

int CornerCount(const QV_Face& face) { return std::clamp(face.count, 0, QV_Face::kMaxCorners); }

void DrawFace(const QV_Mesh& mesh, const QV_Face& face, bool withTexCoords)
{
    const int n = CornerCount(face);
    if (n < 3) return;
    for (int k = 0; k < n; ++k)
        if (!InRange(face.corners[k].vertex, mesh.VertexCount())) return;
    glBegin(n == 3 ? GL_TRIANGLES : n == 4 ? GL_QUADS : GL_POLYGON);
    for (int k = 0; k < n; ++k) SendCorner(mesh, face.corners[k], withTexCoords);
    glEnd();
}

}  // namespace

void QV_GLDrawMeshFaces(const QV_Mesh& mesh, bool withTexCoords)
{
    ForVisibleFaces(mesh, [&](const QV_Face& face) { DrawFace(mesh, face, withTexCoords); });
}

void QV_GLDrawFeatureFaces(const QV_Mesh& mesh, int featureIndex, bool withTexCoords)
{
    if (!InRange(featureIndex, mesh.FeatureCount())) return;
    ForFeatureFaces(mesh, mesh.features[featureIndex],
                    [&](const QV_Face& face) { DrawFace(mesh, face, withTexCoords); });
}

void QV_GLDrawMeshWireframe(const QV_Mesh& mesh, float lineWidth)
{
    const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    const GLboolean lighting = glIsEnabled(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glLineWidth(lineWidth);
    const int vertexCount = mesh.VertexCount();
    ForVisibleFaces(mesh, [&](const QV_Face& face) {
        const int n = CornerCount(face);
        glBegin(GL_LINE_LOOP);
        for (int k = 0; k < n; ++k) {
            const int v = face.corners[k].vertex;
            if (!InRange(v, vertexCount)) continue;
            glVertex3f(mesh.vertices[v].x, mesh.vertices[v].y, mesh.vertices[v].z);
        }
        glEnd();
    });
    if (texturing) glEnable(GL_TEXTURE_2D);
    if (lighting) glEnable(GL_LIGHTING);
}

bool QV_GLUploadTexture(const QV_Image& image, unsigned int name, bool mipmapFiltering)
{
    if (image.Empty()) return false;
    const int rows = image.Rows(), cols = image.Cols();
    // The image's rows as one block, row 0 (the bottom of the picture) first,
    // which is where OpenGL puts texture coordinate t = 0.
    std::vector<unsigned char> pixels(static_cast<size_t>(rows) * cols * 4);
    for (int r = 0; r < rows; ++r) {
        const QV_Colour* src = image.Row(image.RowLow() + r);
        unsigned char* dst = pixels.data() + static_cast<size_t>(r) * cols * 4;
        for (int c = 0; c < cols; ++c) {
            dst[4 * c] = src[c].red;
            dst[4 * c + 1] = src[c].green;
            dst[4 * c + 2] = src[c].blue;
            dst[4 * c + 3] = src[c].alpha;
        }
    }
    glBindTexture(GL_TEXTURE_2D, name);
    glEnable(GL_TEXTURE_2D);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapFiltering ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return gluBuild2DMipmaps(GL_TEXTURE_2D, 4, cols, rows, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data()) == 0;
}

void QV_GLSetLight0(const float position[3], const float ambient[3], const float diffuse[3], const float specular[3])
{
    const GLfloat a[4] = {ambient[0], ambient[1], ambient[2], 1.0f};
    const GLfloat d[4] = {diffuse[0], diffuse[1], diffuse[2], 1.0f};
    const GLfloat s[4] = {specular[0], specular[1], specular[2], 1.0f};
    const GLfloat p[4] = {position[0], position[1], position[2], 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, a);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, d);
    glLightfv(GL_LIGHT0, GL_SPECULAR, s);
    glLightfv(GL_LIGHT0, GL_POSITION, p);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
}

void QV_GLSetMaterial(const float ambient[3], const float diffuse[3], const float specular[3], float shininess)
{
    const GLfloat a[4] = {ambient[0], ambient[1], ambient[2], 1.0f};
    const GLfloat d[4] = {diffuse[0], diffuse[1], diffuse[2], 1.0f};
    const GLfloat s[4] = {specular[0], specular[1], specular[2], 1.0f};
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, a);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, d);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, s);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(shininess, 0.0f, 128.0f));
}
