#include "TestSupport.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace visagen_test {

std::string Quiet(const std::function<void()>& f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

namespace {

std::vector<std::string> Groups(const std::smatch& m)
{
    std::vector<std::string> out;
    for (const auto& group : m) out.push_back(group.str());
    return out;
}

}  // namespace

std::vector<std::string> Search(const std::string& text, const std::string& pattern)
{
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern)) ? Groups(m) : std::vector<std::string>();
}

std::vector<std::string> Match(const std::string& text, const std::string& pattern)
{
    std::smatch m;
    return std::regex_match(text, m, std::regex(pattern)) ? Groups(m) : std::vector<std::string>();
}

std::vector<std::string> SearchAll(const std::string& text, const std::string& pattern)
{
    std::vector<std::string> out;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1].str());
    return out;
}

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "visagen-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> NpyFile(const std::string& header, const std::vector<unsigned char>& payload)
{
    std::string h = header;
    while ((10 + h.size() + 1) % 16) h += ' ';
    h += '\n';
    std::vector<unsigned char> f;
    for (char c : std::string("\x93NUMPY\x01")) f.push_back(static_cast<unsigned char>(c));
    f.push_back(0);
    f.push_back(static_cast<unsigned char>(h.size() & 255));
    f.push_back(static_cast<unsigned char>(h.size() >> 8));
    for (char c : h) f.push_back(static_cast<unsigned char>(c));
    for (unsigned char c : payload) f.push_back(c);
    return f;
}

void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string ReadFileText(const std::string& path)
{
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> ReadFileLines(const std::string& path)
{
    std::istringstream in(ReadFileText(path));
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

int RunProgram(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Convert(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{VISAGEN_CONVERT};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv) == 0;
}

void WriteTruncated(const std::string& from, const std::string& to, size_t n)
{
    std::vector<unsigned char> b = ReadFileBytes(from);
    if (b.size() > n) b.resize(n);
    WriteFileBytes(to, b);
}

}  // namespace visagen_test
