// TutorialMarkup: the blocks of the tutorial's text source (headings,
// paragraphs, list items, steps beside control-bar icons) read from its
// simple line markup.
#pragma once

#include <string>
#include <vector>

struct TutorialBlock {
    enum Kind { kTitle, kHeading, kSubheading, kParagraph, kListItem, kStep, kControlBar };
    Kind kind = kParagraph;
    std::string text;        // the words, lines joined with one blank; **bold** kept as written
    std::vector<int> icons;  // kStep: the icon numbers shown beside the text
    int line = 0;            // where the block starts in the source, from 1
};

// Reads the markup, one block per paragraph (blocks end at a blank line or
// where the next block starts):
//   "# ", "## ", "### "  title, section heading, sub-section heading (one line)
//   "- "                 a list item; following lines continue it
//   "[137 142] "         a step shown beside the listed icon numbers
//   "[bar]"              a picture of the whole control bar (alone on its line)
//   "//"                 a comment line, ignored
// Anything else is paragraph text. False, with the line number and the fault
// in `error`, on a malformed step marker or a heading without text.
bool ParseTutorialMarkup(const std::string& source, std::vector<TutorialBlock>& blocks, std::string& error);
