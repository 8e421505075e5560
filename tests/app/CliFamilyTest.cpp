// A target of the plug-in family end to end, as an author and a user meet it:
// its data directory packed into a head model file by visagen-author, then a
// portrait turned into that target's avatar by visagen-cli with no hints.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_MugShot2D3D.h"
#include "QV_VertexList.h"
#include "TestSupport.h"

using visagen_test::Exists;
using visagen_test::TempDir;

namespace {

const std::string kData = VISAGEN_DATA_DIR;
const std::string kStandardFolder = kData + "/QuorHeadLoadDir";


QV_List<int> ToList(const std::vector<int>& v)
{
    QV_List<int> l;
    for (int i : v) l.Append(i);
    return l;
}

// The body-skin target's folder, from the shipped standard template: its
// front reference pairs "BODY" with the fitted "FACE", the ears are the
// template's ear groups and the neck the lowest vertices of its head.
void WriteBodySkinFolder(const std::string& folder)
{
    ASSERT_EQ(::symlink((kStandardFolder + "/MUG.mug2d3d").c_str(), (folder + "/MUG.mug2d3d").c_str()), 0);
    ASSERT_EQ(::symlink((kStandardFolder + "/TexMask.bmp").c_str(), (folder + "/TexMask.bmp").c_str()), 0);
    QV_AnnotationModel front;
    ASSERT_TRUE(front.Load((kStandardFolder + "/Front.mma").c_str()));
    const int face = front.Find("FACE");
    ASSERT_GE(face, 0);
    front[face].label = QV_String("BODY");
    ASSERT_TRUE(front.Save((folder + "/Front.mma").c_str()));

    QV_MugShot2D3D mug;
    ASSERT_TRUE(mug.Load((kStandardFolder + "/MUG.mug2d3d").c_str()));
    const QV_Mesh& t = mug.templateMesh;
    ASSERT_TRUE(QV_SaveVertexList((folder + "/RightEar.verts").c_str(), ToList(QV_GroupVertices(t, "RightEar"))));
    ASSERT_TRUE(QV_SaveVertexList((folder + "/LeftEar.verts").c_str(), ToList(QV_GroupVertices(t, "LeftEar"))));
    std::vector<int> order(static_cast<size_t>(t.VertexCount()));
    for (int v = 0; v < t.VertexCount(); ++v) order[static_cast<size_t>(v)] = v;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return t.vertices[a].y < t.vertices[b].y; });
    order.resize(40);
    ASSERT_TRUE(QV_SaveVertexList((folder + "/Neck.verts").c_str(), ToList(order)));
}

// A target's folder under an author directory, filled by write and packed
// by the author tool into a data directory beside the shipped face model,
// then a portrait made into that target's avatar at out. Fails the test
// when a step fails.
void PackAndCreate(const TempDir& dir, const char* type, const std::string& folder,
                   const std::function<void(const std::string&)>& write, const std::string& target,
                   const std::string& out, std::vector<std::string> options = {})
{
    const std::string author = dir.File("author");
    const std::string data = dir.File("data");
    std::error_code ec;
    ASSERT_TRUE(std::filesystem::create_directories(author + "/" + folder, ec)) << folder;
    ASSERT_TRUE(std::filesystem::create_directories(data, ec));
    write(author + "/" + folder);
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_EQ(::symlink((kData + "/Head.qvface").c_str(), (data + "/Head.qvface").c_str()), 0);
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "pack-head", type, author, data + "/" + target + ".qvhead"}),
              0);
    std::vector<std::string> create = {VISAGEN_CLI, "create", std::string(VISAGEN_SAMPLES_DIR) + "/grace_hopper.jpg",
                                       "-o", out, "--data-dir", data, "--plugin", target};
    create.insert(create.end(), options.begin(), options.end());
    ASSERT_EQ(visagen_test::RunProgram(create), 0);
}

TEST(CliFamily, BodySkinTargetPackedByTheAuthorToolMakesItsAvatarAndSkins)
{
    TempDir dir;
    // Incomplete data is not packed.
    ASSERT_NE(visagen_test::RunProgram({VISAGEN_AUTHOR, "pack-head", "9", dir.File("nowhere"), dir.File("x.qvhead")}),
              0);
    EXPECT_FALSE(Exists(dir.File("x.qvhead")));
    const std::string out = dir.File("avatar.obj");
    PackAndCreate(dir, "9", "BodySkinLoadDir/Male", WriteBodySkinFolder, "BodySkin", out);
    if (HasFatalFailure()) return;
    QV_Mesh head;
    ASSERT_TRUE(head.Load(out.c_str()));
    head.UpdateBounds();
    EXPECT_NEAR(head.size.y, 1.8f, 1e-3f);
    for (const char* skin : {"avatar.jpg", "avatar_Head.jpg", "avatar_Torso.jpg", "avatar_Legs.jpg"}) {
        QV_Image im;
        ASSERT_TRUE(im.Load(dir.File(skin).c_str())) << skin;
        if (std::string(skin) != "avatar.jpg") {
            EXPECT_EQ(im.Rows(), 512) << skin;
        }
    }
}

