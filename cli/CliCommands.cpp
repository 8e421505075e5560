// create, fit and convert: the pipeline's steps in the order the desktop
// program runs them, with its messages on the error stream.
#include "CliCommands.h"

#include <cstdio>
#include <filesystem>
#include <future>
#include <system_error>

#include "QV_FindEyes.h"
#include "QV_MeshIO.h"
#include "QV_Pipeline.h"

namespace {

void PrintMessage(const QV_String& message)
{
    std::fputs(message.CStr(), stderr);
    if (message.IsEmpty() || message[message.Length() - 1] != '\n') std::fputc('\n', stderr);
}

void Say(bool verbose, const char* text)
{
    if (verbose) PrintMessage(text);
}

QV_String DataDir(const CliOptions& o, const std::string& fallback)
{
    return QV_String(o.dataDir.empty() ? fallback : o.dataDir);
}

bool FileExists(const QV_String& path)
{
    std::string p = path.Std();
    for (char& c : p)
        if (c == '\\') c = '/';
    std::error_code ec;
    return std::filesystem::exists(p, ec);
}

// The photograph as the pipeline holds it, read ahead so that the built-in
// eye finder runs on it while the plug-ins and face models load (it needs
// neither). Nothing is read when the eyes are not to be found, and nothing
// started when the photograph does not read.
class EarlyEyes {
public:
    void Start(const CliOptions& o, bool search)
    {
        if (!search || o.haveEyes || o.haveBox) return;
        tried = true;
        if (!QV_LoadWorkingPhotograph(QV_String(o.inputs[0]), photo)) return;
        found = std::async(std::launch::async, [this] { return FindEyes(photo, a, b); });
    }
    // Whether the photograph was read here (it is not read twice).
    bool Tried() const { return tried; }
    bool Started() const { return found.valid(); }
    const QV_Image& Photograph() const { return photo; }
    // Waits for the finder; true with the eyes when it found them.
    bool Eyes(QV_Point2D& eyeA, QV_Point2D& eyeB)
    {
        if (!found.valid() || !found.get()) return false;
        eyeA = a;
        eyeB = b;
        return true;
    }

private:
    bool tried = false;
    QV_Image photo;
    QV_Point2D a, b;
    std::future<bool> found;  // last, so that it is waited for before the rest goes
};

// Face models and the photograph; the child face on request.
bool Prepare(QV_Pipeline& pipeline, const CliOptions& o, const QV_String& dataDir, bool needSearch,
             EarlyEyes* early)
{
    pipeline.SetDataDirectory(dataDir);
    // Without a search the face model only serves plug-ins that complete the
    // head outline; it is then read when it is there.
    if (needSearch || FileExists(QV_FaceFinderLibrary::JoinPath(dataDir, QV_Pipeline::kHeadFaceFile))) {
        if (!pipeline.LoadFaceModels(dataDir)) return false;
    }
    if (o.child) {
        if (!pipeline.ChildFaceAvailable()) {
            PrintMessage(QV_String("The child face model is not available: ") +
                         QV_FaceFinderLibrary::JoinPath(dataDir, QV_Pipeline::kChildFaceFile));
            return false;
        }
        pipeline.SetUseChildFace(true);
    }
    if (early && early->Tried()) {
        if (!early->Started()) {
            // What the pipeline says when its own reading fails.
            PrintMessage(QV_String(QV_Pipeline::kLoadFailed) + QV_String(o.inputs[0]));
            return false;
        }
        pipeline.SetPhotograph(early->Photograph());
        return true;
    }
    return pipeline.OpenPhotograph(QV_String(o.inputs[0]));
}

// Locates the face (given eyes or box, else the finders) and runs the search.
bool LocateAndFit(QV_Pipeline& pipeline, const CliOptions& o, EarlyEyes& early)
{
    QV_Point2D a = o.pointA, b = o.pointB;
    QV_Pipeline::Location how = QV_Pipeline::Location::kNone;
    if (o.haveEyes)
        how = QV_Pipeline::Location::kEyes;
    else if (o.haveBox)
        how = QV_Pipeline::Location::kBox;
    else if (early.Started()) {
        // The search pyramid does not depend on the eyes: it is built while
        // the finder still runs.
        pipeline.PrepareFit();
        how = pipeline.LocateFaceFrom(early.Eyes(a, b), a, b);
    } else {
        how = pipeline.LocateFace(a, b);
    }
    if (how == QV_Pipeline::Location::kNone) return false;
    if (o.verbose) {
        std::fprintf(stderr, "%s (%.4f, %.4f) (%.4f, %.4f)\n",
                     how == QV_Pipeline::Location::kEyes ? "Eyes at" : "Face box at", a.x, a.y, b.x, b.y);
    }
    const bool verbose = o.verbose;
    return pipeline.Fit(how, a, b, [verbose](QV_AnnotationModel&, const QV_String& message) {
        if (verbose) PrintMessage(message);
    });
}

bool SaveAnnotation(const QV_AnnotationModel& model, const std::string& path)
{
    if (model.Save(QV_String(path))) return true;
    PrintMessage(QV_String("Failed to save: ") + QV_String(path));
    return false;
}

}  // namespace

