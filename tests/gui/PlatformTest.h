// The Qt platform's operations that need no workspace: directory listing,
// opening documents, the settings value, scripted dialogs, and a start-up
// that fails on an empty data directory.
#pragma once

#include <QObject>

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void enumerateFilesMatchesWithoutCaseAndSorts();
    void enumerateFilesOfAMissingDirectoryIsEmpty();
    void shellOpenPassesThePathAsOneArgument();
    void shellOpenOfAMissingProgramFails();
    void dataDirOverrideReplacesTheStore();
    void storeIsReadWithoutOverride();
    void scriptedDialogsAnswerAndCancel();
    void startUpOnEmptyDataDirFails();
};
