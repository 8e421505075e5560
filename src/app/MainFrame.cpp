// The main window's workspace: start-up, layout, command routing and the
// commands themselves.
#include "MainFrame.h"

#include <cmath>

#include "QV_ChildFaceRegions.h"
#include "QV_Commands.h"
#include "QV_OlderMugShotPlugins.h"
#include "QV_FindEyes.h"
#include "QV_Pipeline.h"
#include "QV_SaveDialogRules.h"

namespace {

constexpr const char* kTitlePrefix = "Heddle: ";
constexpr const char* kDataDirFailed = "Failed to find data dir\n";
constexpr const char* k2DViewFailed = "Failed to create 2D View.\nDo you have the OpenGL graphics capability?";
constexpr const char* k3DViewFailed = "Failed to create 3D View.\nDo you have the OpenGL graphics capability?";
constexpr const char* kNoImageLoaded = "You must have an image loaded!";
constexpr const char* kOutOfRange = "Out of range";
constexpr const char* kCreating = "Creating 3D, please wait...";
constexpr const char* kFinished = "Finished creating 3D, use the mouse to manipulate the viewpoint";
constexpr const char* kPluginMenuTitle = "Avatar &Plugins";
constexpr const char* kHeadFilePattern = "*.qvhead";
constexpr const char* kTutorialFile = "HeddleInstructions.pdf";
constexpr const char* kAboutText = "QuorAvatar\nVisagen version 0.1";
constexpr const char* kOpenFilter =
    "Image files (*.jpg;*.bmp;*.tif)|*.jpg;*.bmp;*.tif|Annotation files (*.mma)|*.mma||";
constexpr const char* kSaveFilter = "OBJ (*.obj)|*.obj|XML (*.xml)|*.xml|";

bool IsOneOf(const QV_String& ext, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (ext.Std() == n) return true;
    return false;
}

// The extension as typed (the text after the name's last '.'), empty when
// the name has none.
QV_String TypedExtension(const QV_String& path)
{
    const int dot = path.FindLast('.');
    if (dot < 0 || dot < path.FindLast('/') || dot < path.FindLast('\\')) return QV_String();
    return path.Mid(dot + 1);
}

}  // namespace

MainFrame::MainFrame(QV_Platform& p)
    : controlBar([this](const QV_String& text) { SetStatusText(text); }), platform(p)
{
}

MainFrame::~MainFrame()
{
    imageView.owner = nullptr;
    headView.owner = nullptr;
}

// ---------------------------------------------------------------------------
// Start-up

bool MainFrame::FailStartup(const QV_String& message)
{
    if (loadingShown) {
        platform.HideLoadingDialog();
        loadingShown = false;
    }
    if (!message.IsEmpty()) platform.MessageBox(message);
    return false;
}

bool MainFrame::ReadDataDirectory()
{
    QV_String value;
    if (!platform.ReadSettingString(kSettingsKey, kSettingsValue, value)) {
        FailStartup(QV_String(kDataDirFailed) + value);
        return false;
    }
    dataDir = value;
    return true;
}

bool MainFrame::Create()
{
    if (!ReadDataDirectory()) return false;

    platform.ShowLoadingDialog();
    loadingShown = true;
    platform.SetLoadingProgress(2);

    if (!platform.CreateFrame()) return FailStartup(QV_String());

    title = kTitlePrefix;
    platform.SetCaption(title);

    if (!ReadDataDirectory()) return false;

    platform.SetLoadingProgress(3);
    useChildFace = false;
    childFaceAvailable = false;
    headFaceModel.directory = dataDir;
    if (!headFaceModel.Read(QV_FaceFinderLibrary::JoinPath(dataDir, QV_Pipeline::kHeadFaceFile)))
        return FailStartup(QV_Pipeline::kNoFaceModel);

    currentFaceModel = &headFaceModel;
    childFaceAvailable =
        QV_ReadOptionalFaceModel(QV_FaceFinderLibrary::JoinPath(dataDir, QV_Pipeline::kChildFaceFile), childFaceModel);
    childFaceModel.directory = dataDir;

    platform.SetLoadingProgress(30);
    headCreated = false;

    LoadPlugins();
    BuildPluginMenu();
    pluginAvailable = currentPlugin != nullptr;

    LoadFinderLibrary();
    platform.SetLoadingProgress(100);

    // The bar reports hover texts through the status callback given at
    // construction; a bar that cannot be shown leaves the menus usable.
    platform.CreateControlBar(controlBar);

    if (!platform.CreateStatusBar()) return FailStartup(QV_String());

    if (!CreateViews()) return false;
    headView.RefreshExtraMeshes(currentPlugin);

    SizeWindow();
    int width = 0, height = 0;
    platform.ClientSize(width, height);
    Layout(width, height);
    platform.HideLoadingDialog();
    loadingShown = false;
    return true;
}

