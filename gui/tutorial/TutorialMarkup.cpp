#include "TutorialMarkup.h"

#include <cctype>

namespace {

std::string Trim(const std::string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
    return s.substr(begin, end - begin);
}

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

std::string LineError(int line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// "[n n ...] text": the icon numbers and the text after the bracket. Icon
// numbers are at most four digits, so no number can overflow.
bool ParseStep(const std::string& line, int lineNumber, TutorialBlock& block, std::string& error)
{
    const size_t close = line.find(']');
    if (close == std::string::npos) {
        error = LineError(lineNumber, "step marker without ']'");
        return false;
    }
    const std::string inside = line.substr(1, close - 1);
    size_t i = 0;
    while (i < inside.size()) {
        if (inside[i] == ' ') {
            ++i;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(inside[i]))) {
            error = LineError(lineNumber, "icon numbers expected in [" + inside + "]");
            return false;
        }
        int value = 0, digits = 0;
        while (i < inside.size() && std::isdigit(static_cast<unsigned char>(inside[i]))) {
            if (++digits > 4) {
                error = LineError(lineNumber, "icon number too long in [" + inside + "]");
                return false;
            }
            value = value * 10 + (inside[i] - '0');
            ++i;
        }
        block.icons.push_back(value);
    }
    if (block.icons.empty()) {
        error = LineError(lineNumber, "step marker without an icon number");
        return false;
    }
    block.kind = TutorialBlock::kStep;
    block.text = Trim(line.substr(close + 1));
    return true;
}

}  // namespace

bool ParseTutorialMarkup(const std::string& source, std::vector<TutorialBlock>& blocks, std::string& error)
{
    blocks.clear();
    bool open = false;  // the last block still takes continuation lines
    int lineNumber = 0;
    size_t pos = 0;
    while (pos <= source.size()) {
        size_t end = source.find('\n', pos);
        if (end == std::string::npos) end = source.size();
        std::string raw = source.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const std::string line = Trim(raw);

        if (StartsWith(line, "//")) continue;
        if (line.empty()) {
            open = false;
            continue;
        }

        TutorialBlock block;
        block.line = lineNumber;
        if (StartsWith(line, "#")) {
            size_t level = 0;
            while (level < line.size() && line[level] == '#') ++level;
            if (level > 3 || level >= line.size() || line[level] != ' ' || Trim(line.substr(level)).empty()) {
                error = LineError(lineNumber, "a heading is one to three '#', a blank and its text");
                return false;
            }
            block.kind = level == 1 ? TutorialBlock::kTitle
                         : level == 2 ? TutorialBlock::kHeading
                                      : TutorialBlock::kSubheading;
            block.text = Trim(line.substr(level));
            blocks.push_back(block);
            open = false;  // a heading is one line
            continue;
        }
        if (line == "[bar]") {
            block.kind = TutorialBlock::kControlBar;
            blocks.push_back(block);
            open = false;
            continue;
        }
        if (StartsWith(line, "[")) {
            if (!ParseStep(line, lineNumber, block, error)) return false;
            blocks.push_back(block);
            open = true;
            continue;
        }
        if (StartsWith(line, "- ")) {
            block.kind = TutorialBlock::kListItem;
            block.text = Trim(line.substr(2));
            blocks.push_back(block);
            open = true;
            continue;
        }
        if (open) {
            std::string& text = blocks.back().text;
            text += text.empty() ? line : " " + line;
            continue;
        }
        block.kind = TutorialBlock::kParagraph;
        block.text = line;
        blocks.push_back(block);
        open = true;
    }
    return true;
}
