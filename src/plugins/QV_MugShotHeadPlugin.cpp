// Checks and derived data common to the plug-ins built on the 2D-3D mugshot.
#include "QV_MugShotHeadPlugin.h"

#include <string>

#include "QV_Error.h"

bool QV_MugShotHeadPlugin::AfterRead()
{
    const int vertexCount = mugshot.templateMesh.VertexCount();
    for (const QV_List<int>* list : VertexLists()) {
        if (!IndicesBelow(*list, vertexCount)) {
            QV_PrintError(("QV_AvatarPlugin::ReadHead() Error! : a vertex list names a vertex outside the " +
                           std::to_string(vertexCount) + " of the template head\n")
                              .c_str());
            return false;
        }
    }
    Derive();
    return true;
}

void QV_MugShotHeadPlugin::Derive()
{
    mugshot.blendSample = blendSample;
    DeriveLists();
}
