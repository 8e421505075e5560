// The CPU-side matrix arithmetic the renderers load into OpenGL.
#include <gtest/gtest.h>

#include <cmath>

#include "QV_GLMatrix.h"

namespace {

void ExpectPoint(const QV_Point3D& p, float x, float y, float z)
{
    EXPECT_NEAR(p.x, x, 1e-4);
    EXPECT_NEAR(p.y, y, 1e-4);
    EXPECT_NEAR(p.z, z, 1e-4);
}

struct RotationCase {
    float degrees, ax, ay, az;
    QV_Point3D in;
    QV_Point3D out;
};

TEST(GLMatrix, RotationsTurnCounterClockwiseAboutTheirAxis)
{
    const RotationCase cases[] = {
        {90, 0, 0, 1, {1, 0, 0}, {0, 1, 0}},    {90, 1, 0, 0, {0, 1, 0}, {0, 0, 1}},
        {90, 0, 1, 0, {0, 0, 1}, {1, 0, 0}},    {180, 0, 2, 0, {1, 2, 3}, {-1, 2, -3}},
        {120, 1, 1, 1, {1, 0, 0}, {0, 1, 0}},   {33, 0, 0, 0, {4, 5, 6}, {4, 5, 6}},
    };
    for (const RotationCase& c : cases) {
        SCOPED_TRACE(c.degrees);
        const QV_Point3D p = QV_GLMatrix::Rotation(c.degrees, c.ax, c.ay, c.az).TransformPoint(c.in);
        ExpectPoint(p, c.out.x, c.out.y, c.out.z);
    }
}

TEST(GLMatrix, ProductAppliesTheRightFactorFirst)
{
    const QV_GLMatrix t = QV_GLMatrix::Translation(10, 0, 0);
    const QV_GLMatrix r = QV_GLMatrix::Rotation(90, 0, 0, 1);
    ExpectPoint((t * r).TransformPoint({1, 0, 0}), 10, 1, 0);
    ExpectPoint((r * t).TransformPoint({1, 0, 0}), 0, 11, 0);
    // Column-major storage as OpenGL loads it: the translation is m[12..14].
    EXPECT_EQ(t.m[12], 10.0f);
    EXPECT_EQ(t.m[3], 0.0f);
}

}  // namespace
