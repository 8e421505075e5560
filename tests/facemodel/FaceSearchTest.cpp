#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DamagedCopies.h"
#include "FaceSearchTestFaces.h"
#include "QV_FaceModelTrainer.h"
#include "QV_FaceSearch.h"
#include "TestSupport.h"

using visagen_test::FaceAnnotation;
using visagen_test::FaceImage;
using visagen_test::FaceLayout;
using visagen_test::FacePose;

namespace {

constexpr int kCols = 256;
constexpr int kRows = 192;
const QV_Point2D kSize(static_cast<float>(kCols), static_cast<float>(kRows));

struct Photo {
    FacePose pose;
    QV_Image image;
    QV_AnnotationModel truth;
};

Photo MakePhoto(std::mt19937& rng, uint32_t seed)
{
    Photo p;
    p.pose = visagen_test::RandomPose(rng, 128.0f, 96.0f, 62.0f);
    p.image = FaceImage(p.pose, FaceLayout(), kCols, kRows, seed);
    p.truth = FaceAnnotation(p.pose, FaceLayout(), kSize);
    return p;
}

// Mean pixel distance between corresponding points of the annotations that
// both models have under the same label.
float MeanError(const QV_AnnotationModel& fit, const QV_AnnotationModel& truth)
{
    double sum = 0.0;
    int n = 0;
    for (int i = 0; i < truth.Count(); ++i) {
        int j = fit.Find(truth[i].label);
        if (j < 0 || fit[j].NumPoints() != truth[i].NumPoints()) continue;
        for (int k = 0; k < truth[i].NumPoints(); ++k) {
            sum += Distance(fit[j].points[k].Scaled(kSize), truth[i].points[k].Scaled(kSize));
            ++n;
        }
    }
    return n ? static_cast<float>(sum / n) : 1e9f;
}

// Mean pixel distance from each fitted point to the closed outline of the
// truth contour with the same label: blind to how points are numbered.
float OutlineError(const QV_AnnotationModel& fit, const QV_AnnotationModel& truth)
{
    double sum = 0.0;
    int n = 0;
    for (int i = 0; i < fit.Count(); ++i) {
        int j = truth.Find(fit[i].label);
        if (j < 0) continue;
        const QV_Annotation& t = truth[j];
        for (int k = 0; k < fit[i].NumPoints(); ++k) {
            QV_Point2D p = fit[i].points[k].Scaled(kSize);
            float best = 1e9f;
            for (int s = 0; s < t.NumPoints(); ++s) {
                QV_Point2D a = t.points[s].Scaled(kSize), b = t.points[(s + 1) % t.NumPoints()].Scaled(kSize);
                QV_Point2D d = b - a;
                float len2 = d.x * d.x + d.y * d.y;
                float u = len2 > 0 ? ((p.x - a.x) * d.x + (p.y - a.y) * d.y) / len2 : 0.0f;
                u = std::fmin(1.0f, std::fmax(0.0f, u));
                best = std::fmin(best, Distance(p, a + d * u));
            }
            sum += best;
            ++n;
        }
    }
    return n ? static_cast<float>(sum / n) : 1e9f;
}

// One progress call as the test sees it.
struct Record {
    std::string message;
    int stage = 0;
    int steps = 0;
    int profileTotal = 0;
    int profileLevel = 0;
    float shapeLimit = 0.0f;
    int appearanceTotal = 0;
    int appearanceLevel = 0;
};

class FaceSearchTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::mt19937 rng(7);
        std::vector<Photo> photos;
        for (int i = 0; i < 24; ++i) photos.push_back(MakePhoto(rng, 100 + i));
        std::vector<QV_FaceExample> examples;
        for (const Photo& p : photos) examples.push_back({&p.image, &p.truth});
        QV_FaceModelTrainer trainer;
        trainer.options.profileWidth = kCols;
        trainer.options.profileLevels = 5;
        trainer.options.appearanceLevels = 2;
        trainer.options.appearanceWidth = 64;
        QV_FaceSearch trained;
        trainedOk = trainer.Train(photos[0].truth, examples, trained);
        if (!trainedOk) return;
        dir = new visagen_test::TempDir();
        modelPath = new std::string(dir->File("Test.qvface"));
        writtenOk = trained.Write(QV_String(*modelPath));
    }
    static void TearDownTestSuite()
    {
        delete modelPath;
        delete dir;
        modelPath = nullptr;
        dir = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(trainedOk);
        ASSERT_TRUE(writtenOk);
        ASSERT_TRUE(search.Read(QV_String(*modelPath)));
        std::mt19937 rng(99);
        photo = MakePhoto(rng, 4242);
    }

    // Places the model from eyes displaced from the true ones.
    void Place()
    {
        QV_Point2D right, left;
        visagen_test::EyeCentres(photo.pose, kSize, right, left);
        QV_Point2D shiftA(7.0f / kCols, -6.0f / kRows), shiftB(10.0f / kCols, -3.0f / kRows);
        ASSERT_TRUE(search.InitialiseFromEyes(photo.image, fit, right + shiftA, left + shiftB));
    }

    std::vector<Record> Run()
    {
        std::vector<Record> records;
        search.Search(photo.image, fit, [&](QV_AnnotationModel& model, const QV_String& message) {
            Record r;
            r.message = message.CStr();
            r.stage = search.fitter.stage;
            r.steps = search.fitter.steps;
            r.profileTotal = search.fitter.profileSearch.TotalIterations();
            r.profileLevel = search.fitter.profileSearch.Level();
            r.shapeLimit = search.fitter.profileSearch.shapeModel.PCA()->GetLimit();
            r.appearanceTotal = search.fitter.appearanceSearch.totalIterations;
            r.appearanceLevel = search.fitter.appearanceSearch.level;
            EXPECT_EQ(&model, &fit);
            records.push_back(r);
        });
        return records;
    }

    static inline bool trainedOk = false;
    static inline bool writtenOk = false;
    static inline visagen_test::TempDir* dir = nullptr;
    static inline std::string* modelPath = nullptr;

    QV_FaceSearch search;
    Photo photo;
    QV_AnnotationModel fit;
};

}  // namespace

