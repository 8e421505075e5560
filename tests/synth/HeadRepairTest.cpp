// Head repair operations on a small bumpy grid: which vertices each one moves,
// where they go, and refusal of bad lists and undetermined fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "QV_HeadRepair.h"
#include "QV_Similarity3D.h"

namespace {

constexpr int kCols = 4;
constexpr int kRows = 4;
constexpr int kIsolated = kCols * kRows;  // a vertex no face uses

int V(int r, int c) { return r * kCols + c; }

// A 4 x 4 grid of vertices over a curved surface, triangles and one quad,
// one feature over every face, and one vertex outside every face.
QV_Mesh Grid()
{
    QV_Mesh m;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            m.vertices.Append(QV_Point3D(2.0f * c, 1.5f * r, 0.3f * (c - 1.5f) * (c - 1.5f) + 0.2f * r * c));
    m.vertices.Append(QV_Point3D(9.0f, 9.0f, 9.0f));
    for (int r = 0; r + 1 < kRows; ++r)
        for (int c = 0; c + 1 < kCols; ++c) {
            if (r == 1 && c == 1) {
                m.faces.Append(QV_Face(V(r, c), V(r, c + 1), V(r + 1, c + 1), V(r + 1, c)));
                continue;
            }
            m.faces.Append(QV_Face(V(r, c), V(r, c + 1), V(r + 1, c + 1)));
            m.faces.Append(QV_Face(V(r, c), V(r + 1, c + 1), V(r + 1, c)));
        }
    m.EnsureFeature();
    return m;
}

QV_Similarity3D Pose(float w, float x, float y, float z, float s, QV_Point3D t)
{
    QV_Similarity3D p;
    p.SetRotation(w, x, y, z);
    p.scale = s;
    p.t = t;
    return p;
}

QV_Mesh Mapped(const QV_Mesh& m, const QV_Similarity3D& s)
{
    QV_Mesh out = m;
    for (unsigned i = 0; i < out.vertices.Size(); ++i) out.vertices[i] = s.Apply(m.vertices[i]);
    return out;
}

std::vector<QV_Point3D> Positions(const QV_Mesh& m)
{
    std::vector<QV_Point3D> p;
    for (unsigned i = 0; i < m.vertices.Size(); ++i) p.push_back(m.vertices[i]);
    return p;
}

std::vector<int> Moved(const QV_Mesh& before, const QV_Mesh& after)
{
    std::vector<int> out;
    for (unsigned i = 0; i < before.vertices.Size(); ++i)
        if (!(before.vertices[i] == after.vertices[i])) out.push_back(static_cast<int>(i));
    return out;
}

void ExpectNear(const QV_Point3D& got, const QV_Point3D& want, float tol, const std::string& what)
{
    EXPECT_NEAR(Distance(got, want), 0.0f, tol) << what << ": (" << got.x << ", " << got.y << ", " << got.z
                                               << ") vs (" << want.x << ", " << want.y << ", " << want.z << ")";
}

QV_Point3D Mean(const QV_Mesh& m, const std::vector<int>& list)
{
    QV_Point3D s;
    for (int v : list) s += m.vertices[v];
    return s / static_cast<float>(list.size());
}

const QV_Similarity3D kPose = Pose(0.9f, 0.2f, -0.3f, 0.25f, 1.7f, QV_Point3D(10.0f, -4.0f, 2.5f));
const std::vector<int> kPatch = {V(1, 1), V(1, 2), V(2, 1), V(2, 2), V(3, 2)};

}  // namespace

TEST(VertexNeighbours, AreTheOtherCornersOfTheFacesAround)
{
    QV_Mesh m;
    for (int i = 0; i < 6; ++i) m.vertices.Append(QV_Point3D(static_cast<float>(i), 0, 0));
    m.faces.Append(QV_Face(0, 1, 2));
    m.faces.Append(QV_Face(1, 3, 4, 2));
    m.faces.Append(QV_Face(2, 99, 3));  // a corner off the vertex list is ignored
    const QV_VertexNeighbours nb(m);
    ASSERT_EQ(nb.VertexCount(), 6);
    const std::vector<std::vector<int>> want = {{1, 2}, {0, 2, 3, 4}, {0, 1, 3, 4}, {1, 2, 4}, {1, 2, 3}, {}};
    for (int v = 0; v < 6; ++v) EXPECT_EQ(nb.Of(v), want[static_cast<size_t>(v)]) << "vertex " << v;
    EXPECT_TRUE(nb.Of(-1).empty());
    EXPECT_TRUE(nb.Of(6).empty());
}

