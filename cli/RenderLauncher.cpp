// visagen-cli render hands over to the visagen-render program beside it, so
// that the software OpenGL libraries are loaded only by the runs that draw
// and the other commands start fast.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "RenderCommand.h"

namespace {

// The folder of the running program, from /proc/self/exe; empty when unknown.
std::string ProgramFolder()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return std::string();
    const std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

}  // namespace

int RunRender(const std::vector<std::string>& args)
{
    const std::string folder = ProgramFolder();
    const std::string helper = (folder.empty() ? std::string(".") : folder) + "/visagen-render";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(helper.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv(helper.c_str(), argv.data());
    std::fprintf(stderr, "visagen-cli render: cannot run %s: %s\n", helper.c_str(), std::strerror(errno));
    return kCliFailure;
}
