// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

bool QV_Image::LoadPPM(const QV_String&) { return false; }
bool QV_Image::SavePPM(const QV_String&) const { return false; }
bool QV_Image::LoadPGM(const QV_String&) { return false; }
bool QV_Image::SavePGM(const QV_String&) const { return false; }
