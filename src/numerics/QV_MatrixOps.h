// Dense float matrix and vector operations used by the models: products,
// transpose, column extraction, vector arithmetic and the 2D rotation matrix.
#pragma once

#include <cmath>

#include "QV_Array.h"
#include "QV_Array2D.h"

// sqrt(a*a + b*b) without overflow or destructive underflow: the larger
// magnitude is factored out.
inline float QV_Pythag(float a, float b)
{
    double absa = std::fabs(static_cast<double>(a));
    double absb = std::fabs(static_cast<double>(b));
    if (absa > absb) {
        double r = absb / absa;
        return static_cast<float>(absa * std::sqrt(1.0 + r * r));
    }
    if (absb == 0.0) return 0.0f;
    double r = absa / absb;
    return static_cast<float>(absb * std::sqrt(1.0 + r * r));
}

// All results are new matrices or arrays with bounds from 0; operands may
// have any bounds and are walked from their lower bounds. When the sizes of
// the operands do not fit together the result is empty and a message is
// written to the error stream.

// A·B.
QV_Matrix QV_Multiply(const QV_Matrix& a, const QV_Matrix& b);
// A·v: each result element is the dot product of a row of A with v.
QV_Array<float> QV_Multiply(const QV_Matrix& a, const QV_Array<float>& v);
// Aᵀ·v.
QV_Array<float> QV_MultiplyTransposed(const QV_Matrix& a, const QV_Array<float>& v);
// Aᵀ.
QV_Matrix QV_Transpose(const QV_Matrix& a);
// Column j (a column number within a's column bounds) as an array.
QV_Array<float> QV_Column(const QV_Matrix& a, int j);

// Element-wise a + b and a − b.
QV_Array<float> QV_Add(const QV_Array<float>& a, const QV_Array<float>& b);
QV_Array<float> QV_Subtract(const QV_Array<float>& a, const QV_Array<float>& b);
// Every element multiplied or divided by s.
QV_Array<float> QV_Multiply(const QV_Array<float>& a, float s);
QV_Array<float> QV_Divide(const QV_Array<float>& a, float s);

float QV_Sum(const QV_Array<float>& a);
// Mean of the elements; 0 for an empty array.
float QV_Mean(const QV_Array<float>& a);
float QV_SumAbs(const QV_Array<float>& a);
// Euclidean norm.
float QV_Norm(const QV_Array<float>& a);
// Scales a to unit length in place; left unchanged when its norm is 0.
void QV_Normalise(QV_Array<float>& a);
// Dot product; 0 (with a message) when the lengths differ.
float QV_Dot(const QV_Array<float>& a, const QV_Array<float>& b);

// 2 x 2 rotation by an angle in degrees: rows (cos a, sin a), (−sin a, cos a).
QV_Matrix QV_RotationMatrix2D(float degrees);
