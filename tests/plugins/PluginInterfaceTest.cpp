// The plug-in interface: defaults, the data-directory loading pattern, the
// derived lists, the simplest save and vertex-list files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "PluginTestUtil.h"
#include "QV_FaceSearch.h"
#include "QV_VertexList.h"

using namespace plugin_test;
using visagen_test::Quiet;
using visagen_test::TempDir;
using visagen_test::WriteFileText;

namespace {

std::vector<unsigned char> HeadBytes(const QV_AvatarPlugin& p)
{
    std::FILE* f = std::tmpfile();
    EXPECT_TRUE(p.WriteHead(f));
    std::vector<unsigned char> out(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
    std::fclose(f);
    return out;
}

TEST(PluginDefaults, FrontAndProfileIsRefusedWithItsText)
{
    QV_PlainHeadPlugin plugin;
    QV_Image photo = Picture(2, 2, 1);
    QV_AnnotationModel model = Annotation("FACE", 0.0f);
    QV_Mesh out;
    QV_String error = "old";
    const QV_FaceSearch search;
    EXPECT_FALSE(plugin.CreateFromFrontAndProfile(search, photo, model, photo, model, out, false, error));
    EXPECT_EQ(error, "Front & Profile 3D creation not implemented for this avatar plugin");
    EXPECT_EQ(out.VertexCount(), 0);
}

TEST(PluginDefaults, SaveFromApplicationFailsWithEmptyText)
{
    TempDir dir;
    for (int type : {1, 4, 8, 12}) {
        std::unique_ptr<QV_AvatarPlugin> p = QV_CreatePlugin(type);
        QV_String error;
        EXPECT_FALSE(p->SaveFromApplication(TemplateHead(), dir.File("a.obj").c_str(), error)) << type;
        EXPECT_TRUE(error.IsEmpty()) << type;
        EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File("a.obj")).empty()) << type;
    }
}

TEST(PluginDefaults, SetFemaleBodyWithoutBodiesChangesNothing)
{
    for (int type : {4, 6, 13, 15}) {
        std::unique_ptr<QV_AvatarPlugin> p = QV_CreatePlugin(type);
        Fill(*p);
        const std::vector<unsigned char> before = HeadBytes(*p);
        p->SetFemaleBody(true);
        p->SetFemaleBody(false);
        p->SetFemaleBody(true);
        EXPECT_EQ(HeadBytes(*p), before) << type;
    }
    QV_BodyAvatarPlugin body;
    body.SetFemaleBody(true);
    EXPECT_TRUE(body.femaleBody);
}

TEST(PluginSave, SimplestSaveWritesTheMeshByExtension)
{
    TempDir dir;
    QV_PlainHeadPlugin plugin;
    QV_String error;
    ASSERT_TRUE(plugin.SaveAvatar(TemplateHead(), dir.File("head.obj").c_str(), error)) << error;
    QV_Mesh back;
    Quiet([&] { ASSERT_TRUE(back.Load(dir.File("head.obj").c_str())); });
    EXPECT_EQ(back.VertexCount(), 8);

    const std::string bad = dir.File("no/such/folder/head.obj");
    Quiet([&] { EXPECT_FALSE(plugin.SaveAvatar(TemplateHead(), bad.c_str(), error)); });
    EXPECT_EQ(error, ("Failed to save: " + bad).c_str());
}

