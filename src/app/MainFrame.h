// MainFrame: the main window's workspace (data directory, face models,
// plug-ins, switches, finder library, the two views and the control bar), its
// start-up sequence, layout and every command; it talks to the desktop only
// through QV_Platform.
#pragma once

#include <memory>
#include <vector>

#include "ControlBar.h"
#include "QV_AvatarPlugin.h"
#include "QV_FaceFinderLibrary.h"
#include "QV_FaceSearch.h"
#include "QV_Platform.h"
#include "QV_String.h"
#include "SceneView.h"
#include "SettingsStore.h"

// The main window's rectangle on a screen of this size: 0.65 of the screen's
// width and 0.55 of that as its height (each rounded to the nearest integer,
// halves away from zero), centred.
QV_WindowRect QV_CentredFrameRect(int screenWidth, int screenHeight);

class MainFrame : public SceneViewOwner {
public:
    static constexpr const char* kSettingsKey = SettingsStore::kDataDirKey;
    static constexpr const char* kSettingsValue = SettingsStore::kDataDirValue;
    static constexpr int kViewId = 1234;
    // The folder browser's title when choosing the body skins.
    static constexpr const char* kSkinFolderTitle = "Choose the folder that holds the torso skin JPEG images";

    explicit MainFrame(QV_Platform& platform);
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;
    ~MainFrame() override;

    // The start-up sequence: data directory, loading dialog with progress,
    // face models, plug-ins and their menu, finder library, control bar,
    // status bar, the two views, window size and layout. False when the
    // window is not created (the application then ends).
    bool Create();
    // Places the control bar and the two views in a client area of this
    // size; nothing until both views exist.
    void Layout(int clientWidth, int clientHeight);
    // Offers a command to the image view, then the 3D view, then the frame.
    // False when nobody handles it.
    bool OnCommand(int command);
    // Pointer movement over the main window's own client area.
    void PointerOverFrame(int y);

    // ---- commands (also reachable through OnCommand) ----
    void OpenImage();
    void SaveAvatar();
    void StretchImageContrast();
    void SetEyesManually();
    void AutoCreateAvatar();
    void Recreate3D();
    // The built-in or external finder's result, or the user's eye line.
    void CreateFromEyes(const QV_Point2D& eyeA, const QV_Point2D& eyeB) override;
    void CreateFromBox(const QV_Point2D& cornerA, const QV_Point2D& cornerB);
    bool CreateHead();
    void SelectPlugin(int command);
    void ToggleFemaleBody();
    void ToggleHighResTexture();
    void ToggleChildFace();
    void Tutorial();
    void ChooseBodySkinFolder();
    void ClearBodySkinFolder();

    // ---- SceneViewOwner ----
    void SetStatusText(const QV_String& text) override;
    void PhotographOpened(const QV_Image& photo) override;
    const QV_AvatarPlugin* CurrentPlugin() const override { return currentPlugin; }

    // ---- workspace ----
    QV_String dataDir;
    QV_String title;
    QV_FaceSearch headFaceModel;
    QV_FaceSearch childFaceModel;
    bool childFaceAvailable = false;
    bool useChildFace = false;
    QV_FaceSearch* currentFaceModel = &headFaceModel;
    std::vector<std::unique_ptr<QV_AvatarPlugin>> plugins;
    std::vector<QV_String> pluginLabels;
    QV_AvatarPlugin* currentPlugin = nullptr;
    bool pluginAvailable = false;
    bool useFemaleBody = false;
    bool useHighResTexture = false;
    bool headCreated = false;
    QV_FaceFinderLibrary finderLibrary;
    SceneView imageView;
    SceneView headView;
    ControlBar controlBar;
    bool viewsCreated = false;

private:
    // Start-up steps.
    bool ReadDataDirectory();
    void LoadPlugins();
    void BuildPluginMenu();
    void LoadFinderLibrary();
    bool CreateViews();
    void SizeWindow();
    // A start-up failure that ends the application: the loading dialog goes,
    // then the message (when there is one) is shown.
    bool FailStartup(const QV_String& message);
    // Places the current face model (from the eyes, or from the box corners),
    // searches and creates the head; the status texts only for the eyes.
    void FitAndCreate(bool fromBox, const QV_Point2D& a, const QV_Point2D& b);
    // Whether a photograph is open and a plug-in is available, with the
    // message for the first that is missing.
    bool CheckImageAndPlugin();
    // "Heddle: " + stem + "." + the extension as typed.
    void SetTitleFromPath(const QV_String& path);
    // After a switch or plug-in change: new extra meshes and a new head, once
    // a head has been created.
    void RecreateAfterChange();

    QV_Platform& platform;
    bool loadingShown = false;
};
