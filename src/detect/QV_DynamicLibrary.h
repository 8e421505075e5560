// QV_DynamicLibrary: one shared library opened at run time by path, with its
// exports looked up by name; the library is closed when the object goes.
#pragma once

#include <string>

class QV_DynamicLibrary {
public:
    QV_DynamicLibrary() = default;
    ~QV_DynamicLibrary();
    QV_DynamicLibrary(const QV_DynamicLibrary&) = delete;
    QV_DynamicLibrary& operator=(const QV_DynamicLibrary&) = delete;
    QV_DynamicLibrary(QV_DynamicLibrary&& other) noexcept;
    QV_DynamicLibrary& operator=(QV_DynamicLibrary&& other) noexcept;

    // Opens the library at `path` (closing any library held before), with all
    // its symbols resolved now so that a broken library fails here rather than
    // at its first call. A path without a folder is taken relative to the
    // current folder, never searched for in the system's library folders.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return handle != nullptr; }

    // Address of the export `name`, or null when the library is not open or
    // does not export it.
    void* Symbol(const char* name) const;

    // The loader's description of the last failed Open (empty after success).
    const std::string& LastError() const { return lastError; }

private:
    void* handle = nullptr;
    std::string lastError;
};
