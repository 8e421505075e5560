// The application's save of the standard head plug-in: OBJ text with the
// texture as a JPEG beside it.
#include "QV_ObjJpegSave.h"
#include "QV_StandardHeadPlugin.h"

bool QV_StandardHeadPlugin::SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    return QV_SaveObjWithJpeg(mesh, path, "A Quorvex Avatar can only be saved to an obj file", error);
}
