#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_ShapeModel2D.h"
#include "QV_Similarity.h"
#include "ShapeModelTestUtil.h"
#include "TestSupport.h"

namespace {

using namespace shape_test;
using Bytes = std::vector<unsigned char>;

Bytes WriteModel(const QV_ShapeModel2D& m, const visagen_test::TempDir& dir, const char* name = "m.bin")
{
    const std::string path = dir.File(name);
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(f && m.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(path);
}

bool ReadModel(QV_ShapeModel2D& m, const Bytes& bytes, const visagen_test::TempDir& dir)
{
    const std::string path = dir.File("in.bin");
    visagen_test::WriteFileBytes(path, bytes);
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return f && m.Read(f.get());
}

TEST(QV_ShapeModel2D, WriteThenReadGivesTheModelBackByteForByte)
{
    visagen_test::TempDir dir;
    const QV_ShapeModel2D model = MakeShapeModel();
    ASSERT_TRUE(model.IsValid());
    const Bytes first = WriteModel(model, dir);
    QV_ShapeModel2D back;
    ASSERT_TRUE(ReadModel(back, first, dir));
    EXPECT_TRUE(back.IsValid());
    EXPECT_EQ(back.header, 11);
    EXPECT_EQ(back.NumPoints(), 22);
    EXPECT_EQ(back.referenceShape.Count(), 44);
    EXPECT_EQ(back.pointTable.Low(), 1);
    EXPECT_EQ(back.pointTable[2], QV_Point2D(3.5f, 9.0f));
    EXPECT_EQ(back.value1, 0x01020304u);
    EXPECT_EQ(back.value6, 9u);
    EXPECT_EQ(back.Template().Count(), 4);
    EXPECT_EQ(back.Template()[1].used, 0);
    EXPECT_EQ(back.PCA()->NumModes(), 3);
    EXPECT_EQ(WriteModel(back, dir, "again.bin"), first);
    // A copy is deep and writes the same bytes.
    QV_ShapeModel2D copy = back;
    back.pca.reset();
    EXPECT_EQ(WriteModel(copy, dir, "copy.bin"), first);
}

// Offsets in a written model: the model type follows the header and the template.
struct Layout {
    size_t typeOffset, referenceOffset, tableOffset, size;
};

Layout LayoutOf(const QV_ShapeModel2D& m, const Bytes& bytes, const visagen_test::TempDir& dir)
{
    const std::string path = dir.File("tpl.bin");
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(m.templateModel.WriteBinary(f.get()));
    }
    const size_t tpl = visagen_test::ReadFileBytes(path).size();
    Layout l{};
    l.size = bytes.size();
    l.typeOffset = 4 + tpl;
    l.tableOffset = l.size - 8 - (24 + 8 * static_cast<size_t>(m.pointTable.Count()));
    l.referenceOffset = l.tableOffset - (24 + 4 * static_cast<size_t>(m.referenceShape.Count()));
    return l;
}

void PutI64(Bytes& b, size_t at, int64_t v) { std::memcpy(&b[at], &v, 8); }
void PutI32(Bytes& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }

TEST(QV_ShapeModel2D, UnsupportedModelTypeFailsWithItsMessage)
{
    visagen_test::TempDir dir;
    const QV_ShapeModel2D model = MakeShapeModel();
    Bytes bytes = WriteModel(model, dir);
    const Layout l = LayoutOf(model, bytes, dir);
    int32_t type = 0;
    std::memcpy(&type, &bytes[l.typeOffset], 4);
    ASSERT_EQ(type, 1);  // the layout is right
    PutI32(bytes, l.typeOffset, 2);
    QV_ShapeModel2D back;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ReadModel(back, bytes, dir));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error! QV_ShapeModel2D::Read() model type 2 not supported\n");
    EXPECT_FALSE(back.IsValid());
}

