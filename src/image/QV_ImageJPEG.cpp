// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

bool QV_Image::LoadJPEG(const QV_String&) { return false; }
bool QV_Image::ReadJPEG(std::FILE*) { return false; }
bool QV_Image::SaveJPEG(const QV_String&) const { return false; }
bool QV_Image::WriteJPEG(std::FILE*) const { return false; }
