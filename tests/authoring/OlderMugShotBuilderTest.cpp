// The older mugshot made from a 2D-3D one: its group tables and the front
// mapping rebuilt over another layout of the same face.
#include <gtest/gtest.h>

#include <vector>

#include "MugShotTestFixture.h"
#include "QV_OlderMugShotBuilder.h"
#include "TestSupport.h"

using visagen_test::Quiet;

namespace {

const QV_Point2D kFrame(100.0f, 100.0f);

std::vector<int> Group(const QV_PointGroupTable& t, const char* label)
{
    std::vector<int> v;
    EXPECT_TRUE(t.GroupVertices(label, v)) << label;
    return v;
}

}  // namespace

TEST(OlderMugShotBuilder, GroupsNameTheVerticesTheMappingPutsOnEachPoint)
{
    const QV_MugShot2D3D from = mugshot_fixture::MugShot();
    const QV_AnnotationModel front = mugshot_fixture::FrontAnnotation();
    QV_MugShot older;
    ASSERT_TRUE(QV_BuildOlderMugShot(from, front, kFrame, front, kFrame, older));
    EXPECT_EQ(older.templateMesh.VertexCount(), from.templateMesh.VertexCount());
    EXPECT_EQ(older.sampler.EntryCount(), from.sampler.EntryCount());
    // "GRID" point k is where the mapping puts vertex k.
    const std::vector<int> grid = Group(older.tables[0], "GRID");
    ASSERT_EQ(static_cast<int>(grid.size()), front[0].NumPoints());
    for (size_t k = 0; k < grid.size(); ++k) EXPECT_EQ(grid[k], static_cast<int>(k));
    // Every contour is a group, one member per point, on both sides.
    for (int side = 0; side < 2; ++side) {
        ASSERT_EQ(older.tables[side].groups.Count(), front.Count());
        int points = 0;
        for (int a = 0; a < front.Count(); ++a) points += front[a].NumPoints();
        EXPECT_EQ(older.tables[side].members.Size(), points);
    }
    // A point off the grid has the grid vertex nearest to it: no other grid
    // point is closer.
    const int mouth = front.Find("OUTER MOUTH");
    ASSERT_GE(mouth, 0);
    const std::vector<int> members = Group(older.tables[0], "OUTER MOUTH");
    ASSERT_EQ(static_cast<int>(members.size()), front[mouth].NumPoints());
    for (int k = 0; k < front[mouth].NumPoints(); ++k) {
        const QV_Point2D p = front[mouth].points[k].Scaled(kFrame);
        const float chosen = Distance(front[0].points[members[static_cast<size_t>(k)]].Scaled(kFrame), p);
        for (int v = 0; v < front[0].NumPoints(); ++v)
            EXPECT_LE(chosen, Distance(front[0].points[v].Scaled(kFrame), p) + 1e-4f) << k << " " << v;
    }
}

TEST(OlderMugShotBuilder, AnotherFrontLayoutKeepsEveryVertexInPlace)
{
    const QV_MugShot2D3D from = mugshot_fixture::MugShot();
    const QV_AnnotationModel front = mugshot_fixture::FrontAnnotation();
    // The same face with its contours in another order and the grid left
    // out: the vertices must now be tied to the facial contours alone.
    QV_AnnotationModel layout;
    for (int a = front.Count() - 1; a >= 1; --a) layout.annotations.Append(front[a]);
    QV_MugShot older;
    ASSERT_TRUE(QV_BuildOlderMugShot(from, front, kFrame, front, kFrame, older, &layout));
    std::vector<QV_Point2D> before, after;
    ASSERT_TRUE(from.ProjectPoints(QV_MugShotBase::kFront, kFrame, front, before));
    ASSERT_TRUE(older.ProjectPoints(QV_MugShotBase::kFront, kFrame, layout, after));
    ASSERT_EQ(after.size(), before.size());
    for (size_t v = 0; v < before.size(); ++v) EXPECT_LT(Distance(after[v], before[v]), 1e-2f) << v;
    EXPECT_EQ(older.tables[0].groups[0].label, layout[0].label);
    // The profile keeps the mapping it had.
    EXPECT_EQ(older.profileMapping.entries.size(), from.profileMapping.entries.size());

    // A reference without the points the mapping names is refused.
    QV_AnnotationModel shortFront;
    QV_Annotation three;
    for (int k = 0; k < 3; ++k) three.points.Append(front[0].points[k]);
    shortFront.annotations.Append(three);
    Quiet([&] { EXPECT_FALSE(QV_BuildOlderMugShot(from, shortFront, kFrame, front, kFrame, older)); });
}
