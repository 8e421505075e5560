// Head record reading and writing shared by the plug-in classes.
#include "QV_HeadRecordPlugin.h"

bool QV_HeadRecordPlugin::WriteHead(std::FILE* f) const
{
    if (!f) return false;
    QV_HeadRecordIO io(f, QV_HeadRecordIO::kWrite);
    int32_t format = FormatValue();
    io.Int(format);
    // Writing only reads the fields handed to the walk.
    const_cast<QV_HeadRecordPlugin*>(this)->Records(io);
    return io.Ok();
}

bool QV_HeadRecordPlugin::ReadHead(std::FILE* f)
{
    if (!f) return false;
    QV_HeadRecordIO io(f, QV_HeadRecordIO::kRead);
    int32_t format = 0;
    io.Int(format);
    Records(io);
    return io.Ok() && AfterRead();
}

bool QV_HeadRecordPlugin::SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    return SaveMeshByExtension(mesh, path, error);
}

void QV_HeadRecordPlugin::ExportDataDirectory(const QV_String& directory)
{
    QV_String error, skipped;
    ExportFiles(directory, error, skipped);
}

bool QV_HeadRecordPlugin::IndicesBelow(const QV_List<int>& list, int count)
{
    for (unsigned i = 0; i < list.Size(); ++i)
        if (list[i] < 0 || list[i] >= count) return false;
    return true;
}

bool QV_HeadRecordPlugin::IndicesNonNegative(const QV_List<int>& list)
{
    for (unsigned i = 0; i < list.Size(); ++i)
        if (list[i] < 0) return false;
    return true;
}
