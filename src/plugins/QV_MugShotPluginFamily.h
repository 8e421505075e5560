// The plug-ins built on the 2D-3D mugshot besides the standard one (types 4
// to 15): each names its target and lists the records of its head model file;
// every vertex list they read must name vertices of the template head.
#pragma once

#include <vector>

#include "QV_MeshFrameRenderer.h"
#include "QV_MugShotHeadPlugin.h"
#include "QV_StandardHeadPlugin.h"

// Type 4: mugshot and front reference only.
class QV_PlainHeadPlugin : public QV_MugShotHeadPlugin {
public:
    QV_PlainHeadPlugin() : QV_MugShotHeadPlugin({0.1f, 0.4f}) {}
    QV_String Name() const override;
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;

    // Labels the target's annotation copy leaves out.
    static constexpr const char* kLeftOut[] = {"RIGHT EAR", "LEFT EAR", "NECK"};

protected:
    void Records(QV_HeadRecordIO& io) override;
    // The copy leaves out kLeftOut and has its head outline completed against
    // the front reference; after creation the head takes the reference's
    // place (its normals are not rebuilt).
    bool Recipe(QV_CreationRecipe& recipe) const override;
    bool BeforePreparation(QV_AnnotationModel& model, const QV_Point2D& imageSize) const override;
};

// Types 5, 7 and 13: mugshot, front reference and reference scale, loaded
// from "Front.mma", "MUG.mug2d3d" and "TexMask.bmp" in the target's folder.
class QV_ScaledHeadPlugin : public QV_MugShotHeadPlugin {
public:
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;

protected:
    QV_ScaledHeadPlugin(const QV_Point2D& blend, const QV_Point2D& scale) : QV_MugShotHeadPlugin(blend), loadScale(scale)
    {
    }
    void Records(QV_HeadRecordIO& io) override;
    // The front reference appended through "BODY" before, the head aligned
    // to the reference after.
    bool Recipe(QV_CreationRecipe& recipe) const override;

private:
    QV_Point2D loadScale;
};

class QV_PlainHeadPlugin2 : public QV_ScaledHeadPlugin {
public:
    QV_PlainHeadPlugin2() : QV_ScaledHeadPlugin({0.74f, 0.42f}, {333.4f, 512.0f}) {}
    QV_String Name() const override;
};

class QV_PlainHeadPlugin3 : public QV_ScaledHeadPlugin {
public:
    QV_PlainHeadPlugin3() : QV_ScaledHeadPlugin({0.589f, 0.674f}, {0.69f, 2.13f}) {}
    QV_String Name() const override;
};

class QV_IrisTeethPlugin : public QV_ScaledHeadPlugin {
public:
    QV_IrisTeethPlugin() : QV_ScaledHeadPlugin({0.74f, 0.42f}, {112.9f, 102.7f}) {}
    QV_String Name() const override;
    // The target's own save (the mesh by extension).
    bool SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;

    // Derived from the template's groups "RightIris" and "LeftIris", and
    // "TopTeeth" and "BottomTeeth".
    QV_List<int> irises, teeth;

protected:
    // The front reference appended before, the eyes placed; the irises and
    // the teeth grafted from the reference, then the head aligned to it.
    bool Recipe(QV_CreationRecipe& recipe) const override;
    void DeriveLists() override;
};

// Type 6.
class QV_EarNeckHeadPlugin : public QV_MugShotHeadPlugin {
public:
    QV_EarNeckHeadPlugin() : QV_MugShotHeadPlugin({0.441f, 0.09f}) {}
    QV_List<int> rightEar, leftEar, neck, topNeck;  // "RightEar.verts" ... "TopNeck.verts"
    QV_List<int> mouthParts;  // vertices of the mouth-part groups
    QV_Image referenceTexture;  // "Ref.jpg"
    QV_String Name() const override;
    // From the target's folder's "Head" subfolder; the mouth parts are the
    // vertices of the template's groups "Sock", "Tongue", "TeethLower" and
    // "TeethUpper".
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    // The texture is a 5 x 5 atlas, one tile per material: tile k is written
    // (at kTileSide square) as the output path without extension, "_", the
    // name of feature k and ".jpg", and that feature's texture coordinates
    // are moved into the tile. The mesh, turned kPoseAngleX degrees about x,
    // is then written by extension without its texture.
    bool SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;
    static constexpr float kPoseAngleX = 20.0f;
    static constexpr int kTileSide = 512;
    // Texels of rows above this row or columns right of this column come
    // from the reference texture after creation.
    static constexpr int kLastHeadRow = 515;
    static constexpr int kLastHeadColumn = 1538;

protected:
    void Records(QV_HeadRecordIO& io) override;
    // Outline completion and the front reference before; after: alignment to
    // the reference, grafts of the ears, neck and mouth parts, a smoothing of
    // the top of the neck, and the texture completed from "Ref.jpg".
    bool Recipe(QV_CreationRecipe& recipe) const override;
    bool AfterRepairs(QV_Mesh& out) const override;
    std::vector<const QV_List<int>*> VertexLists() const override
    {
        return {&rightEar, &leftEar, &neck, &topNeck, &mouthParts};
    }
};