TEST_F(FaceSearchTest, WrittenModelReadsBackAndWritesTheSameBytes)
{
    std::string again = dir->File("Again.qvface");
    ASSERT_TRUE(search.Write(QV_String(again)));
    EXPECT_EQ(visagen_test::ReadFileBytes(again), visagen_test::ReadFileBytes(*modelPath));
    EXPECT_EQ(search.fitter.profileSearch.levels, 5);
    EXPECT_EQ(search.fitter.profileSearch.workingWidth, kCols);
    EXPECT_EQ(search.fitter.appearanceSearch.levels, 2);
    EXPECT_EQ(search.reference.Count(), 4);
}

TEST_F(FaceSearchTest, SearchFromDisplacedEyesFindsTheFace)
{
    Place();
    const float before = MeanError(fit, photo.truth);
    ASSERT_GT(before, 4.0f);  // the start must be visibly wrong
    Run();
    const float after = MeanError(fit, photo.truth);
    EXPECT_LT(after, 0.3f * before) << "from " << before << " px to " << after << " px";
    EXPECT_LT(after, 3.0f);
}

// Points of two fits, exactly.
bool SameFit(const QV_AnnotationModel& a, const QV_AnnotationModel& b)
{
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        if (a[i].NumPoints() != b[i].NumPoints()) return false;
        for (int k = 0; k < a[i].NumPoints(); ++k)
            if (a[i].points[k].x != b[i].points[k].x || a[i].points[k].y != b[i].points[k].y) return false;
    }
    return true;
}

TEST_F(FaceSearchTest, PyramidBuiltAheadIsTakenOnlyForItsOwnPhotograph)
{
    Place();
    Run();
    const QV_AnnotationModel plain = fit;

    // Built ahead for this very photograph (a copy of it): the same fit.
    const QV_Image copy = photo.image;
    ASSERT_TRUE(search.fitter.PreparePyramid(copy));
    Place();
    Run();
    EXPECT_TRUE(SameFit(fit, plain));

    // Built ahead for another photograph, even one differing in a single
    // pixel: the search builds its own from the photograph it is given.
    std::mt19937 rng(5);
    const Photo other = MakePhoto(rng, 777);
    for (const QV_Image* ahead : {&other.image, &copy}) {
        QV_Image image = *ahead;
        if (ahead == &copy) image(60, 100).red ^= 0x40;
        ASSERT_TRUE(search.fitter.PreparePyramid(image));
        Place();
        Run();
        EXPECT_TRUE(SameFit(fit, plain)) << (ahead == &copy ? "one pixel differs" : "another photograph");
    }

    // A pyramid built ahead is taken once: a second placement builds its own
    // (here over a pyramid of another photograph left in the search).
    ASSERT_TRUE(search.fitter.PreparePyramid(copy));
    Place();
    ASSERT_TRUE(search.fitter.profileSearch.BuildPyramid(other.image));
    Place();
    Run();
    EXPECT_TRUE(SameFit(fit, plain));
}

