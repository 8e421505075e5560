// The three plug-ins built on the older mugshot (QV_MugShot): the body avatar
// (type 1), the eye-rig head (type 2) and the figure head (type 3), with the
// reference data their head model records carry.
#pragma once

#include <vector>

#include "QV_HeadRecordPlugin.h"

// Reference data shared by the three: both reference annotations, the profile
// photograph and the older mugshot.
class QV_OlderMugShotPlugin : public QV_HeadRecordPlugin {
public:
    QV_MugShot mugshot;
    QV_AnnotationModel frontReference;    // "Front.mma"
    QV_AnnotationModel profileReference;  // "Right.mma" (or "NewRight.mma")
    QV_Image profileImage;                // "Right.jpg" (or "NewRight.jpg")

protected:
    // Moves the head onto the reference head over the neck list (the
    // similarity fitted on it), whose vertices then take the reference's neck
    // (a graft). Nothing to do without a list or a reference; false when the
    // list names a vertex either lacks or is degenerate.
    static bool SetOnNeck(QV_Mesh& head, const QV_Mesh& reference, const QV_List<int>& neck);

    // The loading pattern of the three: from the target's folder the profile's
    // annotation and picture, "Front.mma" and the mugshot "MUG.mug", then the
    // files of after, in that order; then the checks and derived data of a read.
    bool LoadOlderFiles(const QV_String& directory, const char* profileAnnotation, const char* profilePicture,
                        const std::vector<DataFile>& after, QV_String& error);
    // A vertex-list file; the list is replaced only when the file reads.
    static DataFile ListEntry(const char* name, QV_List<int>& list);

    // The index lists read (their entries must not be negative).
    virtual std::vector<const QV_List<int>*> IndexLists() const = 0;
    // Rejects negative list entries, then sets the blend sample point.
    bool AfterRead() override;
    virtual void SetBlendSample() = 0;
};

class QV_BodyAvatarPlugin : public QV_OlderMugShotPlugin {
public:
    QV_Mesh referenceMesh;  // "Ref.obj"
    QV_Image masks[3];      // "EarsMask.bmp", "MouthMask.bmp", "NeckMask.bmp"
    // "TorsoMask.bmp": read from the data folder, but the head record has no
    // place for it.
    QV_Image torsoMask;
    // Male torso, legs and head, then female torso, legs and head.
    QV_Mesh bodyMeshes[6];
    QV_List<int> femaleNeckBlend;  // "FNeckBlend.verts"
    QV_List<int> maleNeckBlend;    // "MNeckBlend.verts"
    bool femaleBody = false;

    QV_String Name() const override;
    // From "BodyAvatarLoadDir": the profile, "Front.mma", "MUG.mug", "Ref.obj",
    // the four masks, the body meshes (kBodyMeshFiles) and the neck blends.
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    static constexpr const char* kBodyMeshFiles[6] = {"MaleTorso.obj",   "MaleLegs.obj",   "MaleHead.obj",
                                                      "FemaleTorso.obj", "FemaleLegs.obj", "FemaleHead.obj"};
    void SetFemaleBody(bool female) override { femaleBody = female; }

    // The folder of body skins the user chose; empty for the stock skins.
    QV_String bodySkinFolder;
    void SetBodySkinFolder(const QV_String& folder) { bodySkinFolder = folder; }
    // The skin pictures of the chosen body's subfolder of the skin folder
    // ("Male" or "Female"): its files ending ".jpg", ".JPG", ".jpeg" or
    // ".JPEG", by name. Without any: "Error, ", the subfolder and " does not
    // contain any body skin jpg images!", and false.
    bool BodySkins(std::vector<QV_String>& paths, QV_String& error) const;

    // The torso and legs shown with the head: those of the last creation when
    // it was made for the body now chosen, the stock ones otherwise.
    const QV_Mesh& ShownBody(int part) const;

