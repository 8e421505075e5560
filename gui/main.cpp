// visagen: the desktop program.
//   visagen [--data-dir DIR] [--exit-after-start]
//           [--open PICTURE [--auto-create] [--screenshot PNG]]
// --data-dir replaces the data directory of the settings store.
// --exit-after-start quits once the main window has been drawn and prints the
// start-up time in milliseconds (for timing runs).
// --open, --auto-create and --screenshot open a picture, create the head and
// save a picture of the main window, then quit.
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include "DesktopApp.h"
#include "QV_Commands.h"
#include "QV_ProcessHeap.h"

namespace {

struct Options {
    QString dataDir;
    bool exitAfterStart = false;
    QString open;
    bool autoCreate = false;
    QString screenshot;
};

void Usage()
{
    std::fprintf(stderr,
                 "usage: visagen [--data-dir DIR] [--exit-after-start]\n"
                 "               [--open PICTURE [--auto-create] [--screenshot PNG]]\n");
}

// False on an unknown option or a missing value. Read before the
// application object exists, so that a usage error needs no display.
bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(a, "--data-dir") == 0 && hasValue)
            options.dataDir = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(a, "--exit-after-start") == 0)
            options.exitAfterStart = true;
        else if (std::strcmp(a, "--open") == 0 && hasValue)
            options.open = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(a, "--auto-create") == 0)
            options.autoCreate = true;
        else if (std::strcmp(a, "--screenshot") == 0 && hasValue)
            options.screenshot = QString::fromLocal8Bit(argv[++i]);
        else
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    QV_PrepareProcessHeap(kQV_PipelineHeapReserve);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }

    QV_SetDefaultSurfaceFormat();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Heddle"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));
    const bool unattended = options.exitAfterStart || !options.screenshot.isEmpty();

    DesktopApp app(options.dataDir);
    // Nobody is there to close a message box in an unattended run.
    app.platform.quietMessages = unattended;
    if (!app.Start())
        return 1;

    if (options.exitAfterStart) {
        if (!app.WaitUntilPainted(60000)) {
            std::fprintf(stderr, "visagen: the main window was not drawn\n");
            return 1;
        }
        std::printf("start-up: %lld ms\n", static_cast<long long>(clock.elapsed()));
        return 0;
    }

    if (!options.open.isEmpty()) {
        app.WaitUntilPainted(60000);
        app.OpenImage(options.open);
        if (options.autoCreate)
            app.frame.OnCommand(QV_Command::kAutoCreate);
        if (!options.screenshot.isEmpty()) {
            QCoreApplication::processEvents();
            const QImage picture = app.GrabWindow();
            if (picture.isNull() || !picture.save(options.screenshot)) {
                std::fprintf(stderr, "visagen: could not write %s\n", qPrintable(options.screenshot));
                return 1;
            }
            return 0;
        }
    }
    return application.exec();
}