// Type 8.
class QV_SkinnedXmlPlugin : public QV_MugShotHeadPlugin {
public:
    QV_SkinnedXmlPlugin() : QV_MugShotHeadPlugin({0.415f, 0.77f}) {}
    int32_t leading = 0;
    QV_Array<unsigned char> skeletonText;  // "Skeleton.xml", line by line
    QV_Array<unsigned char> bonemapText;   // "Bonemap.xml"
    std::vector<QV_VertexBoneWeight> boneWeights;  // "Ref_vbw.txt"
    QV_List<int> head;  // "Head.verts"
    unsigned char flag = 0;
    QV_Image referenceTexture;  // "RefA.jpg"
    bool femaleBody = false;
    QV_String Name() const override;
    void SetFemaleBody(bool female) override { femaleBody = female; }
    // From the character folder kCharacterFolder of the target's folder.
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    static constexpr const char* kCharacterFolder = "Character";
    // A path ending ".xml" (any case) gets the rigged export: the mesh XML,
    // material script, skeleton and bone map, the texture and, when flag is
    // set, the texture's alpha channel. Any other path: the mesh by extension.
    bool SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;

protected:
    // The blend sample point is part of this record.
    void Records(QV_HeadRecordIO& io) override;
    // The front reference appended before; alignment to the reference and a
    // graft of the head list after.
    bool Recipe(QV_CreationRecipe& recipe) const override;
    std::vector<const QV_List<int>*> VertexLists() const override { return {&head}; }
};

// Type 9.
class QV_BodySkinPlugin : public QV_MugShotHeadPlugin {
public:
    QV_BodySkinPlugin() : QV_MugShotHeadPlugin({0.126f, 0.844f}) {}
    std::vector<int32_t> countedInts;
    QV_List<int> neck, rightEar, leftEar;  // "Neck.verts", "RightEar.verts", "LeftEar.verts"
    QV_String Name() const override;
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    // The head as OBJ and JPEG, scaled about its centroid to kBodyHeight,
    // then three skins cut from its texture at kSkinAtlasSide square: the
    // output path without extension followed by "_Head.jpg", "_Torso.jpg" and
    // "_Legs.jpg". A skin that cannot be written adds "Failed to save: ", its
    // name and a newline to the error text and makes the result false; the
    // others are still written.
    bool SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;
    static constexpr float kBodyHeight = 1.8f;
    static constexpr int kSkinAtlasSide = 1024;

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> VertexLists() const override { return {&neck, &rightEar, &leftEar}; }
    // Outline completion and the front reference before, the eyes placed;
    // grafts of the neck and the ears, then alignment to the reference.
    bool Recipe(QV_CreationRecipe& recipe) const override;
};

// Type 10.
class QV_NeckBlendPlugin : public QV_MugShotHeadPlugin {
public:
    QV_NeckBlendPlugin() : QV_MugShotHeadPlugin({0.27f, 0.496f}) {}
    int32_t slots[2] = {0, 0};
    QV_List<int> head, neck;  // "Head.verts", "Neck.verts"
    QV_String Name() const override;
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> VertexLists() const override { return {&head, &neck}; }
    // Outline completion before; alignment to the reference, a graft of the
    // neck, a smoothing of it, a graft of the head list and the whole head
    // aligned to the reference through that list.
    bool Recipe(QV_CreationRecipe& recipe) const override;
};

// Type 11.
class QV_EyePartsHeadPlugin : public QV_MugShotHeadPlugin {
public:
    QV_EyePartsHeadPlugin() : QV_MugShotHeadPlugin({0.235f, 0.721f}) {}
    std::vector<int32_t> countedInts;
    QV_List<int> head;     // "Head.verts"
    QV_List<int> derived;  // derived from the part groups
    QV_List<int> rear, lear, smooth, blip, tlip;  // "Rear.verts" ... "Tlip.verts"
    QV_String Name() const override;
    // From "EyePartsLoadDir/Female"; the derived list is then the vertices of
    // the template's part groups (kPartGroups).
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    static constexpr const char* kPartGroups[6] = {"R_trans_h", "R_eye_h",    "L_trans_h",
                                                   "L_eye_h",   "TeethUp_h", "TeethDown_h"};
    static constexpr int kSmoothingPasses = 4;

protected:
    // The annotation as fitted: its ear contours place the ears and its iris
    // and cheek contours the eye parts through the mugshot's mapping. After:
    // grafts of the head list and of the eye and teeth parts (which keep the
    // template's shape where the mapping put them), stretched grafts of the
    // ears, and kSmoothingPasses passes over "Smooth.verts".
    bool Recipe(QV_CreationRecipe& recipe) const override;
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> VertexLists() const override
    {
        return {&head, &derived, &rear, &lear, &smooth, &blip, &tlip};
    }
};

