// The figure target: its data folder, the join of a created head into the
// chosen figure, and its save with the material library and textures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <fstream>

#include "PluginTestUtil.h"
#include "QV_VertexList.h"

using namespace plugin_test;
using visagen_test::Quiet;
using visagen_test::ReadFileBytes;
using visagen_test::ReadFileText;
using visagen_test::Exists;
using visagen_test::TempDir;

namespace {


QV_Point3D Mean(const std::vector<QV_Point3D>& points)
{
    QV_Point3D sum;
    for (const QV_Point3D& p : points) sum += p;
    return sum / static_cast<float>(points.size());
}

// The similarity the tests expect the join to find: a quarter turn about z,
// scale 2, moved by (10, -3, 1).
QV_Point3D Placed(const QV_Point3D& v) { return QV_Point3D(-2.0f * v.y + 10.0f, 2.0f * v.x - 3.0f, 2.0f * v.z + 1.0f); }

// A figure of 12 vertices in a row of quads: vertices 0..3 its head, 4..6 the
// neck seam, 7..11 the body. Groups: "1_SkinFace" (head quad), "2_SkinTorso"
// (body quads) and "Belt", which is no material of the library.
QV_Mesh Figure(float shift)
{
    QV_Mesh m;
    for (int i = 0; i < 12; ++i)
        m.vertices.Append({shift + static_cast<float>(i % 2), static_cast<float>(i / 2), 0.1f * static_cast<float>(i)});
    for (int i = 0; i < 12; ++i) m.texCoords.Append({(i % 2) * 1.0f, (i / 2) / 6.0f});
    for (int row = 0; row < 5; ++row) {
        const int a = 2 * row;
        QV_Face f(a, a + 1, a + 3, a + 2);
        for (int c = 0; c < 4; ++c) f.corners[c].texCoord = f.corners[c].vertex;
        m.faces.Append(f);
    }
    AddGroup(m, "1_SkinFace", {0});
    AddGroup(m, "2_SkinTorso", {1, 2, 3});
    AddGroup(m, "Belt", {4});
    return m;
}

// A figure plug-in with both figures and the correspondence lists: head
// vertices 0..2 go to figure vertices 0..2, the head's seam 3..5 meets the
// figure's 4..6, which sit where the tests' similarity puts the head's seam;
// figure vertex 8 is smoothed.
void SetUpFigure(QV_FigureHeadPlugin& p, const QV_Mesh& head)
{
    p.female = Figure(0.0f);
    p.male = Figure(50.0f);
    for (QV_Mesh* figure : {&p.female, &p.male})
        for (int k = 0; k < 3; ++k) figure->vertices[4 + k] = Placed(head.vertices[3 + k]);
    p.headCorrespondance = Indices({0, 1, 2});
    p.bodyHeadCorrespondance.Resize(3);
    for (int i = 0; i < 3; ++i) p.bodyHeadCorrespondance[i] = i;
    p.headNeckCorres = Indices({3, 4, 5});
    p.bodyNeckCorres = Indices({4, 5, 6});
    p.bodySmooth = Indices({8});
}

QV_Mesh TexturedHead()
{
    QV_Mesh m = TemplateHead();
    m.vertices[4] = {3.0f, 7.0f, -1.0f};  // the seam out of line, so that it fixes a rotation
    m.texture = Picture(16, 16, 3);
    m.hasTexture = true;
    return m;
}

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(FigureJoin, TheHeadIsPlacedOnTheNeckSeamAndPastedIntoTheChosenFigure)
{
    QV_FigureHeadPlugin plugin;
    const QV_Mesh head = TexturedHead();
    SetUpFigure(plugin, head);
    QV_Mesh joined;
    Quiet([&] { ASSERT_TRUE(plugin.JoinHead(head, joined)); });
    ASSERT_EQ(joined.VertexCount(), 12);
    for (int i = 0; i < 3; ++i) {
        const QV_Point3D want = Placed(head.vertices[i]);
        EXPECT_LT(Distance(joined.vertices[i], want), 1e-3f) << "head vertex " << i;
        EXPECT_LT(Distance(joined.vertices[4 + i], Placed(head.vertices[3 + i])), 1e-3f) << "seam " << i;
    }
    // The smoothed vertex sits at the mean of its neighbours; the others of
    // the body are the figure's own.
    const QV_VertexNeighbours n(joined);
    std::vector<QV_Point3D> around;
    for (int k : n.Of(8)) around.push_back(joined.vertices[k]);
    EXPECT_LT(Distance(joined.vertices[8], Mean(around)), 1e-4f);
    EXPECT_EQ(joined.vertices[11], plugin.male.vertices[11]);
    EXPECT_EQ(joined.vertices[3], plugin.male.vertices[3]);

    // The body option chooses the female figure.
    plugin.SetFemaleBody(true);
    Quiet([&] { ASSERT_TRUE(plugin.JoinHead(head, joined)); });
    EXPECT_EQ(joined.vertices[11], plugin.female.vertices[11]);

    // Without a figure the head itself is given.
    plugin.female = QV_Mesh();
    Quiet([&] { ASSERT_TRUE(plugin.JoinHead(head, joined)); });
    EXPECT_EQ(joined.VertexCount(), head.VertexCount());
}

TEST(FigureJoin, InconsistentListsAreRefused)
{
    const QV_Mesh head = TexturedHead();
    struct Case {
        const char* what;
        void (*spoil)(QV_FigureHeadPlugin&);
    };
    const Case cases[] = {
        {"head pairs of unequal length", [](QV_FigureHeadPlugin& p) { p.headCorrespondance.Append(6); }},
        {"neck pairs of unequal length", [](QV_FigureHeadPlugin& p) { p.bodyNeckCorres.Append(7); }},
        {"a head vertex beyond the head", [](QV_FigureHeadPlugin& p) { p.headCorrespondance[1] = 8; }},
        {"a figure vertex beyond the figure", [](QV_FigureHeadPlugin& p) { p.bodyHeadCorrespondance[0] = 12; }},
        {"a seam vertex beyond the figure", [](QV_FigureHeadPlugin& p) { p.bodyNeckCorres[2] = 40; }},
        {"a smoothed vertex beyond the figure", [](QV_FigureHeadPlugin& p) { p.bodySmooth.Append(12); }},
        {"a seam of one point", [](QV_FigureHeadPlugin& p) { p.headNeckCorres = p.bodyNeckCorres = Indices({4}); }},
    };
    for (const Case& c : cases) {
        QV_FigureHeadPlugin plugin;
        SetUpFigure(plugin, head);
        c.spoil(plugin);
        QV_Mesh joined;
        bool ok = true;
        Quiet([&] { ok = plugin.JoinHead(head, joined); });
        EXPECT_FALSE(ok) << c.what;
        // The creation's check sees the same faults, all but the degenerate seam.
        if (std::string(c.what) != "a seam of one point") {
            Quiet([&] { ok = plugin.JoinListsFit(head); });
            EXPECT_FALSE(ok) << c.what;
        }
    }
    QV_FigureHeadPlugin plugin;
    SetUpFigure(plugin, head);
    EXPECT_TRUE(plugin.JoinListsFit(head));
}

TEST(FigureSave, WritesTheJoinedFigureWithItsMaterialLibraryAndTextures)
{
    TempDir dir;
    QV_FigureHeadPlugin plugin;
    const QV_Mesh head = TexturedHead();
    SetUpFigure(plugin, head);
    plugin.bodyBodyCorrespondance = Indices({10, 9});  // vertex 10 welded to 9
    // Two of the stock textures are in the target's data folder.
    const std::string stock = dir.File("data/FigureLoadDir");
    ASSERT_EQ(mkdir(dir.File("data").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(stock.c_str(), 0755), 0);
    ASSERT_TRUE(Picture(8, 8, 70).SaveJPEG((stock + "/Torso.jpg").c_str()));
    ASSERT_TRUE(Picture(4, 4, 71).SaveJPEG((stock + "/EyesTr.jpg").c_str()));
    plugin.SetDataDirectory(dir.File("data").c_str());
    ASSERT_EQ(mkdir(dir.File("out").c_str(), 0755), 0);
    const std::string path = dir.File("out/avatar.obj");

    QV_String error;
    Quiet([&] { ASSERT_TRUE(plugin.SaveAvatar(head, path.c_str(), error)) << error.CStr(); });

    const std::string obj = ReadFileText(path);
    EXPECT_EQ(Count(obj, "mtllib avatar.mtl\n"), 1);
    EXPECT_LT(obj.find("mtllib"), obj.find("\nv "));
    EXPECT_NE(obj.find("g 1_SkinFace\nusemtl 1_SkinFace\n"), std::string::npos);
    EXPECT_NE(obj.find("g 2_SkinTorso\nusemtl 2_SkinTorso\n"), std::string::npos);
    EXPECT_EQ(Count(obj, "usemtl"), 2);  // not for "Belt"
    QV_Mesh back;
    Quiet([&] { ASSERT_TRUE(back.Load(path.c_str())); });
    ASSERT_EQ(back.VertexCount(), 12);
    EXPECT_LT(Distance(back.vertices[0], Placed(head.vertices[0])), 1e-3f);
    EXPECT_LT(Distance(back.vertices[10], back.vertices[9]), 1e-5f);

    const std::string mtl = ReadFileText(dir.File("out/avatar.mtl"));
    EXPECT_EQ(Count(mtl, "newmtl "), 29);
    EXPECT_EQ(mtl.rfind("newmtl 2_SkinHip\nd 1\n", 0), 0u);
    EXPECT_LT(mtl.find("newmtl 6_Eyelash"), mtl.find("newmtl 5_Lacrimal"));
    EXPECT_NE(mtl.find("map_Kd \"Lashes.jpg\"\nmap_D \"LashesTr.jpg\"\n\n"), std::string::npos);
    EXPECT_EQ(Count(mtl, "newmtl 1_EyeSocket\n"), 2);
    // The eye socket has no map: its block ends at its Km line.
    const size_t socket = mtl.find("newmtl 1_EyeSocket");
    EXPECT_EQ(mtl.find("map_", socket), mtl.find("map_", mtl.find("newmtl 1_SkinFace")));
    EXPECT_EQ(Count(mtl, "map_Kd \"Face.jpg\""), 3);
    EXPECT_EQ(Count(mtl, "map_Kd \"Limbs.jpg\""), 7);

    // The face picture is the head's texture; the stock ones present are copied.
    QV_Image face;
    Quiet([&] { ASSERT_TRUE(face.Load(dir.File("out/Face.jpg").c_str())); });
    EXPECT_EQ(face.Rows(), 16);
    EXPECT_EQ(ReadFileBytes(dir.File("out/Torso.jpg")), ReadFileBytes(stock + "/Torso.jpg"));
    EXPECT_EQ(ReadFileBytes(dir.File("out/EyesTr.jpg")), ReadFileBytes(stock + "/EyesTr.jpg"));
    EXPECT_FALSE(Exists(dir.File("out/Limbs.jpg")));
}

TEST(FigureSave, OtherExtensionsAndFailures)
{
    TempDir dir;
    QV_FigureHeadPlugin plugin;
    const QV_Mesh head = TexturedHead();
    SetUpFigure(plugin, head);
    QV_String error;
    // Another extension: the joined figure alone, by extension.
    Quiet([&] { ASSERT_TRUE(plugin.SaveAvatar(head, dir.File("figure.stl").c_str(), error)) << error.CStr(); });
    EXPECT_FALSE(Exists(dir.File("figure.mtl")));
    EXPECT_FALSE(Exists(dir.File("Face.jpg")));

    // A weld list that is not made of pairs, or names a vertex beyond the figure.
    for (const QV_List<int>& welds : {Indices({1, 2, 3}), Indices({1, 12})}) {
        plugin.bodyBodyCorrespondance = welds;
        Quiet([&] { EXPECT_FALSE(plugin.SaveAvatar(head, dir.File("a.obj").c_str(), error)); });
        EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("a.obj"));
        EXPECT_FALSE(Exists(dir.File("a.obj")));
    }
    plugin.bodyBodyCorrespondance = QV_List<int>();

    // An untextured head has no face picture to give.
    QV_Mesh bare = head;
    bare.hasTexture = false;
    Quiet([&] { EXPECT_FALSE(plugin.SaveAvatar(bare, dir.File("b.obj").c_str(), error)); });
    EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("Face.jpg"));

