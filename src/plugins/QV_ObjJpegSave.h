// The application's OBJ save shared by the targets that deliver an OBJ text
// with its texture as a JPEG beside it.
#pragma once

#include "QV_Mesh.h"
#include "QV_String.h"

// Writes the mesh as OBJ (with its material library) to path and, for a
// textured mesh, the texture to the same path with the extension "jpg". A path
// whose extension is not "obj" (any case) is refused with wrongExtension as
// the error text; a file that cannot be written gives "Failed to save: " and
// the path.
bool QV_SaveObjWithJpeg(const QV_Mesh& mesh, const QV_String& path, const char* wrongExtension, QV_String& error);
