#include "QV_WorkingPhotograph.h"

#include <cstdint>
#include <utility>

namespace {

// Whether the picture, brought to kQV_PhotographRows rows, keeps a working size.
bool Workable(const QV_Image& picture)
{
    if (picture.Empty()) return false;
    return static_cast<int64_t>(picture.Cols()) <= static_cast<int64_t>(picture.Rows()) * kQV_MaxPhotographAspect;
}

}  // namespace

bool QV_LoadWorkingPhotograph(const QV_String& path, QV_Image& out)
{
    QV_Image picture;
    if (!picture.Load(path) || !Workable(picture)) {
        out = QV_Image();
        return false;
    }
    picture.ResizeToHeight(kQV_PhotographRows, true);
    out = std::move(picture);
    return true;
}
