// visagen-author pack-head TYPE DATADIR OUT: the head model file of any
// avatar target, from the files of its data directory. The plug-in of that
// type reads its fixed file list from DATADIR (its own subfolder) and the
// result is written behind its type code, so that the program offers it.

#include <cstdio>
#include <memory>

#include "Commands.h"
#include "QV_HeadModelFile.h"
#include "WholeNumbers.h"

int PackHeadCommand(int argc, char** argv)
{
    int type = -1;
    if (argc != 4 || !ParseWholeNumber(argv[1], 0, kQV_HeadTypeCount - 1, type)) {
        std::fprintf(stderr, "usage: visagen-author pack-head TYPE DATADIR OUT.qvhead   (TYPE 0 to %d)\n",
                     kQV_HeadTypeCount - 1);
        return 2;
    }
    const std::unique_ptr<QV_AvatarPlugin> plugin = QV_CreatePlugin(type);
    QV_String error;
    if (!plugin || !plugin->LoadDataDirectory(QV_String(argv[2]), error)) {
        // A head file of incomplete data would be offered as a target that
        // cannot work, so nothing is written.
        std::fprintf(stderr, "visagen-author pack-head: %s", error.CStr());
        return 1;
    }
    if (!QV_SaveHeadModel(QV_String(argv[3]), *plugin)) {
        std::fprintf(stderr, "visagen-author pack-head: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("pack-head: type %d (%s) from %s; wrote %s\n", type, plugin->Name().CStr(), argv[2], argv[3]);
    return 0;
}
