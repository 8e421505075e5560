// The saves of the targets that write more than the mesh: body skins, flat
// skins, the rigged XML export, the texture atlas split, the expression
// frames with their converter, and the iris-and-teeth application save.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <fstream>

#include "PluginTestUtil.h"
#include "QV_TextureAtlas.h"

using namespace plugin_test;
using visagen_test::ReadFileBytes;
using visagen_test::ReadFileText;
using visagen_test::Quiet;
using visagen_test::Exists;
using visagen_test::TempDir;

namespace {


// A picture in four flat quarters (row 0 at the bottom): bottom left red,
// bottom right green, top left blue, top right white.
QV_Image Quarters(int side)
{
    QV_Image im(side, side);
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            const bool top = r >= side / 2, right = c >= side / 2;
            im.Row(r)[c] = top ? (right ? QV_Colour(255, 255, 255, 255) : QV_Colour(0, 0, 255, 255))
                               : (right ? QV_Colour(0, 255, 0, 255) : QV_Colour(255, 0, 0, 255));
        }
    return im;
}

QV_Mesh TexturedHead(const QV_Image& texture)
{
    QV_Mesh m = TemplateHead();
    m.texture = texture;
    m.hasTexture = true;
    for (int f = 0; f < m.FaceCount(); ++f)
        for (int c = 0; c < m.faces[f].count; ++c) m.faces[f].corners[c].texCoord = m.faces[f].corners[c].vertex;
    return m;
}

// Within a JPEG's error of the expected colour.
void ExpectNear(const QV_Colour& got, const QV_Colour& want, const std::string& what)
{
    EXPECT_NEAR(got.red, want.red, 12) << what;
    EXPECT_NEAR(got.green, want.green, 12) << what;
    EXPECT_NEAR(got.blue, want.blue, 12) << what;
}

QV_Image Loaded(const std::string& path)
{
    QV_Image im;
    Quiet([&] { EXPECT_TRUE(im.Load(path.c_str())) << path; });
    return im;
}

TEST(BodySkinSave, WritesTheScaledHeadItsTextureAndThreeSkinQuarters)
{
    TempDir dir;
    QV_BodySkinPlugin plugin;
    const QV_Mesh head = TexturedHead(Quarters(64));
    QV_String error;
    ASSERT_TRUE(plugin.SaveFromApplication(head, dir.File("avatar.obj").c_str(), error)) << error.CStr();

    QV_Mesh back;
    Quiet([&] { ASSERT_TRUE(back.Load(dir.File("avatar.obj").c_str())); });
    back.UpdateBounds();
    EXPECT_NEAR(back.size.y, 1.8f, 1e-4f);
    // Scaled about the mean of the vertices, which therefore stays put.
    double mean[2] = {0, 0}, meanBack[2] = {0, 0};
    for (int i = 0; i < 8; ++i) {
        mean[0] += head.vertices[i].x / 8.0, mean[1] += head.vertices[i].y / 8.0;
        meanBack[0] += back.vertices[i].x / 8.0, meanBack[1] += back.vertices[i].y / 8.0;
    }
    EXPECT_NEAR(meanBack[0], mean[0], 1e-4);
    EXPECT_NEAR(meanBack[1], mean[1], 1e-4);
    EXPECT_EQ(Loaded(dir.File("avatar.jpg")).Rows(), 64);

    // Head from the upper left quarter, torso the lower left, legs the lower right.
    const struct {
        const char* name;
        QV_Colour colour;
    } skins[] = {{"avatar_Head.jpg", {0, 0, 255, 255}},
                 {"avatar_Torso.jpg", {255, 0, 0, 255}},
                 {"avatar_Legs.jpg", {0, 255, 0, 255}}};
    for (const auto& skin : skins) {
        const QV_Image im = Loaded(dir.File(skin.name));
        ASSERT_EQ(im.Rows(), 512) << skin.name;
        ASSERT_EQ(im.Cols(), 512) << skin.name;
        ExpectNear(im.Row(256)[256], skin.colour, skin.name);
        ExpectNear(im.Row(20)[20], skin.colour, skin.name);
    }
}

