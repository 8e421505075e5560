// QV_Feature: a named group of mesh faces (an OBJ "g" group) with its material
// and the visibility flag that decides whether it counts in the bounding box.
#pragma once

#include "QV_List.h"
#include "QV_Material.h"
#include "QV_String.h"

struct QV_Feature {
    int id = 0;
    QV_String name{"No label"};
    bool visible = true;
    QV_Material material;
    QV_List<int> faceIndices{64};  // indices into the mesh's faces
};
