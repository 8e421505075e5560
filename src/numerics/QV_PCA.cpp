#include "QV_PCA.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_CalcEigens.h"

namespace {

// The eigenvectors and the stored arrays may carry any index bounds (a model
// read from a file keeps the bounds it was written with), so the model works
// on the flat storage: the matrix row after row, the arrays from Low().
inline float EigenvectorAt(const QV_Matrix& e, int row, int col)
{
    return e.Data()[static_cast<size_t>(row) * static_cast<size_t>(e.Cols()) + static_cast<size_t>(col)];
}

// Eigenvalues whose ratio to the total is compared with the wanted fraction
// come out of a float decomposition; a fraction reached to within this much
// counts as reached.
constexpr double kFractionTolerance = 1e-6;

}  // namespace

QV_PCA::QV_PCA(const QV_PCA& other) { *this = other; }

void QV_PCA::CopySettings(const QV_PCA& other)
{
    type = other.type;
    numModes = other.numModes;
    numObservations = other.numObservations;
    observationSize = other.observationSize;
    explained = other.explained;
    limit = other.limit;
    observationsAccumulated = other.observationsAccumulated;
    built = other.built;
    forcedModes = other.forcedModes;
}

QV_PCA& QV_PCA::operator=(const QV_PCA& other)
{
    if (this == &other) return *this;
    CopySettings(other);
    eigenvectors = other.eigenvectors;
    eigenvalues = other.eigenvalues;
    mean = other.mean;
    modeLimits = other.modeLimits;
    observations = other.observations ? std::make_unique<ObservationList>(*other.observations) : nullptr;
    covariance = other.covariance;
    errorText = other.errorText;
    return *this;
}

QV_PCA& QV_PCA::operator=(QV_PCA&& other)
{
    if (this == &other) return *this;
    CopySettings(other);
    eigenvectors = std::move(other.eigenvectors);
    eigenvalues = std::move(other.eigenvalues);
    mean = std::move(other.mean);
    modeLimits = std::move(other.modeLimits);
    observations = std::move(other.observations);
    covariance = std::move(other.covariance);
    errorText = std::move(other.errorText);
    // The source is left an empty, unbuilt model.
    other.numModes = -1;
    other.numObservations = 0;
    other.observationSize = -1;
    other.observationsAccumulated = 0;
    other.built = 0;
    return *this;
}

bool QV_PCA::Reconstruct(const QV_Array<float>& params, QV_Array<float>& x)
{
    if (!built) {
        errorText = "QV_PCA::Reconstruct(), model not built";
        return false;
    }
    if (params.Count() != numModes) {
        errorText = "QV_PCA::Reconstruct(), parameter count incompatible";
        return false;
    }
    if (x.Count() != observationSize) x.Resize(observationSize);
    const float* p = params.Data();
    const float* e = eigenvectors.Data();
    for (int i = 0; i < observationSize; ++i) {
        double acc = mean.Data()[i];
        const float* row = e + static_cast<size_t>(i) * numModes;
        for (int j = 0; j < numModes; ++j) acc += static_cast<double>(row[j]) * p[j];
        x.Data()[i] = static_cast<float>(acc);
    }
    return true;
}

float QV_PCA::Project(QV_Array<float>& params, const QV_Array<float>& x, int limitMode)
{
    if (!built) {
        errorText = "QV_PCA::Project(), model not built";
        return -1.0f;
    }
    if (x.Count() != observationSize) {
        errorText = "QV_PCA::Project(), observation size incompatible";
        return -1.0f;
    }
    std::vector<double> acc(static_cast<size_t>(numModes), 0.0);
    const float* e = eigenvectors.Data();
    for (int i = 0; i < observationSize; ++i) {
        const double d = static_cast<double>(x.Data()[i]) - mean.Data()[i];
        const float* row = e + static_cast<size_t>(i) * numModes;
        for (int j = 0; j < numModes; ++j) acc[j] += row[j] * d;
    }
    if (params.Count() != numModes) params.Resize(numModes);
    float* p = params.Data();
    for (int j = 0; j < numModes; ++j) p[j] = static_cast<float>(acc[j]);

    const float d2 = Mahalanobis(params);
    if (limitMode == 0) {
        if (d2 > limit) {
            const float scale = std::sqrt(limit / d2);
            for (int j = 0; j < numModes; ++j) p[j] *= scale;
        }
    } else if (limitMode == 1) {
        const float* lim = modeLimits.Data();
        for (int j = 0; j < numModes; ++j) {
            if (std::fabs(p[j]) > lim[j]) p[j] = std::copysign(lim[j], p[j]);
        }
    }
    return d2;
}