TEST(BodySkinSave, ASkinThatCannotBeWrittenIsReportedAndTheOthersStillAre)
{
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("avatar_Torso.jpg").c_str(), 0755), 0);
    QV_BodySkinPlugin plugin;
    QV_String error;
    Quiet([&] {
        EXPECT_FALSE(plugin.SaveFromApplication(TexturedHead(Quarters(8)), dir.File("avatar.obj").c_str(), error));
    });
    EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("avatar_Torso.jpg") + "\n");
    EXPECT_EQ(Loaded(dir.File("avatar_Head.jpg")).Rows(), 512);
    EXPECT_EQ(Loaded(dir.File("avatar_Legs.jpg")).Rows(), 512);
}

TEST(BodySkinSave, RefusesOtherExtensionsAndReportsUntexturedSkins)
{
    TempDir dir;
    QV_BodySkinPlugin plugin;
    QV_String error;
    const std::string wrl = dir.File("avatar.wrl");
    EXPECT_FALSE(plugin.SaveFromApplication(TexturedHead(Quarters(8)), wrl.c_str(), error));
    EXPECT_EQ(error.Std(), "This Avatar can only be saved to an obj file\nFailed to save: " + wrl);
    EXPECT_FALSE(Exists(wrl));
    EXPECT_FALSE(Exists(dir.File("avatar_Head.jpg")));

    // An untextured head is written, but it has no skins to give.
    EXPECT_FALSE(plugin.SaveFromApplication(TemplateHead(), dir.File("plain.obj").c_str(), error));
    EXPECT_TRUE(Exists(dir.File("plain.obj")));
    EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("plain_Head.jpg") + "\nFailed to save: " +
                               dir.File("plain_Torso.jpg") + "\nFailed to save: " + dir.File("plain_Legs.jpg") + "\n");
}

TEST(FlatSkinSave, WritesTheMeshThenFaceAndTorsoPictures)
{
    TempDir dir;
    QV_FlatSkinPlugin plugin;
    plugin.torso = Picture(6, 5, 70);
    const QV_Mesh head = TexturedHead(Picture(9, 7, 3));
    QV_String error;
    ASSERT_TRUE(plugin.SaveAvatar(head, dir.File("skin.obj").c_str(), error)) << error.CStr();
    QV_Mesh back;
    Quiet([&] { ASSERT_TRUE(back.Load(dir.File("skin.obj").c_str())); });
    EXPECT_EQ(back.VertexCount(), 8);
    EXPECT_TRUE(Loaded(dir.File("skin_Face.png")).SamePixels(head.texture));
    EXPECT_TRUE(Loaded(dir.File("skin_Torso.png")).SamePixels(plugin.torso));

    // Without a torso picture the save stops at it.
    QV_FlatSkinPlugin bare;
    Quiet([&] { EXPECT_FALSE(bare.SaveAvatar(head, dir.File("bare.obj").c_str(), error)); });
    EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("bare_Torso.png"));
    EXPECT_TRUE(Exists(dir.File("bare_Face.png")));
}

TEST(IrisTeethSave, TheApplicationSaveWritesTheMesh)
{
    TempDir dir;
    QV_IrisTeethPlugin plugin;
    QV_String error;
    ASSERT_TRUE(plugin.SaveFromApplication(TemplateHead(), dir.File("head.obj").c_str(), error));
    QV_Mesh back;
    Quiet([&] { ASSERT_TRUE(back.Load(dir.File("head.obj").c_str())); });
    EXPECT_EQ(back.FaceCount(), 4);
    const std::string bad = dir.File("missing/head.obj");
    Quiet([&] { EXPECT_FALSE(plugin.SaveFromApplication(TemplateHead(), bad.c_str(), error)); });
    EXPECT_EQ(error.Std(), "Failed to save: " + bad);
}

