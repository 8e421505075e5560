// The settings store as a text file of [key] sections and name=value lines.
#include "SettingsStore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"

namespace {

// A settings file is a few lines; anything far larger is not one.
constexpr size_t kMaxStoreBytes = 1 << 20;
// The value buffer holds 1024 bytes with the terminating NUL.
constexpr size_t kMaxValueLength = 1023;

struct Entry {
    std::string section;
    std::string name;
    std::string value;
};

struct StoreContents {
    std::vector<std::string> sections;
    std::vector<Entry> entries;
};

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Reads and parses the file; 0 or the errno value of the failure.
int ReadStore(const QV_String& path, StoreContents& out)
{
    errno = 0;
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) return errno ? errno : ENOENT;
    std::string text;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
        if (text.size() + n > kMaxStoreBytes) return EFBIG;
        text.append(chunk, n);
    }
    if (std::ferror(f.get())) return EIO;

    std::string section;
    bool inSection = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            inSection = close != std::string::npos;
            if (inSection) {
                section = Trim(line.substr(1, close - 1));
                out.sections.push_back(section);
            }
            continue;
        }
        const auto eq = line.find('=');
        if (!inSection || eq == std::string::npos) continue;
        out.entries.push_back({section, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))});
    }
    return 0;
}

QV_String SystemText(int error) { return QV_String(std::strerror(error)); }

}  // namespace

QV_String SettingsStore::DefaultPath()
{
    const char* override = std::getenv(kPathVariable);
    return QV_String(override && *override ? override : kDefaultPath);
}

SettingsStore::SettingsStore(const QV_String& storePath) : path(storePath) {}

bool SettingsStore::OpenKey(Root, const QV_String& subKey, Access, Key& key, QV_String& message) const
{
    key = Key();
    StoreContents contents;
    const int readError = ReadStore(path, contents);
    // The form with a leading backslash first, then the sub-key as given.
    const QV_String tries[2] = {QV_String("\\") + subKey, subKey};
    int error = readError;
    for (const QV_String& tried : tries) {
        if (readError == 0) {
            error = ENOENT;
            for (const std::string& s : contents.sections) {
                if (SameText(s, tried.Std())) {
                    key.path = path;
                    key.name = QV_String(s);
                    key.open = true;
                    return true;
                }
            }
        }
    }
    message = QV_String("RegOpenKeyEx Error, subKey=") + tries[1] + "\nError msg=" + SystemText(error);
    return false;
}

bool SettingsStore::ReadString(Root root, const QV_String& subKey, const QV_String& valueName, QV_String& out) const
{
    Key key;
    QV_String message;
    if (!OpenKey(root, subKey, kRead, key, message)) {
        out = message;
        return false;
    }
    StoreContents contents;
    int error = ReadStore(key.path, contents);
    const std::string* value = nullptr;
    if (error == 0) {
        for (const Entry& e : contents.entries) {
            if (SameText(e.section, key.name.Std()) && SameText(e.name, valueName.Std())) {
                value = &e.value;
                break;
            }
        }
        if (!value)
            error = ENOENT;
        else if (value->size() > kMaxValueLength)
            error = EOVERFLOW;  // the value does not fit the buffer
    }
    // Closing a file-backed key cannot fail: the file is not held open.
    key.open = false;
    if (error != 0) {
        out = QV_String("RegQueryValueEx Error, subKey=") + subKey + ", name=" + valueName + "\nError msg=" +
              SystemText(error);
        return false;
    }
    out = QV_String(*value);
    return true;
}