void MainFrame::LoadPlugins()
{
    plugins.clear();
    pluginLabels.clear();
    currentPlugin = nullptr;
    const std::vector<QV_String> files = platform.EnumerateFiles(dataDir, kHeadFilePattern);
    if (files.empty()) return;
    QV_String failures;
    const double n = static_cast<double>(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        platform.SetLoadingProgress(50 + static_cast<int>(std::lround(static_cast<double>(i) / n * 40.0)));
        std::unique_ptr<QV_AvatarPlugin> plugin = QV_LoadPluginFile(files[i], failures);
        if (!plugin) continue;
        plugins.push_back(std::move(plugin));
        pluginLabels.push_back(files[i].FileName());
    }
    if (!plugins.empty())
        currentPlugin = plugins.front().get();
    else
        platform.MessageBox(QV_String(QV_Pipeline::kNoHeadData) + failures);
}

void MainFrame::BuildPluginMenu()
{
    std::vector<std::pair<int, QV_String>> items;
    for (size_t i = 0; i < pluginLabels.size(); ++i)
        items.emplace_back(QV_Command::kFirstPlugin + static_cast<int>(i), pluginLabels[i]);
    platform.AppendPopupMenu(kPluginMenuTitle, items);
}

void MainFrame::LoadFinderLibrary()
{
    // The library's failure is shown after the progress step, as the user
    // sees the dialog reach it before the message.
    QV_String failure;
    finderLibrary.Load(dataDir, [&failure](const char* message) { failure = message; });
    platform.SetLoadingProgress(95);
    if (!finderLibrary.IsLoaded()) platform.MessageBox(failure);
}

bool MainFrame::CreateViews()
{
    int width = 0, height = 0;
    platform.ClientSize(width, height);
    const int half = width / 2;

    imageView.owner = this;
    if (!platform.CreateView(imageView, "Image", kViewId, QV_WindowRect{0, 0, half, height}))
        return FailStartup(k2DViewFailed);
    imageView.isImageView = true;
    imageView.mode = SceneView::kAnnotate;
    imageView.annotationShown = true;
    imageView.linesShown = true;
    imageView.landmarksShown = true;
    imageView.pointsShown = false;

    headView.owner = this;
    if (!platform.CreateView(headView, "3D", kViewId, QV_WindowRect{half, 0, half, height}))
        return FailStartup(k3DViewFailed);
    viewsCreated = true;
    return true;
}

QV_WindowRect QV_CentredFrameRect(int screenWidth, int screenHeight)
{
    // lround rounds halves away from zero.
    const int width = static_cast<int>(std::lround(screenWidth * 0.65));
    const int height = static_cast<int>(std::lround(width * 0.55));
    return QV_WindowRect{(screenWidth - width) / 2, (screenHeight - height) / 2, width, height};
}

void MainFrame::SizeWindow()
{
    int screenWidth = 0, screenHeight = 0;
    platform.ScreenSize(screenWidth, screenHeight);
    platform.SetFrameRect(QV_CentredFrameRect(screenWidth, screenHeight));
}

void MainFrame::Layout(int clientWidth, int clientHeight)
{
    if (!viewsCreated) return;
    platform.PlaceControlBar(QV_WindowRect{0, 0, clientWidth, ControlBar::kHeight});
    const int top = ControlBar::kHeight;
    int height = clientHeight - platform.StatusBarHeight() - top;
    if (height < 0) height = 0;
    const int half = clientWidth / 2;
    platform.PlaceView(imageView, QV_WindowRect{0, top, half, height});
    platform.PlaceView(headView, QV_WindowRect{half, top, half, height});
}

