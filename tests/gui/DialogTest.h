// The platform's file and folder dialogs with Qt's own dialog windows, filled
// in and confirmed as a user would, through a timer while they are open.
#pragma once

#include <QObject>

class DialogTest : public QObject {
    Q_OBJECT
private slots:
    void saveDialogReportsTheTypedNameAndTheChosenEntry_data();
    void saveDialogReportsTheTypedNameAndTheChosenEntry();
    void saveDialogAsksBeforeReplacingTheExtendedName_data();
    void saveDialogAsksBeforeReplacingTheExtendedName();
    void openDialogReturnsTheChosenFile();
    void cancelledDialogsReturnFalse();
};
