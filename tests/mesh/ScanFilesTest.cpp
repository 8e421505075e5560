// Scanner data read as meshes: Echo scans, range files and grid meshes, and
// the range map's void filling and cropping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "DamagedCopies.h"
#include "QV_CylinderScan.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "TestSupport.h"

using visagen_test::TempDir;
using visagen_test::WriteFileBytes;
using visagen_test::WriteFileText;

namespace {

// An Echo file: the header lines, "DATA=", then the samples column by
// column as big-endian 16-bit values.
std::vector<unsigned char> EchoFile(const std::string& header, int rows, int cols,
                                    const std::vector<int>& rowMajor)
{
    std::string text = header + "DATA=\n";
    std::vector<unsigned char> out(text.begin(), text.end());
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            const uint16_t v = static_cast<uint16_t>(static_cast<int16_t>(rowMajor[r * cols + c]));
            out.push_back(static_cast<unsigned char>(v >> 8));
            out.push_back(static_cast<unsigned char>(v & 0xff));
        }
    return out;
}

std::string EchoHeader(int rows, int cols, int shift, const char* space = "CYLINDRICAL")
{
    return "Echo scan\nNLG=" + std::to_string(cols) + "\nNLT=" + std::to_string(rows) +
           "\nRSHIFT=" + std::to_string(shift) + "\nLGINCR=100000\nLTINCR=2000\nSPACE=" + space + "\n";
}

void Append(std::vector<unsigned char>& out, const void* p, size_t n)
{
    const auto* b = static_cast<const unsigned char*>(p);
    out.insert(out.end(), b, b + n);
}

constexpr int kVoid = -32768;

// A range file with its colour flag set: rows, columns, the two steps, then
// the radii row by row (0 where a sample is missing).
std::vector<unsigned char> RangeFile(int32_t rows, int32_t cols, float angular, float vertical,
                                     const std::vector<float>& radii)
{
    std::vector<unsigned char> bytes;
    const int32_t colour = 1;
    Append(bytes, &rows, 4);
    Append(bytes, &cols, 4);
    Append(bytes, &angular, 4);
    Append(bytes, &vertical, 4);
    Append(bytes, &colour, 4);
    Append(bytes, radii.data(), radii.size() * sizeof(float));
    return bytes;
}

}  // namespace

TEST(ScanFiles, EchoSamplesBecomeACylinderFacingOutWithVoidsFilledAlongTheirRow)
{
    TempDir dir;
    // 3 rows x 4 columns; row 0 has a void between two samples and one at
    // its left end, row 2 is void throughout.
    const std::vector<int> samples = {kVoid, 100, kVoid, 300,  //
                                      50,    60,  70,    80,   //
                                      kVoid, kVoid, kVoid, kVoid};
    const std::string path = dir.File("head.echo");
    WriteFileBytes(path, EchoFile(EchoHeader(3, 4, 2), 3, 4, samples));
    QV_Mesh mesh;
    ASSERT_TRUE(mesh.Load(QV_String(path.c_str())));

    // Row 2 stays void: 8 vertices, 3 quads of row 0 and 1.
    ASSERT_EQ(mesh.VertexCount(), 8);
    EXPECT_EQ(mesh.FaceCount(), 3);
    EXPECT_EQ(mesh.FeatureCount(), 1);
    // Radius = sample << RSHIFT in thousandths; the void at column 0 takes
    // its only neighbour (100), the one at column 2 the mean of 100 and 300.
    const float step = 0.1f;  // LGINCR 100000 micro-radians
    const float expected[2][4] = {{0.4f, 0.4f, 0.8f, 1.2f}, {0.2f, 0.24f, 0.28f, 0.32f}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c) {
            const QV_Point3D& p = mesh.vertices[r * 4 + c];
            const float rad = expected[r][c];
            EXPECT_NEAR(p.x, -std::sin(c * step) * rad, 1e-5) << r << "," << c;
            EXPECT_NEAR(p.z, -std::cos(c * step) * rad, 1e-5) << r << "," << c;
            EXPECT_NEAR(p.y, r * 2.0f, 1e-6);
            EXPECT_NEAR(mesh.texCoords[r * 4 + c].x, (c + 0.5f) / 4, 1e-6);
            EXPECT_NEAR(mesh.texCoords[r * 4 + c].y, (r + 0.5f) / 3, 1e-6);
        }
    // Every face points away from the axis.
    mesh.ComputeFaceNormals(true);
    for (int f = 0; f < mesh.FaceCount(); ++f) {
        const QV_Point3D& n = mesh.faceNormals[f];
        const QV_Point3D& p = mesh.vertices[mesh.faces[f].corners[0].vertex];
        EXPECT_GT(n.x * p.x + n.z * p.z, 0.0f) << f;
    }
    EXPECT_FALSE(mesh.hasTexture);
}