const QV_Array<float>& QV_PCA::GetMean() const { return mean; }

QV_Array<float> QV_PCA::GetCumulativeExplained() const
{
    QV_Array<float> out;
    if (!built || numModes <= 0) return out;
    out.Resize(numModes);
    double total = 0.0;
    for (int j = 0; j < numModes; ++j) total += std::fabs(eigenvalues.Data()[j]);
    double cum = 0.0;
    for (int j = 0; j < numModes; ++j) {
        cum += std::fabs(eigenvalues.Data()[j]);
        // A model without any variance explains none of it.
        out.Data()[j] = total > 0.0 ? static_cast<float>(100.0 * cum / total) : 0.0f;
    }
    return out;
}

const QV_Array<float>& QV_PCA::GetEigenvalues() const { return eigenvalues; }

QV_Array<float> QV_PCA::GetStandardDeviations() const
{
    QV_Array<float> out(eigenvalues.Count());
    for (int j = 0; j < eigenvalues.Count(); ++j) out.Data()[j] = std::sqrt(std::fabs(eigenvalues.Data()[j]));
    return out;
}

float QV_PCA::Mahalanobis(const QV_Array<float>& params) const
{
    if (!built || params.Count() != numModes) return -1.0f;
    double d2 = 0.0;
    for (int j = 0; j < numModes; ++j) {
        const double lambda = std::fabs(eigenvalues.Data()[j]);
        if (lambda > 0.0) {
            const double p = params.Data()[j];
            d2 += p * p / lambda;
        }
    }
    return static_cast<float>(d2);
}

float QV_PCA::Distance(const QV_Array<float>& x)
{
    QV_Array<float> params;
    return Project(params, x, -1);
}

void QV_PCA::SetLimit(float d2max) { limit = d2max; }
float QV_PCA::GetLimit() const { return limit; }
int QV_PCA::NumObservations() const { return numObservations; }
int QV_PCA::NumModes() const { return numModes; }
int QV_PCA::ObservationSize() const { return observationSize; }

bool QV_PCA::ObservationsAreUniform() const
{
    if (!observations) return false;
    for (unsigned i = 0; i < observations->Size(); ++i)
        if ((*observations)[static_cast<int>(i)].Count() != observationSize) return false;
    return true;
}

bool QV_PCA::DecomposeByCovariance(QV_Array<float>& values, QV_Matrix& vectors, QV_Array<float>& newMean)
{
    const unsigned n = observations->Size();
    // The list may have grown through GetObservations(); the accumulated
    // covariance is only reused when it covers exactly the current list.
    if (!observationsAccumulated || covariance.GetCount() != n) {
        covariance.Clear();
        observationsAccumulated = 0;
        for (unsigned i = 0; i < n; ++i)
            if (!covariance.AddObservation((*observations)[static_cast<int>(i)])) return false;
        observationsAccumulated = 1;
    }
    if (!covariance.Build()) return false;
    CalcEigens(covariance.GetCovariance(), values, vectors);
    newMean = covariance.GetMean();
    return values.Count() == observationSize && vectors.Rows() == observationSize &&
           vectors.Cols() == observationSize;
}

