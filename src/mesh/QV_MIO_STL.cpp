// STL reading and writing: not in this build yet.
#include "QV_MIO_STL.h"

bool QV_MIO_STL::Load(QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_STL::Load()", "STL"); }
bool QV_MIO_STL::Save(const QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_STL::Save()", "STL"); }
