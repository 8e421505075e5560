// Helpers shared by the test programs: a temporary folder that removes itself,
// whole-file reads and writes, running an outside program, and capturing the
// error stream.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace visagen_test {

// Runs f with the error stream captured and returns what it wrote there
// (for calls whose messages are expected and would only clutter the log).
std::string Quiet(const std::function<void()>& f);

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path; }
    // Path of a file in the folder.
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Whether anything (file, folder, link target) is at the path.
bool Exists(const std::string& path);
std::vector<unsigned char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void WriteFileText(const std::string& path, const std::string& text);
// The whole file as text (empty when it cannot be read).
std::string ReadFileText(const std::string& path);
// The file's lines without their line ends (none when it cannot be read).
std::vector<std::string> ReadFileLines(const std::string& path);

// A NumPy .npy file (version 1.0) with the given header dictionary text and
// payload bytes; the header is padded to the format's 16-byte alignment.
std::vector<unsigned char> NpyFile(const std::string& header, const std::vector<unsigned char>& payload);

// Runs a program with an argument vector (no shell) and returns its exit
// status, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& argv);

// Runs ImageMagick's convert with the given arguments; true on exit status 0.
bool Convert(const std::vector<std::string>& args);

// Regular expressions (ECMAScript), compiled here once rather than in every
// test file that reads a program's text. `Search` gives the first match's
// groups (element 0 the whole match), `Match` the same when the whole text
// matches; both are empty when nothing matches. `SearchAll` gives group 1 of
// every match, in order.
std::vector<std::string> Search(const std::string& text, const std::string& pattern);
std::vector<std::string> Match(const std::string& text, const std::string& pattern);
std::vector<std::string> SearchAll(const std::string& text, const std::string& pattern);

// The first `n` bytes of a file, written to another file (for truncation tables).
void WriteTruncated(const std::string& from, const std::string& to, size_t n);

}  // namespace visagen_test
