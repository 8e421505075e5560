// TutorialDocument: lays the tutorial's blocks out as a rich-text document
// with the control-bar icons as its pictures, and writes it as a PDF file.
#pragma once

#include <string>
#include <vector>

#include "TutorialMarkup.h"

class QString;
class QTextDocument;

// The control bar's normal icons, left to right, as the [bar] picture shows them.
extern const int kTutorialBarIcons[17];

// Fills `document` with the blocks (styles, text and the icon pictures as
// its image resources). False, with the fault in `error`, when a step names
// an icon number that has no picture.
bool BuildTutorialDocument(const std::vector<TutorialBlock>& blocks, QTextDocument& document, std::string& error);

// Writes `document` as an A4 PDF file titled `title`, replacing `path` only
// once the whole file is written. False, with the fault in `error`, when the
// file cannot be written.
bool WriteTutorialPdf(QTextDocument& document, const QString& title, const QString& path, std::string& error);
