#include "QV_WorkingPhotograph.h"

#include <cstdint>

bool QV_WorkablePhotograph(const QV_Image& picture)
{
    if (picture.Empty()) return false;
    return static_cast<int64_t>(picture.Cols()) <= static_cast<int64_t>(picture.Rows()) * kQV_MaxPhotographAspect;
}

bool QV_LoadWorkingPhotograph(const QV_String& path, QV_Image& out)
{
    QV_Image picture;
    if (!picture.Load(path) || !QV_WorkablePhotograph(picture)) {
        out = QV_Image();
        return false;
    }
    picture.ResizeToHeight(kQV_PhotographRows, true);
    out = std::move(picture);
    return true;
}
