// Training windows are the detector's own windows; face placement in the
// pyramid; the .npy crop reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "QV_DetectorSamples.h"
#include "QV_FaceDetector.h"
#include "QV_NetworkTrainer.h"
#include "QV_NetworkTrainerLayouts.h"
#include "TestSupport.h"

namespace {

// A light oval face with dark eyes and mouth on a textured background.
QV_DetImage SyntheticFace(int w, int h, double cx, double cy, double r)
{
    QV_DetImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double v = 60 + 40 * std::sin(x * 0.37) * std::cos(y * 0.23);
            const double dx = (x - cx) / r, dy = (y - cy) / (1.3 * r);
            if (dx * dx + dy * dy < 1.0) v = 190 - 20 * dy;
            for (double ex : {cx - 0.45 * r, cx + 0.45 * r})
                if (std::hypot(x - ex, y - (cy - 0.3 * r)) < 0.12 * r) v = 30;
            if (std::abs(x - cx) < 0.35 * r && std::abs(y - (cy + 0.6 * r)) < 0.06 * r) v = 50;
            img.At(x, y) = static_cast<unsigned char>(v);
        }
    return img;
}

// A detector whose networks are the trainer's layouts with random weights.
void LoadRandomNetworks(QV_FaceDetector& d)
{
    QV_NetworkText texts[4];
    for (int i = 0; i < 4; ++i) {
        QV_NetworkTrainer t;
        ASSERT_TRUE(t.Build(QV_DetectorLayout(i), 40 + i));
        texts[i].structure = t.StructureText();
        texts[i].weights = t.WeightText();
    }
    ASSERT_TRUE(d.LoadNetworks(texts));
}

void ExpectInputs(QV_FaceDetector& d, int net, QV_WindowKind kind, const QV_DetImage& level, int left, int top,
                  bool mirror)
{
    const int n = QV_WindowCols(kind) * QV_WindowRows(kind);
    std::vector<float> mine(n);
    std::vector<std::uint16_t> codes(n);
    QV_PrepareWindow(kind, level, left, top, mirror, codes.data(), mine.data());
    QV_WindowSet set(kind);
    set.AddCodes(codes.data(), 1);
    std::vector<float> stored(n);
    set.Inputs(0, stored.data());
    int differ = 0, storedDiffer = 0;
    for (int k = 0; k < n; ++k) {
        differ += mine[k] != d.Net(net).Activation(k + 1);
        storedDiffer += stored[k] != mine[k];
    }
    EXPECT_EQ(differ, 0) << "window at " << left << ", " << top;
    EXPECT_EQ(storedDiffer, 0);
}


}  // namespace

TEST(DetectorSamples, CandidateWindowIsTheOneTheDetectorExtracts)
{
    QV_FaceDetector d;
    LoadRandomNetworks(d);
    const QV_DetImage img = SyntheticFace(78, 67, 36, 30, 12);
    std::vector<QV_Detection> out;
    d.Candidates(img, 0, QV_DetImage(78, 67, 0), out);
    // The last grid window the detector visited is (X, Y) = (90, 80): its
    // 30 x 30 window hangs over the bottom-right border.
    ExpectInputs(d, 0, QV_WINDOW_CANDIDATE, img, 60, 50, false);
}

TEST(DetectorSamples, FaceWindowIsTheOneTheDetectorVerifies)
{
    QV_FaceDetector d;
    LoadRandomNetworks(d);
    const QV_DetImage img = SyntheticFace(90, 80, 45, 40, 14);
    std::vector<QV_DetImage> pyr;
    QV_FaceDetector::BuildPyramid(img, pyr);
    ASSERT_GE(pyr.size(), 3u);
    QV_Detection out;
    d.Verify(pyr, {10, 8, 1}, out);
    // The last window verified: level 2, around the candidate centre moved
    // there, at (+6, +6).
    const int cx = static_cast<int>(std::lround((10 + 10) / 1.2)), cy = static_cast<int>(std::lround((8 + 10) / 1.2));
    ExpectInputs(d, 1, QV_WINDOW_FACE, pyr[2], cx + 6 - 10, cy + 6 - 10, false);
}

