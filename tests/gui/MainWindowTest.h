// The desktop program's main window on the shipped data directory, driven
// like a user would: start-up, menus, control bar, opening the sample
// portrait, automatic creation, a point drag with undo, saving.
#pragma once

#include <memory>

#include <QObject>

class DesktopApp;

class MainWindowTest : public QObject {
    Q_OBJECT
public:
    MainWindowTest();
    ~MainWindowTest() override;

private slots:
    void initTestCase();
    void cleanupTestCase();

    void startUpPlacesWindowAndViews();
    void menuBarHasTheFourMenus();
    void lockPanesFollowTheKeyboard();
    void switchesKeepTheirMarksToTheWorkspace();
    void controlBarHoverAndClick();
    void openAndAutoCreateDrawBothViews();
    void dragOfAPointIsUndoneByBothAccelerators();
    void recreateAfterADragUsesTheEditedContours();
    void saveAvatarWritesAnObjFile();
    void windowGrabShowsPhotoAndHead();

private:
    std::unique_ptr<DesktopApp> app;
};
