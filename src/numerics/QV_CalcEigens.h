// CalcEigens: eigenvalues and eigenvectors of a real symmetric matrix, sorted
// by decreasing absolute eigenvalue.
#pragma once

#include "QV_Array.h"
#include "QV_Array2D.h"

// a: symmetric n x n matrix (any bounds). values: n eigenvalues from index 0,
// largest magnitude first, with their signs. vectors: n x n (bounds from 0),
// column k the unit eigenvector of values[k].
void CalcEigens(const QV_Array2D<float>& a, QV_Array<float>& values, QV_Array2D<float>& vectors);
