// QV_PCA: a linear statistical model (mean plus modes of variation) built by
// principal component analysis, with projection, reconstruction, plausibility
// limits and a binary form. The shape, profile and appearance models derive
// from it and call it through its virtual operations.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <utility>

#include "QV_Array.h"
#include "QV_Array2D.h"
#include "QV_Cov.h"
#include "QV_List.h"
#include "QV_String.h"

class QV_PCA {
public:
    using Observation = QV_Array<float>;
    using ObservationList = QV_List<QV_Array<float>>;
    static constexpr unsigned kObservationBlockSize = 256;
    static constexpr int32_t kFormatNumber = 1;
    // The limit that means "unlimited": 1.7014117e38, bit pattern 0x7EFFFFFF.
    static constexpr float kNoLimit = std::bit_cast<float>(0x7EFFFFFFu);

    QV_PCA() = default;
    // Copies are deep: the copy owns its own copy of the observation list.
    QV_PCA(const QV_PCA& other);
    QV_PCA& operator=(const QV_PCA& other);
    // Moves hand the storage over (a read model is moved into place, not
    // copied); array bounds follow the same rule as for copies.
    QV_PCA(QV_PCA&& other) { *this = std::move(other); }
    QV_PCA& operator=(QV_PCA&& other);

    // x = mean + eigenvectors * params. False (x untouched) when the model is
    // not built or params does not hold NumModes() values.
    virtual bool Reconstruct(const QV_Array<float>& params, QV_Array<float>& x);

    // params = eigenvectors^T * (x - mean); returns the squared Mahalanobis
    // distance of these parameters before any limit is applied. limitMode < 0:
    // no limit; 0: all parameters scaled down so that the distance is at most
    // the limit; 1: each parameter clamped to its mode limit. Returns -1 when
    // the model is not built or x has the wrong length.
    virtual float Project(QV_Array<float>& params, const QV_Array<float>& x, int limitMode = -1);

    virtual const QV_Array<float>& GetMean() const;
    // For each mode, the percentage of the kept variance explained by the
    // modes up to and including it.
    virtual QV_Array<float> GetCumulativeExplained() const;
    virtual const QV_Array<float>& GetEigenvalues() const;
    virtual QV_Array<float> GetStandardDeviations() const;
    // Sum of params[i]^2 / |eigenvalue[i]| over the modes with a non-zero
    // eigenvalue; -1 when params does not hold NumModes() values.
    virtual float Mahalanobis(const QV_Array<float>& params) const;
    // The squared Mahalanobis distance of x's unlimited parameters.
    virtual float Distance(const QV_Array<float>& x);
    virtual void SetLimit(float d2max);
    virtual float GetLimit() const;
    virtual int NumObservations() const;
    virtual int NumModes() const;
    virtual int ObservationSize() const;

    // Builds the model from the observations, keeping the modes that explain
    // `percentage` per cent of the variance (or forcedModes modes when set).
    // Returns the total variance (sum of |eigenvalue| over all modes before
    // selection), or -1 when the model cannot be built (see GetErrorText()).
    virtual float Build(float percentage);
    // Builds keeping n modes (at most as many as there are).
    virtual float BuildWithModes(int n);
    // Appends a copy of v to the observation list (created on first use).
    virtual bool AddObservation(const QV_Array<float>& v);
    // Adopts a whole list: on success the model owns and later deletes it;
    // on failure the caller keeps it and the model is unchanged.
    virtual bool SetObservations(ObservationList* list);
    // Null when the model holds no observations.
    virtual ObservationList* GetObservations();
    virtual bool IsBuilt() const;
    virtual void ClearObservations();
    virtual void Clear();
    virtual QV_Matrix& GetEigenvectors();
    virtual const QV_Matrix& GetEigenvectors() const;
    virtual int GetType() const;
    virtual const QV_String& GetErrorText() const;
    virtual void Print(std::ostream& os) const;
    virtual bool Write(std::FILE* f) const;
    // Fails on a short or inconsistent record, leaving the model cleared with
    // GetErrorText() starting "Error: QV_PCA::Read() ".
    virtual bool Read(std::FILE* f);
    virtual ~QV_PCA() = default;

    // Plain-text dump of every stored field, for debugging.
    void WriteText(std::ostream& os) const;
    int GetForcedModes() const { return forcedModes; }
    float GetExplained() const { return explained; }
    const QV_Array<float>& GetModeLimits() const { return modeLimits; }

private:
    // Mean and eigen-decomposition of the covariance of the observations
    // (observationSize x observationSize); vectors as columns.
    bool DecomposeByCovariance(QV_Array<float>& values, QV_Matrix& vectors, QV_Array<float>& newMean);
    // Mean, mean-centred observations (one per row of `centred`) and the
    // eigen-decomposition of their inner-product matrix divided by N (N x N).
    bool DecomposeByInnerProduct(QV_Array<float>& values, QV_Matrix& vectors, QV_Array<float>& newMean,
                                 QV_Matrix& centred);
    // Number of modes to keep; sets `explained`.
    int SelectModes(const QV_Array<float>& values, float percentage, double total);
    void ComputeModeLimits();
    // True when every observation in the list has observationSize values.
    bool ObservationsAreUniform() const;
    // True when the stored arrays match numModes and observationSize.
    bool ShapeIsConsistent() const;
    // The counts, flags and limits of another model (not its arrays).
    void CopySettings(const QV_PCA& other);

    int32_t type = 1;
    int32_t numModes = -1;
    int32_t numObservations = 0;
    int32_t observationSize = -1;
    float explained = 0.95f;
    float limit = kNoLimit;
    QV_Matrix eigenvectors;
    QV_Array<float> eigenvalues;
    QV_Array<float> mean;
    QV_Array<float> modeLimits;
    std::unique_ptr<ObservationList> observations;
    QV_Cov covariance;
    uint8_t observationsAccumulated = 0;
    uint8_t built = 0;
    QV_String errorText;
    int32_t forcedModes = -1;
};
