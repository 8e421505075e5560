// Plug-in class names from the run-time type of the plug-in object. The
// target name a plug-in reports (Name()) is shared by several classes, so the
// framing goes by the class itself.
#include "SceneViewPluginClass.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "QV_AvatarPlugin.h"

std::string QV_PluginClassName(const QV_AvatarPlugin* plugin)
{
    if (!plugin) return std::string();
    const char* mangled = typeid(*plugin).name();
    int status = -1;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    if (status != 0 || !demangled) return std::string(mangled);
    return std::string(demangled.get());
}
