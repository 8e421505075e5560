// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

bool QV_Image::SaveMSK(const QV_String&) const { return false; }