TEST(DetectorSamples, EyeWindowsAreTheOnesTheDetectorSearches)
{
    QV_FaceDetector d;
    LoadRandomNetworks(d);
    const QV_DetImage img = SyntheticFace(130, 120, 65, 60, 30);
    std::vector<QV_DetImage> pyr;
    QV_FaceDetector::BuildPyramid(img, pyr);
    ASSERT_GE(pyr.size(), 8u);
    // Eyes are searched at level 0, the mirrored right half first and the
    // left half last: the last window is the left half's bottom-right one.
    const double s = std::pow(1.2, 7);
    int record[QV_REC_SIZE];
    QV_Detection face{3, 2, 7};
    d.FaceRecord(pyr, face, record);
    const int top = std::min(static_cast<int>(std::lround(s * (face.y + 10))) - 15, pyr[0].height - 14) - 1;
    int left = std::min(static_cast<int>(std::lround(s * (face.x + 10))) - 12, pyr[0].width - 24) - 1;
    ExpectInputs(d, 3, QV_WINDOW_EYE, pyr[0], left, top, false);
    // A face hanging over the left border leaves the left half empty, so the
    // last window is the mirrored right half's.
    face = {-10, 2, 7};
    d.FaceRecord(pyr, face, record);
    left = std::min(static_cast<int>(std::lround(s * (face.x + 20))) - 12, pyr[0].width - 24) - 1;
    ExpectInputs(d, 3, QV_WINDOW_EYE, pyr[0], left, top, true);
}

TEST(DetectorSamples, WindowsMatchAtEveryPlaceAndKind)
{
    // Inside, across the border and mirrored: the stored codes give back the
    // prepared inputs bit for bit.
    const QV_DetImage img = SyntheticFace(50, 40, 25, 20, 9);
    const struct {
        QV_WindowKind kind;
        int left, top;
        bool mirror;
    } cases[] = {{QV_WINDOW_CANDIDATE, 5, 4, false}, {QV_WINDOW_CANDIDATE, -7, 20, false}, {QV_WINDOW_FACE, 12, 8, false},
                 {QV_WINDOW_FACE, 40, -5, false},    {QV_WINDOW_EYE, 10, 3, false},       {QV_WINDOW_EYE, 30, 30, true}};
    for (const auto& c : cases) {
        const int n = QV_WindowCols(c.kind) * QV_WindowRows(c.kind);
        std::vector<float> in(n), back(n);
        std::vector<std::uint16_t> codes(n);
        QV_PrepareWindow(c.kind, img, c.left, c.top, c.mirror, codes.data(), in.data());
        QV_WindowSet set(c.kind);
        set.Add(img, c.left, c.top, c.mirror, -1);
        set.Inputs(0, back.data());
        EXPECT_EQ(set.Label(0), -1);
        EXPECT_EQ(std::memcmp(in.data(), back.data(), n * sizeof(float)), 0) << c.kind << " " << c.left;
        // Equalised inputs lie in [-1, 1] and use both ends of the range.
        float lo = 2, hi = -2;
        for (float v : in) lo = std::min(lo, v), hi = std::max(hi, v);
        EXPECT_GE(lo, -1.0f);
        EXPECT_LE(hi, 1.0f);
        EXPECT_LT(lo, 0.0f);
        EXPECT_GT(hi, 0.0f);
    }
}

TEST(DetectorSamples, PlacementPutsTheEyesWhereTheCanonicalWindowHasThem)
{
    // 68 points with eye centres at (300, 200) and (380, 200) and the mouth
    // centre 90 pixels below their midpoint: face size 80 = 8 x 1.2^12.6.
    std::array<QV_Point2D, 68> p{};
    for (int i = 36; i <= 41; ++i) p[i] = QV_Point2D(300 + (i == 36 ? -10 : i == 39 ? 10 : 0), 200);
    for (int i = 42; i <= 47; ++i) p[i] = QV_Point2D(380 + (i == 42 ? -10 : i == 45 ? 10 : 0), 200);
    for (int i = 48; i <= 59; ++i) p[i] = QV_Point2D(340, 290);
    const QV_FacePlacement f = QV_PlaceFace(p);
    EXPECT_DOUBLE_EQ(f.size, 80.0);
    EXPECT_DOUBLE_EQ(f.eyeBX, 300.0);
    EXPECT_DOUBLE_EQ(f.eyeAX, 380.0);
    const int L = QV_FaceLevel(f);
    EXPECT_EQ(L, 13);
    int x, y;
    QV_FaceWindowAt(f, L, x, y);
    const double s = std::pow(1.2, L);
    // At that level the face is within half a level of its canonical size,
    // and the eye midpoint falls on the canonical one to within rounding.
    EXPECT_LT(std::abs(std::log(80 / s / 8) / std::log(1.2)), 0.5);
    EXPECT_NEAR(340 / s - x, 9.5, 0.5);
    EXPECT_NEAR(200 / s - y, 5.5, 0.5);
    int ex, ey;
    QV_EyeWindowAt(f.eyeBX, f.eyeBY, 0, ex, ey);
    EXPECT_EQ(ex + 12, 300);
    EXPECT_EQ(ey + 7, 200);

    const QV_FacePlacement m = QV_MirrorPlacement(f, 641);
    EXPECT_DOUBLE_EQ(m.eyeBX, 640 - 380.0);
    EXPECT_DOUBLE_EQ(m.eyeAX, 640 - 300.0);
    EXPECT_DOUBLE_EQ(m.midX, 640 - 340.0);
    EXPECT_DOUBLE_EQ(m.size, f.size);

    QV_DetImage img(3, 2);
    img.At(0, 1) = 7;
    EXPECT_EQ(QV_MirrorImage(img).At(2, 1), 7);
}

