// The appearance search on synthetic images: convergence from a displaced
// pose, the level and step structure, rejected steps, the source level choice
// and its part of the face model file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "AppearanceModelTestUtil.h"
#include "QV_AppearanceFit.h"
#include "QV_AppearanceSearch.h"
#include "QV_BinaryIO.h"
#include "QV_ShapeInstance.h"
#include "TestSupport.h"

using namespace appearance_test;

namespace {

// The search trained once for the whole file (training takes a moment).
QV_AppearanceSearch& TrainedSearch()
{
    static QV_AppearanceSearch search;
    static bool trained = TrainSearch(search);
    EXPECT_TRUE(trained);
    return search;
}

// An annotation of shape k at a pose in a 64 x 64 image, normalised.
QV_AnnotationModel AnnotationOf(float k, const QV_Similarity& pose)
{
    QV_ShapeInstance inst;
    inst.parts.push_back({QV_String("FACE"), kPoints, 0});
    inst.points = ModelShape(k);
    pose.ApplyToVector(inst.points);
    QV_AnnotationModel a;
    inst.ToAnnotation(QV_Point2D(kImageSize, kImageSize), a);
    return a;
}

QV_Array<float> ScaledShape(const QV_Array<float>& s, float f)
{
    QV_Array<float> out(s);
    for (float& v : out) v *= f;
    return out;
}

}  // namespace

TEST(AppearanceSearch, ConvergesFromADisplacedPose)
{
    QV_AppearanceSearch search = TrainedSearch();
    const float k = 0.3f;
    const QV_Similarity truePose = Pose(14.5f, 0.05f, 32.0f, 31.0f);
    QV_Array<float> truth = ModelShape(k);
    truePose.ApplyToVector(truth);
    const QV_Image image = Render(k, truePose);

    // Start shifted by (3, -2) pixels and 8% too large.
    QV_AnnotationModel start = AnnotationOf(0.0f, Pose(14.5f * 1.08f, 0.0f, 35.0f, 29.0f));
    ASSERT_TRUE(search.Initialise(image, start));
    EXPECT_EQ(search.level, 0);
    const float startError = search.bestError;
    const float startShapeError = ShapeError(ScaledShape(search.shape.points, 2.0f), truth);

    float fit = 0.0f;
    int steps = 0;
    float levelZeroEnd = 0.0f;
    while (!search.Step(fit)) {
        ++steps;
        if (steps == 4) levelZeroEnd = search.bestError;
        ASSERT_LT(steps, 100);
    }
    EXPECT_LT(levelZeroEnd, startError * 0.7f);
    const float endShapeError = ShapeError(search.shape.points, truth);
    EXPECT_LT(endShapeError, 0.5f * startShapeError) << startShapeError << " -> " << endShapeError;
    EXPECT_LT(endShapeError, 1.0f);
    EXPECT_FLOAT_EQ(fit, search.bestError * 1000.0f);
    std::printf("residual %f -> %f ; shape %f -> %f\n", startError, search.bestError, startShapeError, endShapeError);
}
