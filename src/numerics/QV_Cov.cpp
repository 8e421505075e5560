#include "QV_Cov.h"

#include <vector>

bool QV_Cov::AddObservation(const QV_Array<float>& v)
{
    if (v.Count() == 0) {
        QV_PrintSystemError("QV_Cov::AddObservation() Error! : Zero length observation vector\n");
        return false;
    }
    if (count == 0) {
        n = static_cast<uint32_t>(v.Count());
        sumOuter.Resize(static_cast<int>(n), static_cast<int>(n));
        sumOuter.Fill(0.0f);
        sum.Resize(static_cast<int>(n));
        sum.Fill(0.0f);
        origin.Resize(static_cast<int>(n));
        for (uint32_t i = 0; i < n; ++i) origin.Data()[i] = v.Data()[i];
    } else if (static_cast<uint32_t>(v.Count()) != n) {
        QV_PrintSystemError("QV_Cov::AddObservation() Error! : Incorrect observation vector length\n");
        return false;
    }

    const int size = static_cast<int>(n);
    std::vector<float> d(n);
    for (int i = 0; i < size; ++i) d[i] = v.Data()[i] - origin.Data()[i];
    float* s = sum.Data();
    for (int i = 0; i < size; ++i) {
        s[i] += d[i];
        // Only the upper triangle is accumulated; Build mirrors it.
        float* row = sumOuter.Row(i);
        const float di = d[i];
        for (int j = i; j < size; ++j) row[j] += di * d[j];
    }
    ++count;
    built = 0;
    return true;
}

bool QV_Cov::Build()
{
    if (count < 2) {
        QV_PrintError("QV_Cov::Build() Error! : less than 2 observations loaded!\n");
        return false;
    }
    const int size = static_cast<int>(n);
    const double c = static_cast<double>(count);
    std::vector<double> shifted(n);  // mean of d = v - origin
    mean.Resize(size);
    for (int i = 0; i < size; ++i) {
        shifted[i] = sum.Data()[i] / c;
        mean.Data()[i] = static_cast<float>(origin.Data()[i] + shifted[i]);
    }
    covariance.Resize(size, size);
    for (int i = 0; i < size; ++i) {
        const float* row = sumOuter.Row(i);
        for (int j = i; j < size; ++j) {
            const float value = static_cast<float>(row[j] / c - shifted[i] * shifted[j]);
            covariance(i, j) = value;
            covariance(j, i) = value;
        }
    }
    built = 1;
    return true;
}

void QV_Cov::Clear()
{
    sumOuter.Resize(0, -1, 0, -1);
    mean.Resize(0, -1);
    sum.Resize(0, -1);
    origin.Resize(0, -1);
    covariance.Resize(0, -1, 0, -1);
    count = 0;
    n = 0;
    built = 0;
}
