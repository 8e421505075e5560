#include "QV_AppearanceModel.h"

#include <string>

#include "QV_BinaryIO.h"
#include "QV_Error.h"

namespace {

// Smallest stored size of one sampling-table record: three corner indices
// and the two list counts.
constexpr int64_t kMinTriangleBytes = 3 * 4 + 4 + 4;

bool ReadTriangle(std::FILE* f, QV_SamplingTriangle& t)
{
    for (int k = 0; k < 3; ++k)
        if (!QV_ReadI32(f, t.corner[k])) return false;
    uint32_t n = 0;
    if (!QV_ReadU32(f, n) || !QV_CanHold(f, n, 3 * sizeof(float))) return false;
    t.samples.resize(n);
    for (QV_SampleWeights& w : t.samples)
        if (!QV_ReadF32(f, w.w0) || !QV_ReadF32(f, w.w1) || !QV_ReadF32(f, w.w2)) return false;
    if (!QV_ReadU32(f, n) || !QV_CanHold(f, n, 2 * sizeof(int32_t))) return false;
    t.pairs.resize(n);
    for (QV_IndexPair& p : t.pairs)
        if (!QV_ReadI32(f, p.first) || !QV_ReadI32(f, p.second)) return false;
    return true;
}

bool WriteTriangle(std::FILE* f, const QV_SamplingTriangle& t)
{
    for (int k = 0; k < 3; ++k)
        if (!QV_WriteI32(f, t.corner[k])) return false;
    if (!QV_WriteU32(f, static_cast<uint32_t>(t.samples.size()))) return false;
    for (const QV_SampleWeights& w : t.samples)
        if (!QV_WriteF32(f, w.w0) || !QV_WriteF32(f, w.w1) || !QV_WriteF32(f, w.w2)) return false;
    if (!QV_WriteU32(f, static_cast<uint32_t>(t.pairs.size()))) return false;
    for (const QV_IndexPair& p : t.pairs)
        if (!QV_WriteI32(f, p.first) || !QV_WriteI32(f, p.second)) return false;
    return true;
}

void ReportTypeError(const char* which, int32_t type)
{
    std::string text = "Error! QV_AppearanceModel::Read() ";
    text += which;
    text += " model type " + std::to_string(type) + " not supported\n";
    QV_PrintError(text.c_str());
}

}  // namespace

int QV_AppearanceModel::SampleCount() const
{
    int64_t n = 0;
    for (const QV_SamplingTriangle& t : sampling) n += static_cast<int64_t>(t.samples.size());
    return n > INT32_MAX / 3 ? -1 : static_cast<int>(n);
}

int QV_AppearanceModel::TextureSize() const
{
    const int n = SampleCount();
    return n < 0 ? -1 : 3 * n;
}

int QV_AppearanceModel::AppearanceModes() const
{
    return appearanceModel.IsBuilt() ? appearanceModel.NumModes() : 0;
}

bool QV_AppearanceModel::IsConsistent(int shapeSize) const
{
    const int t = TextureSize();
    if (t <= 0 || !textureModel.IsBuilt() || !appearanceModel.IsBuilt()) return false;
    const int a = appearanceModel.NumModes();
    if (a < 1 || textureModel.ObservationSize() != t || textureModel.GetMean().Count() != t) return false;
    if (appearanceModel.ObservationSize() <= textureModel.NumModes()) return false;
    if (textureFromAppearance.Rows() != t || textureFromAppearance.Cols() != a) return false;
    const int s = shapeFromAppearance.Rows();
    if (s < 2 || shapeFromAppearance.Cols() != a) return false;
    if (shapeSize >= 0 && s != shapeSize) return false;
    for (const QV_SamplingTriangle& tri : sampling)
        for (int k = 0; k < 3; ++k)
            if (tri.corner[k] < 0 || tri.corner[k] + 1 >= s) return false;
    if (version < 2 && normalisationTexture.Count() != t) return false;
    if (!update.IsConsistent() || update.ResidualSize() != t || update.ParameterCount() != a + 6) return false;
    return true;
}

bool QV_AppearanceModel::Write(std::FILE* f) const
{
    bool ok = QV_WriteI32(f, version);
    for (int k = 0; ok && k < 3; ++k) ok = QV_WriteI32(f, reserved[k]);
    ok = ok && QV_WriteI32(f, textureModelType) && QV_WriteI32(f, appearanceModelType) &&
         QV_WriteU32(f, weightReserved[0]) && QV_WriteU32(f, weightReserved[1]) && QV_WriteF32(f, shapeWeight) &&
         firstTexture.Write(f) && normalisationTexture.Write(f);
    if (ok && version >= 2) ok = QV_WriteU32(f, scaleReserved) && QV_WriteF32(f, textureScale);
    ok = ok && textureFromAppearance.Write(f) && shapeFromAppearance.Write(f);
    const int64_t n = static_cast<int64_t>(sampling.size());
    ok = ok && QV_WriteI64(f, n) && QV_WriteI64(f, samplingLow) && QV_WriteI64(f, samplingLow + n - 1);
    for (size_t i = 0; ok && i < sampling.size(); ++i) ok = WriteTriangle(f, sampling[i]);
    return ok && update.Write(f) && textureModel.Write(f) && appearanceModel.Write(f);
}

bool QV_AppearanceModel::Read(std::FILE* f)
{
    QV_AppearanceModel m;
    bool ok = QV_ReadI32(f, m.version);
    for (int k = 0; ok && k < 3; ++k) ok = QV_ReadI32(f, m.reserved[k]);
    ok = ok && QV_ReadI32(f, m.textureModelType) && QV_ReadI32(f, m.appearanceModelType);
    if (ok && m.textureModelType != 1) {
        ReportTypeError("texture", m.textureModelType);
        ok = false;
    }
    if (ok && m.appearanceModelType != 1) {
        ReportTypeError("appearance", m.appearanceModelType);
        ok = false;
    }
    ok = ok && QV_ReadU32(f, m.weightReserved[0]) && QV_ReadU32(f, m.weightReserved[1]) &&
         QV_ReadF32(f, m.shapeWeight) && m.firstTexture.Read(f) && m.normalisationTexture.Read(f);
    if (ok && m.version >= 2) ok = QV_ReadU32(f, m.scaleReserved) && QV_ReadF32(f, m.textureScale);
    ok = ok && m.textureFromAppearance.Read(f) && m.shapeFromAppearance.Read(f);
    int64_t n = 0, lo = 0, hi = 0;
    ok = ok && QV_ReadI64(f, n) && QV_ReadI64(f, lo) && QV_ReadI64(f, hi);
    // The count must match the bounds and fit what the file still holds.
    ok = ok && n >= 0 && n <= INT32_MAX && lo >= INT32_MIN && lo <= INT32_MAX && hi - lo + 1 == n &&
         QV_CanHold(f, n, kMinTriangleBytes);
    if (ok) {
        m.samplingLow = lo;
        m.sampling.resize(static_cast<size_t>(n));
        for (QV_SamplingTriangle& t : m.sampling)
            if (!(ok = ReadTriangle(f, t))) break;
    }
    ok = ok && m.update.Read(f) && m.textureModel.Read(f) && m.appearanceModel.Read(f);
    if (ok && !m.IsConsistent()) {
        QV_PrintError("Error! QV_AppearanceModel::Read() the model's parts do not fit together\n");
        ok = false;
    }
    if (!ok) {
        *this = QV_AppearanceModel();
        return false;
    }
    *this = std::move(m);
    return true;
}
