#include "ProgramTest.h"

#include <string>
#include <vector>

#include <QImage>
#include <QTest>

#include "GuiTestSupport.h"
#include "TestSupport.h"

void ProgramTest::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::newRow("starts and quits") << QStringList({"--data-dir", VISAGEN_DATA_DIR, "--exit-after-start"}) << 0;
    QTest::newRow("no face model") << QStringList({"--data-dir", "@EMPTY@", "--exit-after-start"}) << 1;
    QTest::newRow("unknown option") << QStringList({"--frobnicate"}) << 2;
    QTest::newRow("missing value") << QStringList({"--data-dir"}) << 2;
}

void ProgramTest::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    visagen_test::TempDir empty;
    std::vector<std::string> argv = {VISAGEN_PROGRAM};
    for (const QString& a : arguments)
        argv.push_back(a == QLatin1String("@EMPTY@") ? empty.Path() : a.toStdString());
    QCOMPARE(visagen_test::RunProgram(argv), status);
}

void ProgramTest::screenshotRunWritesThePictureOfTheWindow()
{
    visagen_test::TempDir dir;
    const std::string png = dir.File("shot.png");
    QCOMPARE(visagen_test::RunProgram({VISAGEN_PROGRAM, "--data-dir", VISAGEN_DATA_DIR, "--open", VISAGEN_SAMPLE_PHOTO,
                                       "--auto-create", "--screenshot", png}),
             0);
    QImage shot;
    QVERIFY(shot.load(QString::fromStdString(png)));
    // The main window on the 1280 x 1024 test screen, with the photograph in
    // the left half and the head in the right half drawn.
    QCOMPARE(shot.size(), QSize(832, 458));
    const int middleY = shot.height() / 2;
    QVERIFY(visagen_gui_test::CountDiffering(shot, QRect(shot.width() / 4 - 20, middleY - 20, 40, 40), 230, 12) > 1200);
    QVERIFY(visagen_gui_test::CountDiffering(shot, QRect(3 * shot.width() / 4 - 20, middleY - 20, 40, 40), 230, 12) >
            1200);
}
