// Head creation by the plug-ins built on the 2D-3D mugshot besides the
// standard one, on the synthetic mugshot: each target's annotation steps,
// repairs and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "AppTestFixture.h"
#include "QV_FaceSearch.h"
#include "QV_HeadRepair.h"
#include "QV_MugShot.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_OlderMugShotPlugins.h"

using namespace app_fixture;
using visagen_test::Quiet;
using visagen_test::TempDir;

namespace {

QV_List<int> Indices(std::initializer_list<int> v)
{
    QV_List<int> l;
    for (int i : v) l.Append(i);
    return l;
}

// The front reference of the targets that align it: "BODY" at the place of
// the user's "FACE" (annotation 1), in the template frame (scale 1, 1), and
// a contour of its own that is appended to the user's copy.
QV_AnnotationModel BodyReference()
{
    QV_AnnotationModel m;
    QV_Annotation extra;
    extra.label = QV_String("SHOULDERS");
    for (int k = 0; k < 5; ++k) extra.points.Append(QV_Point2D(-120.0f + 60.0f * k, -260.0f));
    m.annotations.Append(extra);
    QV_Annotation body;
    body.label = QV_String("BODY");
    for (const QV_Point2D& p : mugshot_fixture::Ellipse({0, -50}, 85, 140, 20, 90)) body.points.Append(p);
    m.annotations.Append(body);
    return m;
}

// The model without annotation `drop`.
QV_AnnotationModel Without(const QV_AnnotationModel& model, int drop)
{
    QV_AnnotationModel out;
    for (int a = 0; a < model.Count(); ++a)
        if (a != drop) out.annotations.Append(model[a]);
    return out;
}

// A plug-in of the type around the grouped synthetic mugshot (with iris and
// teeth groups too), read back from its head model file so that its derived
// lists are built as after any read.
std::unique_ptr<QV_MugShotHeadPlugin> LoadFamily(int type, const TempDir& dir,
                                                 const std::function<void(QV_MugShotHeadPlugin&)>& fill)
{
    std::unique_ptr<QV_AvatarPlugin> made = QV_CreatePlugin(type);
    auto* p = dynamic_cast<QV_MugShotHeadPlugin*>(made.get());
    EXPECT_TRUE(p) << type;
    if (!p) return nullptr;
    p->mugshot = GroupedMugShot();
    QV_Mesh& t = p->mugshot.templateMesh;
    AddQuadGroup(t, "RightIris", 7, 3);
    AddQuadGroup(t, "LeftIris", 7, 5);
    AddQuadGroup(t, "TopTeeth", 2, 4);
    p->frontReference = BodyReference();
    p->referenceScale = {1.0f, 1.0f};
    fill(*p);
    const std::string path = dir.File("family.qvhead");
    EXPECT_TRUE(QV_SaveHeadModel(path.c_str(), *p));
    return ReadPlugin<QV_MugShotHeadPlugin>(path);
}

// A face search whose reference is the synthetic annotation, so that it can
// complete the outline of the synthetic fit.
QV_FaceSearch OutlineSearch()
{
    QV_FaceSearch search;
    search.reference = mugshot_fixture::FrontAnnotation();
    return search;
}

QV_Point3D Centroid(const QV_Mesh& m)
{
    QV_Point3D c;
    for (int v = 0; v < m.VertexCount(); ++v) c += m.vertices[v];
    return c / static_cast<float>(m.VertexCount());
}

// Root mean square distance of the vertices from their centroid.
float Spread(const QV_Mesh& m)
{
    const QV_Point3D c = Centroid(m);
    double sum = 0.0;
    for (int v = 0; v < m.VertexCount(); ++v) sum += std::pow(Distance(m.vertices[v], c), 2.0);
    return static_cast<float>(std::sqrt(sum / m.VertexCount()));
}

// Every distance between the listed vertices of a is one common factor
// times the distance in b (in x and y alone when flat is set).
void ExpectSimilarShape(const QV_Mesh& a, const QV_Mesh& b, const std::vector<int>& list, const char* what,
                        bool flat = false)
{
    ASSERT_GE(list.size(), 3u);
    auto d = [flat](const QV_Mesh& m, int i, int j) {
        QV_Point3D p = m.vertices[i], q = m.vertices[j];
        if (flat) p.z = q.z = 0.0f;
        return Distance(p, q);
    };
    const float factor = d(a, list[0], list[1]) / d(b, list[0], list[1]);
    for (size_t i = 0; i < list.size(); ++i)
        for (size_t j = i + 1; j < list.size(); ++j)
            EXPECT_NEAR(d(a, list[i], list[j]), factor * d(b, list[i], list[j]), 1e-3f)
                << what << " " << list[i] << " " << list[j];
}

TEST(FamilyCreate, EveryTargetWithStepsMakesATexturedHeadInTheReferencesPlace)
{
    // Lists on grid vertices near the bottom (a neck), the sides (ears) and
    // the back vertices.
    const QV_List<int> neck = Indices({1, 2, 3, 11, 12, 13});
    const QV_List<int> side = Indices({50, 51, 60, 61});
    const QV_List<int> back = Indices({120, 121, 122, 123});
    const QV_FaceSearch search = OutlineSearch();
    for (int type : {4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15}) {
        TempDir dir;
        auto plugin = LoadFamily(type, dir, [&](QV_MugShotHeadPlugin& p) {
            if (auto* t = dynamic_cast<QV_PlainHeadPlugin*>(&p)) {
                // Its outline is completed against its own reference, which
                // therefore has the layout of the user's fit without the neck.
                t->frontReference = Without(mugshot_fixture::FrontAnnotation(), 5);
            }
            if (auto* t = dynamic_cast<QV_EarNeckHeadPlugin*>(&p)) {
                t->rightEar = t->leftEar = side;
                t->neck = t->topNeck = neck;
                t->mouthParts = back;
            }
            if (auto* t = dynamic_cast<QV_SkinnedXmlPlugin*>(&p)) t->head = back;
            if (auto* t = dynamic_cast<QV_BodySkinPlugin*>(&p)) t->neck = t->rightEar = t->leftEar = neck;
            if (auto* t = dynamic_cast<QV_NeckBlendPlugin*>(&p)) {
                t->neck = neck;
                t->head = back;
            }
            if (auto* t = dynamic_cast<QV_AnimatedFacePlugin*>(&p)) {
                t->neck = neck;
                t->nonFace = back;
            }
            if (auto* t = dynamic_cast<QV_EyePartsHeadPlugin*>(&p)) {
                t->head = back;
                t->derived = Indices({73, 74, 83, 84});
                t->rear = t->lear = side;
                t->smooth = neck;
            }
            if (auto* t = dynamic_cast<QV_FlatSkinPlugin*>(&p)) {
                t->leading = 1;
                t->neck = t->chin = neck;
                t->rightEar = t->leftEar = side;
                t->hair = back;
            }
        });
        ASSERT_TRUE(plugin) << type;
        QV_Mesh out;
        QV_String error;
        const QV_AnnotationModel given = mugshot_fixture::FrontAnnotation();
        QV_AnnotationModel model = given;
        ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), model, out, false, error))
            << type << " " << error.CStr();
        EXPECT_EQ(model.Count(), given.Count()) << type;  // the user's model is not changed
        const QV_Mesh& ref = plugin->referenceMesh;
        ASSERT_EQ(out.VertexCount(), ref.VertexCount()) << type;
        EXPECT_TRUE(out.hasTexture) << type;
        // The photograph's head is about a quarter of the template's size;
        // after the alignment it has the reference's place and size.
        if (type == 11) {
            // Not aligned: the head keeps the photograph's place, a quarter of
            // the template's size.
            EXPECT_NEAR(Spread(out) / Spread(ref), 0.3f, 0.1f);
        } else if (type != 10) {
            EXPECT_LT(Distance(Centroid(out), Centroid(ref)), 2.0f) << type;
            EXPECT_NEAR(Spread(out) / Spread(ref), 1.0f, 0.05f) << type;
        } else {
            // Its last step aligns the head through its list onto the reference.
            for (int v : {120, 121, 122, 123}) EXPECT_LT(Distance(out.vertices[v], ref.vertices[v]), 1e-2f) << v;
        }
    }
}