TEST(SkinnedXmlSave, XmlGivesTheRiggedFilesAndOtherExtensionsTheMesh)
{
    TempDir dir;
    QV_SkinnedXmlPlugin plugin;
    Fill(plugin);  // skeleton "<sk/>", bone map "a", two bone weights, alpha flag on
    QV_Mesh head = TexturedHead(Picture(8, 8, 4));
    head.Triangulate();
    head.ComputeFaceNormals(true);
    head.ComputeVertexNormals();
    QV_String error;
    ASSERT_TRUE(plugin.SaveAvatar(head, dir.File("rig.XML").c_str(), error)) << error.CStr();
    const std::string xml = ReadFileText(dir.File("rig.mesh.xml"));
    EXPECT_NE(xml.find("vertexindex=\"1\" boneindex=\"2\" weight=\"0.5\""), std::string::npos);
    EXPECT_NE(xml.find("vertexindex=\"3\" boneindex=\"4\" weight=\"0.25\""), std::string::npos);
    EXPECT_EQ(ReadFileText(dir.File("rig.mesh.skeleton.xml")), "<sk/>");
    EXPECT_EQ(ReadFileText(dir.File("rig.bonemap.xml")), "a");
    EXPECT_FALSE(ReadFileText(dir.File("rig.mesh.material")).empty());
    EXPECT_EQ(Loaded(dir.File("rig.jpg")).Rows(), 8);
    EXPECT_EQ(Loaded(dir.File("rigA.jpg")).Rows(), 8);

    plugin.flag = 0;  // no alpha texture
    ASSERT_TRUE(plugin.SaveAvatar(head, dir.File("plain.xml").c_str(), error));
    EXPECT_FALSE(Exists(dir.File("plainA.jpg")));
    EXPECT_TRUE(Exists(dir.File("plain.jpg")));

    ASSERT_TRUE(plugin.SaveAvatar(head, dir.File("mesh.obj").c_str(), error));
    EXPECT_FALSE(Exists(dir.File("mesh.mesh.xml")));
    QV_Mesh back;
    Quiet([&] { ASSERT_TRUE(back.Load(dir.File("mesh.obj").c_str())); });
    EXPECT_EQ(back.VertexCount(), 8);

    const std::string bad = dir.File("missing/rig.xml");
    Quiet([&] { EXPECT_FALSE(plugin.SaveAvatar(head, bad.c_str(), error)); });
    EXPECT_EQ(error.Std(), "Failed to save: " + bad);
}

// ---- texture atlas ----

// Feature k is one triangle whose corners use coordinates 0, 1, 2 (shared by
// every feature), so each feature must get copies of its own.
QV_Mesh AtlasMesh(int features)
{
    QV_Mesh m;
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({1, 0, 0});
    m.vertices.Append({0, 1, 0});
    m.texCoords.Append({0.05f, 0.05f});
    m.texCoords.Append({0.15f, 0.05f});
    m.texCoords.Append({0.05f, 0.15f});
    for (int k = 0; k < features; ++k) {
        QV_Face f(0, 1, 2);
        for (int c = 0; c < 3; ++c) f.corners[c].texCoord = c;
        m.faces.Append(f);
        QV_Feature feature;
        feature.name = QV_String("part") + k;
        feature.faceIndices.Append(k);
        m.features.Append(feature);
    }
    return m;
}

