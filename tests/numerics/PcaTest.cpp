#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "EigenReference.h"
#include "QV_BinaryIO.h"
#include "QV_PCA.h"
#include "TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

// 14 observations whose population covariance is exactly diag(5, 3, 1, 1):
// each axis uses its own observations, with values summing to zero and
// squares summing to 14 * eigenvalue. Padded with zeros to `dims` values and
// shifted by `offset`.
std::vector<QV_Array<float>> Design5311(int dims, float offset)
{
    const std::vector<std::vector<float>> axes = {{7, -4, -2, -1}, {5, -4, -1}, {3, -2, -1}, {3, -2, -1}};
    std::vector<QV_Array<float>> obs(14, QV_Array<float>(dims));
    for (auto& o : obs) o.Fill(offset);
    int next = 0;
    for (int axis = 0; axis < 4; ++axis)
        for (float value : axes[axis]) obs[next++][axis] += value;
    return obs;
}

// `count` random observations of `dims` values with distinct spreads per axis,
// mixed by a random matrix (both drawn from `seed`), padded with zeros to `padded` values.
std::vector<QV_Array<float>> RandomData(int dims, int count, int padded, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    reference::Matrix mix(dims, dims);
    for (int i = 0; i < dims; ++i)
        for (int j = 0; j < dims; ++j) mix(i, j) = u(rng) + (i == j ? 2.0 : 0.0);
    std::vector<QV_Array<float>> obs;
    for (int s = 0; s < count; ++s) {
        std::vector<double> z(static_cast<size_t>(dims));
        for (int i = 0; i < dims; ++i) z[i] = g(rng) * (dims - i) * 2.0;
        QV_Array<float> v(padded);
        v.Fill(0.0f);
        for (int i = 0; i < dims; ++i) {
            double x = 0.0;
            for (int j = 0; j < dims; ++j) x += mix(i, j) * z[j];
            v[i] = static_cast<float>(x + 10.0 * i);
        }
        obs.push_back(v);
    }
    return obs;
}

void AddAll(QV_PCA& pca, const std::vector<QV_Array<float>>& obs)
{
    for (const auto& o : obs) ASSERT_TRUE(pca.AddObservation(o));
}

QV_Array<float> Params(std::initializer_list<float> values)
{
    QV_Array<float> p(static_cast<int>(values.size()));
    int i = 0;
    for (float x : values) p[i++] = x;
    return p;
}

