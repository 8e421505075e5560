// QV_Cov: accumulates observation vectors one at a time and builds their
// population covariance matrix (divisor = number of observations) and mean.
#pragma once

#include <cstdint>

#include "QV_Array.h"
#include "QV_Array2D.h"

class QV_Cov {
public:
    // Adds one observation. The first one fixes the observation length n;
    // a zero-length vector or one of another length is refused (false, with
    // a message on the error stream). Clears the built state.
    bool AddObservation(const QV_Array<float>& v);

    // Computes the mean and the population covariance of the observations
    // added so far. Needs at least two observations. May be called again,
    // also after further observations were added.
    bool Build();

    // Forgets every observation and the built results.
    void Clear();

    // n x n, bounds from 0; valid after Build.
    const QV_Matrix& GetCovariance() const { return covariance; }
    // n values from index 0; valid after Build.
    const QV_Array<float>& GetMean() const { return mean; }
    uint32_t GetCount() const { return count; }
    uint32_t Size() const { return n; }
    bool IsBuilt() const { return built != 0; }

private:
    // The sums are kept relative to the first observation (`origin`): the
    // covariance does not change under a shift, and it keeps the float sums
    // from cancelling when the data sit far from zero.
    QV_Matrix sumOuter;           // running sum of d * d^T, d = v - origin
    QV_Array<float> mean;
    QV_Array<float> sum;          // running sum of d
    uint32_t count = 0;
    uint32_t n = 0;
    uint8_t built = 0;
    QV_Array<float> origin;
    QV_Matrix covariance;
};
