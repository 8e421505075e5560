// QV_MugShotHeadPlugin: the plug-ins built on a QV_MugShot2D3D: the mugshot,
// the front reference annotation and the reference scale they all carry, the
// blend sample point set after every read, and the check that every vertex
// list they read names a vertex of the mugshot's template head.
#pragma once

#include <vector>

#include "QV_HeadRecordPlugin.h"
#include "QV_HeadRepair.h"
#include "QV_MugShot2D3D.h"

// One repair of a created head against the reference head, on a vertex list
// where the operation takes one.
struct QV_RepairStep {
    enum Kind { kAlignToReference, kGraft, kStretchedGraft, kSmooth, kAlignWholeHead };
    Kind kind = kAlignToReference;
    const QV_List<int>* list = nullptr;
};

// How a target turns the user's fitted annotation into its head: what is done
// to the copy of the annotation before the mugshot step (in this order:
// outline completion by the face search, the front reference appended through
// its "BODY" contour, the eyes placed) and the repairs after it, in order.
struct QV_CreationRecipe {
    bool completeOutline = false;
    bool alignAnnotation = false;
    bool placeEyes = false;
    std::vector<QV_RepairStep> repairs;
    // The normals are rebuilt at the end (the bounds always are).
    bool rebuildNormals = true;
};

class QV_MugShotHeadPlugin : public QV_HeadRecordPlugin {
public:
    QV_MugShot2D3D mugshot;
    QV_AnnotationModel frontReference;  // "Front.mma"
    QV_Point2D referenceScale{0.0f, 0.0f};

    // Derived after every read or load.
    QV_Mesh referenceMesh;               // copy of the mugshot's template head
    std::vector<int> rightEye, leftEye;  // groups "RightEye", "LeftEye"
    // For every template vertex, the other vertices sharing a face with it.
    QV_VertexNeighbours neighbours;

    // Where the mugshot samples the blend colour (set after every read or load).
    const QV_Point2D& BlendSample() const { return blendSample; }

    // Creation by the class's recipe: the annotation prepared on a copy, the
    // mugshot's front creation, then the repairs. Any step that fails gives
    // "Failed to get mugshot mesh". A class without a recipe returns false
    // with an empty error text.
    bool CreateFromFront(const QV_FaceSearch& shapeModel, const QV_Image& photo, const QV_AnnotationModel& model,
                         QV_Mesh& out, bool highRes, QV_String& error) override;

protected:
    explicit QV_MugShotHeadPlugin(const QV_Point2D& blend) : blendSample(blend) {}

    // The class's creation steps; false when it has none.
    virtual bool Recipe(QV_CreationRecipe&) const { return false; }
    // Called on the copy of the user's annotation before anything else, and
    // after the outline completion and reference alignment.
    virtual bool BeforePreparation(QV_AnnotationModel&, const QV_Point2D& /*imageSize*/) const { return true; }
    virtual bool AfterPreparation(QV_AnnotationModel&, const QV_Point2D& /*imageSize*/) const { return true; }
    // Called after the repairs, before the derived data are rebuilt.
    virtual bool AfterRepairs(QV_Mesh&) const { return true; }
    // The eye parts for the mugshot: each eye's template vertices with the box
    // centre of its annotation. A template without eye groups places no
    // eyes; a template with them needs both eye annotations.
    bool EyeParts(const QV_AnnotationModel& model, const QV_Point2D& imageSize,
                  std::vector<QV_RigidPart>& parts) const;
    // The repairs in order against the reference mesh; a step whose list is
    // empty is left out. False at the first refused.
    bool Repair(const std::vector<QV_RepairStep>& steps, QV_Mesh& out) const;

    // The vertex lists of the template head that the class reads.
    virtual std::vector<const QV_List<int>*> VertexLists() const { return {}; }
    // Rejects a vertex list entry outside the template head, then sets the
    // blend sample point and calls DeriveLists().
    bool AfterRead() override;
    // Working data the class derives from what it read or loaded.
    virtual void DeriveLists() {}

    // Called after a load too: the blend point and the derived lists.
    void Derive();

    // One vertex-list file of a data directory and the list it fills.
    struct VertexListFile {
        const char* name;
        QV_List<int>* list;
    };
    // The data-directory entry of a vertex-list file: the list is replaced
    // only when the file reads and every index names a vertex of the template
    // head (so the mugshot must come earlier in the list).
    DataFile VertexListEntry(const VertexListFile& file);
    // "MUG.mug2d3d", read into a copy so a failed read leaves the held mugshot intact.
    DataFile MugShotEntry();
    // The loading pattern for the plug-ins whose data directory holds
    // "Front.mma", "MUG.mug2d3d", "TexMask.bmp" (copied into the mugshot's
    // mask), then vertex lists, then the files of after, in that order. A vertex list that names a
    // vertex outside the template head counts as a file that failed. The
    // reference scale is set when scale is given; the working data are derived.
    bool LoadMugShotFiles(const QV_String& directory, const QV_String& subdirectory,
                          const std::vector<VertexListFile>& lists, const QV_Point2D* scale, QV_String& error,
                          const std::vector<DataFile>& after = {});

    QV_Point2D blendSample;
};
