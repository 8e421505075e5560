// Scanner data is read only; the three readers are not in this build yet.
#include "QV_MIO_Scan.h"

#include "QV_Error.h"

bool QV_MIO_GMesh::Load(QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_GMesh::Load()", "grid mesh"); }
bool QV_MIO_GMesh::Save(const QV_Mesh&) { return false; }

bool QV_MIO_Range::Load(QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_Range::Load()", "range scan"); }
bool QV_MIO_Range::Save(const QV_Mesh&) { return false; }

bool QV_MIO_Echo::Load(QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_Echo::Load()", "Echo scan"); }
bool QV_MIO_Echo::Save(const QV_Mesh&)
{
    QV_PrintError("not implemented yet\n");
    return false;
}
