// QV_Face: one polygon of a mesh, a fixed record of up to five corners, each
// naming a vertex, a normal and a texture coordinate by index (-1 for none).
#pragma once

struct QV_Corner {
    int vertex = -1;
    int normal = -1;
    int texCoord = -1;

    bool operator==(const QV_Corner&) const = default;
};

struct QV_Face {
    static constexpr int kMaxCorners = 5;

    QV_Corner corners[kMaxCorners];
    int count = 0;  // 3 for a triangle, 4 for a quad; never more than 5

    QV_Face() = default;
    // A face on the given vertex indices, without normals or texture coordinates.
    QV_Face(int v0, int v1, int v2)
    {
        corners[0].vertex = v0;
        corners[1].vertex = v1;
        corners[2].vertex = v2;
        count = 3;
    }
    QV_Face(int v0, int v1, int v2, int v3) : QV_Face(v0, v1, v2)
    {
        corners[3].vertex = v3;
        count = 4;
    }

    // Adds a corner; false (and nothing added) when the face is full.
    bool Add(const QV_Corner& c)
    {
        if (count < 0 || count >= kMaxCorners) return false;
        corners[count++] = c;
        return true;
    }

    // Whole records compare equal, unused corners included.
    bool operator==(const QV_Face&) const = default;
};

static_assert(sizeof(QV_Face) == 16 * sizeof(int), "a face is 5 x 3 ints and the count");
