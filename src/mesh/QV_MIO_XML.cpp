// XML meshes are written only; the writer is not in this build yet.
#include "QV_MIO_XML.h"

bool QV_MIO_XML::Load(QV_Mesh&) { return false; }
bool QV_MIO_XML::Save(const QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_XML::Save()", "XML mesh"); }
