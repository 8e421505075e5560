// Head repair operations on a small curved grid: where each one puts the
// vertices it names, that it moves no others, and refusal of bad lists and
// undetermined fits without any change.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "QV_HeadRepair.h"
#include "QV_Similarity3D.h"

namespace {

constexpr int kIsolated = 16;  // a vertex no face uses
int V(int r, int c) { return r * 4 + c; }

// A 4 x 4 grid over a curved surface (triangles and one quad) and one extra vertex.
QV_Mesh Grid()
{
    QV_Mesh m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.vertices.Append(QV_Point3D(2.0f * c, 1.5f * r, 0.3f * (c - 1.5f) * (c - 1.5f) + 0.2f * r * c));
    m.vertices.Append(QV_Point3D(9.0f, 9.0f, 9.0f));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
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

QV_Similarity3D MakePose()
{
    QV_Similarity3D p;
    p.SetRotation(0.9f, 0.2f, -0.3f, 0.25f);
    p.scale = 1.7f;
    p.t = QV_Point3D(10.0f, -4.0f, 2.5f);
    return p;
}
const QV_Similarity3D kPose = MakePose();
const std::vector<int> kPatch = {V(1, 1), V(1, 2), V(2, 1), V(2, 2), V(3, 2)};

QV_Mesh Posed(const QV_Mesh& m)
{
    QV_Mesh out = m;
    for (unsigned i = 0; i < out.vertices.Size(); ++i) out.vertices[i] = kPose.Apply(m.vertices[i]);
    return out;
}

std::vector<int> Moved(const QV_Mesh& before, const QV_Mesh& after)
{
    std::vector<int> out;
    for (unsigned i = 0; i < before.vertices.Size(); ++i)
        if (!(before.vertices[i] == after.vertices[i])) out.push_back(static_cast<int>(i));
    return out;
}

QV_Point3D Mean(const QV_Mesh& m, const std::vector<int>& list)
{
    QV_Point3D s;
    for (int v : list) s += m.vertices[v];
    return s / static_cast<float>(list.size());
}

void Box(const QV_Mesh& m, QV_Point3D& lo, QV_Point3D& hi)
{
    lo = hi = m.vertices[kPatch[0]];
    for (int v : kPatch) {
        const QV_Point3D& p = m.vertices[v];
        lo = QV_Point3D(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = QV_Point3D(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
}

#define EXPECT_AT(got, want, tol) EXPECT_NEAR(Distance((got), (want)), 0.0f, (tol))

}  // namespace

TEST(HeadRepair, NeighboursAreTheOtherCornersOfTheFacesAround)
{
    QV_Mesh m;
    for (int i = 0; i < 6; ++i) m.vertices.Append(QV_Point3D(static_cast<float>(i), 0, 0));
    m.faces.Append(QV_Face(0, 1, 2));
    m.faces.Append(QV_Face(1, 3, 4, 2));
    m.faces.Append(QV_Face(2, 99, 3));  // a corner off the vertex list is ignored
    const QV_VertexNeighbours nb(m);
    const std::vector<std::vector<int>> want = {{1, 2}, {0, 2, 3, 4}, {0, 1, 3, 4}, {1, 2, 4}, {1, 2, 3}, {}};
    ASSERT_EQ(nb.VertexCount(), 6);
    for (int v = 0; v < 6; ++v) EXPECT_EQ(nb.Of(v), want[static_cast<size_t>(v)]) << v;
    EXPECT_TRUE(nb.Of(6).empty());
}

// The average fix goes in list order (a later vertex sees an earlier one's new
// place); smoothing reads every position from before the pass.
TEST(HeadRepair, AverageFixIsSequentialAndSmoothingSimultaneous)
{
    const QV_Mesh before = Grid();
    const QV_VertexNeighbours nb(before);
    const int a = V(1, 1), b = V(1, 2);  // neighbours of each other
    QV_Mesh fixed = before;
    ASSERT_TRUE(QV_HeadRepair::AverageFix(fixed, {a, b, kIsolated}, nb));
    QV_Mesh partial = before;
    partial.vertices[a] = Mean(before, nb.Of(a));
    EXPECT_AT(fixed.vertices[a], partial.vertices[a], 1e-5f);
    EXPECT_AT(fixed.vertices[b], Mean(partial, nb.Of(b)), 1e-5f);
    EXPECT_EQ(Moved(before, fixed), (std::vector<int>{a, b}));  // the isolated vertex stays put

    QV_Mesh smooth = before;
    ASSERT_TRUE(QV_HeadRepair::Smooth(smooth, {a, b}, nb));
    for (int v : {a, b}) {
        std::vector<int> self = nb.Of(v);
        self.push_back(v);
        EXPECT_AT(smooth.vertices[v], Mean(before, self), 1e-5f);
    }
    EXPECT_EQ(Moved(before, smooth), (std::vector<int>{a, b}));
}

TEST(HeadRepair, AlignmentsReproduceAPosedCopy)
{
    const QV_Mesh reference = Posed(Grid());
    QV_Mesh out = Grid();
    ASSERT_TRUE(QV_HeadRepair::AlignToReference(out, reference));
    for (int v = 0; v < out.VertexCount(); ++v) EXPECT_AT(out.vertices[v], reference.vertices[v], 2e-4f);

    // Whole-head alignment fits over the list only but moves every vertex.
    QV_Mesh head = Grid();
    head.vertices[V(0, 3)] += QV_Point3D(0.5f, -1.0f, 2.0f);  // off the pose, not listed
    ASSERT_TRUE(QV_HeadRepair::AlignWholeHead(head, reference, kPatch));
    for (int v = 0; v < kIsolated; ++v)
        EXPECT_AT(head.vertices[v], v == V(0, 3) ? kPose.Apply(Grid().vertices[v] + QV_Point3D(0.5f, -1.0f, 2.0f))
                                                 : reference.vertices[v], 2e-4f);
}

TEST(HeadRepair, RigidReplacementKeepsTheReferenceShape)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Posed(reference);
    for (size_t i = 0; i < kPatch.size(); ++i) out.vertices[kPatch[i]] += QV_Point3D(0.3f * i, -0.2f, 0.1f * (i % 2));
    const QV_Mesh before = out;
    ASSERT_TRUE(QV_HeadRepair::RigidReplace(out, reference, kPatch));
    const float ratio = Distance(out.vertices[kPatch[0]], out.vertices[kPatch[1]]) /
                        Distance(reference.vertices[kPatch[0]], reference.vertices[kPatch[1]]);
    for (int u : kPatch)
        for (int w : kPatch)
            EXPECT_NEAR(Distance(out.vertices[u], out.vertices[w]), ratio * Distance(reference.vertices[u], reference.vertices[w]),
                        1e-4f);
    EXPECT_AT(Mean(out, kPatch), Mean(before, kPatch), 1e-4f);
    EXPECT_EQ(Moved(before, out), kPatch);
}

TEST(HeadRepair, GraftsFitOverTheListOrItsComplement)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Posed(reference);
    for (int v : kPatch) out.vertices[v] = QV_Point3D(40.0f + v, -30.0f, 7.0f * v);  // wildly off
    const QV_Mesh before = out;

    QV_Mesh outside = before;
    ASSERT_TRUE(QV_HeadRepair::Graft(outside, reference, kPatch, true));
    for (int v : kPatch) EXPECT_AT(outside.vertices[v], kPose.Apply(reference.vertices[v]), 2e-4f);
    EXPECT_EQ(Moved(before, outside), kPatch);

    // Over the list itself the graft is the rigid replacement and follows the list.
    QV_Mesh inside = before, rigid = before;
    ASSERT_TRUE(QV_HeadRepair::Graft(inside, reference, kPatch, false));
    ASSERT_TRUE(QV_HeadRepair::RigidReplace(rigid, reference, kPatch));
    EXPECT_TRUE(Moved(rigid, inside).empty());
    EXPECT_GT(Distance(inside.vertices[kPatch[0]], kPose.Apply(reference.vertices[kPatch[0]])), 1.0f);
}

TEST(HeadRepair, StretchedGraftMatchesTheOutputBoxPerAxis)
{
    const QV_Mesh reference = Grid();
    QV_Mesh out = Posed(reference);
    const QV_Point3D c = Mean(out, kPatch);
    for (int v : kPatch) out.vertices[v] = c + (out.vertices[v] - c).Scaled(QV_Point3D(1.6f, 0.7f, 1.2f));
    const QV_Mesh before = out;
    QV_Point3D wantLo, wantHi, mLo, mHi, lo, hi;
    Box(before, wantLo, wantHi);
    Box(Posed(reference), mLo, mHi);
    ASSERT_TRUE(QV_HeadRepair::StretchedGraft(out, reference, kPatch, true));
    Box(out, lo, hi);
    EXPECT_AT(hi - lo, wantHi - wantLo, 2e-4f);
    EXPECT_AT(hi + lo, mHi + mLo, 4e-4f);  // centred on the mapped box
    EXPECT_EQ(Moved(before, out), kPatch);

    // A part flat on one axis keeps that axis instead of dividing by zero.
    QV_Mesh flat = reference;
    for (int v : kPatch) flat.vertices[v].z = 0.0f;
    QV_Mesh target = flat;
    ASSERT_TRUE(QV_HeadRepair::StretchedGraft(target, flat, kPatch, true));
    for (int v : kPatch) EXPECT_AT(target.vertices[v], flat.vertices[v], 1e-4f);
}

TEST(HeadRepair, BadListsAndUndeterminedFitsChangeNothing)
{
    const QV_Mesh reference = Grid();
    const QV_VertexNeighbours nb(reference), none{QV_Mesh{}};
    QV_Mesh one;
    one.vertices.Append(QV_Point3D());
    std::vector<int> all;
    for (int v = 0; v <= kIsolated; ++v) all.push_back(v);
    using Op = std::function<bool(QV_Mesh&, const std::vector<int>&)>;
    namespace R = QV_HeadRepair;
    const std::vector<std::pair<std::string, Op>> ops = {
        {"AverageFix", [&](QV_Mesh& m, const std::vector<int>& l) { return R::AverageFix(m, l, nb); }},
        {"Smooth", [&](QV_Mesh& m, const std::vector<int>& l) { return R::Smooth(m, l, nb); }},
        {"RigidReplace", [&](QV_Mesh& m, const std::vector<int>& l) { return R::RigidReplace(m, reference, l); }},
        {"Graft", [&](QV_Mesh& m, const std::vector<int>& l) { return R::Graft(m, reference, l, false); }},
        {"StretchedGraft", [&](QV_Mesh& m, const std::vector<int>& l) { return R::StretchedGraft(m, reference, l, true); }},
        {"AlignWholeHead", [&](QV_Mesh& m, const std::vector<int>& l) { return R::AlignWholeHead(m, reference, l); }},
    };
    std::vector<std::pair<std::string, std::function<bool(QV_Mesh&)>>> cases;
    for (const auto& [name, op] : ops)
        for (int bad : {-1, kIsolated + 1, 2147483647})
            cases.push_back({name, [op, bad](QV_Mesh& m) { return op(m, {1, bad}); }});
    cases.push_back({"RigidReplace", [&](QV_Mesh& m) { return R::RigidReplace(m, reference, {3, 3, 3}); }});
    cases.push_back({"Graft", [&](QV_Mesh& m) { return R::Graft(m, reference, all, true); }});  // nothing outside
    cases.push_back({"AlignWholeHead", [&](QV_Mesh& m) { return R::AlignWholeHead(m, reference, {}); }});
    cases.push_back({"Smooth", [&](QV_Mesh& m) { return R::Smooth(m, {0}, none); }});
    cases.push_back({"AlignToReference", [&](QV_Mesh& m) { return R::AlignToReference(m, one); }});
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].first + " case " + std::to_string(i));
        QV_Mesh m = Posed(reference);
        const QV_Mesh before = m;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(cases[i].second(m));
        EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("QV_HeadRepair::" + cases[i].first + "() Error! : ", 0), 0u);
        EXPECT_TRUE(Moved(before, m).empty());
    }
}
