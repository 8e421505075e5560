// QV_MugShotBase: what both mugshot generations share: the template head, its
// front and profile mapping lists, the texture samplers and mask, the derived
// texture-vertex associations, and the services built on them (projection of
// annotation points, rigid parts, texture sample and blend, front creation).
#pragma once

#include <cstdio>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Image.h"
#include "QV_MappingEntry.h"
#include "QV_Mesh.h"
#include "QV_Similarity.h"
#include "QV_TextureSampler.h"

// A part placed rigidly (an eyeball): its template vertices and the point, in
// photograph pixels, that the centre of their box goes to.
struct QV_RigidPart {
    std::vector<int> vertices;
    QV_Point2D target;
};

enum class QV_NormaliseResult {
    kDone,               // points normalised
    kMissingAnnotation,  // reported on the error stream; points unchanged
    kDegenerate          // the anchors or points admit no similarity; points unchanged
};

class QV_MugShotBase {
public:
    enum Side { kFront = 0, kProfile = 1 };

    QV_MugShotBase() = default;
    virtual ~QV_MugShotBase() = default;
    QV_MugShotBase(const QV_MugShotBase&) = default;
    QV_MugShotBase& operator=(const QV_MugShotBase&) = default;

    int version = 1;
    QV_Mesh templateMesh;  // with the stock texture
    QV_MappingList frontMapping;
    QV_MappingList profileMapping;
    QV_TextureSampler sampler;      // standard resolution
    QV_TextureSampler samplerHigh;  // high resolution
    QV_Image mask;                  // RGB = blend weights
    int combinationMode = 1;
    QV_Point2D blendSample{0.23f, 0.70f};
    bool verbose = false;
    float colourOffset[3] = {0.0f, 0.0f, 0.0f};

    // Derived after reading: for every texture vertex the mesh vertices using
    // it, and for every mesh vertex the texture vertices it is used with.
    std::vector<std::vector<int>> texVertVertices;
    std::vector<std::vector<int>> vertTexVerts;
    void DeriveAssociations();

    const QV_MappingList& Mapping(int side) const { return side == kProfile ? profileMapping : frontMapping; }
    const QV_TextureSampler& ChooseSampler(bool highRes) const { return highRes ? samplerHigh : sampler; }

    // The annotation points flattened in model order, scaled by imageScale
    // (the photograph's width, height).
    static void ScaledModelPoints(const QV_AnnotationModel& model, const QV_Point2D& imageScale,
                                  std::vector<QV_Point2D>& out);
    // One point per mapping entry of the side's list. False, with a message,
    // when an entry names a point the annotation does not have.
    bool ProjectPoints(int side, const QV_Point2D& imageScale, const QV_AnnotationModel& model,
                       std::vector<QV_Point2D>& out) const;
    // Places the template shape of the listed vertices over their projected
    // points (see the .cpp). False, points unchanged, when an index is out of
    // range or the fit is degenerate.
    bool PlaceRigidPart(int side, std::vector<QV_Point2D>& points, const std::vector<int>& vertexList,
                        const QV_Point2D& target) const;
    // Brings projected points into the template mesh's frame.
    virtual QV_NormaliseResult NormaliseProjectedPoints(int side, const QV_Point2D& imageScale,
                                                        const QV_AnnotationModel& model,
                                                        std::vector<QV_Point2D>& points) const = 0;
    // The squeeze this generation applies before sampling a side.
    virtual void Squeeze(int side, QV_AnnotationModel& model) const = 0;

    // Squeezes a copy of the model, projects it, places the parts, finds the
    // texture vertices' image points and samples the photograph with the
    // chosen sampler into buffer.
    bool TextureSample(int side, const QV_Image& photo, const QV_AnnotationModel& model,
                       const std::vector<QV_RigidPart>& parts, bool highRes, std::vector<float>& buffer) const;
    // The image points of the texture vertices: each takes the projected point
    // of its first associated mesh vertex, or projected point 0 (reported in
    // verbose mode) when it has none or that vertex has no projected point.
    void TextureVertexPoints(const std::vector<QV_Point2D>& projected, std::vector<QV_Point2D>& out) const;
    // Blends into out's texture (which starts as the stock texture) and marks it
    // textured; stores the colour offset.
    bool Blend(const std::vector<float>& photoSample, const std::vector<float>* secondSample, bool highRes,
               QV_Mesh& out);

    // Deforms a copy of the template to the annotation of a frontal photograph
    // and textures it. False, with out unchanged, when the mapping does not fit
    // the annotation, a fit is degenerate or the texture cannot be built.
    bool CreateFromFront(const QV_Image& photo, const QV_AnnotationModel& model,
                         const std::vector<QV_RigidPart>& parts, bool highRes, QV_Mesh& out);

    // Head from a front and a profile photograph: x and y from the front, depth
    // from the profile (combination mode 1, or 3 which blends y by depth). Both
    // point sets are normalised first. Refused when the mugshot is front-only;
    // out is unchanged on failure.
    bool CreateFromFrontAndProfile(const QV_Image& front, const QV_AnnotationModel& frontModel,
                                   const QV_Image& profile, const QV_AnnotationModel& profileModel,
                                   const std::vector<QV_RigidPart>& parts, bool highRes, QV_Mesh& out);

protected:
    virtual bool RefusesTwoPhotographs() const { return false; }
    // Adjusts the copy of the profile annotation that the profile sample uses.
    virtual void PrepareProfileForSample(QV_AnnotationModel& /*model*/) const {}
    // Checks, after a record was read, that the mapping lists do not outnumber
    // the template vertices and that sampler entries name texture vertices;
    // then derives the associations. Messages start with className.
    bool CheckAndDerive(const char* className);
    // Fits the two-anchor similarity A -> (0, 0), B -> (0, -150) and then the
    // second fit onto the first template vertices; shared by both generations.
    QV_NormaliseResult NormaliseFromAnchors(int side, const QV_Point2D& a, const QV_Point2D& b,
                                            std::vector<QV_Point2D>& points) const;
    // The same with the first-stage transform already fitted.
    QV_NormaliseResult NormaliseWith(int side, const QV_Similarity& first, std::vector<QV_Point2D>& points) const;
    // Template vertex k as a 2D point: (x, y) front, (z, y) profile.
    QV_Point2D TemplatePoint(int side, int k) const;
    // Whether the texture is built before (true) or after the vertex steps.
    virtual bool TextureFirst() const { return true; }
    void Say(const char* text) const;
    // The class name that starts this object's messages.
    virtual const char* ClassName() const = 0;
};

// The similarity taking anchors A -> (0, 0) and B -> (0, -150), each pair
// completed by the anchor moved perpendicular to A-B by |A-B| so that the fit
// is exact. False when A and B coincide.
bool QV_AnchorSimilarity(const QV_Point2D& a, const QV_Point2D& b, QV_Similarity& out);
