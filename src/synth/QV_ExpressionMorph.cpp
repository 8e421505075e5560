// Morphing a created head towards an expression of its template.
#include "QV_ExpressionMorph.h"

#include <algorithm>
#include <vector>

#include "QV_Similarity3D.h"

QV_Mesh QV_MorphExpression(const QV_Mesh& head, const QV_Mesh& rest, const QV_Mesh& target, float weight)
{
    QV_Mesh out = head;
    const int n = std::min({head.VertexCount(), rest.VertexCount(), target.VertexCount()});
    if (n == 0 || weight == 0.0f) return out;
    std::vector<QV_Point3D> from(n), to(n);
    for (int i = 0; i < n; ++i) {
        from[i] = rest.vertices[i];
        to[i] = head.vertices[i];
    }
    // An undetermined fit leaves the identity: the template's own units.
    QV_Similarity3D placement;
    placement.Fit(from, to);
    const QV_Point3D origin = placement.Apply(QV_Point3D(0.0f, 0.0f, 0.0f));
    for (int i = 0; i < n; ++i) {
        const QV_Point3D& a = rest.vertices[i];
        const QV_Point3D& b = target.vertices[i];
        const QV_Point3D d = placement.Apply(QV_Point3D(b.x - a.x, b.y - a.y, b.z - a.z));
        QV_Point3D& v = out.vertices[i];
        v = QV_Point3D(v.x + weight * (d.x - origin.x), v.y + weight * (d.y - origin.y), v.z + weight * (d.z - origin.z));
    }
    out.ComputeFaceNormals(true);
    out.ComputeVertexNormals();
    out.UpdateBounds();
    return out;
}
