// Scanner data read as meshes: Echo scans (text header, big-endian samples
// column by column), our cylindrical range files and grid meshes. None of
// them is written.
#include "QV_MIO_Scan.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_CylinderScan.h"
#include "QV_Error.h"
#include "QV_Mesh.h"

namespace {

// Range maps and their pictures are cut to this size about their centres.
constexpr int kScanRows = 400;
constexpr int kScanCols = 480;
// Larger grids and scans than this are refused rather than allocated.
constexpr int64_t kMaxSamples = int64_t{1} << 26;

bool Fail(const char* who, const std::string& why)
{
    QV_PrintError((std::string(who) + " Error! : " + why + "\n").c_str());
    return false;
}

// The scan as a mesh with its one feature and vertex normals.
void FinishScanMesh(QV_CylinderScan& scan, QV_Mesh& mesh, const QV_String& path)
{
    scan.CropAboutCentre(kScanRows, kScanCols);
    scan.ToMesh(mesh);
    mesh.name = path;
    mesh.EnsureFeature();
    mesh.ComputeVertexNormals();
    mesh.UpdateBounds();
}

// What an Echo header says about its samples.
struct EchoHeader {
    long columns = 0;  // NLG: longitudes
    long rows = 0;     // NLT: latitudes
    long shift = 0;    // RSHIFT
    double angularStep = 0.0;
    double verticalStep = 0.0;
    bool cylindrical = false;
};

// Reads header lines (up to 1024 characters each) up to the one holding
// "DATA="; the samples start after it. False when the file ends first or
// fewer than six lines carry a key this reader knows.
bool ReadEchoHeader(std::FILE* f, EchoHeader& h)
{
    char line[1025];
    int recognised = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strstr(line, "DATA=")) return recognised >= 6;
        bool known = false;
        auto after = [&](const char* key) -> const char* {
            const char* at = std::strstr(line, key);
            if (!at) return nullptr;
            known = true;
            return at + std::strlen(key);
        };
        if (const char* v = after("NLG=")) h.columns = std::strtol(v, nullptr, 10);
        if (const char* v = after("NLT=")) h.rows = std::strtol(v, nullptr, 10);
        if (const char* v = after("RSHIFT=")) h.shift = std::strtol(v, nullptr, 10);
        if (const char* v = after("LGINCR=")) h.angularStep = std::strtod(v, nullptr) * 1e-6;
        if (const char* v = after("LTINCR=")) h.verticalStep = std::strtod(v, nullptr) * 0.001;
        if (const char* v = after("SPACE=")) h.cylindrical = v[0] != '\0' && v[1] == 'Y';
        if (known) ++recognised;
    }
    return false;
}

// The colour picture of a scan: the same name with ".tif", else any picture
// of that name, turned into the map's orientation.
void LoadScanColour(const QV_String& path, QV_CylinderScan& scan)
{
    QV_String tif = path;
    scan.hasColour = scan.colour.Load(tif.ReplaceExtension("tif")) || scan.colour.LoadAnyExtension(path);
    if (!scan.hasColour) return;
    scan.colour.FlipVertical();
    scan.colour.Rotate90();
    scan.colour.FlipVertical();
}

// Quads between neighbouring grid points (rows x cols vertices, row-major).
void GridFaces(QV_Mesh& mesh, int rows, int cols)
{
    for (int r = 0; r + 1 < rows; ++r)
        for (int c = 0; c + 1 < cols; ++c) {
            const int v = r * cols + c;
            QV_Face face(v, v + 1, v + cols + 1, v + cols);
            for (int k = 0; k < 4; ++k) face.corners[k].texCoord = face.corners[k].vertex;
            mesh.faces.Append(face);
        }
}

}  // namespace

bool QV_MIO_GMesh::Load(QV_Mesh& mesh)
{
    static const char* const kWho = "QV_MIO_GMesh::Load()";
    mesh.Clear();
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) return Fail(kWho, "can't open file " + path.Std());
    int rows = 0, cols = 0;
    if (std::fscanf(f.get(), "%d %d", &rows, &cols) != 2 || rows < 2 || cols < 2)
        return Fail(kWho, "no grid size in " + path.Std());
    // Every point takes at least six characters ("0 0 0 ").
    const int64_t points = int64_t{rows} * cols;
    if (points > kMaxSamples || !QV_CanHold(f.get(), points, 6))
        return Fail(kWho, "the grid is larger than the file in " + path.Std());
    for (int64_t i = 0; i < points; ++i) {
        float x = 0, y = 0, z = 0;
        if (std::fscanf(f.get(), "%f %f %f", &x, &y, &z) != 3 || !std::isfinite(x) || !std::isfinite(y) ||
            !std::isfinite(z)) {
            mesh.Clear();
            return Fail(kWho, "short or bad point list in " + path.Std());
        }
        mesh.vertices.Append(QV_Point3D(x, y, z));
        const int r = static_cast<int>(i / cols), c = static_cast<int>(i % cols);
        mesh.texCoords.Append(QV_Point2D((c + 0.5f) / static_cast<float>(cols), (r + 0.5f) / static_cast<float>(rows)));
    }
    QV_String jpg = path;
    if (!mesh.texture.Load(jpg.ReplaceExtension("jpg")) || mesh.texture.Rows() != rows ||
        mesh.texture.Cols() != cols) {
        mesh.Clear();
        return Fail(kWho, "no picture of the grid's size beside " + path.Std());
    }
    mesh.hasTexture = true;
    GridFaces(mesh, rows, cols);
    QV_Feature feature;
    feature.name = "GridMesh";
    for (int k = 0; k < mesh.FaceCount(); ++k) feature.faceIndices.Append(k);
    mesh.features.Append(feature);
    mesh.name = path;
    mesh.ComputeVertexNormals();
    mesh.UpdateBounds();
    return true;
}