bool QV_PCA::DecomposeByInnerProduct(QV_Array<float>& values, QV_Matrix& vectors, QV_Array<float>& newMean,
                                     QV_Matrix& centred)
{
    const int n = static_cast<int>(observations->Size());
    const int m = observationSize;
    std::vector<double> meanSum(static_cast<size_t>(m), 0.0);
    for (int a = 0; a < n; ++a) {
        const float* v = (*observations)[a].Data();
        for (int r = 0; r < m; ++r) meanSum[r] += v[r];
    }
    newMean.Resize(m);
    for (int r = 0; r < m; ++r) newMean.Data()[r] = static_cast<float>(meanSum[r] / n);

    centred.Resize(n, m);
    for (int a = 0; a < n; ++a) {
        const float* v = (*observations)[a].Data();
        float* row = centred.Row(a);
        for (int r = 0; r < m; ++r) row[r] = v[r] - newMean.Data()[r];
    }

    QV_Matrix inner(n, n);
    for (int a = 0; a < n; ++a) {
        const float* ra = centred.Row(a);
        for (int b = a; b < n; ++b) {
            const float* rb = centred.Row(b);
            double acc = 0.0;
            for (int r = 0; r < m; ++r) acc += static_cast<double>(ra[r]) * rb[r];
            inner(a, b) = inner(b, a) = static_cast<float>(acc / n);
        }
    }
    CalcEigens(inner, values, vectors);
    return values.Count() == n && vectors.Rows() == n && vectors.Cols() == n;
}

int QV_PCA::SelectModes(const QV_Array<float>& values, float percentage, double total)
{
    const int available = values.Count();
    if (forcedModes > 0) {
        const int k = std::min(forcedModes, available);
        double kept = 0.0;
        for (int j = 0; j < k; ++j) kept += std::fabs(values.Data()[j]);
        // Without any variance the kept modes explain all there is.
        explained = total > 0.0 ? static_cast<float>(kept / total) : 1.0f;
        return k;
    }
    const double f = percentage * 0.01;
    explained = static_cast<float>(f);
    if (f >= 1.0) return available;
    double cum = 0.0;
    for (int j = 0; j < available; ++j) {
        cum += std::fabs(values.Data()[j]);
        if (total <= 0.0 || cum >= (f - kFractionTolerance) * total) return j + 1;
    }
    return available;
}

void QV_PCA::ComputeModeLimits()
{
    modeLimits.Resize(eigenvalues.Count());
    for (int j = 0; j < eigenvalues.Count(); ++j)
        modeLimits.Data()[j] = 3.0f * std::sqrt(std::fabs(eigenvalues.Data()[j]));
}

float QV_PCA::Build(float percentage)
{
    const unsigned count = observations ? observations->Size() : 0;
    if (count < 2) {
        errorText = "QV_PCA::Build(), less than 2 observations";
        return -1.0f;
    }
    if (observationSize <= 0 || !ObservationsAreUniform()) {
        errorText = "QV_PCA::Build(), observation size incompatible";
        return -1.0f;
    }
    numObservations = static_cast<int32_t>(count);

    QV_Array<float> values;
    QV_Matrix vectors;
    QV_Array<float> newMean;
    QV_Matrix centred;
    const bool byCovariance = observationSize < numObservations;
    const bool ok = byCovariance ? DecomposeByCovariance(values, vectors, newMean)
                                 : DecomposeByInnerProduct(values, vectors, newMean, centred);
    if (!ok || values.Count() == 0) {
        errorText = "QV_PCA::Build(), eigen-decomposition failed";
        return -1.0f;
    }

    double total = 0.0;
    for (int j = 0; j < values.Count(); ++j) total += std::fabs(values.Data()[j]);
    const int k = SelectModes(values, percentage, total);
    const int m = observationSize;

    eigenvectors.Resize(0, m - 1, 0, k - 1);
    if (byCovariance) {
        for (int i = 0; i < m; ++i)
            for (int j = 0; j < k; ++j) eigenvectors(i, j) = vectors(i, j);
    } else {
        // Each eigenvector u of the inner-product matrix gives the mode D*u,
        // D having the centred observations as columns.
        const int n = numObservations;
        std::vector<double> mode(static_cast<size_t>(m));
        for (int j = 0; j < k; ++j) {
            std::fill(mode.begin(), mode.end(), 0.0);
            for (int a = 0; a < n; ++a) {
                const double u = vectors(a, j);
                const float* row = centred.Row(a);
                for (int r = 0; r < m; ++r) mode[r] += u * row[r];
            }
            double length = 0.0;
            for (int r = 0; r < m; ++r) length += mode[r] * mode[r];
            length = std::sqrt(length);
            const double scale = length > 0.0 ? 1.0 / length : 1.0;
            for (int r = 0; r < m; ++r) eigenvectors(r, j) = static_cast<float>(mode[r] * scale);
        }
    }
    eigenvalues.Resize(k);
    for (int j = 0; j < k; ++j) eigenvalues.Data()[j] = values.Data()[j];
    mean = newMean;
    numModes = k;
    built = 1;
    // Derived here as well as on reading, so a freshly built model can be
    // projected with per-mode limits.
    ComputeModeLimits();
    return static_cast<float>(total);
}

