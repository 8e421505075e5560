#include "TutorialDocument.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include "QV_Icons.h"

const int kTutorialBarIcons[17] = {137, 138, 139, 178, 136, 163, 142, 150, 151, 154, 160, 161, 143, 172, 162, 164, 153};

namespace {

// Pixel size the icons are drawn at; the document shows them smaller, so the
// printed pictures stay sharp.
constexpr int kIconPixels = 96;
// Size the document shows a step's icon at, in its layout units.
constexpr int kIconShown = 30;

QString Escape(const std::string& text)
{
    return QString::fromStdString(text).toHtmlEscaped();
}

// Escaped text with each complete **...** pair in bold; a lone "**" stays as written.
QString Inline(const std::string& text)
{
    QString out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find("**", pos);
        const size_t close = open == std::string::npos ? std::string::npos : text.find("**", open + 2);
        if (close == std::string::npos) {
            out += Escape(text.substr(pos));
            break;
        }
        out += Escape(text.substr(pos, open - pos));
        out += "<b>" + Escape(text.substr(open + 2, close - open - 2)) + "</b>";
        pos = close + 2;
    }
    return out;
}

QUrl IconUrl(int number)
{
    return QUrl(QStringLiteral("icon:%1").arg(number));
}

// The whole control bar in one picture: the normal icons side by side.
QImage ControlBarImage()
{
    const int count = static_cast<int>(std::size(kTutorialBarIcons));
    const int gap = kIconPixels / 8;
    QImage image(count * (kIconPixels + gap) + gap, kIconPixels + 2 * gap, QImage::Format_ARGB32);
    image.fill(QColor(225, 229, 236));
    QPainter painter(&image);
    for (int i = 0; i < count; ++i)
        painter.drawPixmap(gap + i * (kIconPixels + gap), gap, QV_IconPixmap(kTutorialBarIcons[i], kIconPixels));
    return image;
}

const char* const kStyle =
    "body { font-family: sans-serif; font-size: 10pt; color: #202020; }"
    "h1 { font-size: 20pt; color: #1e3c78; margin-bottom: 10px; }"
    "h2 { font-size: 14pt; color: #1e3c78; margin-top: 16px; margin-bottom: 6px; }"
    "h3 { font-size: 11pt; color: #1e3c78; margin-top: 10px; margin-bottom: 4px; }"
    "p { margin-top: 4px; margin-bottom: 4px; }"
    "td.icon { padding-right: 8px; }";

}  // namespace

bool BuildTutorialDocument(const std::vector<TutorialBlock>& blocks, QTextDocument& document, std::string& error)
{
    QString html = QStringLiteral("<html><body>");
    bool inList = false;
    for (const TutorialBlock& block : blocks) {
        if (inList && block.kind != TutorialBlock::kListItem) {
            html += QStringLiteral("</ul>");
            inList = false;
        }
        switch (block.kind) {
        case TutorialBlock::kTitle: html += "<h1>" + Inline(block.text) + "</h1>"; break;
        case TutorialBlock::kHeading: html += "<h2>" + Inline(block.text) + "</h2>"; break;
        case TutorialBlock::kSubheading: html += "<h3>" + Inline(block.text) + "</h3>"; break;
        case TutorialBlock::kParagraph: html += "<p>" + Inline(block.text) + "</p>"; break;
        case TutorialBlock::kListItem:
            if (!inList) html += QStringLiteral("<ul>");
            inList = true;
            html += "<li>" + Inline(block.text) + "</li>";
            break;
        case TutorialBlock::kControlBar: {
            const QImage bar = ControlBarImage();
            document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("visagen:bar")), bar);
            // Shown across the text width: 17 icons of about 26 units each.
            const int shownWidth = 470;
            const int shownHeight = shownWidth * bar.height() / bar.width();
            html += QStringLiteral("<p align=\"center\"><img src=\"visagen:bar\" width=\"%1\" height=\"%2\"></p>")
                        .arg(shownWidth)
                        .arg(shownHeight);
            break;
        }
        case TutorialBlock::kStep: {
            QString icons;
            for (int number : block.icons) {
                const QPixmap pixmap = QV_IconPixmap(number, kIconPixels);
                if (pixmap.isNull()) {
                    error = "line " + std::to_string(block.line) + ": no control-bar icon " + std::to_string(number);
                    return false;
                }
                document.addResource(QTextDocument::ImageResource, IconUrl(number), pixmap.toImage());
                if (!icons.isEmpty()) icons += QStringLiteral("<br>");
                icons += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%2\">")
                             .arg(IconUrl(number).toString())
                             .arg(kIconShown);
            }
            html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" style=\"margin-top: 6px; "
                                   "margin-bottom: 6px;\"><tr><td class=\"icon\" valign=\"top\" width=\"%1\">")
                        .arg(kIconShown + 8) +
                    icons + "</td><td valign=\"top\">" + Inline(block.text) + "</td></tr></table>";
            break;
        }
        }
    }
    if (inList) html += QStringLiteral("</ul>");
    html += QStringLiteral("</body></html>");

    document.setDefaultStyleSheet(QString::fromLatin1(kStyle));
    QFont font(QStringLiteral("sans-serif"));
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    document.setHtml(html);
    return true;
}

bool WriteTutorialPdf(QTextDocument& document, const QString& title, const QString& path, std::string& error)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("visagen-tutorial"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                         QPageLayout::Millimeter));
        document.print(&writer);
    }
    buffer.close();
    if (!buffer.data().startsWith("%PDF-")) {
        error = "the PDF writer produced no document";
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(buffer.data()) != buffer.data().size() || !file.commit()) {
        error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}