void MainFrame::PointerOverFrame(int y)
{
    if (y < ControlBar::kResetBelow && controlBar.ResetAll()) platform.ControlBarChanged();
}

void MainFrame::SetStatusText(const QV_String& text) { platform.SetStatusText(text); }

void MainFrame::PhotographOpened(const QV_Image& photo)
{
    headFaceModel.image = photo;
    if (childFaceAvailable) childFaceModel.image = photo;
}

// ---------------------------------------------------------------------------
// Command routing

bool MainFrame::OnCommand(int command)
{
    if (imageView.OnCommand(command)) return true;
    if (headView.OnCommand(command)) return true;

    using namespace QV_Command;
    if (command >= kFirstPlugin && command <= kLastPlugin) {
        SelectPlugin(command);
        return true;
    }
    switch (command) {
    case kOpenImage: OpenImage(); return true;
    case kSaveAvatar: SaveAvatar(); return true;
    case kStretchContrast: StretchImageContrast(); return true;
    case kSetEyes: SetEyesManually(); return true;
    case kAutoCreate: AutoCreateAvatar(); return true;
    case kRecreate: Recreate3D(); return true;
    case kFemaleBody: ToggleFemaleBody(); return true;
    case kHighResTexture: ToggleHighResTexture(); return true;
    case kChildFace: ToggleChildFace(); return true;
    case kTutorial: Tutorial(); return true;
    case kChooseSkinFolder: ChooseBodySkinFolder(); return true;
    case kClearSkinFolder: ClearBodySkinFolder(); return true;
    case kAbout: platform.MessageBox(kAboutText); return true;

    case kShowLines:
        imageView.landmarksShown = false;
        imageView.pointsShown = false;
        imageView.Repaint();
        return true;
    case kShowLandmarks:
        imageView.landmarksShown = true;
        imageView.pointsShown = false;
        imageView.Repaint();
        return true;
    case kShowPoints:
        imageView.landmarksShown = false;
        imageView.pointsShown = true;
        imageView.Repaint();
        return true;
    case kManipulateAll:
        imageView.manipulateAll = true;
        imageView.manipulateSingle = false;
        return true;
    case kManipulateSingle:
        imageView.manipulateAll = false;
        imageView.manipulateSingle = true;
        return true;
    case kManipulatePoints:
        imageView.manipulateAll = false;
        imageView.manipulateSingle = false;
        return true;
    case kToggleWireframe:
        headView.wireframe = !headView.wireframe;
        headView.Repaint();
        return true;
    case kToggleTexture:
        headView.textured = !headView.textured;
        headView.ambientFactor = headView.textured ? 1.0f : 0.65f;
        headView.diffuseFactor = headView.textured ? 1.0f : 0.99f;
        headView.Repaint();
        return true;
    case kCameraMode: headView.mode = SceneView::kCamera; return true;
    case kLightMode: headView.mode = SceneView::kLight; return true;

    // Offered by the menus and accelerators, with no effect.
    case kNothing1:
    case kNothing2:
    case kSaveFullAvatar:
    case kCtrlQ: return true;
    default: return false;
    }
}

// ---------------------------------------------------------------------------
// File commands

void MainFrame::SetTitleFromPath(const QV_String& path)
{
    title = QV_String(kTitlePrefix) + path.FileName() + "." + TypedExtension(path);
    platform.SetCaption(title);
}

void MainFrame::OpenImage()
{
    QV_String path;
    if (!platform.OpenFileDialog(kOpenFilter, path)) return;
    platform.SetWaitCursor(true);
    const QV_String ext = QV_LowerExtension(path);
    if (ext.Std() == "mma") {
        if (imageView.OpenAnnotation(path)) {
            SetTitleFromPath(path);
            imageView.Repaint();
        } else {
            platform.MessageBox(QV_String(QV_Pipeline::kLoadFailed) + path);
        }
    } else if (IsOneOf(ext, {"jpg", "bmp", "tif", "png"})) {
        if (imageView.OpenPhotograph(path)) {
            SetTitleFromPath(path);
            imageView.annotationShown = false;
            imageView.mode = SceneView::kAnnotate;
            imageView.FitCamera();
        } else {
            platform.MessageBox(QV_String(QV_Pipeline::kLoadFailed) + path);
        }
    } else {
        platform.MessageBox(QV_String(QV_Pipeline::kUnknownType) + ext);
    }
    platform.SetWaitCursor(false);
}