TEST_F(FaceSearchTest, DefaultSearchRunsItsStagesInOrder)
{
    Place();
    std::vector<Record> r = Run();
    // 25 profile steps, the re-initialisation, 25 more, the appearance start,
    // 5 + 10 appearance steps, the end of stage 5, and the final message.
    ASSERT_EQ(r.size(), 25u + 1 + 25 + 1 + 15 + 1 + 1);
    const float limits[] = {70.0f, 105.0f, 140.0f, 175.0f, 210.0f};
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 1; k <= 25; ++k) {
            const Record& x = r[static_cast<size_t>(pass * 26 + k - 1)];
            EXPECT_EQ(x.profileTotal, k) << pass << " " << k;
            int level = k < 25 ? k / 5 : 4;
            EXPECT_EQ(x.profileLevel, level) << pass << " " << k;
            EXPECT_FLOAT_EQ(x.shapeLimit, limits[level]) << pass << " " << k;
        }
    }
    EXPECT_EQ(r[24].stage, 1);
    EXPECT_EQ(r[25].stage, 2);
    EXPECT_EQ(r[25].profileTotal, 0);  // re-initialised
    EXPECT_FLOAT_EQ(r[25].shapeLimit, 70.0f);
    EXPECT_EQ(r[51].stage, 4);
    EXPECT_EQ(r[51].appearanceTotal, 0);
    for (int k = 1; k <= 15; ++k) {
        const Record& x = r[static_cast<size_t>(51 + k)];
        EXPECT_EQ(x.appearanceTotal, k);
        EXPECT_EQ(x.appearanceLevel, k < 5 ? 0 : 1) << k;
    }
    EXPECT_EQ(r[66].stage, 5);
    for (size_t i = 0; i + 1 < r.size(); ++i) {
        EXPECT_EQ(r[i].steps, static_cast<int>(i + 1));
        EXPECT_EQ(r[i].message, "Finding Face, please wait...") << i;
    }
    EXPECT_EQ(r.back().message, "Face found...");
}

TEST_F(FaceSearchTest, VerboseMessagesCountStepsAndTimes)
{
    search.verbose = 1;
    Place();
    std::vector<Record> r = Run();
    ASSERT_GE(r.size(), 2u);
    const std::string step = "Iterations=([0-9]+), fit=[0-9]+\\.[0-9]{3}, iteration time=[0-9]+\\.[0-9]{3} ms";
    for (size_t i = 0; i + 1 < r.size(); ++i) {
        const std::vector<std::string> m = visagen_test::Match(r[i].message, step);
        ASSERT_EQ(m.size(), 2u) << r[i].message;
        EXPECT_EQ(std::stoi(m[1]), static_cast<int>(i + 1));
    }
    const std::vector<std::string> m = visagen_test::Match(r.back().message, step + ", total time=[0-9]+\\.[0-9]{3} ms");
    ASSERT_EQ(m.size(), 2u) << r.back().message;
    EXPECT_EQ(std::stoi(m[1]), static_cast<int>(r.size() - 1));
}

TEST_F(FaceSearchTest, RefinePassAddsTenProfileStepsOnTheTwoFinestLevels)
{
    search.refine = 1;
    Place();
    std::vector<Record> r = Run();
    ASSERT_EQ(r.size(), 68u + 10 + 1);
    for (int k = 0; k < 10; ++k) {
        const Record& x = r[static_cast<size_t>(68 + k)];
        EXPECT_EQ(x.profileLevel, k < 4 ? 3 : 4) << k;
        EXPECT_FLOAT_EQ(x.shapeLimit, k < 4 ? 100.0f : 210.0f) << k;
        EXPECT_EQ(x.message, "Finding Face, please wait...");
    }
    EXPECT_EQ(r.back().message, "Face found...");
    EXPECT_EQ(search.fitter.profileSearch.MaxIterations(), 5);
    // The refined fit is still a fit.
    EXPECT_LT(MeanError(fit, photo.truth), 3.0f);
}