float QV_PCA::BuildWithModes(int n)
{
    forcedModes = n;
    return Build(95.0f);
}

bool QV_PCA::AddObservation(const QV_Array<float>& v)
{
    const char* incompatible = "QV_PCA:AddObservation(), observation size incompatable!";
    if (v.Count() == 0) {
        errorText = incompatible;
        return false;
    }
    if (!observations) {
        // A built model only takes observations it could be rebuilt from.
        if (built && v.Count() != observationSize) {
            errorText = incompatible;
            return false;
        }
        observations = std::make_unique<ObservationList>(kObservationBlockSize);
        numObservations = 0;
        covariance.Clear();
        observationsAccumulated = 0;
        observationSize = v.Count();
    } else if (v.Count() != observationSize) {
        errorText = incompatible;
        return false;
    }
    observations->Append(v);
    ++numObservations;
    // Keeps an accumulated covariance in step with the list.
    if (observationsAccumulated) covariance.AddObservation(v);
    return true;
}

bool QV_PCA::SetObservations(ObservationList* list)
{
    if (!list) {
        errorText = "QV_PCA::SetObservations(), pointer==NULL";
        return false;
    }
    if (observations) {
        errorText = "QV_PCA::SetObservations(), member pointer already set";
        return false;
    }
    if (list->Size() == 0) {
        errorText = "QV_PCA::SetObservations(), observation list is empty";
        return false;
    }
    const int size = (*list)[0].Count();
    bool uniform = size > 0 && (!built || size == observationSize);
    for (unsigned i = 1; uniform && i < list->Size(); ++i) uniform = (*list)[static_cast<int>(i)].Count() == size;
    if (!uniform) {
        errorText = "QV_PCA::SetObservations(), observation size incompatible";
        return false;
    }
    observations.reset(list);
    observationSize = size;
    numObservations = static_cast<int32_t>(list->Size());
    covariance.Clear();
    observationsAccumulated = 0;
    return true;
}

QV_PCA::ObservationList* QV_PCA::GetObservations() { return observations.get(); }

bool QV_PCA::IsBuilt() const { return built != 0; }

void QV_PCA::ClearObservations() { observations.reset(); }

void QV_PCA::Clear()
{
    covariance.Clear();
    numModes = -1;
    observationSize = -1;
    numObservations = 0;
    eigenvectors.Resize(0, -1, 0, -1);
    eigenvalues.Resize(0, -1);
    mean.Resize(0, -1);
    modeLimits.Resize(0, -1);
    observationsAccumulated = 0;
    built = 0;
    errorText = "";
    forcedModes = -1;
    observations.reset();
}

QV_Matrix& QV_PCA::GetEigenvectors() { return eigenvectors; }
const QV_Matrix& QV_PCA::GetEigenvectors() const { return eigenvectors; }

int QV_PCA::GetType() const { return 1; }

const QV_String& QV_PCA::GetErrorText() const { return errorText; }

