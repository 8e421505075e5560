// visagen-author unpack-head IN.qvhead DATADIR: a target's data folder
// written back out from its head model file, to be edited and packed again
// with pack-head.

#include <cstdio>
#include <memory>

#include "Commands.h"
#include "QV_HeadModelFile.h"

int UnpackHeadCommand(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: visagen-author unpack-head IN.qvhead DATADIR\n");
        return 2;
    }
    QV_String error;
    const std::unique_ptr<QV_AvatarPlugin> plugin = LoadHeadModel(QV_String(argv[1]), error);
    if (!plugin) {
        std::fprintf(stderr, "visagen-author unpack-head: cannot read %s %s\n", argv[1], error.CStr());
        return 1;
    }
    QV_String skipped;
    if (!plugin->ExportFiles(QV_String(argv[2]), error, skipped)) {
        std::fprintf(stderr, "visagen-author unpack-head: %s", error.CStr());
        return 1;
    }
    // A head model file does not carry every file of some targets' folders.
    if (!skipped.IsEmpty()) std::fprintf(stderr, "not in the head model file, so not written:\n%s", skipped.CStr());
    std::printf("unpack-head: type %d (%s) from %s into %s\n", plugin->TypeCode(), plugin->Name().CStr(), argv[1],
                argv[2]);
    return 0;
}