TEST(DetectorSamples, FaceCropScaledToTheCanonicalSizePutsItsEyesWhereTheWindowHasThem)
{
    // A 25 x 25 crop framed as lfw_subset's: dark eyes where the framing says,
    // light skin elsewhere.
    const QV_FacePlacement f = QV_LfwCropFace();
    EXPECT_DOUBLE_EQ(f.midX, 10.25);
    EXPECT_EQ(QV_FaceLevel(f), 0);  // the crops are at about the detector's own scale
    QV_DetImage crop(25, 25, 200);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 25; ++x)
            if (std::hypot(x - f.eyeBX, y - f.eyeBY) < 1.3 || std::hypot(x - f.eyeAX, y - f.eyeAY) < 1.3)
                crop.At(x, y) = 20;
    for (int m = 0; m < 2; ++m) {
        const QV_DetImage image = m ? QV_MirrorImage(crop) : crop;
        const QV_FacePlacement p = m ? QV_MirrorPlacement(f, crop.width) : f;
        QV_FaceJitter jit;
        jit.scale = 8.0 / p.size;
        QV_DetImage warped;
        QV_FacePlacement q;
        QV_JitterFaceLevel(image, 0, p, jit, warped, q);
        EXPECT_NEAR(q.size, 8.0, 1e-9);
        int x, y;
        QV_FaceWindowAt(q, 0, x, y);
        // The canonical eye centres (5.5, 5.5) and (13.5, 5.5) of the window
        // are dark, the bridge between them and the cheeks below are not.
        for (int ex : {5, 13}) {
            int darkest = 255;
            for (int dy = 0; dy <= 1; ++dy)
                for (int dx = 0; dx <= 1; ++dx) darkest = std::min<int>(darkest, warped.Clamped(x + ex + dx, y + 5 + dy));
            EXPECT_LT(darkest, 120) << "eye at " << ex << (m ? " mirrored" : "");
            EXPECT_GT(warped.Clamped(x + ex, y + 10), 180);
        }
        EXPECT_GT(warped.Clamped(x + 9, y + 5), 180);
    }
}