TEST(TextureAtlas, EachFeaturesCoordinatesMoveIntoItsOwnTile)
{
    QV_Mesh m = AtlasMesh(7);
    // Tile 1 sits at row 0, column 1; tile 6 at row 1, column 1. Their
    // coordinates, given in tile 0's corner, are moved as if they were in
    // their own tiles: u' = (u - 0.2 c) * 5.
    m.texCoords[0] = {0.25f, 0.25f};
    EXPECT_EQ(QV_RemapAtlasCoordinates(m), 7);
    ASSERT_EQ(m.TexCoordCount(), 3 + 7 * 3);
    EXPECT_FLOAT_EQ(m.texCoords[0].x, 0.25f);  // the originals stay
    for (int k : {0, 1, 6}) {
        const QV_Point2D uv = m.texCoords[m.faces[k].corners[0].texCoord];
        EXPECT_NEAR(uv.x, (0.25f - 0.2f * (k % 5)) * 5, 1e-5f) << k;
        EXPECT_NEAR(uv.y, (0.25f - 0.2f * (k / 5)) * 5, 1e-5f) << k;
    }
    EXPECT_NE(m.faces[0].corners[1].texCoord, m.faces[1].corners[1].texCoord);

    // Only 25 tiles: a 26th feature keeps its coordinates.
    QV_Mesh many = AtlasMesh(26);
    EXPECT_EQ(QV_RemapAtlasCoordinates(many), 25);
    EXPECT_EQ(many.faces[25].corners[2].texCoord, 2);
}

// side x side, tile (row, column) flat in (40 row, 40 column, 7), row 0 at the bottom.
QV_Image TileAtlas(int side)
{
    QV_Image atlas(side, side);
    const int tile = side / 5;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            atlas.Row(r)[c] = QV_Colour(static_cast<unsigned char>(40 * (r / tile)),
                                        static_cast<unsigned char>(40 * (c / tile)), 7, 255);
    return atlas;
}

TEST(TextureAtlas, TilesAreCutByRowAndColumnAndResized)
{
    const QV_Image atlas = TileAtlas(10);
    for (int k : {0, 4, 7, 24}) {
        const QV_Image tile = QV_AtlasTile(atlas, k, 4);
        ASSERT_EQ(tile.Rows(), 4);
        ASSERT_EQ(tile.Cols(), 4);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(tile.Row(r)[c].red, 40 * (k / 5)) << k;
                EXPECT_EQ(tile.Row(r)[c].green, 40 * (k % 5)) << k;
            }
    }
    // A tile already of the wanted size is cut as it is.
    const QV_Image same = QV_AtlasTile(atlas, 12, 2);
    EXPECT_EQ(same.Rows(), 2);
    EXPECT_EQ(same.Row(0)[0].red, 80);
    EXPECT_EQ(same.Row(0)[0].green, 80);
}

TEST(TextureAtlas, TurningAboutXFollowsTheRightHandRule)
{
    QV_Mesh m = AtlasMesh(1);
    m.normals.Append({0, 0, 1});
    QV_RotateMeshAboutX(m, 90.0f);
    EXPECT_NEAR(m.vertices[2].y, 0.0f, 1e-6f);
    EXPECT_NEAR(m.vertices[2].z, 1.0f, 1e-6f);
    EXPECT_NEAR(m.vertices[1].x, 1.0f, 1e-6f);
    EXPECT_NEAR(m.normals[0].y, -1.0f, 1e-6f);
}

TEST(EarNeckSave, WritesATilePerMaterialAndTheTurnedMeshWithoutTexture)
{
    TempDir dir;
    QV_EarNeckHeadPlugin plugin;
    QV_Mesh m = AtlasMesh(7);
    m.texture = TileAtlas(100);
    m.hasTexture = true;
    QV_String error;
    ASSERT_TRUE(plugin.SaveAvatar(m, dir.File("head.obj").c_str(), error)) << error.CStr();
    for (int k = 0; k < 7; ++k) {
        const std::string name = "head_part" + std::to_string(k) + ".jpg";
        const QV_Image tile = Loaded(dir.File(name));
        EXPECT_EQ(tile.Rows(), 512) << name;
        ExpectNear(tile.Row(256)[256], QV_Colour(40 * (k / 5), 40 * (k % 5), 7, 255), name);
    }
    EXPECT_FALSE(Exists(dir.File("head.jpg")));
    QV_Mesh back;
    Quiet([&] { ASSERT_TRUE(back.Load(dir.File("head.obj").c_str())); });
    // Vertex 2 (0, 1, 0) turned 20 degrees about x.
    EXPECT_NEAR(back.vertices[2].y, std::cos(20.0 * M_PI / 180.0), 1e-5);
    EXPECT_NEAR(back.vertices[2].z, std::sin(20.0 * M_PI / 180.0), 1e-5);
    EXPECT_NEAR(back.texCoords[back.faces[1].corners[0].texCoord].x, (0.05f - 0.2f) * 5, 1e-5f);

    // A tile that cannot be written stops the save before the mesh.
    ASSERT_EQ(::mkdir(dir.File("b_part1.jpg").c_str(), 0755), 0);
    Quiet([&] { EXPECT_FALSE(plugin.SaveAvatar(m, dir.File("b.obj").c_str(), error)); });
    EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("b_part1.jpg"));
    EXPECT_FALSE(Exists(dir.File("b.obj")));
}