TEST(HeadRepair, AverageFixWorksInListOrder)
{
    const QV_Mesh before = Grid();
    QV_Mesh m = before;
    const QV_VertexNeighbours nb(before);
    const int a = V(1, 1), b = V(1, 2);  // neighbours of each other
    ASSERT_NE(std::find(nb.Of(b).begin(), nb.Of(b).end(), a), nb.Of(b).end());
    ASSERT_TRUE(QV_HeadRepair::AverageFix(m, {a, b, kIsolated}, nb));

    const QV_Point3D wantA = Mean(before, nb.Of(a));
    QV_Mesh partial = before;
    partial.vertices[a] = wantA;
    const QV_Point3D wantB = Mean(partial, nb.Of(b));  // sees a's new position
    ExpectNear(m.vertices[a], wantA, 1e-5f, "first");
    ExpectNear(m.vertices[b], wantB, 1e-5f, "second");
    EXPECT_EQ(Moved(before, m), (std::vector<int>{a, b}));  // the isolated vertex stays put
}

TEST(HeadRepair, SmoothingReadsThePositionsFromBeforeThePass)
{
    const QV_Mesh before = Grid();
    QV_Mesh m = before;
    const QV_VertexNeighbours nb(before);
    const std::vector<int> list = {V(1, 1), V(1, 2), V(2, 2)};
    ASSERT_TRUE(QV_HeadRepair::Smooth(m, list, nb));
    for (int v : list) {
        QV_Point3D sum = before.vertices[v];
        for (int w : nb.Of(v)) sum += before.vertices[w];
        ExpectNear(m.vertices[v], sum / static_cast<float>(nb.Of(v).size() + 1), 1e-5f, "vertex " + std::to_string(v));
    }
    EXPECT_EQ(Moved(before, m), list);
}

TEST(HeadRepair, ReferenceAlignmentReproducesAScaledRotatedCopy)
{
    const QV_Mesh reference = Mapped(Grid(), kPose);
    QV_Mesh out = Grid();
    ASSERT_TRUE(QV_HeadRepair::AlignToReference(out, reference));
    for (int v = 0; v < out.VertexCount(); ++v)
        ExpectNear(out.vertices[v], reference.vertices[v], 2e-4f, "vertex " + std::to_string(v));

    QV_Mesh small = reference;
    small.vertices.Clear();
    small.vertices.Append(QV_Point3D());
    QV_Mesh untouched = Grid();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_HeadRepair::AlignToReference(untouched, small));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_HeadRepair::AlignToReference()"), std::string::npos);
    EXPECT_TRUE(Moved(Grid(), untouched).empty());
}

TEST(HeadRepair, RigidReplacementKeepsTheReferenceShape)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Mapped(reference, kPose);
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 0.3f);
    for (int v : kPatch) out.vertices[v] += QV_Point3D(noise(rng), noise(rng), noise(rng));
    const QV_Mesh before = out;
    ASSERT_TRUE(QV_HeadRepair::RigidReplace(out, reference, kPatch));

    // Distances among the replaced vertices are the reference's times one scale.
    const float ratio = Distance(out.vertices[kPatch[0]], out.vertices[kPatch[1]]) /
                        Distance(reference.vertices[kPatch[0]], reference.vertices[kPatch[1]]);
    for (size_t i = 0; i < kPatch.size(); ++i)
        for (size_t j = i + 1; j < kPatch.size(); ++j)
            EXPECT_NEAR(Distance(out.vertices[kPatch[i]], out.vertices[kPatch[j]]),
                        ratio * Distance(reference.vertices[kPatch[i]], reference.vertices[kPatch[j]]), 1e-4f);
    ExpectNear(Mean(out, kPatch), Mean(before, kPatch), 1e-4f, "centroid");
    EXPECT_EQ(Moved(before, out), kPatch);
}

