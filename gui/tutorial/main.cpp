// visagen-tutorial: turns the tutorial's text source into the PDF document
// the desktop program's Tutorial command opens.
//   visagen-tutorial SOURCE.txt OUTPUT.pdf
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include "TutorialDocument.h"
#include "TutorialMarkup.h"

namespace {

// The longest source read; the tutorial is a few pages of text.
constexpr qint64 kMaxSourceBytes = 1 << 20;

int Fail(const std::string& message)
{
    std::fprintf(stderr, "visagen-tutorial: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: visagen-tutorial SOURCE.txt OUTPUT.pdf\n");
        return 2;
    }
    // Fonts and pictures need a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);

    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QString outputPath = QString::fromLocal8Bit(argv[2]);
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) return Fail("cannot read " + std::string(argv[1]) + ": " +
                                                       source.errorString().toStdString());
    if (source.size() > kMaxSourceBytes) return Fail(std::string(argv[1]) + " is larger than 1 MB");
    const QByteArray text = source.read(kMaxSourceBytes + 1);
    if (text.size() > kMaxSourceBytes) return Fail(std::string(argv[1]) + " is larger than 1 MB");

    std::vector<TutorialBlock> blocks;
    std::string error;
    if (!ParseTutorialMarkup(text.toStdString(), blocks, error)) return Fail(std::string(argv[1]) + ", " + error);
    if (blocks.empty()) return Fail(std::string(argv[1]) + " has no text");

    QTextDocument document;
    if (!BuildTutorialDocument(blocks, document, error)) return Fail(std::string(argv[1]) + ", " + error);
    if (!WriteTutorialPdf(document, QStringLiteral("Heddle Instructions"), outputPath, error)) return Fail(error);
    return 0;
}