TEST(FamilyCreate, GraftsGiveTheListedVerticesTheReferenceShape)
{
    // The teeth of the iris-and-teeth target sit on grid quad (2, 4): its
    // vertices 24, 25, 34, 35. A fit that pulls one of them aside distorts
    // the quad in a head without the graft and not in one with it.
    const std::vector<int> teeth = {24, 25, 34, 35};
    QV_AnnotationModel model = mugshot_fixture::FrontAnnotation();
    model[0].points[24] = model[0].points[24] + QV_Point2D(0.03f, 0.01f);
    const QV_FaceSearch search;
    QV_Mesh grafted, plain;
    QV_String error;
    TempDir a, b;
    auto irisTeeth = LoadFamily(13, a, [](QV_MugShotHeadPlugin&) {});
    auto plainHead = LoadFamily(5, b, [](QV_MugShotHeadPlugin&) {});
    ASSERT_TRUE(irisTeeth && plainHead);
    auto* t = dynamic_cast<QV_IrisTeethPlugin*>(irisTeeth.get());
    ASSERT_EQ(t->teeth.Size(), 4u);
    ASSERT_EQ(t->irises.Size(), 8u);
    ASSERT_TRUE(irisTeeth->CreateFromFront(search, mugshot_fixture::Photo(100), model, grafted, false, error));
    ASSERT_TRUE(plainHead->CreateFromFront(search, mugshot_fixture::Photo(100), model, plain, false, error));
    ExpectSimilarShape(grafted, irisTeeth->referenceMesh, teeth, "grafted");
    const float ratio = Distance(plain.vertices[24], plain.vertices[35]) / Distance(plain.vertices[25], plain.vertices[34]);
    EXPECT_GT(std::fabs(ratio - 1.0f), 0.05f);  // the square's diagonals differ without the graft
}

