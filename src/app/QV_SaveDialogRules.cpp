// Parsing of "|" filters, the save dialog's extension rule and the conversion
// to the ";;" filter form.
#include "QV_SaveDialogRules.h"

namespace {

std::vector<std::string> SplitOn(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const std::string::size_type at = text.find(separator, start);
        if (at == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::string Trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// Whether the name after its last folder separator has a '.'.
bool HasExtension(const std::string& path)
{
    const auto separator = path.find_last_of("\\/");
    const auto dot = path.find_last_of('.');
    return dot != std::string::npos && (separator == std::string::npos || dot > separator);
}

}  // namespace

std::vector<QV_FilterEntry> QV_ParseFilter(const QV_String& filter)
{
    std::vector<QV_FilterEntry> entries;
    const std::vector<std::string> fields = SplitOn(filter.Std(), '|');
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty() || fields[i + 1].empty()) break;
        entries.push_back({QV_String(fields[i]), QV_String(fields[i + 1])});
    }
    return entries;
}

QV_String QV_FilterExtension(const QV_String& filter, int filterIndex)
{
    const std::vector<QV_FilterEntry> entries = QV_ParseFilter(filter);
    if (filterIndex < 1 || filterIndex > static_cast<int>(entries.size())) return QV_String();
    const std::string first = Trimmed(SplitOn(entries[static_cast<size_t>(filterIndex - 1)].pattern.Std(), ';')[0]);
    if (first.size() < 3 || first.compare(0, 2, "*.") != 0) return QV_String();
    const std::string ext = first.substr(2);
    // Only a plain extension is appended; wildcards name none.
    if (ext.find_first_of("*?") != std::string::npos) return QV_String();
    return QV_String(ext);
}

QV_String QV_ApplySaveExtension(const QV_String& typedPath, const QV_String& filter, int filterIndex)
{
    if (HasExtension(typedPath.Std())) return typedPath;
    const QV_String ext = QV_FilterExtension(filter, filterIndex);
    if (ext.IsEmpty()) return typedPath;
    return typedPath + "." + ext;
}

std::vector<std::string> QV_FilterToDialogEntries(const QV_String& filter)
{
    std::vector<std::string> out;
    for (const QV_FilterEntry& e : QV_ParseFilter(filter)) {
        std::string text = e.text.Std();
        // "Image files (*.jpg;*.bmp)" already lists its patterns in the
        // ";" form; the listing is rebuilt from the pattern field.
        const auto open = text.rfind('(');
        if (open != std::string::npos && !text.empty() && text.back() == ')') text = Trimmed(text.substr(0, open));
        std::string patterns;
        for (const std::string& p : SplitOn(e.pattern.Std(), ';')) {
            const std::string t = Trimmed(p);
            if (t.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += t;
        }
        out.push_back(text + " (" + patterns + ")");
    }
    return out;
}

std::string QV_FilterToDialogForm(const QV_String& filter)
{
    std::string joined;
    for (const std::string& e : QV_FilterToDialogEntries(filter)) {
        if (!joined.empty()) joined += ";;";
        joined += e;
    }
    return joined;
}