Bytes WriteModel(const QV_PCA& pca, const visagen_test::TempDir& dir, const std::string& name)
{
    {
        QV_File f = QV_OpenFile(dir.File(name).c_str(), "wb");
        EXPECT_TRUE(f && pca.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(dir.File(name));
}

bool ReadModel(QV_PCA& pca, const std::string& path)
{
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return f && pca.Read(f.get());
}

void ExpectCleared(const QV_PCA& pca)
{
    EXPECT_FALSE(pca.IsBuilt());
    EXPECT_EQ(pca.NumModes(), -1);
    EXPECT_EQ(pca.ObservationSize(), -1);
    EXPECT_EQ(pca.NumObservations(), 0);
    EXPECT_TRUE(pca.GetEigenvalues().Empty());
    EXPECT_TRUE(pca.GetMean().Empty());
    EXPECT_TRUE(pca.GetEigenvectors().Empty());
}

}  // namespace

TEST(QV_PCA, FreshModelDefaults)
{
    QV_PCA pca;
    EXPECT_EQ(std::bit_cast<uint32_t>(pca.GetLimit()), 0x7EFFFFFFu);
    EXPECT_FLOAT_EQ(pca.GetExplained(), 0.95f);
    EXPECT_EQ(pca.GetType(), 1);
    ExpectCleared(pca);
    EXPECT_EQ(pca.GetObservations(), nullptr);
}

// The same eigenvalues 5, 3, 1, 1 through either build method: four values per
// observation (covariance) and twenty (inner product, 14 observations).
TEST(QV_PCA, ModeSelectionByPercentageAndForcedModes)
{
    struct Case {
        int dims;
        float percentage;
        int forced;
        int modes;
        float explained;
    };
    const Case cases[] = {
        {4, 80, -1, 2, 0.8f},  {20, 80, -1, 2, 0.8f},  {4, 100, -1, 4, 1.0f}, {20, 100, -1, 14, 1.0f},
        {4, 50, -1, 1, 0.5f},  {20, 85, -1, 3, 0.85f}, {4, 95, 10, 4, 1.0f},  {20, 95, 3, 3, 0.9f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dims " << c.dims << " p " << c.percentage << " forced " << c.forced);
        QV_PCA pca;
        AddAll(pca, Design5311(c.dims, 100.0f));
        const float total = c.forced > 0 ? pca.BuildWithModes(c.forced) : pca.Build(c.percentage);
        EXPECT_NEAR(total, 10.0f, 1e-4);
        ASSERT_TRUE(pca.IsBuilt());
        EXPECT_EQ(pca.NumModes(), c.modes);
        EXPECT_NEAR(pca.GetExplained(), c.explained, 1e-6);
        EXPECT_EQ(pca.GetEigenvectors().Rows(), c.dims);
        EXPECT_EQ(pca.GetEigenvectors().Cols(), c.modes);
        const float expected[] = {5, 3, 1, 1};
        for (int j = 0; j < std::min(c.modes, 4); ++j) EXPECT_NEAR(pca.GetEigenvalues()[j], expected[j], 1e-4);
        EXPECT_NEAR(pca.GetMean()[0], 100.0f, 1e-4);
    }
}

TEST(QV_PCA, ProjectLimitModes)
{
    QV_PCA pca;
    AddAll(pca, Design5311(4, 0.0f));
    ASSERT_GE(pca.Build(100), 0.0f);
    pca.SetLimit(9.0f);
    for (int j = 0; j < 4; ++j) {  // mode limits are derived right after building
        EXPECT_NEAR(pca.GetStandardDeviations()[j], std::sqrt(pca.GetEigenvalues()[j]), 1e-5);
        EXPECT_NEAR(pca.GetModeLimits()[j], 3 * pca.GetStandardDeviations()[j], 1e-5);
    }
    struct Case {
        QV_Array<float> b;
        int mode;
        float d2;
        QV_Array<float> expected;
    };
    const Case cases[] = {
        {Params({0, 0, 6, 0}), 0, 36, Params({0, 0, 3, 0})},        // halved: sqrt(9 / 36)
        {Params({5, 3, 0, 0}), 0, 8, Params({5, 3, 0, 0})},         // within the limit
        {Params({0, 0, 0, -5}), 1, 25, Params({0, 0, 0, -3})},      // clamped to 3 * sqrt(1)
        {Params({7, -6, 1, 0}), 1, 22.8f, Params({6.7082f, -5.1962f, 1, 0})},
        {Params({0, 0, 6, 0}), -1, 36, Params({0, 0, 6, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " d2 " << c.d2);
        QV_Array<float> x, p;
        ASSERT_TRUE(pca.Reconstruct(c.b, x));
        EXPECT_NEAR(pca.Project(p, x, c.mode), c.d2, 1e-3);
        ASSERT_EQ(p.Count(), 4);
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(p[j], c.expected[j], 1e-3) << j;
        EXPECT_NEAR(pca.Distance(x), c.d2, 1e-3);
        EXPECT_NEAR(pca.Mahalanobis(c.b), c.d2, 1e-3);
    }
    QV_Array<float> p;
    EXPECT_EQ(pca.Project(p, Params({1, 2, 3}), -1), -1.0f);  // wrong length is refused
}

// The covariance method (12 observations of 6 values) and the inner-product
// method (the same observations padded to 16 values) against an independent
// double-precision decomposition.
TEST(QV_PCA, BuildMethodsAgreeWithIndependentDecomposition)
{
    const int dims = 6, count = 12;
    QV_PCA byCov, byInner;
    AddAll(byCov, RandomData(dims, count, dims, 11));
    AddAll(byInner, RandomData(dims, count, 16, 11));
    ASSERT_GE(byCov.Build(100), 0.0f);
    ASSERT_GE(byInner.Build(100), 0.0f);
    ASSERT_EQ(byCov.NumModes(), dims);
    ASSERT_EQ(byInner.NumModes(), count);

    reference::Matrix data(count, dims);
    const auto obs = RandomData(dims, count, dims, 11);
    for (int s = 0; s < count; ++s)
        for (int i = 0; i < dims; ++i) data(s, i) = obs[s][i];
    std::vector<double> mean;
    const reference::SymmetricEigen solver = reference::EigenSymmetric(reference::Covariance(data, mean));
    double scale = 0.0;
    for (double value : solver.values) scale = std::max(scale, std::abs(value));

    for (const QV_PCA* pca : {&byCov, &byInner}) {
        const QV_Matrix& e = pca->GetEigenvectors();
        for (int j = 0; j < dims; ++j) {
            const int ref = dims - 1 - j;  // the solver sorts increasing; all are positive here
            EXPECT_NEAR(pca->GetEigenvalues()[j], solver.values[ref], 1e-4 * scale) << j;
            double dot = 0.0;
            for (int i = 0; i < dims; ++i) dot += e(i, j) * solver.vectors(i, ref);
            EXPECT_NEAR(std::abs(dot), 1.0, 1e-3) << j;
            for (int k = 0; k < dims; ++k) {
                double ejk = 0.0;
                for (int i = 0; i < e.Rows(); ++i) ejk += e(i, j) * e(i, k);
                EXPECT_NEAR(ejk, j == k ? 1.0 : 0.0, 1e-4) << j << "," << k;
            }
        }
        for (int j = dims; j < pca->NumModes(); ++j) EXPECT_NEAR(pca->GetEigenvalues()[j], 0.0, 1e-4 * scale);
        for (int i = 0; i < dims; ++i) EXPECT_NEAR(pca->GetMean()[i], mean[i], 1e-4 * (1 + scale));
    }

    // A point in the span comes back from its parameters, and a training
    // observation survives projection and reconstruction with all modes kept.
    QV_Array<float> b = Params({3, -2, 1, 0.5f, -0.25f, 0.1f}), x, p, back;
    ASSERT_TRUE(byCov.Reconstruct(b, x));
    byCov.Project(p, x);
    for (int j = 0; j < dims; ++j) EXPECT_NEAR(p[j], b[j], 1e-3);
    byCov.Project(p, obs[5]);
    ASSERT_TRUE(byCov.Reconstruct(p, back));
    for (int i = 0; i < dims; ++i) EXPECT_NEAR(back[i], obs[5][i], 1e-3 * (1 + std::abs(obs[5][i])));
}

TEST(QV_PCA, RebuildAndObservationsAddedAfterBuilding)
{
    auto obs = Design5311(4, 1.0f);
    QV_PCA pca;
    AddAll(pca, obs);
    ASSERT_NEAR(pca.Build(100), 10.0f, 1e-4);
    // A second build reuses the accumulated covariance and must give the same.
    ASSERT_NEAR(pca.BuildWithModes(2), 10.0f, 1e-4);
    EXPECT_NEAR(pca.GetEigenvalues()[0], 5.0f, 1e-4);
    EXPECT_EQ(pca.NumModes(), 2);

    QV_Array<float> extra = Params({15, 1, 1, 1});
    ASSERT_TRUE(pca.AddObservation(extra));
    QV_PCA fresh;
    AddAll(fresh, obs);
    fresh.AddObservation(extra);
    EXPECT_NEAR(pca.Build(100), fresh.Build(100), 1e-4);
    EXPECT_EQ(pca.NumObservations(), 15);
    for (int j = 0; j < 2; ++j) EXPECT_NEAR(pca.GetEigenvalues()[j], fresh.GetEigenvalues()[j], 1e-4);

    // A copy owns its own observations and rebuilds to the same model.
    QV_PCA copy(pca);
    ASSERT_NE(copy.GetObservations(), nullptr);
    EXPECT_NE(copy.GetObservations(), pca.GetObservations());
    EXPECT_EQ(copy.GetObservations()->Size(), 15u);
    pca.ClearObservations();
    EXPECT_EQ(pca.Build(100), -1.0f);  // nothing left to build from
    EXPECT_TRUE(pca.IsBuilt());         // and the earlier model stays
    EXPECT_NEAR(copy.Build(100), fresh.Build(100), 1e-4);

    // A move hands over the model and its observations and leaves the source
    // an empty, unbuilt model (constructed or assigned alike).
    const std::vector<float> values(copy.GetEigenvalues().begin(), copy.GetEigenvalues().end());
    QV_PCA moved(std::move(copy));
    ExpectCleared(copy);
    EXPECT_EQ(copy.GetObservations(), nullptr);
    QV_PCA assigned;
    assigned = std::move(moved);
    ExpectCleared(moved);
    ASSERT_TRUE(assigned.IsBuilt());
    ASSERT_EQ(assigned.GetEigenvalues().Count(), static_cast<int>(values.size()));
    for (size_t j = 0; j < values.size(); ++j) EXPECT_EQ(assigned.GetEigenvalues()[static_cast<int>(j)], values[j]);
    ASSERT_NE(assigned.GetObservations(), nullptr);
    EXPECT_EQ(assigned.GetObservations()->Size(), 15u);
    EXPECT_NEAR(assigned.Build(100), fresh.Build(100), 1e-4);
}

TEST(QV_PCA, RefusedObservationsKeepTheModelUnchanged)
{
    QV_PCA pca;
    EXPECT_FALSE(pca.SetObservations(nullptr));
    EXPECT_EQ(pca.GetErrorText(), "QV_PCA::SetObservations(), pointer==NULL");
    QV_PCA::ObservationList empty(QV_PCA::kObservationBlockSize);
    EXPECT_FALSE(pca.SetObservations(&empty));
    EXPECT_EQ(pca.GetErrorText(), "QV_PCA::SetObservations(), observation list is empty");
    auto* list = new QV_PCA::ObservationList(QV_PCA::kObservationBlockSize);
    for (const auto& o : Design5311(4, 0.0f)) list->Append(o);
    ASSERT_TRUE(pca.SetObservations(list));  // the model owns it now
    EXPECT_EQ(pca.NumObservations(), 14);
    EXPECT_EQ(pca.ObservationSize(), 4);
    QV_PCA::ObservationList other(QV_PCA::kObservationBlockSize);
    other.Append(Params({1, 2, 3, 4}));
    EXPECT_FALSE(pca.SetObservations(&other));
    EXPECT_EQ(pca.GetErrorText(), "QV_PCA::SetObservations(), member pointer already set");
    EXPECT_EQ(pca.GetObservations(), list);

    EXPECT_FALSE(pca.AddObservation(Params({1, 2, 3})));
    EXPECT_EQ(pca.GetErrorText(), "QV_PCA:AddObservation(), observation size incompatable!");
    EXPECT_EQ(pca.NumObservations(), 14);
    // A vector slipped into the list directly is caught when building.
    list->Append(Params({1, 2}));
    EXPECT_EQ(pca.Build(95), -1.0f);
    EXPECT_FALSE(pca.IsBuilt());

    QV_PCA single;
    single.AddObservation(Params({1, 2}));
    EXPECT_EQ(single.Build(95), -1.0f);
}

TEST(QV_PCA, PrintGivesSummaryAndCumulativeExplained)
{
    QV_PCA pca;
    AddAll(pca, Design5311(4, 0.0f));
    pca.Build(80);
    std::ostringstream os;
    pca.Print(os);
    EXPECT_EQ(os.str(),
              "QV_PCA: ObsSize= 4 Nparams= 2 explained percentage= 0.8 NumOfObs= 14 forced modes=-1\n"
              "Cumulative explained variance:  QV_Array( 0 1 ) 62.5 100\n");
}

TEST(QV_PCA, WriteReadWriteIsByteIdentical)
{
    visagen_test::TempDir dir;
    for (int dims : {4, 20}) {
        QV_PCA pca;
        AddAll(pca, Design5311(dims, 2.0f));
        pca.BuildWithModes(3);
        pca.SetLimit(12.5f);
        const Bytes first = WriteModel(pca, dir, "a.pca");
        QV_PCA back;
        ASSERT_TRUE(ReadModel(back, dir.File("a.pca")));
        EXPECT_EQ(back.GetErrorText(), "");
        EXPECT_TRUE(back.IsBuilt());
        EXPECT_EQ(back.NumModes(), 3);
        EXPECT_EQ(back.ObservationSize(), dims);
        EXPECT_EQ(back.NumObservations(), 14);
        EXPECT_EQ(back.GetForcedModes(), 3);
        EXPECT_FLOAT_EQ(back.GetLimit(), 12.5f);
        EXPECT_NEAR(back.GetModeLimits()[0], 3 * std::sqrt(5.0f), 1e-4);
        EXPECT_EQ(WriteModel(back, dir, "b.pca"), first);
        QV_Array<float> x, p1, p2;
        pca.Reconstruct(Params({1, 2, 1}), x);
        EXPECT_FLOAT_EQ(pca.Project(p1, x, 0), back.Project(p2, x, 0));
    }
    QV_PCA blank;
    const Bytes unbuilt = WriteModel(blank, dir, "c.pca");
    QV_PCA back;
    ASSERT_TRUE(ReadModel(back, dir.File("c.pca")));
    ExpectCleared(back);
    EXPECT_EQ(WriteModel(back, dir, "d.pca"), unbuilt);
}

TEST(QV_PCA, ReadRefusesCorruptFiles)
{
    visagen_test::TempDir dir;
    QV_PCA model;
    AddAll(model, Design5311(4, 1.0f));
    model.Build(80);  // 4 values, 2 modes
    const Bytes good = WriteModel(model, dir, "good.pca");
    // Layout: 34 header bytes; matrix bounds at 34, its array at 50 (count,
    // low, high, then 8 floats at 74); eigenvalues at 106 (floats at 130);
    // mean at 138 (floats at 162); 178 bytes in all.
    ASSERT_EQ(good.size(), 178u);
    auto patch = [&](size_t at, const void* value, size_t n) {
        Bytes b = good;
        std::memcpy(&b[at], value, n);
        return b;
    };
    auto i32 = [&](size_t at, int32_t v) { return patch(at, &v, 4); };
    auto i64 = [&](size_t at, int64_t v) { return patch(at, &v, 8); };
    auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + static_cast<long>(n)); };

    Bytes garbage(178);
    std::mt19937 rng(5);
    for (auto& c : garbage) c = static_cast<unsigned char>(rng());
    garbage[4] = 1, garbage[5] = garbage[6] = garbage[7] = 0;
    struct Case {
        const char* name;
        Bytes bytes;
        std::string text;
    };
    const std::string prefix = "Error: QV_PCA::Read() ";
    const Case cases[] = {
        {"empty", {}, prefix},
        {"format 2", i32(4, 2), prefix + "model_type=2"},
        {"inside header", cut(20), prefix},
        {"before flags", cut(33), prefix},
        {"inside matrix bounds", cut(40), prefix},
        {"inside matrix elements", cut(90), prefix},
        {"inside eigenvalues", cut(126), prefix},
        {"inside mean", cut(170), prefix},
        {"one byte short", cut(177), prefix},
        {"matrix count huge", i64(66, 0x3FFFFFFF), prefix},
        {"matrix bounds overflow", patch(34, std::vector<int32_t>{0, INT32_MAX, INT32_MIN, INT32_MAX}.data(), 16),
         prefix},
        {"eigenvalue bound huge", i64(122, INT64_MAX), prefix},
        {"mean bounds reversed huge", i64(146, -5000000000LL), prefix},
        {"modes disagree", i32(8, 3), prefix},
        {"size disagrees", i32(16, 5), prefix},
        {"negative modes while built", i32(8, -1), prefix},
        {"built flag off with data", patch(33, "\0", 1), prefix},
        {"garbage", garbage, prefix},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        visagen_test::WriteFileBytes(dir.File("bad.pca"), c.bytes);
        QV_PCA pca;
        AddAll(pca, Design5311(4, 0.0f));
        pca.Build(100);
        EXPECT_FALSE(ReadModel(pca, dir.File("bad.pca")));
        ExpectCleared(pca);
        EXPECT_EQ(pca.GetErrorText().Std(), c.text);
        QV_Array<float> p;
        EXPECT_EQ(pca.Project(p, Params({1, 2, 3, 4}), 1), -1.0f);
    }
}