TEST(FamilyCreate, TheEyePartsTargetKeepsItsPartsShapeWhereTheFitPutsThem)
{
    // The right iris quad (7, 3) is an eye part; a fit that pulls one of its
    // points aside moves the part without bending it.
    const std::vector<int> part = {73, 74, 83, 84};
    QV_AnnotationModel model = mugshot_fixture::FrontAnnotation();
    model[0].points[73] = model[0].points[73] + QV_Point2D(0.03f, 0.01f);
    TempDir dir;
    auto plugin = LoadFamily(11, dir, [&](QV_MugShotHeadPlugin& p) {
        auto& t = dynamic_cast<QV_EyePartsHeadPlugin&>(p);
        for (int v : part) t.derived.Append(v);
        t.smooth = Indices({45});
    });
    ASSERT_TRUE(plugin);
    QV_Mesh out;
    QV_String error;
    const QV_FaceSearch search;
    ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), model, out, false, error));
    ExpectSimilarShape(out, plugin->referenceMesh, part, "eye part");
    const QV_Point3D moved = out.vertices[73] - out.vertices[84];
    const QV_Point3D stock = plugin->referenceMesh.vertices[73] - plugin->referenceMesh.vertices[84];
    EXPECT_GT(Distance(moved / Distance(moved, QV_Point3D()), stock / Distance(stock, QV_Point3D())), 1e-3f)
        << "the part is turned with the fit, not pasted as it was";
    // Each smoothing pass divides the vertex's offset from its neighbours'
    // mean by (neighbours + 1); four passes, against a head without them.
    TempDir plainDir;
    auto unsmoothed = LoadFamily(11, plainDir, [&](QV_MugShotHeadPlugin& p) {
        for (int v : part) dynamic_cast<QV_EyePartsHeadPlugin&>(p).derived.Append(v);
    });
    ASSERT_TRUE(unsmoothed);
    QV_Mesh plain;
    ASSERT_TRUE(unsmoothed->CreateFromFront(search, mugshot_fixture::Photo(100), model, plain, false, error));
    const QV_VertexNeighbours neighbours(plugin->referenceMesh);
    const std::vector<int>& around = neighbours.Of(45);
    QV_Point3D mean;
    for (int k : around) mean += out.vertices[k];
    mean = mean / static_cast<float>(around.size());
    const float shrink = std::pow(static_cast<float>(around.size() + 1), 4.0f);
    EXPECT_NEAR(Distance(out.vertices[45], mean), Distance(plain.vertices[45], mean) / shrink, 1e-4f);
}

TEST(FamilyCreate, SmoothingAndWholeHeadAlignmentOfTheNeckBlendTarget)
{
    TempDir dir;
    auto plugin = LoadFamily(10, dir, [](QV_MugShotHeadPlugin& p) {
        auto& t = dynamic_cast<QV_NeckBlendPlugin&>(p);
        t.neck = Indices({12, 13, 14});
        t.head = Indices({120, 121, 122, 123});
    });
    ASSERT_TRUE(plugin);
    QV_Mesh out;
    QV_String error;
    const QV_FaceSearch search = OutlineSearch();
    // A fitted point next to the neck pulled aside: the grafted neck row
    // (12, 13, 14, evenly spaced on a line in the reference) is then moved off
    // its even spacing by the smoothing, which averages with that neighbour.
    QV_AnnotationModel model = mugshot_fixture::FrontAnnotation();
    model[0].points[23] = model[0].points[23] + QV_Point2D(0.05f, 0.0f);
    ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), model, out, false, error));
    // How far the middle vertex is off the middle of its row, against the
    // row's length: a similar copy of the reference row keeps the reference's.
    const QV_Mesh& ref = plugin->referenceMesh;
    auto offMiddle = [](const QV_Mesh& m) {
        const QV_Point3D middle = (m.vertices[12] + m.vertices[14]) * 0.5f;
        return Distance(m.vertices[13], middle) / Distance(m.vertices[12], m.vertices[14]);
    };
    EXPECT_GT(std::fabs(offMiddle(out) - offMiddle(ref)), 0.005f) << offMiddle(out) << " " << offMiddle(ref);
    // The whole head is aligned through its list onto the reference.
    for (int v : {120, 121, 122, 123}) EXPECT_LT(Distance(out.vertices[v], ref.vertices[v]), 1e-2f) << v;
}