// Type 12: the standard records and a neck list. Created as the standard
// head but without placing the eyes, with a stretched graft of the neck before
// the derived data are rebuilt; from two photographs it blends y by depth
// (combination mode 3). It saves only through SaveAvatar, so the
// application's save is the default.
class QV_SolidHeadPlugin : public QV_StandardHeadPlugin {
public:
    QV_List<int> neck;  // "Neck.verts"
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    bool SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;
    bool CreateFromFrontAndProfile(const QV_FaceSearch& shapeModel, const QV_Image& front,
                                   const QV_AnnotationModel& frontModel, const QV_Image& profile,
                                   const QV_AnnotationModel& profileModel, QV_Mesh& out, bool highRes,
                                   QV_String& error) override;

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> VertexLists() const override { return {&neck}; }
    bool PlacesEyes() const override { return false; }
    bool BeforeFinish(QV_Mesh& out) const override;
};

// Type 14.
class QV_AnimatedFacePlugin : public QV_MugShotHeadPlugin {
public:
    QV_AnimatedFacePlugin() : QV_MugShotHeadPlugin({0.387f, 0.562f}) {}
    QV_List<int> neck, nonFace;  // "Neck.verts", "NonFace2.verts"
    QV_Mesh blink, halfBlink, smile;  // "Blink.obj", "HBlink.obj", "Smile.obj"
    QV_String Name() const override;
    // From the subdirectory kLoadFolder.
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    static constexpr const char* kLoadFolder = "QuorAnimatedLoadDir";

    // The mesh by extension, then five kFrameWidth x kFrameHeight frames drawn
    // by the frame renderer: neutral, half blink, blink, smile and half smile
    // (the template's "HBlink.obj", "Blink.obj" and "Smile.obj" shapes moved
    // onto the head, the smile at kHalfSmileWeight for the half smile), saved
    // as PNG under the output path without extension followed by
    // "_neutral.png", "_hblink.png", "_blink.png", "_smile.png" and
    // "_hsmile.png". When the data directory holds the program
    // kFrameConverter, each PNG is then given to it ("-o", the frame's path
    // with ".swf", the PNG's path), and the save waits for it and
    // converterSettleMilliseconds more. Without a frame renderer, or when a
    // PNG cannot be written: "Failed to save: " and its path; a conversion
    // that fails: "Failed to create SWF files: " and the SWF path.
    bool SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;
    // The renderer the frames are drawn with (not owned); none by default,
    // since the plug-ins do not draw themselves.
    void SetFrameRenderer(QV_MeshFrameRenderer* renderer) { frameRenderer = renderer; }
    int converterSettleMilliseconds = 500;
    static constexpr int kFrameWidth = 110;
    static constexpr int kFrameHeight = 64;
    static constexpr float kHalfSmileWeight = 0.5f;
    // The converter's name on this platform (no ".exe").
    static constexpr const char* kFrameConverter = "png2swf";

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> VertexLists() const override { return {&neck, &nonFace}; }
    // Outline completion before, the eyes placed; alignment to the
    // reference, a graft of what is not face, a stretched graft of the neck
    // and a smoothing of it.
    bool Recipe(QV_CreationRecipe& recipe) const override;

private:
    QV_MeshFrameRenderer* frameRenderer = nullptr;
};

// Type 15.
class QV_FlatSkinPlugin : public QV_MugShotHeadPlugin {
public:
    QV_FlatSkinPlugin() : QV_MugShotHeadPlugin({0.325f, 0.515f}) {}
    unsigned char leading = 0;
    QV_Image torso;  // "Torso.jpg"
    QV_List<int> neck, rightEar, leftEar, hair, chin;  // "Neck.verts" ... "Chin.verts"
    QV_Image reference;  // "Ref.jpg" (loaded, not part of the head record)
    QV_String Name() const override;
    // From the subfolder "Female" of kLoadFolder.
    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    static constexpr const char* kLoadFolder = "QuorFlatSkinLoadDir";
    // The mesh by extension, then the head texture and the torso picture as
    // PNG: the output path without extension followed by "_Face.png" and
    // "_Torso.png". The first failure gives "Failed to save: " and its path.
    bool SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;

protected:
    void Records(QV_HeadRecordIO& io) override;
    std::vector<const QV_List<int>*> VertexLists() const override
    {
        return {&neck, &rightEar, &leftEar, &hair, &chin};
    }
    // Outline completion; the annotation then rebuilt without the irises,
    // cheeks and nose bridge (and the neck when the leading byte is 0), the
    // ears' first points dragged to "FACE" points 4 and 18; the eyes placed.
    // After: alignment to the reference, grafts of the neck and the ears, a
    // stretched graft of the hair and two smoothing passes over the chin.
    bool Recipe(QV_CreationRecipe& recipe) const override;
    bool AfterPreparation(QV_AnnotationModel& model, const QV_Point2D& imageSize) const override;
    // Its eyes are the template's groups "Eye_Right" and "Eye_Left"; its
    // blend sample point is (0.325, 0.515) when the leading byte is 0 and
    // (0.2923, 0.521) otherwise.
    void DeriveLists() override;
};
