// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

bool QV_Image::LoadBMP(const QV_String&) { return false; }
bool QV_Image::SaveBMP(const QV_String&) const { return false; }