    // The working front annotation derived from the user's, then the older
    // two-photograph creation with the stock profile ("Right.jpg" and
    // "Right.mma") giving the depth; the texture is resampled to
    // kTextureSide square. Then the head is set on the chosen body: moved onto
    // the reference head ("Ref.obj") over the body's neck-blend list, whose
    // vertices then take the reference's neck (a graft). With a skin folder,
    // the chosen body's torso wears the skin whose colour is nearest to the
    // face's at the blend sample point; the stock skins (the legs', and the
    // torso's without a folder) are shifted by the blend's skin colour
    // offset. Failures give "Failed to get mugshot mesh", or the skin
    // folder's own error.
    bool CreateFromFront(const QV_FaceSearch& shapeModel, const QV_Image& photo, const QV_AnnotationModel& model,
                         QV_Mesh& out, bool highRes, QV_String& error) override;
    static constexpr int kTextureSide = 512;

private:
    // The torso and legs of the last creation, and the body they were made for.
    QV_Mesh createdBody[2];
    bool createdFor = false, haveCreatedBody = false;
    bool DressBody(const QV_Mesh& head, QV_String& error);

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> IndexLists() const override { return {&femaleNeckBlend, &maleNeckBlend}; }
    void SetBlendSample() override { mugshot.blendSample.x = 0.26f; }
};

class QV_EyeRigHeadPlugin : public QV_OlderMugShotPlugin {
public:
    QV_Mesh referenceMesh;          // "Ref.obj"
    QV_Mesh originalReferenceMesh;  // "OriginalRef.obj"
    QV_Mesh targetHead;
    QV_List<int> neck;    // "Neck.verts"
    QV_List<int> topLip;  // "TopLip.verts"
    QV_List<int> botLip;  // "BotLip.verts"

    // Derived after every read from the reference mesh's rig groups: the
    // eyeball, iris and cornea groups of each eye, and every group whose name
    // holds "mouth" or "teeth".
    std::vector<int> rightEye, leftEye, mouth;

    QV_String Name() const override;
    // From "EyeRigLoadDir": "NewRight.mma", "NewRight.jpg", "Front.mma",
    // "MUG.mug", "Ref.obj", "OriginalRef.obj", the target head (kHeadFile),
    // "TexMask.bmp" and the neck and lip lists.
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    static constexpr const char* kHeadFile = "Head.obj";
    // The older two-photograph creation on the user's annotation with the
    // stock profile ("NewRight.jpg", "NewRight.mma"), the eyes placed as rigid
    // parts at the eye annotations' centres and the mouth parts at the inner
    // mouth's. Then the head is set on the rig's neck (as the body avatar
    // does, over "Neck.verts" against "Ref.obj") and one smoothing pass over
    // each lip list blends the lips into the placed mouth parts. Failures give
    // "Failed to create 3D head" and the target name.
    bool CreateFromFront(const QV_FaceSearch& shapeModel, const QV_Image& photo, const QV_AnnotationModel& model,
                         QV_Mesh& out, bool highRes, QV_String& error) override;

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> IndexLists() const override { return {&neck, &topLip, &botLip}; }
    bool AfterRead() override;
    void SetBlendSample() override { mugshot.blendSample = QV_Point2D{0.27f, 0.464f}; }
};

class QV_FigureHeadPlugin : public QV_OlderMugShotPlugin {
public:
    QV_List<int> headBack;                // "HeadBack.verts"
    QV_List<int> smooth;                  // "Smooth.verts"
    QV_List<int> bodySmooth;              // "BodySmooth.verts"
    QV_List<int> headCorrespondance;      // "HeadCorrespondance.verts"
    QV_List<int> headNeckCorres;          // "HeadNeckCorres.verts"
    QV_List<int> bodyNeckCorres;          // "BodyNeckCorres.verts"
    QV_List<int> bodyBodyCorrespondance;  // "BodyBodyCorrespondance.verts"
    QV_Array<int32_t> bodyHeadCorrespondance;  // "BodyHeadCorrespondance.verts"
    std::vector<QV_String> names;
    QV_Mesh femaleHead;  // "QuorFemaleHead.obj"
    QV_Mesh female;      // "QuorFemale.obj"
    QV_Mesh male;        // "QuorMale.obj"
    QV_Image transparencyMap;      // "TransparencyMap.jpg"
    QV_Image normTransparencyMap;  // "NormTransparencyMap.jpg"
    QV_Image extraImage;
    // The shell's transparency option: the alternate map when set.
    bool alternateTransparency = true;
    // The body option: the female figure when set, the male one otherwise.
    bool femaleBody = false;