TEST_F(FaceSearchTest, BoxPlacementMapsTheMeanFaceOntoTheBox)
{
    QV_Point2D a(0.3f, 0.2f), b(0.7f, 0.9f);
    QV_AnnotationModel placed;
    ASSERT_TRUE(search.fitter.InitialiseFromBox(photo.image, placed, a, b));
    // The placed shape went through the profile search's start (pixels of the
    // coarsest level), so compare the box at that level's precision.
    QV_Point2D lo(1e9f, 1e9f), hi(-1e9f, -1e9f);
    for (int i = 0; i < placed.Count(); ++i)
        for (int k = 0; k < placed[i].NumPoints(); ++k) {
            lo.x = std::fmin(lo.x, placed[i].points[k].x);
            lo.y = std::fmin(lo.y, placed[i].points[k].y);
            hi.x = std::fmax(hi.x, placed[i].points[k].x);
            hi.y = std::fmax(hi.y, placed[i].points[k].y);
        }
    EXPECT_NEAR(lo.x, a.x, 1e-3f);
    EXPECT_NEAR(lo.y, a.y, 1e-3f);
    EXPECT_NEAR(hi.x, b.x, 1e-3f);
    EXPECT_NEAR(hi.y, b.y, 1e-3f);
    EXPECT_EQ(search.fitter.stage, 0);
    EXPECT_EQ(search.fitter.steps, 0);
}

TEST_F(FaceSearchTest, EyePlacementPutsTheModelEyesOnTheGivenPoints)
{
    QV_Point2D right(0.35f, 0.6f), left(0.62f, 0.63f);
    ASSERT_TRUE(search.InitialiseFromEyes(photo.image, fit, right, left));
    // Three points, one similarity: the eye box centres land on the eyes up to
    // the least-squares compromise, which is exact for a consistent triple.
    QV_Point2D r = fit[fit.Find(QV_Labels::RightEye)].BoxCentre(kSize);
    QV_Point2D l = fit[fit.Find(QV_Labels::LeftEye)].BoxCentre(kSize);
    EXPECT_NEAR(r.x, right.x * kCols, 0.05f);
    EXPECT_NEAR(r.y, right.y * kRows, 0.05f);
    EXPECT_NEAR(l.x, left.x * kCols, 0.05f);
    EXPECT_NEAR(l.y, left.y * kRows, 0.05f);
}

TEST(FaceSearchInit, WithoutABuiltShapeModelPlacementFails)
{
    QV_FaceSearch search;
    QV_Image image(48, 64);
    QV_AnnotationModel model;
    EXPECT_FALSE(search.InitialiseFromEyes(image, model, QV_Point2D(0.4f, 0.5f), QV_Point2D(0.6f, 0.5f)));
    EXPECT_FALSE(search.InitialiseFromBox(image, model, QV_Point2D(0.2f, 0.2f), QV_Point2D(0.8f, 0.8f)));
}

namespace {

std::vector<unsigned char> PartBytes(const std::string& path, const std::function<bool(std::FILE*)>& write)
{
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(f && write(f.get()));
    }
    return visagen_test::ReadFileBytes(path);
}

void PutI32(std::vector<unsigned char>& bytes, size_t offset, int32_t v)
{
    ASSERT_LE(offset + 4, bytes.size());
    std::memcpy(bytes.data() + offset, &v, 4);
}
void PutI64(std::vector<unsigned char>& bytes, size_t offset, int64_t v)
{
    ASSERT_LE(offset + 8, bytes.size());
    std::memcpy(bytes.data() + offset, &v, 8);
}

}  // namespace