TEST(FamilyCreate, TheEarNeckTargetCompletesItsTextureFromTheReference)
{
    TempDir dir;
    const QV_Colour stock(10, 200, 30, 255);
    auto plugin = LoadFamily(6, dir, [&](QV_MugShotHeadPlugin& p) {
        auto& t = dynamic_cast<QV_EarNeckHeadPlugin&>(p);
        t.referenceTexture = mugshot_fixture::Solid(1, stock);
        t.referenceTexture.Resize(520, 1540, false);
        for (int r = 0; r < 520; ++r)
            for (int c = 0; c < 1540; ++c) t.referenceTexture.Row(r)[c] = stock;
    });
    ASSERT_TRUE(plugin);
    QV_Mesh out;
    QV_String error;
    const QV_FaceSearch search = OutlineSearch();
    ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), mugshot_fixture::FrontAnnotation(), out,
                                        false, error))
        << error.CStr();
    ASSERT_EQ(out.texture.Rows(), 520);
    ASSERT_EQ(out.texture.Cols(), 1540);
    EXPECT_EQ(out.texture.Row(516)[0], stock);     // above row 515
    EXPECT_EQ(out.texture.Row(0)[1539], stock);    // right of column 1538
    EXPECT_FALSE(out.texture.Row(515)[1538] == stock);  // the head's own part
}

TEST(FamilyCreate, RefusalsGiveTheMugshotMessage)
{
    const QV_FaceSearch search = OutlineSearch();
    QV_Mesh out;
    QV_String error;
    // Alignment through a reference without "BODY".
    TempDir a;
    auto noBody = LoadFamily(5, a, [](QV_MugShotHeadPlugin& p) { p.frontReference[1].label = QV_String("TORSO"); });
    ASSERT_TRUE(noBody);
    Quiet([&] {
        EXPECT_FALSE(noBody->CreateFromFront(search, mugshot_fixture::Photo(100), mugshot_fixture::FrontAnnotation(),
                                             out, false, error));
    });
    EXPECT_EQ(error.Std(), "Failed to get mugshot mesh");

    // A fit that does not match the plain head's own reference.
    TempDir b;
    auto plain = LoadFamily(4, b, [](QV_MugShotHeadPlugin&) {});
    ASSERT_TRUE(plain);
    error = "";
    const std::string printed = Quiet([&] {
        EXPECT_FALSE(plain->CreateFromFront(search, mugshot_fixture::Photo(100), mugshot_fixture::FrontAnnotation(),
                                            out, false, error));
    });
    EXPECT_EQ(error.Std(), "Failed to get mugshot mesh");
    EXPECT_NE(printed.find("front reference"), std::string::npos);

    // Outline completion needs a face search that can do it.
    TempDir c;
    auto needsOutline = LoadFamily(14, c, [](QV_MugShotHeadPlugin&) {});
    ASSERT_TRUE(needsOutline);
    error = "";
    const QV_FaceSearch empty;
    Quiet([&] {
        EXPECT_FALSE(needsOutline->CreateFromFront(empty, mugshot_fixture::Photo(100),
                                                   mugshot_fixture::FrontAnnotation(), out, false, error));
    });
    EXPECT_EQ(error.Std(), "Failed to get mugshot mesh");

    // The flat-skin target needs a "FACE" long enough for its ear drags.
    TempDir d;
    auto flat = LoadFamily(15, d, [](QV_MugShotHeadPlugin&) {});
    ASSERT_TRUE(flat);
    QV_AnnotationModel shortFace = mugshot_fixture::FrontAnnotation();
    QV_FaceSearch shortSearch;
    QV_Annotation face = shortFace[1];
    face.points = QV_List<QV_Point2D>();
    for (int k = 0; k < 18; ++k) face.points.Append(shortFace[1].points[k]);
    shortFace[1] = face;
    shortSearch.reference = shortFace;
    error = "";
    Quiet([&] {
        EXPECT_FALSE(flat->CreateFromFront(shortSearch, mugshot_fixture::Photo(100), shortFace, out, false, error));
    });
    EXPECT_EQ(error.Std(), "Failed to get mugshot mesh");
}

// The solid target read back from its head model file, with the neck list given.
std::unique_ptr<QV_SolidHeadPlugin> LoadSolid(const TempDir& dir, const QV_List<int>& neck)
{
    QV_SolidHeadPlugin solid;
    solid.SetTypeCode(12);
    solid.mugshot = GroupedMugShot();
    solid.neck = neck;
    const std::string path = dir.File("solid.qvhead");
    EXPECT_TRUE(QV_SaveHeadModel(path.c_str(), solid));
    return ReadPlugin<QV_SolidHeadPlugin>(path);
}