// A target without an application save: the command line saves it by the
// target's own save (here the mesh by extension, its texture beside it).
TEST(CliFamily, ATargetWithoutAnApplicationSaveIsSavedByItsOwn)
{
    TempDir dir;
    const std::string out = dir.File("plain.obj");
    PackAndCreate(dir, "5", "PlainHead2LoadDir", WriteBodySkinFolder, "PlainHead2", out, {"--female"});
    if (HasFatalFailure()) return;
    QV_Mesh head;
    ASSERT_TRUE(head.Load(out.c_str()));
    QV_MugShot2D3D mug;
    ASSERT_TRUE(mug.Load((kStandardFolder + "/MUG.mug2d3d").c_str()));
    EXPECT_EQ(head.VertexCount(), mug.templateMesh.VertexCount());
    EXPECT_TRUE(head.hasTexture);
    QV_Image texture;
    EXPECT_TRUE(texture.Load(dir.File("plain.jpg").c_str()));
}

// What the targets on the older mugshot share, from the shipped standard
// folder: its references, stock profile and mask, and the older mugshot the
// author tool makes from it.
void WriteOlderBasics(const std::string& folder, bool bodyLayout = false)
{
    for (const char* name : {"Right.mma", "Right.jpg", "Front.mma", "TexMask.bmp"})
        ASSERT_EQ(::symlink((kStandardFolder + "/" + name).c_str(), (folder + "/" + name).c_str()), 0) << name;
    std::vector<std::string> make = {VISAGEN_AUTHOR, "older-mug", kStandardFolder, folder + "/MUG.mug"};
    if (bodyLayout) make.push_back("--body");
    ASSERT_EQ(visagen_test::RunProgram(make), 0);
}

QV_Mesh TemplateHead()
{
    QV_MugShot2D3D mug;
    EXPECT_TRUE(mug.Load((kStandardFolder + "/MUG.mug2d3d").c_str()));
    return mug.templateMesh;
}

// The figure target from the shipped template alone: a "figure" that is the
// template head itself, every vertex paired with its own, its face group
// named as the library's face material.
void WriteFigureFolder(const std::string& folder)
{
    WriteOlderBasics(folder);
    QV_Mesh figure = TemplateHead();
    for (unsigned k = 0; k < figure.features.Size(); ++k)
        if (figure.features[k].name == QV_String("Face")) figure.features[k].name = QV_String("1_SkinFace");
    for (const char* name : {"QuorFemale.obj", "QuorMale.obj", "QuorFemaleHead.obj"})
        ASSERT_TRUE(figure.Save((folder + "/" + name).c_str())) << name;
    std::vector<int> all(static_cast<size_t>(figure.VertexCount()));
    for (int v = 0; v < figure.VertexCount(); ++v) all[static_cast<size_t>(v)] = v;
    for (const char* name : {"HeadCorrespondance.verts", "BodyHeadCorrespondance.verts"})
        ASSERT_TRUE(QV_SaveVertexList((folder + "/" + name).c_str(), ToList(all)));
    for (const char* name : {"Smooth.verts", "HeadBack.verts", "HeadNeckCorres.verts", "BodyNeckCorres.verts",
                             "BodySmooth.verts", "BodyBodyCorrespondance.verts"})
        ASSERT_TRUE(QV_SaveVertexList((folder + "/" + name).c_str(), QV_List<int>()));
    QV_Image map(8, 8);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) map.Row(r)[c] = QV_Colour(200, 200, 200, 255);
    for (const char* name : {"TransparencyMap.jpg", "NormTransparencyMap.jpg"})
        ASSERT_TRUE(map.SaveJPEG((folder + "/" + name).c_str()));
}

