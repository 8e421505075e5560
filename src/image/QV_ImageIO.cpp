// PLACEHOLDER: not yet written; every function here is a stub to be replaced.
#include "QV_Image.h"

bool QV_Image::Load(const QV_String&) { return false; }
bool QV_Image::LoadAnyExtension(const QV_String&) { return false; }
bool QV_Image::Save(const QV_String&) const { return false; }