bool QV_MIO_GMesh::Save(const QV_Mesh&) { return false; }

// A range file, little-endian: int32 rows, int32 columns, float32 angular
// step (radians), float32 vertical step, int32 colour flag, then rows x
// columns float32 radii row by row (0 or less: no sample). With the flag
// set, the picture of the same name with ".bmp" is the colour.
bool QV_MIO_Range::Load(QV_Mesh& mesh)
{
    static const char* const kWho = "QV_MIO_Range::Load()";
    mesh.Clear();
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) return Fail(kWho, "can't open file " + path.Std());
    int32_t rows = 0, cols = 0, colourFlag = 0;
    float angular = 0, vertical = 0;
    if (!QV_ReadI32(f.get(), rows) || !QV_ReadI32(f.get(), cols) || !QV_ReadF32(f.get(), angular) ||
        !QV_ReadF32(f.get(), vertical) || !QV_ReadI32(f.get(), colourFlag))
        return Fail(kWho, "short header in " + path.Std());
    if (rows < 1 || cols < 1 || !std::isfinite(angular) || !std::isfinite(vertical))
        return Fail(kWho, "bad header in " + path.Std());
    const int64_t samples = int64_t{rows} * cols;
    if (samples > kMaxSamples || !QV_CanHold(f.get(), samples, 4))
        return Fail(kWho, "the map is larger than the file in " + path.Std());
    QV_CylinderScan scan;
    scan.Resize(rows, cols);
    scan.angularStep = angular;
    scan.verticalStep = vertical;
    if (!QV_ReadBytes(f.get(), scan.radius.data(), scan.radius.size() * sizeof(float)))
        return Fail(kWho, "short map in " + path.Std());
    for (size_t i = 0; i < scan.radius.size(); ++i) {
        scan.valid[i] = std::isfinite(scan.radius[i]) && scan.radius[i] > 0.0f;
        if (!scan.valid[i]) scan.radius[i] = 0.0f;
    }
    if (colourFlag) {
        QV_String bmp = path;
        scan.hasColour = scan.colour.Load(bmp.ReplaceExtension("bmp"));
    }
    FinishScanMesh(scan, mesh, path);
    return true;
}

bool QV_MIO_Range::Save(const QV_Mesh&) { return false; }

bool QV_MIO_Echo::Load(QV_Mesh& mesh)
{
    static const char* const kWho = "QV_MIO_Echo::Load()";
    mesh.Clear();
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) return Fail(kWho, "can't open file " + path.Std());
    EchoHeader h;
    if (!ReadEchoHeader(f.get(), h)) return Fail(kWho, "no Echo scan header in " + path.Std());
    if (h.columns < 1 || h.rows < 1 || h.shift < 0 || h.shift > 16 || !std::isfinite(h.angularStep) ||
        !std::isfinite(h.verticalStep))
        return Fail(kWho, "bad scan size or shift in " + path.Std());
    if (!h.cylindrical) return Fail(kWho, "only cylindrical scans are read: " + path.Std());
    const int64_t samples = int64_t{h.rows} * h.columns;
    if (samples > kMaxSamples || !QV_CanHold(f.get(), samples, 2))
        return Fail(kWho, "the scan is larger than the file in " + path.Std());

    QV_CylinderScan scan;
    scan.Resize(static_cast<int>(h.rows), static_cast<int>(h.columns));
    scan.angularStep = static_cast<float>(h.angularStep);
    scan.verticalStep = static_cast<float>(h.verticalStep);
    std::vector<unsigned char> bytes(static_cast<size_t>(samples) * 2);
    if (!QV_ReadBytes(f.get(), bytes.data(), bytes.size())) return Fail(kWho, "short scan in " + path.Std());
    // Column by column, each column all its rows; -32768 marks no sample.
    size_t k = 0;
    for (int c = 0; c < scan.cols; ++c)
        for (int r = 0; r < scan.rows; ++r, k += 2) {
            const int sample = static_cast<int16_t>((bytes[k] << 8) | bytes[k + 1]);
            if (sample == -32768) continue;
            scan.radius[scan.Index(r, c)] = static_cast<float>(sample * (1 << h.shift)) * 0.001f;
            scan.valid[scan.Index(r, c)] = 1;
        }
    scan.FillVoids();
    LoadScanColour(path, scan);
    FinishScanMesh(scan, mesh, path);
    return true;
}

bool QV_MIO_Echo::Save(const QV_Mesh&)
{
    QV_PrintError("not implemented yet\n");
    return false;
}
