// The generic template head of the standard plug-in, made procedurally: a
// closed head surface with a neck stub, rigid eyeballs and ears, its UV
// layout, stock texture, blend mask, and its frontal and profile annotations.
#pragma once

#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_Point.h"

namespace QV_TemplateHead {

// Head surface grid: rings from the top pole to the neck cap, columns around.
inline constexpr int kRings = 64;    // rings 1..kRings-1 carry vertices
inline constexpr int kColumns = 72;  // vertices per ring
// Eyeball and ear spheres: rings and columns of each.
inline constexpr int kEyeRings = 8, kEyeColumns = 12;
inline constexpr int kEarRings = 6, kEarColumns = 12;

// Head units: eye level at y = 0, the top at y = kTop, the neck cut at y =
// kBottom, the face looking along +z, the subject's right at negative x.
inline constexpr float kTop = 1.1f;
inline constexpr float kBottom = -2.0f;
inline constexpr float kEyeX = 0.32f;       // eye centres at (+-kEyeX, 0)
inline constexpr float kEyeRadius = 0.12f;  // eyeball radius
// Texture rows below this v hold the eyeballs and ears; the head uses the rest.
inline constexpr float kPartsBand = 0.1f;

// The reference photograph frames: the front annotation is in fractions of
// kFrontWidth x kFrameHeight, the profile of kProfileWidth x kFrameHeight.
inline constexpr float kFrontWidth = 333.4f;
inline constexpr float kProfileWidth = 384.0f;
inline constexpr float kFrameHeight = 512.0f;
inline constexpr float kPixelsPerUnit = 130.0f;
inline constexpr float kEyeLevelRow = 270.0f;  // pixel row (from the bottom) of y = 0
inline constexpr float kProfileCentreZ = 0.1f;  // z at the profile frame's centre column

// Head surface point for the vertical parameter s (0 top pole, 1 neck cap)
// and the angle phi around the vertical axis (0 facing front, negative to the
// subject's right). x and y depend only on s and phi; facial relief is in z.
QV_Point3D Surface(double s, double phi);
// Texture coordinates of the head surface at (s, phi); phi in -pi..pi. u
// depends on phi only and v on s only, both monotone (and piecewise linear),
// so the face maps frontally; the inverses give the surface point of a texel.
QV_Point2D SurfaceUV(double s, double phi);
double UOfAngle(double phi);
double AngleOfU(double u);
double VOfParameter(double s);
double ParameterOfV(double v);
// Eye-level to neck: y at parameter s, and s at height y (inverse).
double HeightAt(double s);
double ParameterAtHeight(double y);

// Centres of the eyeballs and ears (index 0 the subject's right).
QV_Point3D EyeCentre(int side);
QV_Point3D EarCentre(int side);
QV_Point3D EarRadii();

// Front frame: mesh (x, y) to normalised coordinates of the front frame and
// back; profile frame: mesh (z, y) to normalised coordinates of the profile.
QV_Point2D FrontFrame(float x, float y);
QV_Point2D FrontFrameInverse(const QV_Point2D& normalised);
QV_Point2D ProfileFrame(float z, float y);

// The template head: vertices, texture coordinates, faces, the features
// "Face", "Head", "RightEye", "LeftEye", "RightEar", "LeftEar", and the stock
// texture (textureSize square). Deterministic.
void BuildMesh(QV_Mesh& mesh, int textureSize = 512);

// The 68 points (iBUG numbering) of the template face in head units: the
// points the face template's contours are built from.
std::vector<QV_Point2D> Teacher68();

// The frontal annotation of the template in the front frame: the face search
// template's contours, point counts and conventions, placed on this head.
void FrontAnnotation(QV_AnnotationModel& model);
// The contour points of the front annotation in head units (x, y), in the
// model's order: what FrontAnnotation normalises into the front frame.
void FrontContoursInHeadUnits(QV_AnnotationModel& model);
// The closed "FACE" outline of the front annotation in head units.
std::vector<QV_Point2D> FaceOutlineInHeadUnits();
// Even-odd test of a point against a closed polygon, and the distance from a
// point to the polygon's edges.
bool InsidePolygon(const std::vector<QV_Point2D>& polygon, const QV_Point2D& p);
double DistanceToPolygon(const std::vector<QV_Point2D>& polygon, const QV_Point2D& p);
// The profile annotation: "FACE" silhouette, "EYE", "MOUTH", "HEAD SIDE",
// "NECK" and "EAR", in the profile frame.
void ProfileAnnotation(QV_AnnotationModel& model);

// The stock skin texture (square, size x size).
void StockTexture(int size, QV_Image& out);
// The blend mask at size x size: green (0, 255, 0) over the face, feathered
// through blue to (0, 0, 255) over the rest of the skin, black over the hair
// and the unused texels. Eyeballs are green.
void BlendMask(int size, QV_Image& out);

// The profile reference photograph: the template head rendered from the
// subject's right, orthographic, in the profile frame (width x height).
void RenderProfile(const QV_Mesh& mesh, int width, int height, QV_Image& out);

}  // namespace QV_TemplateHead