    QV_String Name() const override;
    // From "FigureLoadDir": "Right.mma", "Right.jpg", "Front.mma", "MUG.mug",
    // "TexMask.bmp", the vertex lists, the figures and the transparency maps.
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    void SetAlternateTransparency(bool on) { alternateTransparency = on; }
    void SetFemaleBody(bool female) override { femaleBody = female; }
    const QV_Mesh& ChosenFigure() const { return femaleBody ? female : male; }

    // A copy of the chosen figure with the head joined in. The head is first
    // placed on the figure by the similarity that takes its neck seam
    // ("HeadNeckCorres.verts") onto the figure's ("BodyNeckCorres.verts");
    // then each figure vertex of "BodyHeadCorrespondance.verts" takes the
    // placed head vertex at the same place of "HeadCorrespondance.verts", the
    // figure's neck seam takes the head's, and kAverageFixPasses average-fix
    // passes over "BodySmooth.verts" blend the figure into it. A figure that
    // was not supplied gives the head itself. False when paired lists differ
    // in length, an index lies outside its mesh, or the seam is degenerate.
    bool JoinHead(const QV_Mesh& head, QV_Mesh& figure) const;
    // The checks of JoinHead on the lists alone: lengths and indices.
    bool JoinListsFit(const QV_Mesh& head) const;

    // OBJ: the joined figure with a "mtllib" line naming the material library
    // written beside it (same name, ".mtl"; kMaterials in order), the head's
    // texture as "Face.jpg" and the figure's stock textures copied from the
    // target's data folder (those it holds); before writing, the figure
    // vertex pairs of "BodyBodyCorrespondance.verts" (a, b) are welded, a
    // taking b's position. Other extensions: the joined figure by extension.
    // Failures give "Failed to save: " and the file that could not be written.
    bool SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;
    static constexpr const char* kFaceTexture = "Face.jpg";
    static constexpr const char* kStockTextures[10] = {
        "Torso.jpg", "Limbs.jpg",  "Eyes.jpg",     "Mouth.jpg",        "Tear.jpg",
        "Lashes.jpg", "EyeSurface.jpg", "EyesTr.jpg", "LashesTr.jpg", "EyeSurfaceTr.jpg"};

    // The older mugshot's front-only creation on the user's annotation with
    // the eyes placed (blend sample point kCreationBlendX, Y); the ears, eyes and
    // corneas of the template get stretched grafts and the teeth, gums,
    // tongue, back and neck and "HeadBack.verts" grafts; three average-fix
    // passes over "Smooth.verts"; the join lists are checked against the head
    // (the save joins it); the mesh is named kHeadName and its texture's alpha is
    // the red channel of the transparency map the option chooses, resized to
    // the texture. Failures give "Failed to create 3D head".
    bool CreateFromFront(const QV_FaceSearch& shapeModel, const QV_Image& photo, const QV_AnnotationModel& model,
                         QV_Mesh& out, bool highRes, QV_String& error) override;
    static constexpr float kCreationBlendX = 0.322f, kCreationBlendY = 0.132f;
    static constexpr const char* kHeadName = "QuorHead.obj";
    static constexpr int kAverageFixPasses = 3;

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> IndexLists() const override
    {
        return {&headBack,       &smooth,         &bodySmooth,           &headCorrespondance,
                &headNeckCorres, &bodyNeckCorres, &bodyBodyCorrespondance};
    }
    bool AfterRead() override;
    void SetBlendSample() override { mugshot.blendSample = QV_Point2D{0.135f, 0.464f}; }
};
