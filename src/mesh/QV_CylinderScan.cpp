// Filling and cropping a cylindrical range map, and its mesh.
#include "QV_CylinderScan.h"

#include <algorithm>
#include <cmath>

#include "QV_Mesh.h"

void QV_CylinderScan::Resize(int newRows, int newCols)
{
    rows = std::max(newRows, 0);
    cols = std::max(newCols, 0);
    radius.assign(static_cast<size_t>(rows) * static_cast<size_t>(cols), 0.0f);
    valid.assign(radius.size(), 0);
}

void QV_CylinderScan::FillVoids()
{
    const std::vector<float> before = radius;
    const std::vector<unsigned char> wasValid = valid;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (wasValid[Index(r, c)]) continue;
            int left = c - 1, right = c + 1;
            while (left >= 0 && !wasValid[Index(r, left)]) --left;
            while (right < cols && !wasValid[Index(r, right)]) ++right;
            float sum = 0.0f;
            int n = 0;
            if (left >= 0) sum += before[Index(r, left)], ++n;
            if (right < cols) sum += before[Index(r, right)], ++n;
            if (n == 0) continue;
            radius[Index(r, c)] = sum / static_cast<float>(n);
            valid[Index(r, c)] = 1;
        }
    }
}

void QV_CylinderScan::CropAboutCentre(int maxRows, int maxCols)
{
    const int newRows = std::min(rows, maxRows), newCols = std::min(cols, maxCols);
    if (newRows != rows || newCols != cols) {
        const int r0 = (rows - newRows) / 2, c0 = (cols - newCols) / 2;
        std::vector<float> r2(static_cast<size_t>(newRows) * static_cast<size_t>(newCols));
        std::vector<unsigned char> v2(r2.size());
        for (int r = 0; r < newRows; ++r)
            for (int c = 0; c < newCols; ++c) {
                r2[static_cast<size_t>(r) * newCols + c] = radius[Index(r0 + r, c0 + c)];
                v2[static_cast<size_t>(r) * newCols + c] = valid[Index(r0 + r, c0 + c)];
            }
        rows = newRows;
        cols = newCols;
        radius = std::move(r2);
        valid = std::move(v2);
    }
    if (!hasColour || (colour.Rows() <= maxRows && colour.Cols() <= maxCols)) return;
    const int pr = std::min(colour.Rows(), maxRows), pc = std::min(colour.Cols(), maxCols);
    const int r0 = (colour.Rows() - pr) / 2, c0 = (colour.Cols() - pc) / 2;
    QV_Image cropped(pr, pc);
    for (int r = 0; r < pr; ++r)
        for (int c = 0; c < pc; ++c)
            cropped(r, c) = colour(colour.RowLow() + r0 + r, colour.ColLow() + c0 + c);
    cropped.SetJPEGQuality(colour.JPEGQuality());
    colour = std::move(cropped);
}

void QV_CylinderScan::ToMesh(QV_Mesh& mesh) const
{
    mesh.Clear();
    std::vector<int> vertexOf(radius.size(), -1);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (!valid[Index(r, c)]) continue;
            const float rad = radius[Index(r, c)];
            const double a = static_cast<double>(c) * angularStep;
            mesh.vertices.Append(QV_Point3D(static_cast<float>(-std::sin(a) * rad),
                                            static_cast<float>(r) * verticalStep,
                                            static_cast<float>(-std::cos(a) * rad)));
            mesh.texCoords.Append(QV_Point2D((static_cast<float>(c) + 0.5f) / static_cast<float>(cols),
                                             (static_cast<float>(r) + 0.5f) / static_cast<float>(rows)));
            vertexOf[Index(r, c)] = static_cast<int>(mesh.vertices.Size()) - 1;
        }
    }
    // Around a cell: along the columns first, then up the rows, so that the
    // face normal points away from the axis.
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < cols; ++c) {
            const int around[4] = {vertexOf[Index(r, c)], vertexOf[Index(r, c + 1)], vertexOf[Index(r + 1, c + 1)],
                                   vertexOf[Index(r + 1, c)]};
            QV_Face face;
            for (int v : around)
                if (v >= 0) face.Add(QV_Corner{v, -1, v});
            if (face.count >= 3) mesh.faces.Append(face);
        }
    }
    if (hasColour && !colour.Empty()) {
        mesh.texture = colour;
        mesh.hasTexture = true;
    }
}
