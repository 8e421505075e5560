// A target of the plug-in family end to end, as an author and a user meet it:
// its data directory packed into a head model file by visagen-author, then a
// portrait turned into that target's avatar by visagen-cli with no hints.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_MugShot2D3D.h"
#include "QV_VertexList.h"
#include "TestSupport.h"

using visagen_test::TempDir;

namespace {

const std::string kData = VISAGEN_DATA_DIR;
const std::string kStandardFolder = kData + "/QuorHeadLoadDir";

bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

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

TEST(CliFamily, BodySkinTargetPackedByTheAuthorToolMakesItsAvatarAndSkins)
{
    TempDir dir;
    const std::string author = dir.File("author");
    const std::string data = dir.File("data");
    for (const std::string& d : {author, author + "/BodySkinLoadDir", author + "/BodySkinLoadDir/Male", data})
        ASSERT_EQ(::mkdir(d.c_str(), 0755), 0) << d;
    WriteBodySkinFolder(author + "/BodySkinLoadDir/Male");
    ASSERT_EQ(::symlink((kData + "/Head.qvface").c_str(), (data + "/Head.qvface").c_str()), 0);

    // Incomplete data is not packed.
    ASSERT_NE(visagen_test::RunProgram({VISAGEN_AUTHOR, "pack-head", "9", dir.File("nowhere"), dir.File("x.qvhead")}),
              0);
    EXPECT_FALSE(Exists(dir.File("x.qvhead")));
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "pack-head", "9", author, data + "/BodySkin.qvhead"}), 0);

    const std::string out = dir.File("avatar.obj");
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_CLI, "create", std::string(VISAGEN_SAMPLES_DIR) + "/grace_hopper.jpg",
                                        "-o", out, "--data-dir", data, "--plugin", "BodySkin"}),
              0);
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
    const std::string author = dir.File("author");
    const std::string data = dir.File("data");
    for (const std::string& d : {author, author + "/PlainHead2LoadDir", data})
        ASSERT_EQ(::mkdir(d.c_str(), 0755), 0) << d;
    WriteBodySkinFolder(author + "/PlainHead2LoadDir");
    ASSERT_EQ(::symlink((kData + "/Head.qvface").c_str(), (data + "/Head.qvface").c_str()), 0);
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_AUTHOR, "pack-head", "5", author, data + "/PlainHead2.qvhead"}), 0);

    const std::string out = dir.File("plain.obj");
    ASSERT_EQ(visagen_test::RunProgram({VISAGEN_CLI, "create", std::string(VISAGEN_SAMPLES_DIR) + "/grace_hopper.jpg",
                                        "-o", out, "--data-dir", data, "--plugin", "PlainHead2", "--female"}),
              0);
    QV_Mesh head;
    ASSERT_TRUE(head.Load(out.c_str()));
    QV_MugShot2D3D mug;
    ASSERT_TRUE(mug.Load((kStandardFolder + "/MUG.mug2d3d").c_str()));
    EXPECT_EQ(head.VertexCount(), mug.templateMesh.VertexCount());
    EXPECT_TRUE(head.hasTexture);
    QV_Image texture;
    EXPECT_TRUE(texture.Load(dir.File("plain.jpg").c_str()));
}

}  // namespace
