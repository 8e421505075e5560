#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Similarity.h"
#include "ShapeModelTestUtil.h"
#include "TestSupport.h"

namespace {

using namespace shape_test;
using Bytes = std::vector<unsigned char>;

Bytes WriteModel(const QV_ShapeModel2D& m, const visagen_test::TempDir& dir)
{
    {
        QV_File f = QV_OpenFile(dir.File("out.bin").c_str(), "wb");
        EXPECT_TRUE(m.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(dir.File("out.bin"));
}

bool ReadModel(QV_ShapeModel2D& m, const Bytes& bytes, const visagen_test::TempDir& dir)
{
    visagen_test::WriteFileBytes(dir.File("in.bin"), bytes);
    QV_File f = QV_OpenFile(dir.File("in.bin").c_str(), "rb");
    testing::internal::CaptureStderr();
    const bool ok = m.Read(f.get());
    testing::internal::GetCapturedStderr();
    return ok;
}

TEST(QV_ShapeModel2D, WriteThenReadGivesTheSameBytes)
{
    visagen_test::TempDir dir;
    const Bytes first = WriteModel(MakeShapeModel(), dir);
    QV_ShapeModel2D back;
    ASSERT_TRUE(ReadModel(back, first, dir));
    EXPECT_TRUE(back.IsValid());
    EXPECT_EQ(back.pointTable[2], QV_Point2D(3.5f, 9.0f));
    const QV_ShapeModel2D copy = back;  // deep
    back.pca.reset();
    EXPECT_EQ(WriteModel(copy, dir), first);
}

TEST(QV_ShapeModel2D, CorruptFilesFailCleanly)
{
    visagen_test::TempDir dir;
    const QV_ShapeModel2D model = MakeShapeModel();
    const Bytes good = WriteModel(model, dir);
    // From the end: two values, the point table (2 points), the reference shape (44).
    const size_t table = good.size() - 8 - (24 + 16), reference = table - (24 + 4 * 44);
    // A 64-bit count set at `at`, its upper bound moved to match when asked.
    auto count = [&](size_t at, int64_t n, bool matchBounds) {
        Bytes b = good;
        std::memcpy(&b[at], &n, 8);
        int64_t lo = 0;
        std::memcpy(&lo, &b[at + 8], 8);
        const int64_t hi = lo + n - 1;
        if (matchBounds) std::memcpy(&b[at + 16], &hi, 8);
        return b;
    };
    std::vector<Bytes> cases = {count(reference, int64_t{1} << 30, true), count(table, 2000000000, true),
                                count(table, 5, false)};
    for (size_t cut : {size_t{0}, size_t{3}, size_t{40}, reference - 5, reference + 30, table + 12, good.size() - 1})
        cases.emplace_back(good.begin(), good.begin() + static_cast<long>(cut));
    QV_ShapeModel2D bad = MakeShapeModel();
    bad.referenceShape.Resize(42);  // one point short of the template
    cases.push_back(WriteModel(bad, dir));
    bad = MakeShapeModel();
    bad.templateModel[1].used = 1;  // the PCA no longer covers the used points
    QV_ShapeInstance::ShapeVector(QV_Point2D(1, 1), bad.templateModel, bad.referenceShape);
    cases.push_back(WriteModel(bad, dir));
    for (size_t i = 0; i < cases.size(); ++i) {
        QV_ShapeModel2D back;
        EXPECT_FALSE(ReadModel(back, cases[i], dir)) << i;
        EXPECT_FALSE(back.IsValid()) << i;
    }

    // Model type 2, right after the header and the template.
    QV_ShapeModel2D typeTwo = MakeShapeModel();
    typeTwo.modelType = 2;
    visagen_test::WriteFileBytes(dir.File("t.bin"), WriteModel(typeTwo, dir));
    QV_File f = QV_OpenFile(dir.File("t.bin").c_str(), "rb");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(typeTwo.Read(f.get()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error! QV_ShapeModel2D::Read() model type 2 not supported\n");
}

TEST(QV_ShapeModel2D, MeanShapeIsCentredAndFillsTheImageHeight)
{
    // Used points span a box of height 2 about (0, 0) once scaled by
    // meanScale; the unused point is moved with them but not scaled.
    QV_ShapeModel2D model;
    model.templateModel.annotations.Append(MakeAnnotation("FACE", {{9, 9}, {9, 9}, {9, 9}}));
    model.templateModel.annotations.Append(MakeAnnotation("NOSE", {{0.5f, 0.5f}}, 0));
    model.meanScale = 2.0f;
    const float ref[] = {-0.5f, -0.5f, 0.5f, 0.5f, 0.25f, 0.0f};
    model.referenceShape.Resize(6);
    for (int i = 0; i < 6; ++i) model.referenceShape[i] = ref[i];
    QV_AnnotationModel out;
    model.PlaceMeanShape(QV_Point2D(640.0f, 480.0f), out);
    const float k = 1.0f / 2.1f;
    const std::vector<QV_Point2D> expected = {
        {0.5f - 0.75f * k, 0.5f - k}, {0.5f + 0.75f * k, 0.5f + k}, {0.5f + 0.375f * k, 0.5f}, {0.5f + 0.375f * k, 0.5f + 0.5f * k}};
    ASSERT_EQ(out.Count(), 2);
    for (int i = 0; i < 4; ++i) {
        const QV_Point2D p = out[i / 3].points[i % 3];
        EXPECT_NEAR(p.x, expected[i].x, 1e-6f) << i;
        EXPECT_NEAR(p.y, expected[i].y, 1e-6f) << i;
    }
}

TEST(QV_ShapeModel2D, ConstrainKeepsAPlausibleShapeAndPullsInAWildOne)
{
    QV_ShapeModel2D model = MakeShapeModel();
    model.PCA()->SetLimit(9.0f);
    QV_Similarity pose;
    pose.FromParams(80.0f * std::cos(0.2f) - 1.0f, 80.0f * std::sin(0.2f), 320.0f, 240.0f);
    const auto modes = Modes(model.referenceShape);
    for (const float amplitude : {0.8f, 12.0f}) {
        QV_Array<float> x = model.referenceShape;
        for (int i = 0; i < x.Count(); ++i) x[i] += amplitude * modes[0][i] - 0.5f * modes[1][i];
        pose.ApplyToVector(x);
        const QV_Array<float> before = x;
        model.Constrain(x, 0);
        float change = 0;
        for (int i = 0; i < x.Count(); ++i) change = std::max(change, std::fabs(x[i] - before[i]));
        if (amplitude < 1.0f) {
            EXPECT_LT(change, 0.05f);
        } else {  // back in the model frame it is within the limit
            EXPECT_GT(change, 50.0f);
            QV_Similarity back;
            back.Align(model.referenceShape, x);
            back.ApplyInverseToVector(x);
            QV_Array<float> params;
            model.PCA()->Project(params, x, -1);
            EXPECT_LE(model.PCA()->Mahalanobis(params), 9.0f * 1.01f);
        }
    }
}

TEST(QV_ShapeInstance, EyeReferenceIndices)
{
    // Each case follows an unused part of 5 points and a used one of 3, so
    // its first part starts at x index 6.
    const std::vector<std::tuple<std::vector<std::pair<const char*, int>>, int, int>> cases = {
        {{{"EYES", 8}}, 6 + 2, 6 + 10},
        {{{"LEFT IRIS", 4}, {"RIGHT IRIS", 4}}, 6 + 8 + 4, 6 + 4},
        {{{"RIGHT EYE", 8}, {"LEFT EYE", 8}}, 6 + 12, 6 + 16 + 12},
        {{{"RIGHT EYE", 8}, {"LEFT EYE", 8}, {"RIGHT IRIS", 3}}, 6 + 32 + 4, -1},
        {{{"EYES", 2}, {"left eye", 8}}, 6 + 2, -1},  // missing points; labels are case-sensitive
    };
    for (const auto& [parts, right, left] : cases) {
        QV_AnnotationModel m;
        m.annotations.Append(MakeAnnotation("RIGHT IRIS", std::vector<QV_Point2D>(5), 0));
        m.annotations.Append(MakeAnnotation("X", {{0.5f, 0.25f}, {0, 0}, {0, 0}}));
        for (const auto& [label, n] : parts) m.annotations.Append(MakeAnnotation(label, std::vector<QV_Point2D>(n)));
        QV_ShapeInstance s;
        s.SetFromAnnotation(QV_Point2D(640.0f, 480.0f), m);
        EXPECT_EQ(s.rightEyeIndex, right) << std::get<0>(parts[0]);
        EXPECT_EQ(s.leftEyeIndex, left) << std::get<0>(parts[0]);
        EXPECT_EQ(s.Point(0), QV_Point2D(320.0f, 120.0f));
    }
}

}  // namespace
