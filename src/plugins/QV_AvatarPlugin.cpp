// The defaults of the plug-in interface and the helpers shared by its classes.
#include "QV_AvatarPlugin.h"

#include <filesystem>
#include <system_error>

#include "QV_BinaryIO.h"

void QV_AvatarPlugin::ExportDataDirectory(const QV_String&) {}

bool QV_AvatarPlugin::SaveFromApplication(const QV_Mesh&, const QV_String&, QV_String&) { return false; }

bool QV_AvatarPlugin::CreateFromFrontAndProfile(const QV_FaceSearch&, const QV_Image&, const QV_AnnotationModel&,
                                                const QV_Image&, const QV_AnnotationModel&, QV_Mesh&, bool,
                                                QV_String& error)
{
    error = "Front & Profile 3D creation not implemented for this avatar plugin";
    return false;
}

void QV_AvatarPlugin::SetFemaleBody(bool) {}

bool QV_AvatarPlugin::LoadFileList(const QV_String& directory, const char* subdirectory,
                                   const std::vector<DataFile>& files, QV_String& error)
{
    if (!exporting) dataDirectory = directory;
    error = exporting ? kExportHeader : kLoadHeader;
    QV_String folder = directory;
    if (subdirectory && *subdirectory) {
        folder += "/";
        folder += subdirectory;
    }
    if (exporting) {
        std::error_code ec;
        std::filesystem::create_directories(QV_SystemPath(folder.CStr()), ec);
    }
    bool all = true;
    for (const DataFile& file : files) {
        const QV_String path = folder + "/" + file.name;
        bool done = true;
        if (!exporting) {
            done = file.load(path);
        } else if (file.save) {
            const Written w = file.save(path);
            if (w == Written::kNothing) exportSkipped += path + "\n";
            done = w != Written::kFailed;
        }
        if (!done) {
            error += path;
            error += "\n";
            all = false;
        }
    }
    return all;
}

bool QV_AvatarPlugin::ExportFiles(const QV_String& directory, QV_String& error, QV_String& skipped)
{
    exporting = true;
    exportSkipped = "";
    const bool all = LoadDataDirectory(directory, error);
    exporting = false;
    skipped = exportSkipped;
    return all;
}

bool QV_AvatarPlugin::SaveMeshByExtension(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    if (mesh.Save(path)) return true;
    error = "Failed to save: " + path;
    return false;
}

bool QV_AvatarPlugin::LoadAnnotationFile(const QV_String& path, QV_AnnotationModel& out)
{
    QV_AnnotationModel read;
    if (!read.Load(path)) return false;
    out = read;
    return true;
}

bool QV_AvatarPlugin::LoadImageFile(const QV_String& path, QV_Image& out)
{
    QV_Image read;
    if (!read.Load(path)) return false;
    out = std::move(read);
    return true;
}

bool QV_AvatarPlugin::LoadMeshFile(const QV_String& path, QV_Mesh& out)
{
    QV_Mesh read;
    if (!read.Load(path)) return false;
    out = read;
    return true;
}

QV_AvatarPlugin::DataFile QV_AvatarPlugin::AnnotationEntry(const char* name, QV_AnnotationModel& out)
{
    return {name, [&out](const QV_String& p) { return LoadAnnotationFile(p, out); },
            [&out](const QV_String& p) { return out.Count() == 0 ? Written::kNothing : WrittenIf(out.Save(p)); }};
}

QV_AvatarPlugin::DataFile QV_AvatarPlugin::ImageEntry(const char* name, QV_Image& out)
{
    return {name, [&out](const QV_String& p) { return LoadImageFile(p, out); },
            [&out](const QV_String& p) {
                return out.Rows() == 0 || out.Cols() == 0 ? Written::kNothing : WrittenIf(out.Save(p));
            }};
}

QV_AvatarPlugin::DataFile QV_AvatarPlugin::MeshEntry(const char* name, QV_Mesh& out)
{
    return {name, [&out](const QV_String& p) { return LoadMeshFile(p, out); },
            [&out](const QV_String& p) { return out.VertexCount() == 0 ? Written::kNothing : WrittenIf(out.Save(p)); }};
}