TEST(QV_ShapeModel2D, CorruptFilesFailCleanly)
{
    visagen_test::TempDir dir;
    const QV_ShapeModel2D model = MakeShapeModel();
    const Bytes good = WriteModel(model, dir);
    const Layout l = LayoutOf(model, good, dir);
    int64_t refCount = 0, tableCount = 0;
    std::memcpy(&refCount, &good[l.referenceOffset], 8);
    std::memcpy(&tableCount, &good[l.tableOffset], 8);
    ASSERT_EQ(refCount, 44);
    ASSERT_EQ(tableCount, 2);

    struct Case {
        std::string name;
        Bytes bytes;
    };
    std::vector<Case> cases;
    for (size_t cut : {size_t{0}, size_t{3}, size_t{20}, l.typeOffset, l.typeOffset + 10, l.referenceOffset - 5,
                       l.referenceOffset + 30, l.tableOffset + 12, l.size - 4, l.size - 1})
        cases.push_back({"truncated at " + std::to_string(cut), Bytes(good.begin(), good.begin() + cut)});
    {
        Bytes b = good;  // reference count far beyond the file, bounds to match
        PutI64(b, l.referenceOffset, int64_t{1} << 30);
        PutI64(b, l.referenceOffset + 16, (int64_t{1} << 30) - 1);
        cases.push_back({"huge reference shape", b});
    }
    {
        Bytes b = good;
        PutI64(b, l.tableOffset, 2000000000);
        PutI64(b, l.tableOffset + 16, 1999999999 + 1);
        cases.push_back({"huge point table", b});
    }
    {
        Bytes b = good;  // count disagrees with the bounds
        PutI64(b, l.tableOffset, 5);
        cases.push_back({"point table count against bounds", b});
    }
    {
        QV_ShapeModel2D bad = MakeShapeModel();
        bad.referenceShape.Resize(42);  // one point short of the template
        cases.push_back({"reference shape shorter than the template", WriteModel(bad, dir, "bad1.bin")});
    }
    {
        QV_ShapeModel2D bad = MakeShapeModel();
        bad.templateModel[1].used = 1;  // the PCA no longer covers every used point
        QV_ShapeInstance::ShapeVector(QV_Point2D(1, 1), bad.templateModel, bad.referenceShape);
        cases.push_back({"PCA length against the template", WriteModel(bad, dir, "bad2.bin")});
    }
    for (const Case& c : cases) {
        QV_ShapeModel2D back;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ReadModel(back, c.bytes, dir)) << c.name;
        testing::internal::GetCapturedStderr();
    }
}

TEST(QV_ShapeModel2D, MeanShapeIsCentredAndFillsTheImageHeight)
{
    // Used points spanning a box of height 2 centred at (0, 0); an unused
    // annotation keeps its template points but is moved with the rest.
    QV_ShapeModel2D model;
    model.templateModel.annotations.Append(MakeAnnotation("FACE", {{-1.0f, -1.0f}, {1.0f, 1.0f}, {0.5f, 0.0f}}));
    model.templateModel.annotations.Append(MakeAnnotation("NOSE", {{0.5f, 0.5f}}, 1, 0));
    model.templateModel.annotations.Append(MakeAnnotation("EYES", {{9.0f, 9.0f}, {9.0f, 9.0f}}));
    model.templateModel[2].normalised = 0;
    // The mean scale cancels out of the placement for used points.
    model.meanScale = 2.0f;
    const float ref[] = {-0.5f, -0.5f, 0.5f, 0.5f, 0.25f, 0.0f, -0.25f, 0.25f, 0.25f, -0.25f};
    model.referenceShape.Resize(10);
    for (int i = 0; i < 10; ++i) model.referenceShape[i] = ref[i];

    QV_AnnotationModel out;
    model.PlaceMeanShape(QV_Point2D(640.0f, 480.0f), out);
    ASSERT_EQ(out.Count(), 3);
    const float half = 1.0f / 2.1f;
    EXPECT_NEAR(out[0].points[0].y, 0.5f - half, 1e-6f);
    EXPECT_NEAR(out[0].points[1].y, 0.5f + half, 1e-6f);
    EXPECT_NEAR(out[0].points[0].x, 0.5f - 0.75f * half, 1e-6f);
    EXPECT_NEAR(out[0].points[1].x, 0.5f + 0.75f * half, 1e-6f);
    EXPECT_NEAR(out[0].points[2].x, 0.5f + 0.75f * 0.5f * half, 1e-6f);
    EXPECT_NEAR(out[0].points[2].y, 0.5f, 1e-6f);
    EXPECT_NEAR(out[2].points[1].x, 0.5f + 0.75f * 0.5f * half, 1e-6f);
    EXPECT_EQ(out[2].normalised, 1);
    // The unused point (0.5, 0.5) of the model frame is not scaled by meanScale.
    EXPECT_NEAR(out[1].points[0].x, 0.5f + 0.75f * 0.5f / 2.1f, 1e-6f);
    EXPECT_NEAR(out[1].points[0].y, 0.5f + 0.5f / 2.1f, 1e-6f);
}

