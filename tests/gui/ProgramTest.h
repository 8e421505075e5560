// The visagen program as started from the command line: its exit codes, the
// timing run and the screenshot run.
#pragma once

#include <QObject>

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void exitCodes_data();
    void exitCodes();
    void screenshotRunWritesThePictureOfTheWindow();
};