void MainFrame::SaveAvatar()
{
    // Without a plug-in there is nothing to save through.
    if (!currentPlugin) return;
    QV_String typed;
    int filterIndex = 0;
    if (!platform.SaveFileDialog(kSaveFilter, typed, filterIndex)) return;
    const QV_String path = QV_ApplySaveExtension(typed, kSaveFilter, filterIndex);
    platform.SetWaitCursor(true);
    QV_String message;
    if (QV_SaveThroughPlugin(*currentPlugin, headView.mesh, path, message))
        SetTitleFromPath(path);
    else
        platform.MessageBox(message);
    platform.SetWaitCursor(false);
}

// ---------------------------------------------------------------------------
// Photograph and eyes

void MainFrame::StretchImageContrast()
{
    if (!imageView.hasImage) {
        platform.MessageBox(kNoImageLoaded);
        return;
    }
    // Only the displayed photograph changes (the view uploads its texture
    // from it); the face models keep the copies taken when it was opened.
    imageView.photo.ContrastStretch(0.5f);
    imageView.textureUploaded = false;
    imageView.Repaint();
}

void MainFrame::SetEyesManually()
{
    imageView.mode = SceneView::kEyeLine;
    imageView.Repaint();
}

bool MainFrame::CheckImageAndPlugin()
{
    if (!imageView.hasImage) {
        platform.MessageBox(QV_Pipeline::kNoImage);
        return false;
    }
    if (!pluginAvailable) {
        platform.MessageBox(QV_Pipeline::kNoPlugin);
        return false;
    }
    return true;
}

void MainFrame::AutoCreateAvatar()
{
    if (!CheckImageAndPlugin()) return;
    platform.SetWaitCursor(true);
    const bool eyesFound = FindEyes(imageView.photo, imageView.eyeA, imageView.eyeB);
    QV_Point2D cornerA, cornerB;
    const bool boxFound =
        !eyesFound && finderLibrary.IsLoaded() && finderLibrary.FindFaceExternal(imageView.photo, cornerA, cornerB);
    platform.SetWaitCursor(false);

    if (eyesFound) {
        const QV_Point2D a = imageView.eyeA, b = imageView.eyeB;
        CreateFromEyes(a, b);
    } else if (boxFound) {
        CreateFromBox(cornerA, cornerB);
    } else {
        platform.MessageBox(QV_Pipeline::kFaceNotFound);
        imageView.mode = SceneView::kEyeLine;
        imageView.Repaint();
    }
}

void MainFrame::CreateFromEyes(const QV_Point2D& eyeA, const QV_Point2D& eyeB) { FitAndCreate(false, eyeA, eyeB); }

void MainFrame::CreateFromBox(const QV_Point2D& cornerA, const QV_Point2D& cornerB)
{
    FitAndCreate(true, cornerA, cornerB);
}

void MainFrame::FitAndCreate(bool fromBox, const QV_Point2D& a, const QV_Point2D& b)
{
    // Reached from the finders and from the user's eye line; without a
    // photograph there is nothing to fit.
    if (!imageView.hasImage) {
        platform.MessageBox(QV_Pipeline::kNoImage);
        return;
    }
    QV_FaceSearch& model = *currentFaceModel;
    const bool placed = fromBox ? model.InitialiseFromBox(imageView.photo, imageView.annotation, a, b)
                                : model.InitialiseFromEyes(imageView.photo, imageView.annotation, a, b);
    if (!placed) {
        platform.MessageBox(QV_Pipeline::kFaceNotFound);
        return;
    }
    imageView.annotationShown = true;
    imageView.linesShown = true;
    imageView.landmarksShown = false;
    imageView.pointsShown = false;
    imageView.Repaint();

    model.refine = useChildFace ? 0 : 1;
    platform.SetWaitCursor(true);
    model.Search(imageView.photo, imageView.annotation, [this](QV_AnnotationModel&, const QV_String& message) {
        SetStatusText(message);
        imageView.Repaint();
    });
    platform.SetWaitCursor(false);
    if (useChildFace)
        QV_RebuildChildFaceRegions(headFaceModel.reference, imageView.annotation,
                                   [this](const char* message) { platform.MessageBox(message); });
    // The fit is where undo returns to after the user's first drag.
    imageView.AnnotationFitted();
    imageView.Repaint();

    const bool statusTexts = !fromBox && model.verbose == 0;
    if (statusTexts) SetStatusText(kCreating);
    if (CreateHead() && statusTexts) SetStatusText(kFinished);
}