void QV_PCA::Print(std::ostream& os) const
{
    os << "QV_PCA: ObsSize= " << observationSize << " Nparams= " << numModes
       << " explained percentage= " << explained << " NumOfObs= " << numObservations
       << " forced modes=" << forcedModes << "\n";
    os << "Cumulative explained variance: " << GetCumulativeExplained();
}

void QV_PCA::WriteText(std::ostream& os) const
{
    os << "type " << type << "\nnumModes " << numModes << "\nnumObservations " << numObservations
       << "\nobservationSize " << observationSize << "\nforcedModes " << forcedModes << "\nexplained "
       << explained << "\nlimit " << limit << "\nobservationsAccumulated " << int(observationsAccumulated)
       << "\nbuilt " << int(built) << "\neigenvalues" << eigenvalues << "modeLimits" << modeLimits << "mean"
       << mean << "eigenvectors " << eigenvectors.RowLow() << " " << eigenvectors.RowHigh() << " "
       << eigenvectors.ColLow() << " " << eigenvectors.ColHigh() << "\n";
    for (int i = 0; i < eigenvectors.Rows(); ++i) {
        for (int j = 0; j < eigenvectors.Cols(); ++j) os << (j ? " " : "") << EigenvectorAt(eigenvectors, i, j);
        os << "\n";
    }
}

bool QV_PCA::Write(std::FILE* f) const
{
    return QV_WriteI32(f, type) && QV_WriteI32(f, kFormatNumber) && QV_WriteI32(f, numModes) &&
           QV_WriteI32(f, numObservations) && QV_WriteI32(f, observationSize) && QV_WriteI32(f, forcedModes) &&
           QV_WriteF32(f, explained) && QV_WriteF32(f, limit) && QV_WriteU8(f, observationsAccumulated) &&
           QV_WriteU8(f, built) && eigenvectors.Write(f) && eigenvalues.Write(f) && mean.Write(f);
}

bool QV_PCA::ShapeIsConsistent() const
{
    if (built > 1 || observationsAccumulated > 1) return false;
    if (numObservations < 0 || observationSize < -1) return false;
    if (!built) return numModes == -1 && eigenvectors.Empty() && eigenvalues.Empty() && mean.Empty();
    return numModes >= 1 && observationSize >= 1 && eigenvectors.Rows() == observationSize &&
           eigenvectors.Cols() == numModes && eigenvalues.Count() == numModes && mean.Count() == observationSize;
}

bool QV_PCA::Read(std::FILE* f)
{
    Clear();
    errorText = "Error: QV_PCA::Read() ";

    int32_t fileType = 0, format = 0;
    if (!QV_ReadI32(f, fileType) || !QV_ReadI32(f, format)) return false;
    if (format != kFormatNumber) {
        errorText += "model_type=";
        errorText += static_cast<int>(format);
        return false;
    }
    // Everything is read into a scratch model first, so a failure leaves this
    // one exactly as Clear() left it.
    QV_PCA in;
    const bool ok = QV_ReadI32(f, in.numModes) && QV_ReadI32(f, in.numObservations) &&
                    QV_ReadI32(f, in.observationSize) && QV_ReadI32(f, in.forcedModes) &&
                    QV_ReadF32(f, in.explained) && QV_ReadF32(f, in.limit) &&
                    QV_ReadU8(f, in.observationsAccumulated) && QV_ReadU8(f, in.built) &&
                    in.eigenvectors.Read(f) && in.eigenvalues.Read(f) && in.mean.Read(f) &&
                    in.ShapeIsConsistent();
    if (!ok) return false;

    type = fileType;
    numModes = in.numModes;
    numObservations = in.numObservations;
    observationSize = in.observationSize;
    forcedModes = in.forcedModes;
    explained = in.explained;
    limit = in.limit;
    observationsAccumulated = in.observationsAccumulated;
    built = in.built;
    eigenvectors.Swap(in.eigenvectors);
    eigenvalues.Swap(in.eigenvalues);
    mean.Swap(in.mean);
    errorText = "";
    ComputeModeLimits();
    return true;
}
