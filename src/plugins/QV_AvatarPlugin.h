// QV_AvatarPlugin: the interface through which the shell drives one avatar
// target: reading and writing its head model record, building its reference
// data from a data directory, creating a head from a fitted annotation and
// saving the result in the target's form.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_String.h"

class QV_FaceSearch;

class QV_AvatarPlugin {
public:
    QV_AvatarPlugin() = default;
    virtual ~QV_AvatarPlugin() = default;
    QV_AvatarPlugin(const QV_AvatarPlugin&) = delete;
    QV_AvatarPlugin& operator=(const QV_AvatarPlugin&) = delete;

    // The virtual operations, in this order in every class.
    // 0, 1: the records after the type code of a head model file.
    virtual bool WriteHead(std::FILE* f) const = 0;
    virtual bool ReadHead(std::FILE* f) = 0;
    // 2: builds the reference data from the files of a data directory.
    virtual bool LoadDataDirectory(const QV_String& directory, QV_String& error) = 0;
    // 3: writes the loaded reference data back out as files; by default nothing.
    virtual void ExportDataDirectory(const QV_String& directory);
    // 4: the complete save of the target.
    virtual bool SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error) = 0;
    // 5: the save the shell uses; by default false with the error text untouched.
    virtual bool SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error);
    // 6: the target's name.
    virtual QV_String Name() const = 0;
    // 7: creation from a front and a profile photograph; by default refused.
    virtual bool CreateFromFrontAndProfile(const QV_FaceSearch& shapeModel, const QV_Image& front,
                                           const QV_AnnotationModel& frontModel, const QV_Image& profile,
                                           const QV_AnnotationModel& profileModel, QV_Mesh& out, bool highRes,
                                           QV_String& error);
    // 8: creation from a front photograph and its fitted annotation.
    virtual bool CreateFromFront(const QV_FaceSearch& shapeModel, const QV_Image& photo,
                                 const QV_AnnotationModel& model, QV_Mesh& out, bool highRes,
                                 QV_String& error) = 0;
    // 9: chooses the female (true) or male body where the target has bodies;
    // by default nothing.
    virtual void SetFemaleBody(bool female);

    int TypeCode() const { return typeCode; }
    void SetTypeCode(int code) { typeCode = code; }
    int FormatValue() const { return formatValue; }
    const QV_String& DataDirectory() const { return dataDirectory; }
    void SetDataDirectory(const QV_String& directory) { dataDirectory = directory; }

    // Writes the files of the plug-in's data-directory list from what it
    // holds, into the directory and the plug-in's subfolder (made as needed),
    // each with the writer of its kind, so that LoadDataDirectory of that
    // directory gives the same reference data (pictures re-encoded). Data
    // the plug-in lacks (an empty picture, mesh, annotation or mugshot) is
    // left out and named in `skipped`. False, with the header line and the
    // path of every file that could not be written in `error`, when one could
    // not. Nothing of the plug-in changes.
    bool ExportFiles(const QV_String& directory, QV_String& error, QV_String& skipped);

    static constexpr const char* kLoadHeader = "Failed to load the following files:\n";
    static constexpr const char* kExportHeader = "Failed to write the following files:\n";
    // The error text of a creation whose mugshot step fails.
    static constexpr const char* kMugShotFailed = "Failed to get mugshot mesh";

protected:
    // What writing one data file did.
    enum class Written { kYes, kNothing, kFailed };
    // One file of a plug-in's data-directory list with the loader and the
    // writer of its kind; both receive the full path.
    struct DataFile {
        const char* name;
        std::function<bool(const QV_String& path)> load;
        std::function<Written(const QV_String& path)> save;
    };

    // The loading pattern every plug-in follows: takes the directory, sets the
    // error text to the header line, tries every file in order (directory,
    // subdirectory and name joined by '/'), appends the full path and a
    // newline for each one that fails, and tells whether all loaded. While
    // ExportFiles runs, the same list is written instead (nothing of the
    // plug-in changes), and the caller's steps after the load are skipped.
    bool LoadFileList(const QV_String& directory, const char* subdirectory, const std::vector<DataFile>& files,
                      QV_String& error);
    bool Exporting() const { return exporting; }

    // Writes the mesh by the path's extension; on failure the error text is
    // "Failed to save: " and the path.
    static bool SaveMeshByExtension(const QV_Mesh& mesh, const QV_String& path, QV_String& error);

    // A target's data subdirectory: its name followed by "LoadDir".
    static QV_String TargetFolder(const QV_String& name) { return name + "LoadDir"; }
    // List entries that load one file into the given object, and write it.
    static DataFile AnnotationEntry(const char* name, QV_AnnotationModel& out);
    static DataFile ImageEntry(const char* name, QV_Image& out);
    static DataFile MeshEntry(const char* name, QV_Mesh& out);
    // kYes or kFailed by ok.
    static Written WrittenIf(bool ok) { return ok ? Written::kYes : Written::kFailed; }

    // Loaders for the kinds of data file; each leaves its target unchanged
    // when the file does not load.
    static bool LoadAnnotationFile(const QV_String& path, QV_AnnotationModel& out);
    static bool LoadImageFile(const QV_String& path, QV_Image& out);
    static bool LoadMeshFile(const QV_String& path, QV_Mesh& out);

private:
    int typeCode = -1;
    int formatValue = 1;
    QV_String dataDirectory;
    // Set while ExportFiles runs the data-directory list the other way.
    bool exporting = false;
    QV_String exportSkipped;
};