TEST(FamilyCreate, TheSolidTargetSkipsTheEyesStretchesTheNeckAndBlendsDepthFromAProfile)
{
    TempDir a, b;
    const QV_List<int> neck = Indices({1, 2, 3, 11, 12, 13});
    auto solid = LoadSolid(a, neck);
    auto noNeck = LoadSolid(b, QV_List<int>());
    ASSERT_TRUE(solid && noNeck);
    // Without eye annotations the standard target cannot place the eyes; this
    // one does not try.
    QV_AnnotationModel noEyes = mugshot_fixture::FrontAnnotation();
    noEyes[3].label = QV_String("R EYE");
    noEyes[4].label = QV_String("L EYE");
    // One neck point pulled aside, so that the neck is worth grafting.
    noEyes[0].points[12] = noEyes[0].points[12] + QV_Point2D(0.02f, 0.0f);
    QV_Mesh out, plain;
    QV_String error;
    const QV_FaceSearch search;
    ASSERT_TRUE(solid->CreateFromFront(search, mugshot_fixture::Photo(100), noEyes, out, false, error))
        << error.CStr();
    ASSERT_TRUE(noNeck->CreateFromFront(search, mugshot_fixture::Photo(100), noEyes, plain, false, error));
    // Only the neck differs from the head made without the neck list.
    EXPECT_GT(Distance(out.vertices[12], plain.vertices[12]), 0.05f);
    for (int v : {0, 30, 55, 119, 121}) EXPECT_LT(Distance(out.vertices[v], plain.vertices[v]), 1e-4f) << v;
    TempDir c;
    auto standard = LoadStandard(c, GroupedMugShot());
    ASSERT_TRUE(standard);
    Quiet([&] {
        EXPECT_FALSE(standard->CreateFromFront(search, mugshot_fixture::Photo(100), noEyes, out, false, error));
    });

    QV_SolidHeadPlugin* loaded = solid.get();
    EXPECT_EQ(loaded->mugshot.combinationMode, 1);
    QV_Mesh fromTwo;
    const QV_AnnotationModel front = mugshot_fixture::FrontAnnotation();
    Quiet([&] {
        loaded->CreateFromFrontAndProfile(search, mugshot_fixture::Photo(100), front, mugshot_fixture::Photo(100),
                                          front, fromTwo, false, error);
    });
    EXPECT_EQ(loaded->mugshot.combinationMode, 3);
}

}  // namespace

namespace {

// A user fit with every contour the body avatar's working annotation reads,
// after "GRID" so that the synthetic mapping still finds its points.
QV_AnnotationModel BodyUserFit()
{
    QV_AnnotationModel m = mugshot_fixture::FrontAnnotation();
    const std::pair<const char*, int> extra[] = {{"NOSE", 25},      {"BROW RIDGE", 11}, {"INNER MOUTH", 12},
                                                 {"LEFT EAR", 8},   {"RIGHT EAR", 8}};
    for (const auto& [label, n] : extra) {
        QV_Annotation a;
        a.label = QV_String(label);
        for (int k = 0; k < n; ++k) a.points.Append(QV_Point2D(0.3f + 0.4f * k / n, 0.5f + 0.05f * std::sin(k)));
        m.annotations.Append(a);
    }
    // The working annotation reads 22 points of the face, 12 of the outer
    // mouth and 11 of the neck; the synthetic ones have 20, 8 and 6.
    const std::pair<int, int> grow[] = {{1, 22}, {2, 12}, {5, 11}};
    for (const auto& [a, n] : grow)
        for (int k = 0; m[a].NumPoints() < n; ++k) m[a].points.Append(m[a].points[k] + QV_Point2D(0.001f, 0.0f));
    return m;
}

template <class T>
std::unique_ptr<T> ReadBackOlder(const TempDir& dir, T& plugin)
{
    plugin.mugshot = mugshot_fixture::OlderMugShot(GroupedMugShot());
    plugin.profileImage = mugshot_fixture::Photo(100);
    plugin.profileReference = mugshot_fixture::FrontAnnotation();
    const std::string path = dir.File("older.qvhead");
    EXPECT_TRUE(QV_SaveHeadModel(path.c_str(), plugin));
    return ReadPlugin<T>(path);
}

// The body avatar's creation on the synthetic photograph and user fit, its
// messages kept off the test's output.
bool CreateBody(QV_BodyAvatarPlugin& plugin, QV_Mesh& out, QV_String& error)
{
    const QV_FaceSearch search;
    bool ok = false;
    Quiet([&] { ok = plugin.CreateFromFront(search, mugshot_fixture::Photo(100), BodyUserFit(), out, false, error); });
    return ok;
}

}  // namespace

TEST(OlderFamilyCreate, BodyAvatarWorksOnItsDerivedAnnotationWithTheStockProfile)
{
    TempDir dir;
    QV_BodyAvatarPlugin written;
    written.SetTypeCode(1);
    auto plugin = ReadBackOlder(dir, written);
    ASSERT_TRUE(plugin);
    QV_Mesh out;
    QV_String error;
    const QV_FaceSearch search;
    ASSERT_TRUE(CreateBody(*plugin, out, error));
    EXPECT_EQ(out.VertexCount(), plugin->mugshot.templateMesh.VertexCount());
    EXPECT_TRUE(out.hasTexture);
    EXPECT_EQ(out.texture.Rows(), 512);
    EXPECT_EQ(out.texture.Cols(), 512);

    // A fit without one of the contours the working annotation is built from.
    Quiet([&] {
        EXPECT_FALSE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), mugshot_fixture::FrontAnnotation(),
                                             out, false, error));
    });
    EXPECT_EQ(error.Std(), "Failed to get mugshot mesh");
}