TEST(DetectorSamples, JitteredFaceKeepsItsEyesOnTheEyes)
{
    // Level 2 of a picture (input pixels 1.44 times its own) with mid-grey
    // skin, black eyes at input (288, 288) and (403.2, 288) and a white
    // collar far below them.
    const int B = 2;
    const double s = std::pow(1.2, B);
    QV_DetImage level(400, 400, 150);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            if (std::hypot(x - 200.0, y - 200.0) < 6.0 || std::hypot(x - 280.0, y - 200.0) < 6.0) level.At(x, y) = 0;
            if (y >= 380) level.At(x, y) = 255;
        }
    QV_FacePlacement face{};
    face.eyeBX = 200 * s, face.eyeBY = 200 * s, face.eyeAX = 280 * s, face.eyeAY = 200 * s;
    face.midX = 240 * s, face.midY = 200 * s, face.size = 80 * s;

    QV_DetImage out;
    QV_FacePlacement moved;
    QV_JitterFaceLevel(level, B, face, QV_FaceJitter{}, out, moved);
    EXPECT_EQ(out.pixels, level.pixels);  // no change asked, none made
    EXPECT_DOUBLE_EQ(moved.eyeAX, face.eyeAX);

    QV_FaceJitter turn;
    turn.angle = 0.3;
    turn.scale = 1.15;
    QV_JitterFaceLevel(level, B, face, turn, out, moved);
    ASSERT_EQ(out.width, 400);
    ASSERT_EQ(out.height, 400);
    EXPECT_NEAR(moved.size, 1.15 * face.size, 1e-9);
    EXPECT_NEAR(std::hypot(moved.eyeAX - moved.eyeBX, moved.eyeAY - moved.eyeBY), 1.15 * 80 * s, 1e-6);
    EXPECT_NEAR(std::atan2(moved.eyeAY - moved.eyeBY, moved.eyeAX - moved.eyeBX), 0.3, 1e-9);
    // Both eyes of the new picture are where the new placement says.
    for (const auto& e : {std::pair{moved.eyeAX, moved.eyeAY}, std::pair{moved.eyeBX, moved.eyeBY}}) {
        const int x = static_cast<int>(std::lround(e.first / s)), y = static_cast<int>(std::lround(e.second / s));
        EXPECT_LT(out.At(x, y), 20) << x << ", " << y;
    }
    EXPECT_EQ(out.At(240, 170), 150);  // skin between and above the eyes

    // Darkened skin: the face's grey falls, black eyes, the white collar and
    // the picture's corners keep theirs.
    QV_FaceJitter dark;
    dark.gamma = 2.0;
    QV_JitterFaceLevel(level, B, face, dark, out, moved);
    EXPECT_NEAR(out.At(240, 240), std::lround(255.0 * std::pow(150.0 / 255.0, 2.0)), 1.0);
    EXPECT_EQ(out.At(200, 200), 0);
    EXPECT_EQ(out.At(240, 395), 255);
    EXPECT_EQ(out.At(5, 5), 150);
    EXPECT_EQ(out.At(395, 5), 150);
    // The fade: lighter beyond the ellipse's edge than inside it.
    EXPECT_LT(out.At(240, 240), out.At(240 + 95, 240));
    EXPECT_LT(out.At(240 + 95, 240), 150);

    // Turned about the vertical axis towards the picture's right: both eyes
    // move right, the nearer (left-hand) one less, so they close up; the
    // placement follows them, and the picture beyond the face's cylinder
    // (1.2 eye distances around the midpoint) keeps its pixels.
    level.At(100, 100) = 40;
    level.At(350, 300) = 60;
    QV_FaceJitter yaw;
    yaw.yaw = 0.3;
    QV_JitterFaceLevel(level, B, face, yaw, out, moved);
    EXPECT_GT(moved.eyeBX, face.eyeBX);
    EXPECT_GT(moved.eyeAX - face.eyeAX, 0.0);
    EXPECT_LT(moved.eyeAX - face.eyeAX, moved.eyeBX - face.eyeBX);
    EXPECT_DOUBLE_EQ(moved.eyeAY, face.eyeAY);
    const double r = 1.2 * 80 * s;
    const double expectA = face.midX + r * std::sin(std::asin(40 * s / r) + 0.3);
    EXPECT_NEAR(moved.eyeAX, expectA, 1e-9);
    EXPECT_NEAR(moved.midX, 0.5 * (moved.eyeAX + moved.eyeBX), 1e-9);
    EXPECT_LT(moved.size, face.size);
    EXPECT_GT(moved.size, 0.9 * face.size);
    for (const auto& e : {std::pair{moved.eyeAX, moved.eyeAY}, std::pair{moved.eyeBX, moved.eyeBY}}) {
        const int x = static_cast<int>(std::lround(e.first / s)), y = static_cast<int>(std::lround(e.second / s));
        EXPECT_LT(out.At(x, y), 20) << x << ", " << y;
    }
    EXPECT_EQ(out.At(100, 100), 40);
    EXPECT_EQ(out.At(350, 300), 60);
    EXPECT_EQ(out.At(200, 200), 150);  // the old eye place is skin now
    // Turned and rotated together: the rotation applies to the turned face.
    yaw.angle = 0.2;
    QV_JitterFaceLevel(level, B, face, yaw, out, moved);
    EXPECT_NEAR(std::atan2(moved.eyeAY - moved.eyeBY, moved.eyeAX - moved.eyeBX), 0.2, 1e-9);

    // A brim from half an eye distance above the eye line (80 level pixels
    // here) up: the forehead takes its tone, the eyes, the skin just above
    // them, the picture beside it and far above it keep theirs.
    QV_FaceJitter cap;
    cap.brimTone = 30;
    cap.brimHeight = 0.5;
    QV_JitterFaceLevel(level, B, face, cap, out, moved);
    EXPECT_EQ(out.At(240, 200 - 64), 30);
    EXPECT_EQ(out.At(180, 200 - 64), 30);
    EXPECT_EQ(out.At(140, 200 - 45), 30);
    EXPECT_EQ(out.At(200, 200), 0);
    EXPECT_EQ(out.At(240, 200 - 24), 150);
    EXPECT_EQ(out.At(240 + 140, 200 - 64), 150);
    EXPECT_EQ(out.At(240, 200 - 150), 150);
    EXPECT_GT(out.At(240, 200 - 38), 30);  // the faded lower edge
    EXPECT_LT(out.At(240, 200 - 38), 150);
    // It turns with the face: the brim stays above the turned eye line.
    cap.angle = 0.4;
    QV_JitterFaceLevel(level, B, face, cap, out, moved);
    EXPECT_EQ(out.At(static_cast<int>(std::lround(240 + 64 * std::sin(0.4))),
                     static_cast<int>(std::lround(200 - 64 * std::cos(0.4)))),
              30);
    EXPECT_NE(out.At(140, 200 - 45), 30);

    QV_DetImage empty;
    QV_JitterFaceLevel(empty, 0, face, turn, out, moved);
    EXPECT_EQ(out.width, 0);
    QV_JitterFaceLevel(empty, 0, face, yaw, out, moved);
    EXPECT_EQ(out.width, 0);
}