// ---------------------------------------------------------------------------
// Head creation

bool MainFrame::CreateHead()
{
    // Reached from the eye line too, which does not ask for a plug-in first.
    if (!currentPlugin) {
        platform.MessageBox(QV_Pipeline::kNoPlugin);
        return false;
    }
    QV_Mesh out;
    QV_String message;
    platform.SetWaitCursor(true);
    const bool created = currentPlugin->CreateFromFront(headFaceModel, currentFaceModel->image, imageView.annotation,
                                                        out, useHighResTexture, message);
    if (created) {
        headView.RefreshExtraMeshes(currentPlugin);
        headView.SetHeadMesh(out);
        headCreated = true;
    } else {
        platform.MessageBox(message);
    }
    platform.SetWaitCursor(false);
    return created;
}

void MainFrame::Recreate3D()
{
    if (!CheckImageAndPlugin()) return;
    if (imageView.annotation.Count() == 0) {
        platform.MessageBox(QV_Pipeline::kNoEyes);
        return;
    }
    if (CreateHead()) SetStatusText(kFinished);
}

// ---------------------------------------------------------------------------
// Plug-ins and switches

void MainFrame::RecreateAfterChange()
{
    if (!headCreated) return;
    headView.RefreshExtraMeshes(currentPlugin);
    Recreate3D();
}

void MainFrame::SelectPlugin(int command)
{
    const int index = command - QV_Command::kFirstPlugin;
    if (index < 0 || index >= static_cast<int>(plugins.size())) {
        platform.MessageBox(kOutOfRange);
        return;
    }
    currentPlugin = plugins[static_cast<size_t>(index)].get();
    currentPlugin->SetFemaleBody(useFemaleBody);
    RecreateAfterChange();
}

void MainFrame::ToggleFemaleBody()
{
    // The body type belongs to a plug-in; without one there is nothing to set.
    if (!currentPlugin) return;
    useFemaleBody = !useFemaleBody;
    currentPlugin->SetFemaleBody(useFemaleBody);
    platform.SetMenuCheck(QV_Command::kFemaleBody, useFemaleBody);
    RecreateAfterChange();
}

void MainFrame::ToggleHighResTexture()
{
    useHighResTexture = !useHighResTexture;
    platform.SetMenuCheck(QV_Command::kHighResTexture, useHighResTexture);
    RecreateAfterChange();
}

void MainFrame::ToggleChildFace()
{
    if (!childFaceAvailable) return;
    useChildFace = !useChildFace;
    platform.SetMenuCheck(QV_Command::kChildFace, useChildFace);
    currentFaceModel = useChildFace ? &childFaceModel : &headFaceModel;
}

// ---------------------------------------------------------------------------
// Help and body skins

void MainFrame::Tutorial()
{
    const QV_String path = QV_FaceFinderLibrary::JoinPath(dataDir, kTutorialFile);
    platform.ShellOpen(path, path.Directory());
}

// The body skin folder belongs to the body avatar plug-in; with any other
// plug-in current both commands leave everything as it is, and so does a
// browse that fails or is cancelled.
void MainFrame::ChooseBodySkinFolder()
{
    auto* body = dynamic_cast<QV_BodyAvatarPlugin*>(currentPlugin);
    QV_String folder;
    if (!body || !platform.BrowseFolder(kSkinFolderTitle, folder)) return;
    body->SetBodySkinFolder(folder);
    platform.SetMenuCheck(QV_Command::kChooseSkinFolder, true);
    platform.SetMenuCheck(QV_Command::kClearSkinFolder, false);
}

void MainFrame::ClearBodySkinFolder()
{
    auto* body = dynamic_cast<QV_BodyAvatarPlugin*>(currentPlugin);
    if (!body) return;
    body->SetBodySkinFolder(QV_String());
    platform.SetMenuCheck(QV_Command::kChooseSkinFolder, false);
    platform.SetMenuCheck(QV_Command::kClearSkinFolder, true);
}
