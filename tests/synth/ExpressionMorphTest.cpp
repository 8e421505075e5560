// Expression shapes of a template moved onto a head placed and sized
// differently from it.
#include <gtest/gtest.h>

#include "QV_ExpressionMorph.h"

namespace {

QV_Mesh Tetrahedron()
{
    QV_Mesh m;
    m.vertices.Append({0, 0, 0});
    m.vertices.Append({1, 0, 0});
    m.vertices.Append({0, 1, 0});
    m.vertices.Append({0, 0, 1});
    m.faces.Append(QV_Face(0, 2, 1));
    m.faces.Append(QV_Face(0, 1, 3));
    m.faces.Append(QV_Face(0, 3, 2));
    m.faces.Append(QV_Face(1, 2, 3));
    return m;
}

// The template doubled, turned 90 degrees about z ((x, y) -> (-y, x)) and moved.
QV_Mesh Placed(const QV_Mesh& rest)
{
    QV_Mesh m = rest;
    for (int i = 0; i < m.VertexCount(); ++i) {
        const QV_Point3D v = rest.vertices[i];
        m.vertices[i] = QV_Point3D(-2 * v.y + 10, 2 * v.x - 4, 2 * v.z + 1);
    }
    return m;
}

TEST(ExpressionMorph, DisplacementsFollowTheHeadsPlacementAndTheWeight)
{
    const QV_Mesh rest = Tetrahedron();
    QV_Mesh target = rest;
    target.vertices[3].x += 0.5f;  // along x in the template
    const QV_Mesh head = Placed(rest);

    const QV_Mesh full = QV_MorphExpression(head, rest, target, 1.0f);
    // Along x in the template is along y on the head, twice as far.
    EXPECT_NEAR(full.vertices[3].x, head.vertices[3].x, 1e-4f);
    EXPECT_NEAR(full.vertices[3].y, head.vertices[3].y + 1.0f, 1e-4f);
    EXPECT_NEAR(full.vertices[3].z, head.vertices[3].z, 1e-4f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(full.vertices[i].x, head.vertices[i].x, 1e-4f) << i;
        EXPECT_NEAR(full.vertices[i].y, head.vertices[i].y, 1e-4f) << i;
    }
    const QV_Mesh half = QV_MorphExpression(head, rest, target, 0.5f);
    EXPECT_NEAR(half.vertices[3].y, head.vertices[3].y + 0.5f, 1e-4f);
    EXPECT_EQ(full.NormalCount(), 4);  // normals follow the moved shape
}

TEST(ExpressionMorph, OnlyVerticesAllThreeShareMoveAndDegenerateFitsKeepTemplateUnits)
{
    const QV_Mesh rest = Tetrahedron();
    QV_Mesh target = rest;
    target.vertices[0].z -= 1.0f;
    target.vertices.Append({5, 5, 5});  // an extra target vertex is ignored
    QV_Mesh head = rest;
    head.vertices.Append({7, 7, 7});  // an extra head vertex stays
    const QV_Mesh moved = QV_MorphExpression(head, rest, target, 1.0f);
    ASSERT_EQ(moved.VertexCount(), 5);
    EXPECT_NEAR(moved.vertices[0].z, -1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(moved.vertices[4].x, 7.0f);

    // A head collapsed to one point gives no placement: template units.
    QV_Mesh point = rest;
    for (int i = 0; i < 4; ++i) point.vertices[i] = QV_Point3D(1, 1, 1);
    const QV_Mesh fromPoint = QV_MorphExpression(point, rest, target, 1.0f);
    EXPECT_NEAR(fromPoint.vertices[0].z, 0.0f, 1e-5f);
    EXPECT_TRUE(std::isfinite(fromPoint.vertices[0].x));

    // Nothing to move from: the head as it is.
    const QV_Mesh none = QV_MorphExpression(head, QV_Mesh(), target, 1.0f);
    EXPECT_FLOAT_EQ(none.vertices[0].z, 0.0f);
}

}  // namespace
