// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

bool QV_Image::Write(std::FILE*) const { return false; }
bool QV_Image::Read(std::FILE*) { return false; }
bool QV_Image::LoadFloatRecord(const QV_String&) { return false; }
