// visagen-author make-head OUTDIR: builds the standard plug-in's template
// head and its data, writes the asset folder OUTDIR/QuorHeadLoadDir and then
// the head model file OUTDIR/Standard.qvhead read back from that folder.

#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "Folders.h"
#include "QV_HeadModelFile.h"
#include "QV_MugShotBuilder.h"

int MakeHeadCommand(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: visagen-author make-head OUTDIR\n");
        return 2;
    }
    std::string out = argv[1];
    while (out.size() > 1 && (out.back() == '/' || out.back() == '\\')) out.pop_back();
    const std::string assets = out + "/QuorHeadLoadDir";
    const char* command = "visagen-author make-head";
    if (!MakeFolder(command, out) || !MakeFolder(command, assets)) return 1;

    QV_TemplateHeadData data;
    if (!QV_BuildTemplateHeadData(data) || !QV_SaveTemplateHeadData(data, QV_String(assets.c_str()))) return 1;

    // The factory sets the type code that the head file starts with.
    const std::unique_ptr<QV_AvatarPlugin> plugin = QV_CreatePlugin(0);
    QV_String error;
    if (!plugin || !plugin->LoadDataDirectory(QV_String(out.c_str()), error)) {
        std::fprintf(stderr, "visagen-author make-head: %s\n", error.CStr());
        return 1;
    }
    const std::string head = out + "/Standard.qvhead";
    if (!QV_SaveHeadModel(QV_String(head.c_str()), *plugin)) {
        std::fprintf(stderr, "visagen-author make-head: cannot write %s\n", head.c_str());
        return 1;
    }
    std::printf("make-head: %d vertices, %d faces, %d + %d sampler entries; wrote %s and %s\n",
                data.mugshot.templateMesh.VertexCount(), data.mugshot.templateMesh.FaceCount(),
                data.mugshot.sampler.EntryCount(), data.mugshot.samplerHigh.EntryCount(), assets.c_str(), head.c_str());
    return 0;
}