TEST(DetectorSamples, NpyReaderTakesBytesAndDoublesAndRefusesDamage)
{
    std::vector<long> shape;
    std::vector<unsigned char> data;
    // Two 1 x 2 byte crops.
    auto bytes = visagen_test::NpyFile("{'descr': '|u1', 'fortran_order': False, 'shape': (2, 1, 2), }", {1, 2, 3, 250});
    ASSERT_TRUE(QV_ParseNpyBytes(bytes.data(), bytes.size(), shape, data));
    EXPECT_EQ(shape, (std::vector<long>{2, 1, 2}));
    EXPECT_EQ(data, (std::vector<unsigned char>{1, 2, 3, 250}));
    // Doubles in 0..1 become bytes.
    std::vector<unsigned char> payload(24);
    const double v[3] = {0.0, 0.5, 1.0};
    std::memcpy(payload.data(), v, 24);
    bytes = visagen_test::NpyFile("{'descr': '<f8', 'fortran_order': False, 'shape': (3,), }", payload);
    ASSERT_TRUE(QV_ParseNpyBytes(bytes.data(), bytes.size(), shape, data));
    EXPECT_EQ(data, (std::vector<unsigned char>{0, 128, 255}));

    const struct {
        const char* what;
        std::vector<unsigned char> file;
        const char* message;
    } bad[] = {
        {"short payload", visagen_test::NpyFile("{'descr': '|u1', 'fortran_order': False, 'shape': (2, 3), }", {1, 2, 3}),
         "file shorter than its shape"},
        {"huge shape", visagen_test::NpyFile("{'descr': '|u1', 'fortran_order': False, 'shape': (4000000000, 4000000000, 9), }", {1}),
         "file shorter than its shape"},
        {"fortran", visagen_test::NpyFile("{'descr': '|u1', 'fortran_order': True, 'shape': (1,), }", {1}), "Fortran"},
        {"type", visagen_test::NpyFile("{'descr': '<i4', 'fortran_order': False, 'shape': (1,), }", {1, 0, 0, 0}), "element type"},
        {"no shape", visagen_test::NpyFile("{'descr': '|u1', 'fortran_order': False, }", {1}), "header lacks"},
        {"magic", {'N', 'U', 'M', 'P', 'Y', 0, 1, 0, 0, 0, 0}, "not a .npy file"},
        {"header past end", {0x93, 'N', 'U', 'M', 'P', 'Y', 1, 0, 0xff, 0x7f, '{'}, "truncated header"},
    };
    for (const auto& b : bad) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(QV_ParseNpyBytes(b.file.data(), b.file.size(), shape, data)) << b.what;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("QV_ReadNpyBytes() Error! : "), std::string::npos) << b.what;
        EXPECT_NE(err.find(b.message), std::string::npos) << b.what << ": " << err;
        EXPECT_TRUE(data.empty());
    }
}