TEST(OlderFamilyCreate, EyeRigPlacesTheRigGroupsAsRigidParts)
{
    TempDir dir;
    QV_EyeRigHeadPlugin written;
    written.SetTypeCode(2);
    written.referenceMesh = GroupedMugShot().templateMesh;
    AddQuadGroup(written.referenceMesh, "DLV1 all smoo1 fullIris rFlip rHalfDeform rEyeball rIrisMtl fullFace ", 7, 2);
    AddQuadGroup(written.referenceMesh,
                 "DLV1 all lFlip lHalfDeform modelFlip smoo1 lEyeball lCorneaEYEMtl fullFace ", 7, 6);
    AddQuadGroup(written.referenceMesh, "upper teeth", 2, 4);
    AddQuadGroup(written.referenceMesh, "DLV1 all smoo1 fullIris rFlip", 5, 0);  // not a rig eye group
    auto plugin = ReadBackOlder(dir, written);
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->rightEye, (std::vector<int>{72, 73, 83, 82}));
    EXPECT_EQ(plugin->leftEye.size(), 4u);
    EXPECT_EQ(plugin->mouth, (std::vector<int>{24, 25, 35, 34}));

    QV_Mesh out;
    QV_String error;
    const QV_FaceSearch search;
    // The mouth parts need the inner mouth.
    Quiet([&] {
        EXPECT_FALSE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), mugshot_fixture::FrontAnnotation(),
                                             out, false, error));
    });
    EXPECT_EQ(error.Std(), "Failed to create 3D head for EyeRig");
    QV_AnnotationModel fit = mugshot_fixture::FrontAnnotation();
    QV_Annotation inner = fit[2];  // the outer mouth, as the inner one
    inner.label = QV_String("INNER MOUTH");
    fit.annotations.Append(inner);
    fit[0].points[24] = fit[0].points[24] + QV_Point2D(0.03f, 0.01f);  // a teeth point pulled aside
    Quiet([&] {
        ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), fit, out, false, error))
            << error.CStr();
    });
    // The teeth keep the template's outline in the picture plane (their depth
    // comes from the profile): a similar copy of its quad.
    ExpectSimilarShape(out, plugin->mugshot.templateMesh, {24, 25, 35, 34}, "teeth", true);
    EXPECT_TRUE(out.hasTexture);

    // With a neck list the head is set on the rig's neck; a lip list is then
    // smoothed once, which moves its vertices alone.
    const std::vector<int> neck = {70, 71, 72, 80, 81, 82};
    for (int v : neck) plugin->neck.Append(v);
    QV_Mesh onNeck, smoothed;
    Quiet([&] {
        ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), fit, onNeck, false, error));
        plugin->topLip.Append(45);
        ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), fit, smoothed, false, error));
    });
    for (int v : neck)
        EXPECT_LT(Distance(onNeck.vertices[v], plugin->referenceMesh.vertices[v]), 0.05f * Spread(plugin->referenceMesh))
            << v;
    EXPECT_GT(Distance(Centroid(onNeck), Centroid(out)), 1.0f);  // the whole head moved
    const QV_VertexNeighbours n(plugin->mugshot.templateMesh);
    QV_Point3D sum = onNeck.vertices[45];
    for (int k : n.Of(45)) sum += onNeck.vertices[k];
    EXPECT_LT(Distance(smoothed.vertices[45], sum / static_cast<float>(n.Of(45).size() + 1)), 1e-3f);
    EXPECT_EQ(smoothed.vertices[46], onNeck.vertices[46]);
}

