// Output folders of the authoring subcommands.
#include "Folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool MakeFolder(const char* command, const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) == 0) return true;
    const int error = errno;
    struct stat st {};
    if (error == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    std::fprintf(stderr, "%s: cannot create the folder %s: %s\n", command, path.c_str(),
                 std::strerror(error == EEXIST ? ENOTDIR : error));
    return false;
}
