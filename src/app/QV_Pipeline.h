// QV_Pipeline: the workspace and the steps from a photograph to a saved head
// (data directory, face models, plug-ins, external finder; open, locate,
// fit, create, save), free of any windowing so that every front end shares it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_AvatarPlugin.h"
#include "QV_FaceFinderLibrary.h"
#include "QV_FaceSearch.h"
#include "QV_Image.h"
#include "QV_Mesh.h"
#include "QV_String.h"
#include "QV_WorkingPhotograph.h"

class QV_Pipeline {
public:
    // Messages meant for the user (the desktop puts them in message boxes).
    using Reporter = std::function<void(const QV_String& message)>;
    // One step of the model search: the fit so far and its message.
    using Progress = QV_FaceSearch::Progress;

    static constexpr const char* kHeadFaceFile = "Head.qvface";
    static constexpr const char* kChildFaceFile = "Child.qvface";
    static constexpr const char* kHeadFileExtension = "qvhead";
    static constexpr int kPhotoRows = kQV_PhotographRows;

    static constexpr const char* kNoFaceModel = "Could not load face finder";
    static constexpr const char* kNoHeadData = "Failed to load the following head data:\n";
    static constexpr const char* kNoPlugin = "You must load an Quorvex math model!";
    static constexpr const char* kNoImage = "You must load an image first!";
    static constexpr const char* kNoEyes = "You must select the eyes first!";
    static constexpr const char* kFaceNotFound =
        "Unable to automatically locate face!\nPlease drag the left mouse button from one eye to the other";
    static constexpr const char* kLoadFailed = "Failed to load:\n";
    static constexpr const char* kUnknownType = "Unknown file type: ";

    // How the face was located for the fit.
    enum class Location { kNone, kEyes, kBox };

    explicit QV_Pipeline(Reporter reporter = nullptr);
    QV_Pipeline(const QV_Pipeline&) = delete;
    QV_Pipeline& operator=(const QV_Pipeline&) = delete;

    // ---- data directory ----
    // Face models from the directory: "Head.qvface" (false, with "Could not
    // load face finder", when it does not read) and the optional "Child.qvface".
    bool LoadFaceModels(const QV_String& directory);
    // One plug-in per "*.qvhead" file of the directory, in name order, each
    // labelled with its file stem; the first becomes current. False, with
    // "Failed to load the following head data:\n" and one line per failed
    // file, when none loads; no file at all is false without a message.
    bool LoadPlugins(const QV_String& directory);
    // The external face finder of the directory; its failure is reported and
    // the pipeline goes on without it.
    bool LoadFinder(const QV_String& directory);
    const QV_String& DataDirectory() const { return dataDir; }
    void SetDataDirectory(const QV_String& directory) { dataDir = directory; }

    // ---- plug-ins ----
    int PluginCount() const { return static_cast<int>(plugins.size()); }
    const QV_String& PluginLabel(int index) const { return labels[static_cast<size_t>(index)]; }
    QV_AvatarPlugin* CurrentPlugin() const;
    // Makes the plug-in of that label current; false when there is none.
    bool SelectPlugin(const QV_String& label);
    // Takes a plug-in made elsewhere (tests, authoring tools).
    void AddPlugin(std::unique_ptr<QV_AvatarPlugin> plugin, const QV_String& label);

    // ---- switches ----
    bool ChildFaceAvailable() const { return childFaceAvailable; }
    // Only takes effect when the child face model is available.
    void SetUseChildFace(bool on);
    bool UseChildFace() const { return useChildFace; }
    bool HeadFaceLoaded() const { return headFaceLoaded; }
    QV_FaceSearch& CurrentFaceModel() { return useChildFace ? childFace : headFace; }
    QV_FaceSearch& HeadFaceModel() { return headFace; }

