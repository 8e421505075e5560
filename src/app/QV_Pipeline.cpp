// The pipeline steps shared by the front ends.
#include "QV_Pipeline.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "QV_BinaryIO.h"
#include "QV_ChildFaceRegions.h"
#include "QV_FindEyes.h"
#include "QV_HeadModelFile.h"

QV_String QV_LowerExtension(const QV_String& path)
{
    // A name without a dot has no extension (Extension() gives the whole
    // path then).
    const int dot = path.FindLast('.');
    if (dot < 0 || dot < path.FindLast('/') || dot < path.FindLast('\\')) return QV_String("");
    QV_String ext = path.Extension();
    ext.ToLower();
    return ext;
}

namespace {

QV_String LowerExtension(const QV_String& path) { return QV_LowerExtension(path); }

bool OneOf(const QV_String& ext, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (ext.Std() == n) return true;
    return false;
}

std::string SystemPath(const QV_String& path)
{
    std::string p = path.Std();
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

}  // namespace

std::vector<QV_String> QV_HeadModelFiles(const QV_String& directory)
{
    std::vector<std::string> names;
    std::error_code ec;
    const std::string dir = SystemPath(directory);
    for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (LowerExtension(QV_String(name)).Std() == QV_Pipeline::kHeadFileExtension) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<QV_String> paths;
    for (const std::string& n : names) paths.push_back(QV_FaceFinderLibrary::JoinPath(directory, n.c_str()));
    return paths;
}

bool QV_ReadOptionalFaceModel(const QV_String& path, QV_FaceSearch& model)
{
    // A missing optional model is no error, so its reader (which reports a
    // file it cannot open) is not asked.
    std::error_code ec;
    if (!std::filesystem::exists(SystemPath(path), ec) || !model.Read(path)) {
        model = QV_FaceSearch();
        return false;
    }
    return true;
}

std::unique_ptr<QV_AvatarPlugin> QV_LoadPluginFile(const QV_String& path, QV_String& failures)
{
    QV_String error;
    std::unique_ptr<QV_AvatarPlugin> plugin = LoadHeadModel(path, error);
    if (!plugin) {
        // A file that cannot be opened gives no text from the factory; its
        // path then says which one failed.
        failures += error.IsEmpty() ? path : error;
        failures += "\n";
    }
    return plugin;
}

bool QV_SaveThroughPlugin(QV_AvatarPlugin& plugin, const QV_Mesh& mesh, const QV_String& path, QV_String& message,
                          bool ownSaveWhenNone)
{
    if (!OneOf(LowerExtension(path), {"obj", "3ds", "xml", "wrl"})) {
        message = QV_String(QV_Pipeline::kUnknownType) + path;
        return false;
    }
    QV_String error;
    bool saved = plugin.SaveFromApplication(mesh, path, error);
    // Only the default application save fails without a message.
    if (!saved && error.IsEmpty() && ownSaveWhenNone) saved = plugin.SaveAvatar(mesh, path, error);
    if (!saved) {
        message = error.IsEmpty() ? QV_String("Failed to save: ") + path : error;
        return false;
    }
    return true;
}

QV_Pipeline::QV_Pipeline(Reporter r) : reporter(std::move(r)) {}

void QV_Pipeline::Report(const QV_String& message) const
{
    if (reporter) reporter(message);
}

bool QV_Pipeline::LoadFaceModels(const QV_String& directory)
{
    dataDir = directory;
    useChildFace = false;
    headFace = QV_FaceSearch();
    headFace.directory = directory;
    headFaceLoaded = headFace.Read(QV_FaceFinderLibrary::JoinPath(directory, kHeadFaceFile));
    childFace = QV_FaceSearch();
    childFace.directory = directory;
    // The child face model is optional: a missing one is not reported.
    childFaceAvailable = QV_ReadOptionalFaceModel(QV_FaceFinderLibrary::JoinPath(directory, kChildFaceFile), childFace);
    if (HasPhotograph()) {
        headFace.image = photo;
        childFace.image = photo;
    }
    if (!headFaceLoaded) Report(kNoFaceModel);
    return headFaceLoaded;
}

bool QV_Pipeline::LoadPlugins(const QV_String& directory)
{
    dataDir = directory;
    plugins.clear();
    labels.clear();
    current = -1;
    const std::vector<QV_String> files = QV_HeadModelFiles(directory);
    if (files.empty()) return false;
    QV_String failures;
    for (const QV_String& file : files) {
        std::unique_ptr<QV_AvatarPlugin> plugin = QV_LoadPluginFile(file, failures);
        if (plugin) AddPlugin(std::move(plugin), file.FileName());
    }
    if (plugins.empty()) {
        Report(QV_String(kNoHeadData) + failures);
        return false;
    }
    return true;
}

bool QV_Pipeline::LoadFinder(const QV_String& directory)
{
    finderTried = true;
    return finder.Load(directory, [this](const char* message) { Report(message); });
}

QV_AvatarPlugin* QV_Pipeline::CurrentPlugin() const
{
    return current >= 0 && current < PluginCount() ? plugins[static_cast<size_t>(current)].get() : nullptr;
}

bool QV_Pipeline::SelectPlugin(const QV_String& label)
{
    for (int i = 0; i < PluginCount(); ++i) {
        if (labels[static_cast<size_t>(i)].Std() == label.Std()) {
            current = i;
            return true;
        }
    }
    return false;
}

void QV_Pipeline::AddPlugin(std::unique_ptr<QV_AvatarPlugin> plugin, const QV_String& label)
{
    if (!plugin) return;
    plugins.push_back(std::move(plugin));
    labels.push_back(label);
    if (current < 0) current = 0;
}

void QV_Pipeline::SetUseChildFace(bool on) { useChildFace = on && childFaceAvailable; }

bool QV_Pipeline::OpenPhotograph(const QV_String& path)
{
    QV_Image image;
    if (!QV_LoadWorkingPhotograph(path, image)) {
        photo = QV_Image();
        headFace.image = photo;
        childFace.image = photo;
        Report(QV_String(kLoadFailed) + path);
        return false;
    }
    SetPhotograph(image);
    return true;
}

void QV_Pipeline::SetPhotograph(const QV_Image& image)
{
    photo = image;
    photo.ResizeToHeight(kPhotoRows, true);
    headFace.image = photo;
    if (childFaceAvailable) childFace.image = photo;
}

bool QV_Pipeline::OpenAnnotation(const QV_String& path)
{
    // The annotation reader accepts unknown extensions by reading nothing;
    // here that, like an empty file, is a failed load.
    QV_AnnotationModel read;
    const QV_String ext = LowerExtension(path);
    if (!OneOf(ext, {"ana", "anb", "mma", "mmac", "mmaf"}) || !read.Load(path) || read.Count() == 0) {
        Report(QV_String(kLoadFailed) + path);
        return false;
    }
    annotation = read;
    return true;
}

QV_Pipeline::Location QV_Pipeline::LocateFace(QV_Point2D& a, QV_Point2D& b)
{
    if (!HasPhotograph()) {
        Report(kNoImage);
        return Location::kNone;
    }
    const bool eyesFound = FindEyes(photo, a, b);
    return LocateFaceFrom(eyesFound, a, b);
}

QV_Pipeline::Location QV_Pipeline::LocateFaceFrom(bool eyesFound, QV_Point2D& a, QV_Point2D& b)
{
    if (!HasPhotograph()) {
        Report(kNoImage);
        return Location::kNone;
    }
    if (eyesFound) return Location::kEyes;
    if (!finderTried) LoadFinder(dataDir);
    if (finder.IsLoaded() && finder.FindFaceExternal(photo, a, b)) return Location::kBox;
    Report(kFaceNotFound);
    return Location::kNone;
}

void QV_Pipeline::PrepareFit()
{
    if (HasPhotograph() && headFaceLoaded) CurrentFaceModel().fitter.PreparePyramid(photo);
}

bool QV_Pipeline::Fit(Location how, const QV_Point2D& a, const QV_Point2D& b, const Progress& progress)
{
    if (!HasPhotograph()) {
        Report(kNoImage);
        return false;
    }
    if (!headFaceLoaded) {
        Report(kNoFaceModel);
        return false;
    }
    if (how == Location::kNone) {
        Report(kFaceNotFound);
        return false;
    }
    QV_FaceSearch& model = CurrentFaceModel();
    const bool placed = how == Location::kEyes ? model.InitialiseFromEyes(photo, annotation, a, b)
                                               : model.InitialiseFromBox(photo, annotation, a, b);
    if (!placed) {
        Report(kFaceNotFound);
        return false;
    }
    model.refine = useChildFace ? 0 : 1;
    model.Search(photo, annotation, progress);
    if (useChildFace)
        QV_RebuildChildFaceRegions(headFace.reference, annotation, [this](const char* m) { Report(m); });
    return true;
}

bool QV_Pipeline::CreateHead(QV_Mesh& out, bool highRes)
{
    if (!HasPhotograph()) {
        Report(kNoImage);
        return false;
    }
    QV_AvatarPlugin* plugin = CurrentPlugin();
    if (!plugin) {
        Report(kNoPlugin);
        return false;
    }
    if (annotation.Count() == 0) {
        Report(kNoEyes);
        return false;
    }
    // The working image of the face model is the photograph as opened.
    const QV_Image& working = CurrentFaceModel().image.Empty() ? photo : CurrentFaceModel().image;
    QV_Mesh mesh;
    QV_String error;
    if (!plugin->CreateFromFront(headFace, working, annotation, mesh, highRes, error)) {
        Report(error);
        return false;
    }
    out = std::move(mesh);
    return true;
}

bool QV_Pipeline::SaveHead(const QV_Mesh& mesh, const QV_String& path)
{
    QV_AvatarPlugin* plugin = CurrentPlugin();
    if (!plugin) {
        Report(kNoPlugin);
        return false;
    }
    QV_String message;
    if (!QV_SaveThroughPlugin(*plugin, mesh, path, message, true)) {
        Report(message);
        return false;
    }
    return true;
}
