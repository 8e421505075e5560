// SettingsStore: the machine-wide settings store, a text file of keys and
// string values (the program's data directory lives there), read with the
// key-open fallback and the error texts the start-up reports.
#pragma once

#include "QV_String.h"

// The store is a text file:
//   [SOFTWARE\Quorvex]
//   Heddle=/usr/local/share/visagen/data
// Key and value names are compared without regard to ASCII case; lines
// starting with '#' or ';' are comments.
class SettingsStore {
public:
    // The machine-wide file, /etc/visagen/settings.ini, unless the
    // environment variable VISAGEN_SETTINGS names another one.
    static constexpr const char* kDefaultPath = "/etc/visagen/settings.ini";
    static constexpr const char* kPathVariable = "VISAGEN_SETTINGS";
    static QV_String DefaultPath();
    // Where the program's data directory is kept.
    static constexpr const char* kDataDirKey = "SOFTWARE\\Quorvex";
    static constexpr const char* kDataDirValue = "Heddle";

    enum Root { kLocalMachine };
    enum Access { kRead };

    // An opened key: the file's path and the section name that matched.
    struct Key {
        QV_String path;
        QV_String name;
        bool open = false;
    };

    explicit SettingsStore(const QV_String& path = DefaultPath());

    // Tries "\" + subKey first, then subKey as given. On failure: "RegOpenKeyEx
    // Error, subKey=" + the sub-key last tried + "\nError msg=" + the system's
    // text for the error (strerror).
    bool OpenKey(Root root, const QV_String& subKey, Access access, Key& key, QV_String& message) const;
    // Opens the key, reads the value (at most 1023 characters), closes the
    // key. `out` is the value on success and the message on failure
    // ("RegQueryValueEx Error, subKey=..., name=...\nError msg=...").
    bool ReadString(Root root, const QV_String& subKey, const QV_String& valueName, QV_String& out) const;

    const QV_String& Path() const { return path; }

private:
    QV_String path;
};