    // A folder that does not exist.
    Quiet([&] { EXPECT_FALSE(plugin.SaveAvatar(head, dir.File("none/c.obj").c_str(), error)); });
    EXPECT_EQ(error.Std(), "Failed to save: " + dir.File("none/c.obj"));
}

TEST(FigureData, TheDataFolderFillsTheRecordsAndThePluginCreatesFromThem)
{
    TempDir dir;
    // The files of a filled plug-in, written into the target's folder.
    QV_FigureHeadPlugin source;
    Fill(source);
    SetUpFigure(source, TexturedHead());
    const std::string folder = dir.File("FigureLoadDir");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    auto at = [&](const char* name) { return QV_String((folder + "/" + name).c_str()); };
    QV_List<int> bodyHead;
    for (int v : source.bodyHeadCorrespondance) bodyHead.Append(v);
    Quiet([&] {
        ASSERT_TRUE(source.profileReference.Save(at("Right.mma")));
        ASSERT_TRUE(source.profileImage.Save(at("Right.jpg")));
        ASSERT_TRUE(source.frontReference.Save(at("Front.mma")));
        ASSERT_TRUE(source.mugshot.Save(at("MUG.mug")));
        ASSERT_TRUE(source.mugshot.mask.Save(at("TexMask.bmp")));
        const std::pair<const char*, const QV_List<int>*> lists[] = {
            {"Smooth.verts", &source.smooth},
            {"HeadBack.verts", &source.headBack},
            {"HeadCorrespondance.verts", &source.headCorrespondance},
            {"HeadNeckCorres.verts", &source.headNeckCorres},
            {"BodyNeckCorres.verts", &source.bodyNeckCorres},
            {"BodyHeadCorrespondance.verts", &bodyHead},
            {"BodySmooth.verts", &source.bodySmooth},
            {"BodyBodyCorrespondance.verts", &source.bodyBodyCorrespondance}};
        for (const auto& [name, list] : lists) ASSERT_TRUE(QV_SaveVertexList(at(name), *list));
        ASSERT_TRUE(source.female.Save(at("QuorFemale.obj")));
        ASSERT_TRUE(source.male.Save(at("QuorMale.obj")));
        ASSERT_TRUE(source.femaleHead.Save(at("QuorFemaleHead.obj")));
        ASSERT_TRUE(source.transparencyMap.Save(at("TransparencyMap.jpg")));
        ASSERT_TRUE(source.normTransparencyMap.Save(at("NormTransparencyMap.jpg")));
    });

    std::unique_ptr<QV_AvatarPlugin> made = QV_CreatePlugin(3);
    auto* plugin = dynamic_cast<QV_FigureHeadPlugin*>(made.get());
    ASSERT_TRUE(plugin);
    QV_String error;
    bool ok = false;
    Quiet([&] { ok = plugin->LoadDataDirectory(dir.Path().c_str(), error); });
    ASSERT_TRUE(ok) << error.CStr();
    EXPECT_EQ(plugin->mugshot.templateMesh.VertexCount(), source.mugshot.templateMesh.VertexCount());
    EXPECT_EQ(plugin->mugshot.mask.Rows(), source.mugshot.mask.Rows());
    EXPECT_EQ(plugin->frontReference[0].NumPoints(), source.frontReference[0].NumPoints());
    EXPECT_EQ(plugin->profileReference[0].label.Std(), "PROFILE");
    EXPECT_EQ(plugin->profileImage.Cols(), source.profileImage.Cols());
    EXPECT_EQ(QV_IndexVector(plugin->headNeckCorres), QV_IndexVector(source.headNeckCorres));
    EXPECT_EQ(QV_IndexVector(plugin->bodySmooth), QV_IndexVector(source.bodySmooth));
    ASSERT_EQ(plugin->bodyHeadCorrespondance.Size(), 3);
    EXPECT_EQ(plugin->bodyHeadCorrespondance[2], 2);
    EXPECT_EQ(plugin->male.VertexCount(), 12);
    EXPECT_EQ(plugin->femaleHead.VertexCount(), 8);
    EXPECT_EQ(plugin->normTransparencyMap.Rows(), source.normTransparencyMap.Rows());
    // The blend sample point is the target's, as after reading a head file.
    EXPECT_FLOAT_EQ(plugin->mugshot.blendSample.x, 0.135f);

    // A list file that holds a negative number is refused by name.
    std::ofstream(folder + "/Smooth.verts") << "2 1 -4\n";
    Quiet([&] { ok = plugin->LoadDataDirectory(dir.Path().c_str(), error); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.Std(), "Failed to load the following files:\n" + folder + "/Smooth.verts\n");
}