// ---- expression frames ----

// Records the meshes it is given and paints frame k flat in grey 40 k.
class RecordingRenderer : public QV_MeshFrameRenderer {
public:
    bool RenderFrames(const std::vector<const QV_Mesh*>& meshes, int width, int height, std::vector<QV_Image>& frames,
                      QV_String& error) override
    {
        if (fail) {
            error = "no context";
            return false;
        }
        seen.clear();
        for (size_t k = 0; k < meshes.size(); ++k) {
            seen.push_back(*meshes[k]);
            QV_Image frame(height, width);
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    const auto g = static_cast<unsigned char>(40 * k);
                    frame.Row(r)[c] = QV_Colour(g, g, g, 255);
                }
            frames.push_back(frame);
        }
        return true;
    }
    std::vector<QV_Mesh> seen;
    bool fail = false;
};

class AnimatedSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        FillMugShot(plugin.mugshot, 0.0f);  // template head at offset 0
        plugin.blink = plugin.halfBlink = plugin.smile = plugin.mugshot.templateMesh;
        plugin.blink.vertices[0].y += 1.0f;
        plugin.halfBlink.vertices[0].y += 0.5f;
        plugin.smile.vertices[5].x += 2.0f;
        plugin.SetDataDirectory(data.Path().c_str());
        plugin.SetFrameRenderer(&renderer);
        plugin.converterSettleMilliseconds = 0;
    }

    // A converter that logs its working folder and arguments and writes the
    // output it is asked for (or fails with the given status).
    void InstallConverter(int status)
    {
        const std::string path = data.File("png2swf");
        visagen_test::WriteFileText(path, "#!/bin/sh\npwd >> \"" + out.File("log") + "\"\necho \"$@\" >> \"" +
                                              out.File("log") + "\"\ncp \"$3\" \"$2\"\nexit " +
                                              std::to_string(status) + "\n");
        ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    }

    TempDir data, out;
    RecordingRenderer renderer;
    QV_AnimatedFacePlugin plugin;
    const char* suffixes[5] = {"_neutral", "_hblink", "_blink", "_smile", "_hsmile"};
};

TEST_F(AnimatedSave, WritesTheMeshAndFiveExpressionFrames)
{
    const QV_Mesh head = TexturedHead(Picture(4, 4, 2));
    QV_String error;
    ASSERT_TRUE(plugin.SaveAvatar(head, out.File("face.obj").c_str(), error)) << error.CStr();
    EXPECT_TRUE(Exists(out.File("face.obj")));
    for (int k = 0; k < 5; ++k) {
        const QV_Image frame = Loaded(out.File(std::string("face") + suffixes[k] + ".png"));
        EXPECT_EQ(frame.Rows(), 64) << k;
        EXPECT_EQ(frame.Cols(), 110) << k;
        EXPECT_EQ(frame.Row(0)[0].red, 40 * k) << k;
        EXPECT_FALSE(Exists(out.File(std::string("face") + suffixes[k] + ".swf"))) << k;
    }
    // Neutral, half blink, blink, smile, half smile: the template's shapes
    // moved onto the head (here placed exactly on the template).
    ASSERT_EQ(renderer.seen.size(), 5u);
    EXPECT_FLOAT_EQ(renderer.seen[0].vertices[0].y, head.vertices[0].y);
    EXPECT_NEAR(renderer.seen[1].vertices[0].y, head.vertices[0].y + 0.5f, 1e-4f);
    EXPECT_NEAR(renderer.seen[2].vertices[0].y, head.vertices[0].y + 1.0f, 1e-4f);
    EXPECT_NEAR(renderer.seen[3].vertices[5].x, head.vertices[5].x + 2.0f, 1e-4f);
    EXPECT_NEAR(renderer.seen[4].vertices[5].x, head.vertices[5].x + 1.0f, 1e-4f);
    EXPECT_NEAR(renderer.seen[4].vertices[0].y, head.vertices[0].y, 1e-4f);
}

