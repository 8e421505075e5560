// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

bool QV_Image::LoadTIFF(const QV_String&) { return false; }
