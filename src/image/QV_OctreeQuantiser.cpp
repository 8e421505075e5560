// PLACEHOLDER: not yet written; a stub to be replaced.
#include "QV_OctreeQuantiser.h"

bool QV_OctreeQuantiser::Quantise(const QV_Image&, QV_GreyImage&, QV_Array<QV_Colour>&)
{
    return false;
}