TEST(ScanFiles, EchoColourPictureIsTurnedIntoTheMapsOrientation)
{
    TempDir dir;
    const std::string path = dir.File("s.echo");
    WriteFileBytes(path, EchoFile(EchoHeader(2, 3, 0), 2, 3, {10, 20, 30, 40, 50, 60}));
    // The picture is stored with a row per column of the map.
    QV_Image picture(3, 2);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) picture(r, c) = QV_Colour(static_cast<unsigned char>(40 * r + 10 * c), 0, 0);
    ASSERT_TRUE(picture.Save(QV_String(dir.File("s.bmp").c_str())));
    QV_Mesh mesh;
    ASSERT_TRUE(mesh.Load(QV_String(path.c_str())));
    ASSERT_TRUE(mesh.hasTexture);
    ASSERT_EQ(mesh.texture.Rows(), 2);
    ASSERT_EQ(mesh.texture.Cols(), 3);
    QV_Image expected = picture;
    expected.FlipVertical();
    expected.Rotate90();
    expected.FlipVertical();
    EXPECT_TRUE(mesh.texture.SamePixels(expected));
}

TEST(ScanFiles, MalformedEchoFilesAreRefused)
{
    TempDir dir;
    const std::string path = dir.File("bad.echo");
    QV_Mesh mesh;
    auto refused = [&](const std::vector<unsigned char>& bytes) {
        WriteFileBytes(path, bytes);
        testing::internal::CaptureStderr();
        const bool ok = mesh.Load(QV_String(path.c_str()));
        const std::string err = testing::internal::GetCapturedStderr();
        return !ok && err.find("QV_MIO_Echo::Load() Error!") != std::string::npos && mesh.VertexCount() == 0;
    };
    const std::vector<int> four = {1, 2, 3, 4};
    // Five known keys only.
    EXPECT_TRUE(refused(EchoFile("NLG=2\nNLT=2\nRSHIFT=0\nLGINCR=1\nLTINCR=1\n", 2, 2, four)));
    // No "DATA=" line.
    const std::string noData = EchoHeader(2, 2, 0);
    EXPECT_TRUE(refused(std::vector<unsigned char>(noData.begin(), noData.end())));
    // Fewer samples than the header promises, or absurdly many.
    std::vector<unsigned char> cut = EchoFile(EchoHeader(2, 2, 0), 2, 2, four);
    cut.resize(cut.size() - 1);
    EXPECT_TRUE(refused(cut));
    EXPECT_TRUE(refused(EchoFile(EchoHeader(2, 2000000000, 0), 2, 2, four)));
    EXPECT_TRUE(refused(EchoFile(EchoHeader(-2, 2, 0), 2, 2, four)));
    // A shift that would overflow, and a scan that is not cylindrical.
    EXPECT_TRUE(refused(EchoFile(EchoHeader(2, 2, 40), 2, 2, four)));
    EXPECT_TRUE(refused(EchoFile(EchoHeader(2, 2, 0, "CARTESIAN"), 2, 2, four)));
    // The same file with a proper header reads.
    WriteFileBytes(path, EchoFile(EchoHeader(2, 2, 0), 2, 2, four));
    EXPECT_TRUE(mesh.Load(QV_String(path.c_str())));
    EXPECT_EQ(mesh.VertexCount(), 4);
}

TEST(ScanFiles, RangeFileGivesOneVertexPerSampleAndItsBitmapWhenFlagged)
{
    TempDir dir;
    // One sample missing.
    std::vector<unsigned char> bytes = RangeFile(2, 3, 0.5f, 1.5f, {1, 2, 0, 1, 1, 1});
    WriteFileBytes(dir.File("scan.range"), bytes);
    ASSERT_TRUE(QV_Image(2, 3).Save(QV_String(dir.File("scan.bmp").c_str())));

    QV_Mesh mesh;
    ASSERT_TRUE(mesh.Load(QV_String(dir.File("scan.range").c_str())));
    EXPECT_EQ(mesh.VertexCount(), 5);
    EXPECT_EQ(mesh.FaceCount(), 2);  // a full quad and a triangle beside the hole
    EXPECT_NEAR(mesh.vertices[1].x, -std::sin(0.5f) * 2.0f, 1e-6);
    EXPECT_NEAR(mesh.vertices[4].y, 1.5f, 1e-6);
    EXPECT_TRUE(mesh.hasTexture);

    bytes.resize(bytes.size() - 4);
    WriteFileBytes(dir.File("cut.range"), bytes);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(mesh.Load(QV_String(dir.File("cut.range").c_str())));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("QV_MIO_Range::Load() Error!"), std::string::npos);
}