// The body avatar from the shipped template: the template as its reference
// head and as every body mesh, its lowest vertices as both neck blends.
void WriteBodyAvatarFolder(const std::string& folder)
{
    WriteOlderBasics(folder, true);
    for (const char* name : {"EarsMask.bmp", "MouthMask.bmp", "NeckMask.bmp", "TorsoMask.bmp"})
        ASSERT_EQ(::symlink((kStandardFolder + "/TexMask.bmp").c_str(), (folder + "/" + name).c_str()), 0) << name;
    const QV_Mesh head = TemplateHead();
    for (const char* name : {"Ref.obj", "MaleTorso.obj", "MaleLegs.obj", "MaleHead.obj", "FemaleTorso.obj",
                             "FemaleLegs.obj", "FemaleHead.obj"})
        ASSERT_TRUE(head.Save((folder + "/" + name).c_str())) << name;
    std::vector<int> order(static_cast<size_t>(head.VertexCount()));
    for (int v = 0; v < head.VertexCount(); ++v) order[static_cast<size_t>(v)] = v;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return head.vertices[a].y < head.vertices[b].y; });
    order.resize(40);
    for (const char* name : {"FNeckBlend.verts", "MNeckBlend.verts"})
        ASSERT_TRUE(QV_SaveVertexList((folder + "/" + name).c_str(), ToList(order)));
}

// The two-photograph creation of the older mugshot, its depth from the stock
// profile, on a real portrait.
TEST(CliFamily, BodyAvatarOnTheOlderMugshotMakesAHeadFromTheStockProfile)
{
    TempDir dir;
    const std::string out = dir.File("avatar.obj");
    PackAndCreate(dir, "1", "BodyAvatarLoadDir", WriteBodyAvatarFolder, "BodyAvatar", out);
    if (HasFatalFailure()) return;
    QV_Mesh head;
    ASSERT_TRUE(head.Load(out.c_str()));
    const QV_Mesh stock = TemplateHead();
    ASSERT_EQ(head.VertexCount(), stock.VertexCount());
    EXPECT_EQ(head.texture.Rows(), 512);
    // Set on the reference's neck, the head has about the template's size.
    head.UpdateBounds();
    QV_Mesh reference = stock;
    reference.UpdateBounds();
    EXPECT_NEAR(head.size.y / reference.size.y, 1.0f, 0.25f);
}

TEST(CliFamily, FigureTargetOnTheOlderMugshotWritesItsFigureWithTheMaterialLibrary)
{
    TempDir dir;
    const std::string out = dir.File("figure.obj");
    PackAndCreate(dir, "3", "FigureLoadDir", WriteFigureFolder, "Figure", out, {"--female"});
    if (HasFatalFailure()) return;
    QV_Mesh figure;
    ASSERT_TRUE(figure.Load(out.c_str()));
    const QV_Mesh stock = TemplateHead();
    EXPECT_EQ(figure.VertexCount(), stock.VertexCount());
    const std::string text = visagen_test::ReadFileText(out);
    EXPECT_NE(text.find("mtllib figure.mtl\n"), std::string::npos);
    EXPECT_NE(text.find("g 1_SkinFace\nusemtl 1_SkinFace\n"), std::string::npos);
    const std::string mtl = visagen_test::ReadFileText(dir.File("figure.mtl"));
    EXPECT_NE(mtl.find("newmtl 1_SkinFace\n"), std::string::npos);
    // The face picture is the created head's texture: the photograph's face,
    // not the stock skin.
    QV_Image face;
    ASSERT_TRUE(face.Load(dir.File("Face.jpg").c_str()));
    EXPECT_EQ(face.Rows(), stock.texture.Rows());
    double differs = 0.0;
    for (int r = 0; r < face.Rows(); r += 4)
        for (int c = 0; c < face.Cols(); c += 4)
            differs += std::abs(face.Row(r)[c].red - stock.texture.Row(r)[c].red);
    EXPECT_GT(differs / ((face.Rows() / 4) * (face.Cols() / 4)), 2.0);
}

}  // namespace

namespace {

// The shipped head model file unpacked by the author tool gives its folder
// back (the mugshot and annotations byte for byte), which packs again.
TEST(CliFamily, UnpackingTheShippedHeadGivesItsFolderBack)
{
    TempDir dir;
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "unpack-head", kData + "/Standard.qvhead", dir.File("out")}),
              0);
    for (const char* name : {"MUG.mug2d3d", "Front.mma", "Right.mma", "TexMask.bmp"})
        EXPECT_EQ(visagen_test::ReadFileBytes(dir.File("out/QuorHeadLoadDir/") + name),
                  visagen_test::ReadFileBytes(kStandardFolder + "/" + name))
            << name;
    EXPECT_TRUE(Exists(dir.File("out/QuorHeadLoadDir/Right.jpg")));
    EXPECT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "pack-head", "0", dir.File("out"), dir.File("S.qvhead")}), 0);
    EXPECT_NE(visagen_test::RunProgram({VISAGEN_AUTHOR, "unpack-head", dir.File("none.qvhead"), dir.File("x")}), 0);
}

}  // namespace