TEST(HeadRepair, OutsideGraftFitsOverTheUnlistedVertices)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Mapped(reference, kPose);
    for (int v : kPatch) out.vertices[v] = QV_Point3D(40.0f + v, -30.0f, 7.0f * v);  // wildly off
    const QV_Mesh before = out;

    ASSERT_TRUE(QV_HeadRepair::Graft(out, reference, kPatch, true));
    for (int v : kPatch) ExpectNear(out.vertices[v], kPose.Apply(reference.vertices[v]), 2e-4f, "grafted");
    EXPECT_EQ(Moved(before, out), kPatch);

    // Fitted over the listed vertices instead, the graft follows them: the
    // same as a rigid replacement and far from the body's pose.
    QV_Mesh inside = before, rigid = before;
    ASSERT_TRUE(QV_HeadRepair::Graft(inside, reference, kPatch, false));
    ASSERT_TRUE(QV_HeadRepair::RigidReplace(rigid, reference, kPatch));
    EXPECT_EQ(Positions(inside), Positions(rigid));
    EXPECT_GT(Distance(inside.vertices[kPatch[0]], kPose.Apply(reference.vertices[kPatch[0]])), 1.0f);
}

TEST(HeadRepair, StretchedGraftMatchesTheOutputBoxPerAxis)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Mapped(reference, kPose);
    const QV_Point3D c = Mean(out, kPatch);
    for (int v : kPatch) out.vertices[v] = c + (out.vertices[v] - c).Scaled(QV_Point3D(1.6f, 0.7f, 1.2f));
    const QV_Mesh before = out;

    auto box = [](const QV_Mesh& m, QV_Point3D& lo, QV_Point3D& hi) {
        lo = hi = m.vertices[kPatch[0]];
        for (int v : kPatch) {
            const QV_Point3D& p = m.vertices[v];
            lo = QV_Point3D(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
            hi = QV_Point3D(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
        }
    };
    QV_Point3D wantLo, wantHi;
    box(before, wantLo, wantHi);
    QV_Mesh mapped = Mapped(reference, kPose);
    QV_Point3D mLo, mHi;
    box(mapped, mLo, mHi);

    ASSERT_TRUE(QV_HeadRepair::StretchedGraft(out, reference, kPatch, true));
    QV_Point3D lo, hi;
    box(out, lo, hi);
    ExpectNear(hi - lo, wantHi - wantLo, 2e-4f, "box size");
    ExpectNear((hi + lo) * 0.5f, (mHi + mLo) * 0.5f, 2e-4f, "box centre stays the mapped one");
    EXPECT_EQ(Moved(before, out), kPatch);
}

TEST(HeadRepair, StretchedGraftOfAFlatPartStaysFinite)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Mapped(reference, Pose(1, 0, 0, 0, 2.0f, QV_Point3D(1, 1, 1)));
    const std::vector<int> row = {V(0, 0), V(0, 1), V(0, 2), V(0, 3)};  // all at y = 0 in the reference
    ASSERT_TRUE(QV_HeadRepair::StretchedGraft(out, reference, row, true));
    for (int v : row) {
        EXPECT_TRUE(std::isfinite(out.vertices[v].x) && std::isfinite(out.vertices[v].y) &&
                    std::isfinite(out.vertices[v].z));
        EXPECT_NEAR(out.vertices[v].y, 1.0f, 1e-4f);
    }
}

TEST(HeadRepair, WholeHeadAlignmentMovesEverythingByTheListFit)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Mapped(reference, kPose);
    const int loose = V(0, 3);  // not in the list, off the pose
    out.vertices[loose] += QV_Point3D(0.5f, -1.0f, 2.0f);
    const QV_Point3D looseBefore = out.vertices[loose];
    ASSERT_TRUE(QV_HeadRepair::AlignWholeHead(out, reference, kPatch));
    for (int v : kPatch) ExpectNear(out.vertices[v], reference.vertices[v], 2e-4f, "listed");
    ExpectNear(out.vertices[V(3, 0)], reference.vertices[V(3, 0)], 2e-4f, "unlisted on the pose");
    // The loose vertex keeps its offset, un-rotated and un-scaled.
    QV_Similarity3D back;
    ASSERT_TRUE(back.Fit(std::vector<QV_Point3D>{kPose.Apply(reference.vertices[0]), kPose.Apply(reference.vertices[5]),
                                                 kPose.Apply(reference.vertices[10]), kPose.Apply(reference.vertices[7])},
                         std::vector<QV_Point3D>{reference.vertices[0], reference.vertices[5], reference.vertices[10],
                                                 reference.vertices[7]}));
    ExpectNear(out.vertices[loose], back.Apply(looseBefore), 2e-4f, "loose");
}

