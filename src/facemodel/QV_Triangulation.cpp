#include "QV_Triangulation.h"

#include <algorithm>
#include <cmath>

namespace {

struct Tri {
    int v[3];
    double cx, cy, r2;  // circumcircle
};

bool Circumcircle(const std::vector<QV_Point2D>& p, Tri& t)
{
    const double ax = p[t.v[0]].x, ay = p[t.v[0]].y;
    const double bx = p[t.v[1]].x, by = p[t.v[1]].y;
    const double cx = p[t.v[2]].x, cy = p[t.v[2]].y;
    const double d = 2.0 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    if (d == 0.0) return false;
    const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    t.cx = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
    t.cy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
    t.r2 = (ax - t.cx) * (ax - t.cx) + (ay - t.cy) * (ay - t.cy);
    return true;
}

double Cross(const QV_Point2D& a, const QV_Point2D& b, const QV_Point2D& c)
{
    return (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
           (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
}

}  // namespace

std::vector<std::array<int, 3>> QV_Triangulate(const std::vector<QV_Point2D>& input)
{
    std::vector<std::array<int, 3>> result;
    const int n = static_cast<int>(input.size());
    if (n < 3) return result;

    // Working copy: the input points followed by the three corners of a
    // triangle that encloses them all.
    std::vector<QV_Point2D> p(input);
    float minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
    for (const QV_Point2D& q : input) {
        minX = std::min(minX, q.x);
        maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y);
        maxY = std::max(maxY, q.y);
    }
    const float span = std::max({maxX - minX, maxY - minY, 1e-6f});
    const float mx = 0.5f * (minX + maxX), my = 0.5f * (minY + maxY);
    p.push_back({mx - 20.0f * span, my - 20.0f * span});
    p.push_back({mx + 20.0f * span, my - 20.0f * span});
    p.push_back({mx, my + 20.0f * span});

    std::vector<Tri> tris;
    Tri super{{n, n + 1, n + 2}, 0, 0, 0};
    Circumcircle(p, super);
    tris.push_back(super);

    for (int i = 0; i < n; ++i) {
        // Coincident points are inserted once.
        bool duplicate = false;
        for (int j = 0; j < i && !duplicate; ++j) duplicate = p[j].x == p[i].x && p[j].y == p[i].y;
        if (duplicate) continue;

        std::vector<std::array<int, 2>> edges;
        std::vector<Tri> kept;
        for (const Tri& t : tris) {
            const double dx = p[i].x - t.cx, dy = p[i].y - t.cy;
            if (dx * dx + dy * dy < t.r2 * (1.0 + 1e-12)) {
                for (int k = 0; k < 3; ++k) edges.push_back({t.v[k], t.v[(k + 1) % 3]});
            } else {
                kept.push_back(t);
            }
        }
        // The boundary of the cavity: edges that belong to one removed triangle only.
        for (size_t a = 0; a < edges.size(); ++a) {
            bool shared = false;
            for (size_t b = 0; b < edges.size() && !shared; ++b)
                shared = a != b && edges[a][0] == edges[b][1] && edges[a][1] == edges[b][0];
            if (shared) continue;
            Tri t{{edges[a][0], edges[a][1], i}, 0, 0, 0};
            if (Circumcircle(p, t)) kept.push_back(t);
        }
        tris.swap(kept);
    }

    for (const Tri& t : tris) {
        if (t.v[0] >= n || t.v[1] >= n || t.v[2] >= n) continue;
        std::array<int, 3> tri = {t.v[0], t.v[1], t.v[2]};
        const double area = Cross(p[tri[0]], p[tri[1]], p[tri[2]]);
        if (area == 0.0) continue;
        if (area < 0.0) std::swap(tri[1], tri[2]);
        result.push_back(tri);
    }
    return result;
}