int RunCreate(const CliOptions& o, const std::string& defaultDataDir)
{
    QV_Pipeline pipeline(PrintMessage);
    const QV_String dataDir = DataDir(o, defaultDataDir);
    const bool search = o.annotation.empty();
    EarlyEyes early;
    early.Start(o, search);
    if (!pipeline.LoadPlugins(dataDir)) {
        if (pipeline.PluginCount() == 0) PrintMessage(QV_Pipeline::kNoPlugin);
        return kCliFailure;
    }
    if (!o.plugin.empty() && !pipeline.SelectPlugin(QV_String(o.plugin))) {
        QV_String message = QV_String("Unknown plug-in: ") + QV_String(o.plugin) + "\nAvailable:";
        for (int i = 0; i < pipeline.PluginCount(); ++i) message += QV_String(" ") + pipeline.PluginLabel(i);
        PrintMessage(message);
        return kCliFailure;
    }
    if (QV_AvatarPlugin* plugin = pipeline.CurrentPlugin()) plugin->SetFemaleBody(o.femaleBody);
    if (!Prepare(pipeline, o, dataDir, search, &early)) return kCliFailure;
    if (search) {
        if (!LocateAndFit(pipeline, o, early)) return kCliFailure;
    } else if (!pipeline.OpenAnnotation(QV_String(o.annotation))) {
        return kCliFailure;
    }
    if (!o.saveAnnotation.empty() && !SaveAnnotation(pipeline.Annotation(), o.saveAnnotation)) return kCliFailure;

    Say(o.verbose, "Creating 3D, please wait...");
    QV_Mesh head;
    if (!pipeline.CreateHead(head, o.highRes)) return kCliFailure;
    if (!pipeline.SaveHead(head, QV_String(o.output))) return kCliFailure;
    Say(o.verbose, (QV_String("Saved ") + QV_String(o.output)).CStr());
    return kCliSuccess;
}

int RunFit(const CliOptions& o, const std::string& defaultDataDir)
{
    QV_Pipeline pipeline(PrintMessage);
    EarlyEyes early;
    early.Start(o, true);
    if (!Prepare(pipeline, o, DataDir(o, defaultDataDir), true, &early)) return kCliFailure;
    if (!LocateAndFit(pipeline, o, early)) return kCliFailure;
    return SaveAnnotation(pipeline.Annotation(), o.output) ? kCliSuccess : kCliFailure;
}

int RunConvert(const CliOptions& o)
{
    const QV_String in(o.inputs[0]), out(o.inputs[1]);
    const bool meshIn = QV_MeshIO::Create(in) != nullptr;
    const bool meshOut = QV_MeshIO::Create(out) != nullptr;
    if (meshIn != meshOut) {
        // A mesh cannot become a picture nor a picture a mesh.
        PrintMessage(QV_String(QV_Pipeline::kUnknownType) + (meshIn ? out : in));
        return kCliFailure;
    }
    if (meshIn) {
        // A file that gives no face has nothing to convert.
        QV_Mesh mesh;
        if (!mesh.Load(in) || mesh.FaceCount() == 0) {
            PrintMessage(QV_String(QV_Pipeline::kLoadFailed) + in);
            return kCliFailure;
        }
        if (!mesh.Save(out)) {
            PrintMessage(QV_String("Failed to save: ") + out);
            return kCliFailure;
        }
        return kCliSuccess;
    }
    QV_Image image;
    if (!image.Load(in) || image.Empty()) {
        PrintMessage(QV_String(QV_Pipeline::kLoadFailed) + in);
        return kCliFailure;
    }
    if (!image.Save(out)) {
        PrintMessage(QV_String("Failed to save: ") + out);
        return kCliFailure;
    }
    return kCliSuccess;
}