TEST_F(FaceSearchTest, CorruptModelFilesFailCleanly)
{
    const std::vector<unsigned char> good = visagen_test::ReadFileBytes(*modelPath);
    ASSERT_GT(good.size(), 1000u);
    const QV_ProfileSearch& profile = search.fitter.profileSearch;
    // Offsets from the parts' own lengths: header, fitter version, then the
    // profile part (five values, the shape model's extra value, the shape
    // model, the level count, the level arrays), then the appearance part.
    const size_t shapeLength =
        PartBytes(dir->File("shape.bin"), [&](std::FILE* f) { return profile.shapeModel.Write(f); }).size();
    const size_t profileLength =
        PartBytes(dir->File("profile.bin"), [&](std::FILE* f) { return profile.Write(f); }).size();
    const size_t levelsAt = 8 + 8;
    const size_t widthAt = 8 + 12;
    const size_t halfLengthAt = 8 + 16;
    const size_t levelCountAt = 8 + 24 + shapeLength;
    const size_t firstArrayAt = levelCountAt + 4;
    const size_t appearanceAt = 8 + profileLength;
    ASSERT_LT(appearanceAt + 40, good.size());

    struct Damage {
        const char* what;
        std::function<void(std::vector<unsigned char>&)> apply;
    };
    const Damage table[] = {
        {"profile levels 0", [&](auto& b) { PutI32(b, levelsAt, 0); }},
        {"profile levels negative", [&](auto& b) { PutI32(b, levelsAt, -3); }},
        {"profile levels huge", [&](auto& b) { PutI32(b, levelsAt, 1 << 30); }},
        {"working width 0", [&](auto& b) { PutI32(b, widthAt, 0); }},
        {"profile half length huge", [&](auto& b) { PutI32(b, halfLengthAt, 1 << 29); }},
        {"profile half length negative", [&](auto& b) { PutI32(b, halfLengthAt, -2); }},
        {"profile level count huge", [&](auto& b) { PutI32(b, levelCountAt, 1 << 30); }},
        {"profile level count negative", [&](auto& b) { PutI32(b, levelCountAt, -1); }},
        {"profile level count beyond the levels", [&](auto& b) { PutI32(b, levelCountAt, 9); }},
        {"profile models huge", [&](auto& b) { PutI64(b, firstArrayAt, int64_t(1) << 40); }},
        {"profile models fewer than points", [&](auto& b) {
             PutI64(b, firstArrayAt, 3);
             PutI64(b, firstArrayAt + 8, 0);
             PutI64(b, firstArrayAt + 16, 2);
         }},
        {"profile model bounds disagree", [&](auto& b) { PutI64(b, firstArrayAt + 16, 1000); }},
        {"appearance levels huge", [&](auto& b) { PutI32(b, appearanceAt + 8, 1 << 30); }},
        {"appearance levels negative", [&](auto& b) { PutI32(b, appearanceAt + 8, -1); }},
        {"appearance width 0", [&](auto& b) { PutI32(b, appearanceAt + 12, 0); }},
    };
    std::vector<std::pair<std::string, std::vector<unsigned char>>> files;
    for (const Damage& d : table) {
        std::vector<unsigned char> bytes = good;
        d.apply(bytes);
        files.push_back({d.what, bytes});
    }
    for (size_t n : {size_t(0), size_t(3), size_t(4), size_t(8), size_t(30), levelCountAt, firstArrayAt + 10,
                     appearanceAt, appearanceAt + 20, good.size() / 2, good.size() - 40, good.size() - 1}) {
        files.push_back({"cut at " + std::to_string(n),
                         std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(n))});
    }
    const std::string path = dir->File("damaged.qvface");
    for (const auto& [what, bytes] : files) {
        visagen_test::WriteFileBytes(path, bytes);
        QV_FaceSearch damaged;
        testing::internal::CaptureStderr();
        bool ok = damaged.Read(QV_String(path));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok) << what;
        EXPECT_NE(err.find("QV_FaceSearch::Read() Error!"), std::string::npos) << what;
        // A model that was read before keeps what it had.
        testing::internal::CaptureStderr();
        EXPECT_FALSE(search.Read(QV_String(path))) << what;
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(search.fitter.profileSearch.levels, 5) << what;
        EXPECT_EQ(search.reference.Count(), 4) << what;
    }
}

// Random damage anywhere in the model file: a model that still reads must
// also place itself and run its whole search on a photograph.
TEST_F(FaceSearchTest, DamagedModelsAreRefusedOrSearch)
{
    const std::string path = dir->File("random.qvface");
    visagen_test::WriteFileBytes(path, visagen_test::ReadFileBytes(*modelPath));
    QV_Point2D right, left;
    visagen_test::EyeCentres(photo.pose, kSize, right, left);
    const visagen_test::DamageOutcome o =
        visagen_test::ExerciseDamagedCopies(path, visagen_test::DamagedCopyCount(40), [&] {
            QV_FaceSearch damaged;
            if (!damaged.Read(QV_String(path))) return false;
            QV_AnnotationModel result;
            if (damaged.InitialiseFromEyes(photo.image, result, right, left)) damaged.Search(photo.image, result, {});
            return true;
        });
    EXPECT_GT(o.refused, 0);
}