TEST(PluginLoad, EveryFileMissingListsEachPathInOrder)
{
    TempDir dir;
    const std::string d = dir.Path();
    struct Case {
        int type;
        std::string folder;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {0, "/QuorHeadLoadDir/", {"Front.mma", "Right.mma", "Right.jpg", "MUG.mug2d3d", "TexMask.bmp"}},
        {12, "/QuorSolid/Normal/", {"Front.mma", "Right.mma", "Right.jpg", "MUG.mug2d3d", "TexMask.bmp", "Neck.verts"}},
        {4, "/PlainHeadLoadDir/", {"Front.mma", "MUG.mug2d3d", "TexMask.bmp"}},
        {10, "/NeckBlendLoadDir/Male/", {"Front.mma", "MUG.mug2d3d", "TexMask.bmp", "Head.verts", "Neck.verts"}},
        {14, "/QuorAnimatedLoadDir/", {"Front.mma", "MUG.mug2d3d", "TexMask.bmp", "Neck.verts", "NonFace2.verts",
                                       "Blink.obj", "HBlink.obj", "Smile.obj"}},
        {6, "/EarNeckLoadDir/Head/", {"Front.mma", "MUG.mug2d3d", "TexMask.bmp", "RightEar.verts", "LeftEar.verts",
                                      "Neck.verts", "TopNeck.verts", "Ref.jpg"}},
        {8, "/SkinnedXmlLoadDir/Character/", {"Front.mma", "MUG.mug2d3d", "TexMask.bmp", "Ref_vbw.txt", "Skeleton.xml",
                                              "Bonemap.xml", "Head.verts", "RefA.jpg"}},
        {1, "/BodyAvatarLoadDir/", {"Right.mma", "Right.jpg", "Front.mma", "MUG.mug", "Ref.obj", "EarsMask.bmp",
                                    "MouthMask.bmp", "NeckMask.bmp", "TorsoMask.bmp", "MaleTorso.obj", "MaleLegs.obj",
                                    "MaleHead.obj", "FemaleTorso.obj", "FemaleLegs.obj", "FemaleHead.obj",
                                    "FNeckBlend.verts", "MNeckBlend.verts"}},
        {2, "/EyeRigLoadDir/", {"NewRight.mma", "NewRight.jpg", "Front.mma", "MUG.mug", "Ref.obj", "OriginalRef.obj",
                                "Head.obj", "TexMask.bmp", "Neck.verts", "TopLip.verts", "BotLip.verts"}},
        {3, "/FigureLoadDir/", {"Right.mma", "Right.jpg", "Front.mma", "MUG.mug", "TexMask.bmp", "Smooth.verts",
                                "HeadBack.verts", "HeadCorrespondance.verts", "HeadNeckCorres.verts",
                                "BodyNeckCorres.verts", "BodyHeadCorrespondance.verts", "BodySmooth.verts",
                                "BodyBodyCorrespondance.verts", "QuorFemale.obj", "QuorMale.obj",
                                "QuorFemaleHead.obj", "TransparencyMap.jpg", "NormTransparencyMap.jpg"}},
        {11, "/EyePartsLoadDir/Female/", {"Front.mma", "MUG.mug2d3d", "TexMask.bmp", "Head.verts", "Rear.verts",
                                          "Lear.verts", "Blip.verts", "Tlip.verts", "Smooth.verts"}},
        {15, "/QuorFlatSkinLoadDir/Female/", {"Front.mma", "MUG.mug2d3d", "TexMask.bmp", "Ref.jpg", "Neck.verts",
                                              "RightEar.verts", "LeftEar.verts", "Chin.verts", "Hair.verts",
                                              "Torso.jpg"}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QV_AvatarPlugin> p = QV_CreatePlugin(c.type);
        QV_String error;
        bool ok = true;
        Quiet([&] { ok = p->LoadDataDirectory(d.c_str(), error); });
        EXPECT_FALSE(ok);
        std::string expected = "Failed to load the following files:\n";
        for (const std::string& f : c.files) expected += d + c.folder + f + "\n";
        EXPECT_EQ(error.Std(), expected);
        EXPECT_EQ(p->DataDirectory(), d.c_str());
    }
}

// A complete data directory for the standard plug-in.
void WriteStandardDirectory(const std::string& folder, const QV_MugShot2D3D& mug)
{
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    Quiet([&] {
        ASSERT_TRUE(Annotation("FACE", 0.1f).Save((folder + "/Front.mma").c_str()));
        ASSERT_TRUE(Annotation("PROFILE", 0.2f).Save((folder + "/Right.mma").c_str()));
        ASSERT_TRUE(Picture(6, 4, 3).Save((folder + "/Right.jpg").c_str()));
        ASSERT_TRUE(mug.Save((folder + "/MUG.mug2d3d").c_str()));
        ASSERT_TRUE(Picture(3, 5, 90).Save((folder + "/TexMask.bmp").c_str()));
    });
}

TEST(PluginLoad, CompleteStandardDirectory)
{
    TempDir dir;
    QV_MugShot2D3D mug;
    FillMugShot(mug, 0.0f);
    WriteStandardDirectory(dir.File("QuorHeadLoadDir"), mug);

    QV_StandardHeadPlugin plugin;
    QV_String error;
    bool ok = false;
    Quiet([&] { ok = plugin.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(error.Std(), "Failed to load the following files:\n");
    EXPECT_EQ(plugin.frontReference.Count(), 1);
    EXPECT_EQ(plugin.profileReference[0].label, "PROFILE");
    EXPECT_EQ(plugin.profileImage.Rows(), 6);
    EXPECT_FLOAT_EQ(plugin.referenceScale.x, 333.4f);
    EXPECT_FLOAT_EQ(plugin.referenceScale.y, 512.0f);
    // The mask file replaces the mugshot's own mask.
    EXPECT_EQ(plugin.mugshot.mask.Rows(), 3);
    EXPECT_EQ(plugin.mugshot.mask.Cols(), 5);
    EXPECT_FLOAT_EQ(plugin.mugshot.blendSample.x, 0.362f);
    EXPECT_FLOAT_EQ(plugin.mugshot.blendSample.y, 0.562f);
    EXPECT_EQ(plugin.referenceMesh.VertexCount(), 8);
    EXPECT_EQ(plugin.rightEye, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(plugin.leftEar, (std::vector<int>{0, 7, 6}));
}

TEST(PluginLoad, PartlyMissingDirectoryKeepsWhatLoaded)
{
    TempDir dir;
    QV_MugShot2D3D mug;
    FillMugShot(mug, 0.0f);
    const std::string folder = dir.File("QuorHeadLoadDir");
    WriteStandardDirectory(folder, mug);
    std::remove((folder + "/Right.mma").c_str());
    WriteFileText(folder + "/Right.jpg", "not a picture");

    QV_StandardHeadPlugin plugin;
    plugin.profileImage = Picture(2, 2, 1);
    QV_String error;
    bool ok = true;
    Quiet([&] { ok = plugin.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.Std(), "Failed to load the following files:\n" + folder + "/Right.mma\n" + folder + "/Right.jpg\n");
    EXPECT_EQ(plugin.frontReference[0].label, "FACE");
    EXPECT_EQ(plugin.profileImage.Rows(), 2);  // the failed file did not touch it
    EXPECT_EQ(plugin.rightEar, (std::vector<int>{4, 5, 6, 7}));
}

TEST(PluginLoad, BodySkinDirectoryRejectsAListBeyondTheTemplateHead)
{
    TempDir dir;
    QV_MugShot2D3D mug;
    FillMugShot(mug, 0.0f);
    const std::string folder = dir.File("BodySkinLoadDir");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    WriteStandardDirectory(folder + "/Male", mug);
    WriteFileText(folder + "/Male/Neck.verts", "2 0 7");
    WriteFileText(folder + "/Male/RightEar.verts", "1 8");
    WriteFileText(folder + "/Male/LeftEar.verts", "1 3");
    QV_BodySkinPlugin plugin;
    QV_String error;
    bool ok = true;
    Quiet([&] { ok = plugin.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.Std(), "Failed to load the following files:\n" + folder + "/Male/RightEar.verts\n");
    EXPECT_EQ(plugin.neck.Size(), 2u);
    EXPECT_EQ(plugin.rightEar.Size(), 0u);
    EXPECT_EQ(plugin.leftEar.Size(), 1u);
    EXPECT_FLOAT_EQ(plugin.referenceScale.x, 90.18f);
    EXPECT_FLOAT_EQ(plugin.mugshot.blendSample.y, 0.844f);
}

TEST(PluginLoad, EarNeckAndFlatSkinDirectoriesDeriveTheirGroupLists)
{
    TempDir dir;
    QV_MugShot2D3D mug;
    FillMugShot(mug, 0.0f);
    AddGroup(mug.templateMesh, "Tongue", {1});       // vertices 2 3 4
    AddGroup(mug.templateMesh, "TeethUpper", {0});   // vertices 0 1 2
    AddGroup(mug.templateMesh, "Eye_Right", {3});    // vertices 0 7 6
    const std::string earNeck = dir.File("EarNeckLoadDir");
    ASSERT_EQ(mkdir(earNeck.c_str(), 0755), 0);
    WriteStandardDirectory(earNeck + "/Head", mug);
    for (const char* list : {"RightEar.verts", "LeftEar.verts", "Neck.verts", "TopNeck.verts"})
        WriteFileText(earNeck + "/Head/" + list, "2 1 5");
    ASSERT_TRUE(Picture(4, 4, 8).Save((earNeck + "/Head/Ref.jpg").c_str()));
    QV_EarNeckHeadPlugin ear;
    QV_String error;
    bool ok = false;
    Quiet([&] { ok = ear.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_TRUE(ok) << error.CStr();
    EXPECT_EQ(ear.topNeck.Size(), 2u);
    EXPECT_EQ(ear.referenceTexture.Rows(), 4);
    EXPECT_FLOAT_EQ(ear.referenceScale.x, 321.0f);
    ASSERT_EQ(ear.mouthParts.Size(), 5u);  // 2 3 4 0 1: each vertex once, in group order
    EXPECT_EQ(ear.mouthParts[0], 2);
    EXPECT_EQ(ear.mouthParts[3], 0);
    EXPECT_EQ(ear.mouthParts[4], 1);

    const std::string flat = dir.File("QuorFlatSkinLoadDir");
    ASSERT_EQ(mkdir(flat.c_str(), 0755), 0);
    WriteStandardDirectory(flat + "/Female", mug);
    QV_FlatSkinPlugin skin;
    Quiet([&] { skin.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_EQ(skin.rightEye, (std::vector<int>{0, 7, 6}));  // its own eye groups
    EXPECT_TRUE(skin.leftEye.empty());
    EXPECT_FLOAT_EQ(skin.referenceScale.y, 81.7f);
    EXPECT_FLOAT_EQ(skin.mugshot.blendSample.x, 0.325f);  // leading byte 0
    skin.leading = 2;
    Quiet([&] { skin.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_FLOAT_EQ(skin.mugshot.blendSample.x, 0.2923f);
    EXPECT_FLOAT_EQ(skin.BlendSample().y, 0.521f);

    // The eye-parts target keeps its part groups' vertices as its derived list.
    AddGroup(mug.templateMesh, "R_eye_h", {2});      // vertices 4 5 6 7
    AddGroup(mug.templateMesh, "TeethDown_h", {0});  // vertices 0 1 2
    const std::string eyeParts = dir.File("EyePartsLoadDir");
    ASSERT_EQ(mkdir(eyeParts.c_str(), 0755), 0);
    WriteStandardDirectory(eyeParts + "/Female", mug);
    for (const char* list : {"Head.verts", "Rear.verts", "Lear.verts", "Blip.verts", "Tlip.verts", "Smooth.verts"})
        WriteFileText(eyeParts + "/Female/" + list, std::string(list) == "Smooth.verts" ? "1 6" : "2 1 5");
    QV_EyePartsHeadPlugin parts;
    Quiet([&] { ok = parts.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_TRUE(ok) << error.CStr();
    EXPECT_EQ(QV_IndexVector(parts.derived), (std::vector<int>{4, 5, 6, 7, 0, 1, 2}));
    EXPECT_EQ(QV_IndexVector(parts.smooth), std::vector<int>{6});
    EXPECT_FLOAT_EQ(parts.referenceScale.y, 181.9f);
}

TEST(PluginLoad, SkinnedXmlDirectoryReadsItsBoneWeightsAndTexts)
{
    TempDir dir;
    QV_MugShot2D3D mug;
    FillMugShot(mug, 0.0f);
    const std::string folder = dir.File("SkinnedXmlLoadDir");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string character = folder + "/Character";
    WriteStandardDirectory(character, mug);
    WriteFileText(character + "/Ref_vbw.txt", "0 1 0.5\n3 2 0.25  7 0 1e-2\n");
    WriteFileText(character + "/Skeleton.xml", "<skeleton>\n</skeleton>\n");
    WriteFileText(character + "/Bonemap.xml", "");
    WriteFileText(character + "/Head.verts", "2 6 7");
    ASSERT_TRUE(Picture(3, 3, 1).Save((character + "/RefA.jpg").c_str()));
    QV_SkinnedXmlPlugin plugin;
    QV_String error;
    bool ok = false;
    Quiet([&] { ok = plugin.LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_TRUE(ok) << error.CStr();
    ASSERT_EQ(plugin.boneWeights.size(), 3u);
    EXPECT_EQ(plugin.boneWeights[1], (QV_VertexBoneWeight{3, 2, 0.25f}));
    EXPECT_FLOAT_EQ(plugin.boneWeights[2].weight, 0.01f);
    EXPECT_EQ(plugin.skeletonText.Count(), 23);
    EXPECT_EQ(plugin.bonemapText.Count(), 0);
    EXPECT_EQ(plugin.head.Size(), 2u);
    EXPECT_FLOAT_EQ(plugin.referenceScale.x, 1.89f);

    // Malformed bone weights leave the list as it was.
    for (const char* bad : {"0 1", "0 1 x", "-1 2 0.5", "0 1 nan", "0 1 1e999", "0 1 0.5 4", "0.5 1 1"}) {
        WriteFileText(dir.File("bad.txt"), bad);
        EXPECT_FALSE(QV_LoadBoneWeights(dir.File("bad.txt").c_str(), plugin.boneWeights)) << bad;
        EXPECT_EQ(plugin.boneWeights.size(), 3u) << bad;
    }
    EXPECT_FALSE(QV_LoadFileBytes(dir.File("missing.xml").c_str(), plugin.skeletonText));
    EXPECT_EQ(plugin.skeletonText.Count(), 23);
}

TEST(PluginRead, StandardDerivesItsListsAfterReading)
{
    TempDir dir;
    QV_StandardHeadPlugin written;
    written.SetTypeCode(0);
    Fill(written);
    ASSERT_TRUE(QV_SaveHeadModel(dir.File("s.qvhead").c_str(), written));
    QV_String error;
    std::unique_ptr<QV_AvatarPlugin> p = LoadHeadModel(dir.File("s.qvhead").c_str(), error);
    auto* s = dynamic_cast<QV_StandardHeadPlugin*>(p.get());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->rightEye, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s->leftEye, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(s->rightEar, (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(s->leftEar, (std::vector<int>{0, 7, 6}));
    EXPECT_EQ(s->referenceMesh.VertexCount(), 8);
    ASSERT_EQ(s->neighbours.VertexCount(), 8);
    EXPECT_EQ(s->neighbours.Of(0), (std::vector<int>{1, 2, 6, 7}));
    EXPECT_EQ(s->neighbours.Of(3), (std::vector<int>{2, 4}));
    EXPECT_FLOAT_EQ(s->mugshot.blendSample.x, 0.362f);
    EXPECT_FLOAT_EQ(s->mugshot.blendSample.y, 0.562f);
    EXPECT_FLOAT_EQ(s->referenceScale.x, 333.4f);
}

// The skinned plug-in carries its blend sample point in its record.
TEST(PluginRead, SkinnedBlendSampleComesFromTheRecord)
{
    TempDir dir;
    QV_SkinnedXmlPlugin written;
    written.SetTypeCode(8);
    Fill(written);
    written.mugshot.blendSample = {0.9f, 0.8f};  // not what is stored
    ASSERT_TRUE(QV_SaveHeadModel(dir.File("k.qvhead").c_str(), written));
    QV_String error;
    std::unique_ptr<QV_AvatarPlugin> p = LoadHeadModel(dir.File("k.qvhead").c_str(), error);
    auto* k = dynamic_cast<QV_SkinnedXmlPlugin*>(p.get());
    ASSERT_TRUE(k);
    EXPECT_FLOAT_EQ(k->mugshot.blendSample.x, 0.415f);
    EXPECT_FLOAT_EQ(k->mugshot.blendSample.y, 0.77f);
    EXPECT_EQ(k->boneWeights, written.boneWeights);
    EXPECT_EQ(k->leading, 7);
}

}  // namespace
