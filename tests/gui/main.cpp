// The window tests of the desktop program (Qt Test); they need a display
// (make test runs them under a virtual X server).
#include <QApplication>
#include <QTest>

#include "DesktopApp.h"
#include "DialogTest.h"
#include "MainWindowTest.h"
#include "PlatformTest.h"
#include "ProgramTest.h"

int main(int argc, char** argv)
{
    QV_SetDefaultSurfaceFormat();
    QApplication application(argc, argv);
    int failures = 0;
    {
        PlatformTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        DialogTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        MainWindowTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        ProgramTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
