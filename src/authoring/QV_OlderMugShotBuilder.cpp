// The older mugshot from a 2D-3D one.
#include "QV_OlderMugShotBuilder.h"

#include <limits>
#include <vector>

#include "QV_Error.h"
#include "QV_MugShotBuilder.h"

namespace {

// The table of one side: a group per contour, each point's nearest projected
// vertex as its member.
bool BuildTable(const QV_MugShotBase& mug, int side, const QV_AnnotationModel& reference, const QV_Point2D& frame,
                QV_PointGroupTable& table)
{
    std::vector<QV_Point2D> projected;
    if (!mug.ProjectPoints(side, frame, reference, projected)) return false;
    if (projected.empty()) return false;
    table = QV_PointGroupTable();
    table.groups = reference;
    for (int a = 0; a < reference.Count(); ++a) {
        for (int k = 0; k < reference[a].NumPoints(); ++k) {
            const QV_Point2D p = reference[a].points[k].Scaled(frame);
            int best = 0;
            float bestDistance = std::numeric_limits<float>::max();
            for (size_t v = 0; v < projected.size(); ++v) {
                const float d = Distance(projected[v], p);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = static_cast<int>(v);
                }
            }
            table.members.items.push_back({static_cast<int32_t>(a), static_cast<int32_t>(best)});
        }
    }
    return true;
}

}  // namespace

bool QV_BuildOlderMugShot(const QV_MugShot2D3D& from, const QV_AnnotationModel& front, const QV_Point2D& frontFrame,
                          const QV_AnnotationModel& profile, const QV_Point2D& profileFrame, QV_MugShot& out,
                          const QV_AnnotationModel* frontLayout)
{
    if (from.templateMesh.VertexCount() == 0) {
        QV_PrintError("QV_BuildOlderMugShot() Error! : the template head has no vertices\n");
        return false;
    }
    QV_MugShot older;
    older.templateMesh = from.templateMesh;
    older.frontMapping = from.frontMapping;
    older.profileMapping = from.profileMapping;
    older.sampler = from.sampler;
    older.samplerHigh = from.samplerHigh;
    older.mask = from.mask;
    if (frontLayout) {
        // Where the mapping puts every vertex on the front reference, tied to
        // the other layout's points instead.
        std::vector<QV_Point2D> placed;
        if (!from.ProjectPoints(QV_MugShotBase::kFront, frontFrame, front, placed) ||
            !QV_BuildMappingList(*frontLayout, frontFrame, placed, older.frontMapping)) {
            QV_PrintError("QV_BuildOlderMugShot() Error! : the front layout admits no mapping\n");
            return false;
        }
    }
    if (!BuildTable(older, QV_MugShotBase::kFront, frontLayout ? *frontLayout : front, frontFrame,
                    older.tables[0]) ||
        !BuildTable(older, QV_MugShotBase::kProfile, profile, profileFrame, older.tables[1])) {
        QV_PrintError("QV_BuildOlderMugShot() Error! : a reference does not fit its mapping\n");
        return false;
    }
    older.DeriveAssociations();
    out = std::move(older);
    return true;
}