// A posed shape of the test model: mean + amplitudes x modes, mapped by pose.
QV_Array<float> PosedShape(const QV_ShapeModel2D& m, const std::vector<float>& amps, const QV_Similarity& pose)
{
    QV_Array<float> x = m.referenceShape;
    const auto modes = Modes(m.referenceShape);
    for (size_t k = 0; k < amps.size(); ++k)
        for (int i = 0; i < x.Count(); ++i) x[i] += amps[k] * modes[k][i];
    pose.ApplyToVector(x);
    return x;
}

TEST(QV_ShapeModel2D, ConstrainKeepsAPlausibleShapeAndPullsInAnImplausibleOne)
{
    QV_ShapeModel2D model = MakeShapeModel();
    model.PCA()->SetLimit(9.0f);
    QV_Similarity pose;
    pose.FromParams(80.0f * std::cos(0.2f) - 1.0f, 80.0f * std::sin(0.2f), 320.0f, 240.0f);

    const QV_Array<float> plausible = PosedShape(model, {0.8f, -0.5f, 0.3f}, pose);
    QV_Array<float> x = plausible;
    model.Constrain(x, 0);
    for (int i = 0; i < x.Count(); ++i) EXPECT_NEAR(x[i], plausible[i], 0.05f) << i;

    const QV_Array<float> wild = PosedShape(model, {12.0f, 0.0f, 0.0f}, pose);
    x = wild;
    model.Constrain(x, 0);
    // Back in the model frame the shape is within the limit, and it moved
    // toward the mean along the same mode.
    QV_Similarity back;
    ASSERT_TRUE(back.Align(model.referenceShape, x));
    QV_Array<float> inModel = x;
    back.ApplyInverseToVector(inModel);
    QV_Array<float> params;
    model.PCA()->Project(params, inModel, -1);
    EXPECT_LE(model.PCA()->Mahalanobis(params), 9.0f * 1.01f);
    float change = 0;
    for (int i = 0; i < x.Count(); ++i) change += std::fabs(x[i] - wild[i]);
    EXPECT_GT(change, 100.0f);
}

TEST(QV_ShapeModel2D, ConstrainLeavesShapesAloneItCannotJudge)
{
    QV_ShapeModel2D model = MakeShapeModel();
    QV_Array<float> x = PosedShape(model, {30.0f}, QV_Similarity());
    const QV_Array<float> before = x;
    QV_ShapeModel2D noPca = model;
    noPca.pca.reset();
    noPca.Constrain(x, 0);
    for (int i = 0; i < x.Count(); ++i) EXPECT_EQ(x[i], before[i]);
    QV_Array<float> shortVector(10);
    shortVector.Fill(3.0f);
    model.Constrain(shortVector, 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(shortVector[i], 3.0f);
    // Every point dragged onto one spot: the pose falls back to the identity
    // and the result stays finite.
    QV_Array<float> spot(44);
    for (int i = 0; i < 44; ++i) spot[i] = (i % 2) ? 100.0f : 200.0f;
    testing::internal::CaptureStderr();
    model.Constrain(spot, 0);
    testing::internal::GetCapturedStderr();
    for (int i = 0; i < 44; ++i) EXPECT_TRUE(std::isfinite(spot[i])) << i;
}

}  // namespace
