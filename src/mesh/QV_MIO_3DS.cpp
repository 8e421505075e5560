// 3DS files are written only; the writer is not in this build yet.
#include "QV_MIO_3DS.h"

#include "QV_Error.h"

bool QV_MIO_3DS::Load(QV_Mesh&)
{
    QV_PrintError("QV_MIO_3DS::Load() not implemented\n");
    return false;
}

bool QV_MIO_3DS::Save(const QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_3DS::Save()", "3DS"); }
