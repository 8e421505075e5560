// Placeholders for subcommands whose source has not landed yet; the real
// definition (in its own file) replaces the weak one at link time. Delete a
// placeholder once its subcommand exists.
#include <cstdio>

#include "Commands.h"

namespace {
int NotAvailable(const char* name)
{
    std::fprintf(stderr, "visagen-author %s: not available yet\n", name);
    return 2;
}
}  // namespace

__attribute__((weak)) int MakeHeadCommand(int, char**) { return NotAvailable("make-head"); }