TEST(HeadRepair, BadListsAndDegenerateFitsAreRefusedWithoutChange)
{
    const QV_Mesh reference = Grid();
    const QV_VertexNeighbours nb(reference);
    const QV_VertexNeighbours small(QV_Mesh{});
    using Op = std::function<bool(QV_Mesh&, const std::vector<int>&)>;
    struct Case {
        const char* name;
        Op op;
    };
    const Case ops[] = {
        {"AverageFix", [&](QV_Mesh& m, const std::vector<int>& l) { return QV_HeadRepair::AverageFix(m, l, nb); }},
        {"Smooth", [&](QV_Mesh& m, const std::vector<int>& l) { return QV_HeadRepair::Smooth(m, l, nb); }},
        {"RigidReplace", [&](QV_Mesh& m, const std::vector<int>& l) { return QV_HeadRepair::RigidReplace(m, reference, l); }},
        {"Graft", [&](QV_Mesh& m, const std::vector<int>& l) { return QV_HeadRepair::Graft(m, reference, l, false); }},
        {"StretchedGraft",
         [&](QV_Mesh& m, const std::vector<int>& l) { return QV_HeadRepair::StretchedGraft(m, reference, l, true); }},
        {"AlignWholeHead", [&](QV_Mesh& m, const std::vector<int>& l) { return QV_HeadRepair::AlignWholeHead(m, reference, l); }},
    };
    const std::vector<std::vector<int>> badLists = {{1, -1}, {kIsolated + 1}, {2, 2147483647}};
    for (const Case& c : ops) {
        for (const std::vector<int>& list : badLists) {
            SCOPED_TRACE(std::string(c.name) + " with index " + std::to_string(list.back()));
            QV_Mesh m = Mapped(reference, kPose);
            const QV_Mesh before = m;
            testing::internal::CaptureStderr();
            EXPECT_FALSE(c.op(m, list));
            EXPECT_EQ(testing::internal::GetCapturedStderr().rfind(std::string("QV_HeadRepair::") + c.name + "()", 0), 0u);
            EXPECT_EQ(Positions(m), Positions(before));
        }
    }
    // Undetermined fits: one vertex repeated, or an outside graft with nothing outside.
    std::vector<int> all;
    for (int v = 0; v <= kIsolated; ++v) all.push_back(v);
    const std::vector<std::pair<const char*, std::function<bool(QV_Mesh&)>>> degenerate = {
        {"repeated vertex, rigid", [&](QV_Mesh& m) { return QV_HeadRepair::RigidReplace(m, reference, {3, 3, 3}); }},
        {"repeated vertex, graft", [&](QV_Mesh& m) { return QV_HeadRepair::Graft(m, reference, {3, 3}, false); }},
        {"nothing outside", [&](QV_Mesh& m) { return QV_HeadRepair::Graft(m, reference, all, true); }},
        {"empty list, whole head", [&](QV_Mesh& m) { return QV_HeadRepair::AlignWholeHead(m, reference, {}); }},
        {"neighbour table too small", [&](QV_Mesh& m) { return QV_HeadRepair::Smooth(m, {0}, small); }},
    };
    for (const auto& [name, op] : degenerate) {
        SCOPED_TRACE(name);
        QV_Mesh m = Mapped(reference, kPose);
        const QV_Mesh before = m;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(op(m));
        EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_HeadRepair::"), std::string::npos);
        EXPECT_EQ(Positions(m), Positions(before));
    }
}

TEST(HeadRepair, FinishRecomputesTheBounds)
{
    QV_Mesh m = Grid();
    m.UpdateBounds();
    m.vertices[V(3, 3)] = QV_Point3D(50.0f, 60.0f, -70.0f);
    QV_HeadRepair::Finish(m);
    EXPECT_EQ(m.bboxMax.x, 50.0f);
    EXPECT_EQ(m.bboxMax.y, 60.0f);
    EXPECT_EQ(m.bboxMin.z, -70.0f);
    EXPECT_EQ(m.NormalCount(), kIsolated);  // one per vertex used by a face
}
