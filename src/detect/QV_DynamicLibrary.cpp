// Shared libraries through the POSIX loader (dlopen, dlsym, dlclose).
#include "QV_DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

QV_DynamicLibrary::~QV_DynamicLibrary()
{
    Close();
}

QV_DynamicLibrary::QV_DynamicLibrary(QV_DynamicLibrary&& other) noexcept
    : handle(std::exchange(other.handle, nullptr)), lastError(std::move(other.lastError))
{
}

QV_DynamicLibrary& QV_DynamicLibrary::operator=(QV_DynamicLibrary&& other) noexcept
{
    if (this != &other) {
        Close();
        handle = std::exchange(other.handle, nullptr);
        lastError = std::move(other.lastError);
    }
    return *this;
}

bool QV_DynamicLibrary::Open(const std::string& path)
{
    Close();
    lastError.clear();
    if (path.empty()) {
        lastError = "no library path";
        return false;
    }
    // dlopen searches the library folders for a name without '/': keep the
    // lookup to the path we were given.
    std::string local = path.find('/') == std::string::npos ? "./" + path : path;
    handle = dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        lastError = why ? why : "the library could not be loaded";
        return false;
    }
    return true;
}

void QV_DynamicLibrary::Close()
{
    if (handle) {
        dlclose(handle);
        handle = nullptr;
    }
}

void* QV_DynamicLibrary::Symbol(const char* name) const
{
    if (!handle || !name) return nullptr;
    dlerror();
    return dlsym(handle, name);
}
