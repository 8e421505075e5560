// PLACEHOLDER: not yet written; a stub to be replaced.
#include "QV_CalcEigens.h"

void CalcEigens(const QV_Array2D<float>&, QV_Array<float>& values, QV_Array2D<float>& vectors)
{
    values.Resize(0, -1);
    vectors.Resize(0, 0);
}