    // ---- photograph and annotation ----
    // Reads the photograph by extension and brings it to 512 rows; the face
    // models get copies. "Failed to load:\n" and the path on failure, the
    // pipeline then holding no photograph.
    bool OpenPhotograph(const QV_String& path);
    // Takes a photograph already in memory the same way.
    void SetPhotograph(const QV_Image& image);
    // Reads an annotation file (ana, anb, mma, mmac, mmaf) with at least one
    // contour; "Failed to load:\n" and the path otherwise, the current
    // annotation kept.
    bool OpenAnnotation(const QV_String& path);
    const QV_Image& Photograph() const { return photo; }
    bool HasPhotograph() const { return !photo.Empty(); }
    QV_AnnotationModel& Annotation() { return annotation; }

    // ---- locating, fitting, creating, saving ----
    // The built-in eye finder, then the external finder's face box. kNone
    // reports "Unable to automatically locate face!..." .
    Location LocateFace(QV_Point2D& a, QV_Point2D& b);
    // The same when the built-in eye finder has already run on this
    // photograph (on another thread, say): its eyes when it found them,
    // otherwise the external finder's box.
    Location LocateFaceFrom(bool eyesFound, QV_Point2D& a, QV_Point2D& b);
    // Builds the current face model's search pyramid for the photograph now,
    // while something else runs (the eye finder, say); Fit then takes it.
    void PrepareFit();
    // Places the current face model from the eyes (a matched to "RIGHT EYE")
    // or the box corners and runs the search, refined unless the child face
    // is in use, whose missing contours are then rebuilt.
    bool Fit(Location how, const QV_Point2D& a, const QV_Point2D& b, const Progress& progress);
    // The current plug-in's creation from the working photograph and the
    // annotation; the plug-in's message is reported on failure.
    bool CreateHead(QV_Mesh& out, bool highRes);
    // The current plug-in's save for an "obj", "3ds", "xml" or "wrl" path
    // ("Unknown file type: " and the path otherwise): its application save, or
    // its own complete save when it has none; the plug-in's message is
    // reported on failure, or "Failed to save: " and the path when it gave none.
    bool SaveHead(const QV_Mesh& mesh, const QV_String& path);

private:
    void Report(const QV_String& message) const;

    Reporter reporter;
    QV_String dataDir;
    QV_FaceSearch headFace;
    QV_FaceSearch childFace;
    bool headFaceLoaded = false;
    bool childFaceAvailable = false;
    bool useChildFace = false;
    std::vector<std::unique_ptr<QV_AvatarPlugin>> plugins;
    std::vector<QV_String> labels;
    int current = -1;
    QV_FaceFinderLibrary finder;
    bool finderTried = false;
    QV_Image photo;
    QV_AnnotationModel annotation;
};

// The head model files of a directory ("*.qvhead", extension in any case),
// full paths sorted by file name.
std::vector<QV_String> QV_HeadModelFiles(const QV_String& directory);

// ---- steps shared with the desktop workspace ----
// The text after the name's last ".", lower-cased (ASCII); empty when the
// name has no extension.
QV_String QV_LowerExtension(const QV_String& path);
// Reads an optional face model: false, with `model` reset and nothing
// printed, when the file is not there; false with `model` reset when it does
// not read.
bool QV_ReadOptionalFaceModel(const QV_String& path, QV_FaceSearch& model);
// The plug-in of one head model file, or null with the factory's message (the
// path when the factory gave none) and "\n" appended to `failures`.
std::unique_ptr<QV_AvatarPlugin> QV_LoadPluginFile(const QV_String& path, QV_String& failures);
// The plug-in's save for an "obj", "3ds", "xml" or "wrl" path. False with
// "Unknown file type: " and the path for any other, or with the plug-in's
// message ("Failed to save: " and the path when it gave none). With
// ownSaveWhenNone, a target without an application save (one that fails
// without a message) is saved by its own complete save instead.
bool QV_SaveThroughPlugin(QV_AvatarPlugin& plugin, const QV_Mesh& mesh, const QV_String& path, QV_String& message,
                          bool ownSaveWhenNone = false);