TEST(ScanFiles, GridMeshNeedsAPictureOfItsOwnSize)
{
    TempDir dir;
    WriteFileText(dir.File("g.gmesh"), "2 3\n0 0 0\n1 0 0\n2 0 0\n0 1 0\n1 1 0\n2 1 0.5\n");
    ASSERT_TRUE(QV_Image(2, 3).Save(QV_String(dir.File("g.jpg").c_str())));
    QV_Mesh mesh;
    ASSERT_TRUE(mesh.Load(QV_String(dir.File("g.gmesh").c_str())));
    EXPECT_EQ(mesh.VertexCount(), 6);
    EXPECT_EQ(mesh.FaceCount(), 2);
    ASSERT_EQ(mesh.FeatureCount(), 1);
    EXPECT_EQ(mesh.features[0].name.Std(), "GridMesh");
    EXPECT_NEAR(mesh.vertices[5].z, 0.5f, 1e-6);
    EXPECT_TRUE(mesh.hasTexture);

    testing::internal::CaptureStderr();
    ASSERT_TRUE(QV_Image(3, 3).Save(QV_String(dir.File("g.jpg").c_str())));
    EXPECT_FALSE(mesh.Load(QV_String(dir.File("g.gmesh").c_str())));
    WriteFileText(dir.File("short.gmesh"), "2 3\n0 0 0\n1 0 0\n");
    EXPECT_FALSE(mesh.Load(QV_String(dir.File("short.gmesh").c_str())));
    WriteFileText(dir.File("huge.gmesh"), "100000 100000\n0 0 0\n");
    EXPECT_FALSE(mesh.Load(QV_String(dir.File("huge.gmesh").c_str())));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(mesh.VertexCount(), 0);
}

// Random damage to each kind of scan file (with its picture beside it): the
// reader refuses or gives a mesh whose faces name its own vertices.
TEST(ScanFiles, DamagedScansAreRefusedOrReadWhole)
{
    TempDir dir;
    std::vector<float> radii(4 * 5);
    for (size_t i = 0; i < radii.size(); ++i) radii[i] = i == 7 ? 0.0f : 1.0f + 0.1f * static_cast<float>(i);
    WriteFileBytes(dir.File("s.range"), RangeFile(4, 5, 0.25f, 1.0f, radii));
    std::string grid = "3 4\n";
    for (int i = 0; i < 12; ++i) grid += std::to_string(i % 4) + " " + std::to_string(i / 4) + " 0." + std::to_string(i) + "\n";
    WriteFileText(dir.File("s.gmesh"), grid);
    std::vector<int> samples(3 * 6);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = i == 4 ? kVoid : 40 + static_cast<int>(i);
    WriteFileBytes(dir.File("s.echo"), EchoFile(EchoHeader(3, 6, 1), 3, 6, samples));
    ASSERT_TRUE(QV_Image(4, 5).Save(QV_String(dir.File("s.bmp").c_str())));
    ASSERT_TRUE(QV_Image(3, 4).Save(QV_String(dir.File("s.jpg").c_str())));

    for (const char* name : {"s.range", "s.gmesh", "s.echo"}) {
        const std::string path = dir.File(name);
        const visagen_test::DamageOutcome o =
            visagen_test::ExerciseDamagedCopies(path, visagen_test::DamagedCopyCount(150), [&] {
                QV_Mesh mesh;
                const bool ok = mesh.Load(QV_String(path.c_str()));
                for (int f = 0; ok && f < mesh.FaceCount(); ++f)
                    for (int k = 0; k < mesh.faces[f].count; ++k)
                        EXPECT_LT(mesh.faces[f].corners[k].vertex, mesh.VertexCount()) << name;
                return ok;
            });
        EXPECT_GT(o.refused, 0) << name << ": no damage was noticed";
    }
}

TEST(CylinderScan, CroppingKeepsSamplesAndVoidsAboutTheCentre)
{
    QV_CylinderScan scan;
    scan.Resize(4, 5);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) {
            scan.radius[scan.Index(r, c)] = static_cast<float>(10 * r + c);
            scan.valid[scan.Index(r, c)] = 1;
        }
    scan.valid[scan.Index(1, 1)] = 0;
    scan.CropAboutCentre(2, 3);
    ASSERT_EQ(scan.rows, 2);
    ASSERT_EQ(scan.cols, 3);
    EXPECT_EQ(scan.radius, (std::vector<float>{11, 12, 13, 21, 22, 23}));
    EXPECT_EQ(scan.valid, (std::vector<unsigned char>{0, 1, 1, 1, 1, 1}));
}