TEST(OlderFamilyCreate, FigureHeadGraftsItsPartsAndTakesAlphaFromTheChosenMap)
{
    TempDir dir;
    QV_FigureHeadPlugin written;
    written.SetTypeCode(3);
    // Half the transparency map bright in red, half dark; the other map flat.
    written.normTransparencyMap = mugshot_fixture::Solid(8, QV_Colour(200, 0, 0, 255));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 8; ++c) written.normTransparencyMap.Row(r)[c] = QV_Colour(20, 90, 90, 255);
    written.transparencyMap = mugshot_fixture::Solid(4, QV_Colour(77, 1, 2, 255));
    written.smooth = Indices({44, 45});
    written.headBack = Indices({120, 121, 122, 123});
    auto plugin = ReadBackOlder(dir, written);
    ASSERT_TRUE(plugin);
    AddQuadGroup(plugin->mugshot.templateMesh, "TopTeeth", 2, 4);
    AddQuadGroup(plugin->mugshot.templateMesh, "RightEar", 5, 0);

    QV_AnnotationModel fit = mugshot_fixture::FrontAnnotation();
    fit[0].points[24] = fit[0].points[24] + QV_Point2D(0.03f, 0.01f);  // a teeth point pulled aside
    fit[0].points[45] = fit[0].points[45] + QV_Point2D(0.02f, 0.02f);  // and one of the smoothed
    QV_Mesh out;
    QV_String error;
    const QV_FaceSearch search;
    Quiet([&] {
        ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), fit, out, false, error))
            << error.CStr();
    });
    EXPECT_EQ(out.name.Std(), "QuorHead.obj");
    EXPECT_FLOAT_EQ(plugin->mugshot.blendSample.x, 0.322f);
    ExpectSimilarShape(out, plugin->mugshot.templateMesh, {24, 25, 35, 34}, "teeth");
    ASSERT_GT(out.texture.Rows(), 4);
    const int top = out.texture.Rows() - 1;
    EXPECT_NEAR(out.texture.Row(top)[0].alpha, 200, 2);  // the alternate map, option on by default
    EXPECT_NEAR(out.texture.Row(0)[0].alpha, 20, 2);
    // Smoothed three times: each fixed vertex at its neighbours' mean.
    const QV_VertexNeighbours n(plugin->mugshot.templateMesh);
    QV_Point3D mean;
    for (int k : n.Of(45)) mean += out.vertices[k];
    EXPECT_LT(Distance(out.vertices[45], mean / static_cast<float>(n.Of(45).size())), 1e-2f);

    plugin->SetAlternateTransparency(false);
    Quiet([&] { ASSERT_TRUE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), fit, out, false, error)); });
    EXPECT_EQ(out.texture.Row(0)[0].alpha, 77);

    // Without eye annotations no eyes can be placed.
    QV_AnnotationModel noEyes = fit;
    noEyes[3].label = QV_String("R EYE");
    Quiet([&] {
        EXPECT_FALSE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), noEyes, out, false, error));
    });
    EXPECT_EQ(error.Std(), "Failed to create 3D head");

    // Join lists that do not pair up fail the creation, not only the save.
    plugin->male = plugin->mugshot.templateMesh;
    plugin->headCorrespondance = Indices({1});
    error = "";
    Quiet([&] { EXPECT_FALSE(plugin->CreateFromFront(search, mugshot_fixture::Photo(100), fit, out, false, error)); });
    EXPECT_EQ(error.Std(), "Failed to create 3D head");
}

namespace {

// The template moved, turned a little and enlarged: where the body avatar's
// reference head sits on its body.
QV_Mesh ReferenceOnBody(const QV_Mesh& templateMesh)
{
    QV_Mesh ref = templateMesh;
    for (int i = 0; i < ref.VertexCount(); ++i) {
        const QV_Point3D v = ref.vertices[i];
        ref.vertices[i] = QV_Point3D(3.0f * v.x + 0.3f * v.z + 40.0f, 3.0f * v.y - 7.0f, 3.0f * v.z - 0.3f * v.x);
    }
    return ref;
}

QV_Image Flat(int side, const QV_Colour& c)
{
    QV_Image im(side, side);
    for (int r = 0; r < side; ++r)
        for (int k = 0; k < side; ++k) im.Row(r)[k] = c;
    return im;
}

}  // namespace

TEST(OlderFamilyCreate, BodyAvatarSetsTheHeadOnTheChosenBodysNeck)
{
    TempDir dir;
    QV_BodyAvatarPlugin written;
    written.SetTypeCode(1);
    written.referenceMesh = ReferenceOnBody(GroupedMugShot().templateMesh);
    const std::vector<int> neck = {70, 71, 72, 80, 81, 82};
    for (int v : neck) written.maleNeckBlend.Append(v);
    written.femaleNeckBlend.Append(70);
    written.femaleNeckBlend.Append(100000);  // beyond the head
    auto plugin = ReadBackOlder(dir, written);
    ASSERT_TRUE(plugin);
    QV_Mesh out, alone;
    QV_String error;
    const QV_List<int> list = plugin->maleNeckBlend;
    plugin->maleNeckBlend = QV_List<int>();
    ASSERT_TRUE(CreateBody(*plugin, alone, error));
    plugin->maleNeckBlend = list;
    ASSERT_TRUE(CreateBody(*plugin, out, error)) << error.CStr();
    // The head is moved as a whole onto the reference's neck: the rest of it
    // keeps its shape, scaled as the least-squares fit over the neck scales
    // (the ratio of the two necks' spreads).
    const QV_Mesh& ref = plugin->referenceMesh;
    auto neckSpread = [&](const QV_Mesh& m) {
        QV_Mesh part;
        for (int v : neck) part.vertices.Append(m.vertices[v]);
        return Spread(part);
    };
    const std::vector<int> rest = {0, 5, 40, 99, 120};
    ExpectSimilarShape(out, alone, rest, "rest of the head");
    EXPECT_NEAR(Distance(out.vertices[0], out.vertices[99]) / Distance(alone.vertices[0], alone.vertices[99]),
                neckSpread(ref) / neckSpread(alone), 1e-3f);
    for (int v : neck) EXPECT_LT(Distance(out.vertices[v], ref.vertices[v]), 0.05f * Spread(ref)) << v;
    ExpectSimilarShape(out, ref, neck, "neck");

    // The female body's list names a vertex the head does not have.
    plugin->SetFemaleBody(true);
    EXPECT_FALSE(CreateBody(*plugin, out, error));
    EXPECT_EQ(error.Std(), "Failed to get mugshot mesh");
}

