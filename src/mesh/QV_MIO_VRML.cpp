// VRML 2.0 reading and writing: not in this build yet.
#include "QV_MIO_VRML.h"

bool QV_MIO_VRML::Load(QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_VRML::Load()", "VRML"); }
bool QV_MIO_VRML::Save(const QV_Mesh&) { return QV_MeshFormatPending("QV_MIO_VRML::Save()", "VRML"); }