TEST_F(AnimatedSave, EachFrameGoesThroughTheConverterWhenThereIsOne)
{
    InstallConverter(0);
    QV_String error;
    ASSERT_TRUE(plugin.SaveAvatar(TexturedHead(Picture(4, 4, 2)), out.File("face.obj").c_str(), error))
        << error.CStr();
    const std::vector<std::string> log = visagen_test::ReadFileLines(out.File("log"));
    ASSERT_EQ(log.size(), 10u);
    for (int k = 0; k < 5; ++k) {
        const std::string frame = out.File(std::string("face") + suffixes[k]);
        EXPECT_EQ(log[2 * k], data.Path()) << k;  // run in its own folder
        EXPECT_EQ(log[2 * k + 1], "-o " + frame + ".swf " + frame + ".png") << k;
        EXPECT_EQ(ReadFileBytes(frame + ".swf"), ReadFileBytes(frame + ".png")) << k;
    }
}

TEST_F(AnimatedSave, FailuresOfTheConverterTheRendererAndThePicturesAreReported)
{
    InstallConverter(3);
    const QV_Mesh head = TexturedHead(Picture(4, 4, 2));
    QV_String error;
    EXPECT_FALSE(plugin.SaveAvatar(head, out.File("face.obj").c_str(), error));
    EXPECT_EQ(error.Std().rfind("Failed to create SWF files: " + out.File("face_neutral.swf"), 0), 0u) << error.CStr();
    EXPECT_EQ(visagen_test::ReadFileLines(out.File("log")).size(), 2u);  // stopped at the first

    // A converter file that is not a program cannot be run.
    ASSERT_EQ(::chmod(data.File("png2swf").c_str(), 0644), 0);
    EXPECT_FALSE(plugin.SaveAvatar(head, out.File("face.obj").c_str(), error));
    EXPECT_EQ(error.Std().rfind("Failed to create SWF files: ", 0), 0u);

    renderer.fail = true;
    EXPECT_FALSE(plugin.SaveAvatar(head, out.File("r.obj").c_str(), error));
    EXPECT_EQ(error.Std(), "Failed to save: " + out.File("r_neutral.png") + "\nno context");
    EXPECT_TRUE(Exists(out.File("r.obj")));

    QV_AnimatedFacePlugin bare;
    EXPECT_FALSE(bare.SaveAvatar(head, out.File("s.obj").c_str(), error));
    EXPECT_EQ(error.Std().rfind("Failed to save: " + out.File("s_neutral.png"), 0), 0u);

    renderer.fail = false;
    ::remove(data.File("png2swf").c_str());
    ASSERT_EQ(::mkdir(out.File("p_blink.png").c_str(), 0755), 0);
    Quiet([&] { EXPECT_FALSE(plugin.SaveAvatar(head, out.File("p.obj").c_str(), error)); });
    EXPECT_EQ(error.Std(), "Failed to save: " + out.File("p_blink.png"));
    EXPECT_TRUE(Exists(out.File("p_hblink.png")));
    EXPECT_FALSE(Exists(out.File("p_smile.png")));
}

}  // namespace