TEST(OlderFamilyCreate, BodyAvatarDressesTheTorsoInTheSkinNearestTheFace)
{
    TempDir dir;
    QV_BodyAvatarPlugin written;
    written.SetTypeCode(1);
    for (int k = 0; k < 6; ++k) {
        written.bodyMeshes[k] = GroupedMugShot().templateMesh;
        written.bodyMeshes[k].vertices[0].x = static_cast<float>(100 + k);  // tells them apart
        written.bodyMeshes[k].texture = Flat(4, QV_Colour(120, 100, 90, 255));
    }
    auto plugin = ReadBackOlder(dir, written);
    ASSERT_TRUE(plugin);
    QV_Mesh out;
    QV_String error;
    // Stock body first: creation without a skin folder keeps the stock skins.
    ASSERT_TRUE(CreateBody(*plugin, out, error));
    EXPECT_EQ(plugin->ShownBody(0).vertices[0].x, 100.0f);
    EXPECT_EQ(plugin->ShownBody(1).vertices[0].x, 101.0f);
    // The stock skins are shifted by the blend's skin colour difference.
    const float* offset = plugin->mugshot.colourOffset;
    ASSERT_GT(std::fabs(offset[0]) + std::fabs(offset[1]) + std::fabs(offset[2]), 3.0f);
    auto expectTinted = [&](const QV_Mesh& part, const char* what) {
        const QV_Colour got = part.texture.Row(1)[2];
        EXPECT_NEAR(got.red, std::clamp(120.0f + offset[0], 0.0f, 255.0f), 0.51f) << what;
        EXPECT_NEAR(got.green, std::clamp(100.0f + offset[1], 0.0f, 255.0f), 0.51f) << what;
        EXPECT_NEAR(got.blue, std::clamp(90.0f + offset[2], 0.0f, 255.0f), 0.51f) << what;
    };
    expectTinted(plugin->ShownBody(0), "torso");
    expectTinted(plugin->ShownBody(1), "legs");
    EXPECT_EQ(plugin->bodyMeshes[0].texture.Row(1)[2].red, 120);  // the stock is kept

    // A skin of the face's own colour and one of its opposite; pictures of
    // other kinds are not skins.
    const QV_ColourF f = out.texture.MeanColour(plugin->mugshot.blendSample, 5);
    const QV_Colour face(static_cast<unsigned char>(f.red), static_cast<unsigned char>(f.green),
                         static_cast<unsigned char>(f.blue), 255);
    const QV_Colour opposite(255 - face.red, 255 - face.green, 255 - face.blue, 255);
    ASSERT_EQ(mkdir(dir.File("skins").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.File("skins/Male").c_str(), 0755), 0);
    ASSERT_TRUE(Flat(16, opposite).SaveJPEG(dir.File("skins/Male/a.jpg").c_str()));
    ASSERT_TRUE(Flat(16, face).SaveJPEG(dir.File("skins/Male/b.JPEG").c_str()));
    ASSERT_TRUE(Flat(16, face).SaveJPEG(dir.File("skins/Male/c.Jpg").c_str()));
    ASSERT_TRUE(Flat(16, face).SavePNG(dir.File("skins/Male/d.png").c_str()));
    ASSERT_TRUE(Flat(16, opposite).SaveJPEG(dir.File("skins/Male/e.jpeg").c_str()));
    plugin->SetBodySkinFolder(dir.File("skins").c_str());
    std::vector<QV_String> skins;
    ASSERT_TRUE(plugin->BodySkins(skins, error));
    ASSERT_EQ(skins.size(), 3u);
    EXPECT_EQ(skins[0].Std(), dir.File("skins/Male/a.jpg"));
    EXPECT_EQ(skins[1].Std(), dir.File("skins/Male/b.JPEG"));
    EXPECT_EQ(skins[2].Std(), dir.File("skins/Male/e.jpeg"));

    ASSERT_TRUE(CreateBody(*plugin, out, error));
    const QV_Mesh& torso = plugin->ShownBody(0);
    ASSERT_TRUE(torso.hasTexture);
    const QV_Colour worn = torso.texture.Row(8)[8];
    EXPECT_NEAR(worn.red, face.red, 8);
    EXPECT_NEAR(worn.green, face.green, 8);
    EXPECT_NEAR(worn.blue, face.blue, 8);
    expectTinted(plugin->ShownBody(1), "legs");  // the legs keep theirs

    // The other body is shown stock until a creation is made for it; its
    // subfolder holds no skins, which the creation reports.
    plugin->SetFemaleBody(true);
    EXPECT_EQ(plugin->ShownBody(0).vertices[0].x, 103.0f);
    EXPECT_EQ(plugin->ShownBody(0).texture.Row(1)[2].red, 120);
    EXPECT_FALSE(CreateBody(*plugin, out, error));
    EXPECT_EQ(error.Std(), "Error, " + dir.File("skins/Female") + " does not contain any body skin jpg images!");
}