TEST_F(FaceSearchTest, ReferenceThatDoesNotMatchTheModelIsRefused)
{
    QV_FaceSearch odd = search;
    odd.reference.annotations.Clear();
    odd.reference.annotations.Append(search.reference[0]);
    const std::string path = dir->File("odd.qvface");
    ASSERT_TRUE(odd.Write(QV_String(path)));
    QV_FaceSearch back;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(back.Read(QV_String(path)));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("reference"), std::string::npos);
}

TEST(FaceSearchFile, MissingFileFailsWithTheSystemMessage)
{
    visagen_test::TempDir dir;
    QV_FaceSearch search;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(search.Read(QV_String(dir.File("none.qvface"))));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("QV_FaceSearch::Read() Error! : cannot open"), std::string::npos) << err;
    EXPECT_NE(err.find(": No such file or directory"), std::string::npos) << err;
}

TEST_F(FaceSearchTest, StageOptionsChangeTheStepCount)
{
    struct Case {
        uint8_t skipShape, skipAppearance, secondPass;
        int steps;
    };
    // Profile 25 + 1 + 25; appearance start 1, 15 steps; stage 5 one step,
    // or a second start and 15 more steps ending the search.
    const Case cases[] = {
        {0, 0, 0, 51 + 1 + 15 + 1},
        {0, 0, 1, 51 + 1 + 15 + 1 + 15},
        {1, 0, 0, 1 + 1 + 15 + 1},
        {0, 1, 0, 51 + 1},
        {1, 1, 0, 1 + 1},
    };
    for (const Case& c : cases) {
        Place();
        QV_FaceFitter& f = search.fitter;
        f.BeginSearch();
        f.skipShape = c.skipShape;
        f.skipAppearance = c.skipAppearance;
        f.secondAppearancePass = c.secondPass;
        float fit = 3.4028235e38f;
        int n = 0;
        while (!f.Step(fit) && n < 1000) ++n;
        EXPECT_EQ(f.steps, c.steps) << int(c.skipShape) << int(c.skipAppearance) << int(c.secondPass);
        if (!c.skipAppearance) {
            // The last step was an appearance step: its fit is the error x 1000.
            EXPECT_FLOAT_EQ(fit, search.fitter.appearanceSearch.bestError * 1000.0f);
            // The appearance search alone only gets part of the way.
            EXPECT_LT(MeanError(f.result, photo.truth), c.skipShape ? 8.0f : 3.0f);
        }
    }
}

TEST_F(FaceSearchTest, MirroredSearchGivesTheResultInThePhotographsFrame)
{
    // The synthetic face is nearly symmetric, so the model fits its mirror
    // image too; the result must come back unmirrored.
    search.fitter.profileSearch.mirror = 1;
    Place();
    const float before = OutlineError(fit, photo.truth);
    Run();
    // Mirroring back renumbers points by each contour's own convention, so
    // the fit is measured against the outlines rather than point by point.
    EXPECT_LT(OutlineError(fit, photo.truth), 0.3f * before);
    EXPECT_LT(OutlineError(fit, photo.truth), 2.0f);
    int right = fit.Find(QV_Labels::RightEye), left = fit.Find(QV_Labels::LeftEye);
    ASSERT_GE(right, 0);
    ASSERT_GE(left, 0);
    EXPECT_LT(fit[right].Centroid().x, fit[left].Centroid().x);
    // A mirrored box placement keeps the face upright and unflipped.
    ASSERT_TRUE(search.InitialiseFromBox(photo.image, fit, QV_Point2D(0.25f, 0.15f), QV_Point2D(0.65f, 0.85f)));
    EXPECT_LT(fit[right].Centroid().x, fit[left].Centroid().x);
    EXPECT_GT(fit[right].Centroid().y, fit[fit.Find(QV_Labels::InnerMouth)].Centroid().y);
    EXPECT_NEAR(fit.Centroid(false).x, 0.45f, 0.05f);
}

TEST_F(FaceSearchTest, SearchWithoutAPlacementStillEnds)
{
    // A model read but never placed: the search has no failure exit, so it
    // must run its fixed steps on nothing and end without harm.
    std::vector<Record> r = Run();
    ASSERT_FALSE(r.empty());
    EXPECT_LE(r.size(), 200u);
    EXPECT_EQ(r.back().message, "Face found...");
}
