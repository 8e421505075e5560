// visagen-cli render MESH -o PNG: the front view goes to PNG and the
// three-quarter view beside it, with "-3q" before the extension.
#include "RenderCommand.h"

#include <cstdio>
#include <cstdlib>

#include "CliCommands.h"
#include "QV_MeshPreview.h"
#include "QV_Pipeline.h"

namespace {

const char* kRenderUsage =
    "usage: visagen-cli render MESH -o PNG [--size PIXELS] [--turn DEGREES]\n"
    "  Draws MESH (any mesh form visagen-cli reads, with its texture) without a display:\n"
    "  the front view into PNG and the three-quarter view into PNG with \"-3q\" before\n"
    "  the extension (out/avatar.png and out/avatar-3q.png). --size sets the square\n"
    "  picture's side (16..4096, default 512), --turn the three-quarter turn (default 40).\n";

bool ParseNumber(const std::string& text, double lo, double hi, double& out)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) return false;
    out = v;
    return true;
}

}  // namespace

std::string ThreeQuarterPath(const std::string& frontPath)
{
    const size_t slash = frontPath.find_last_of("/\\");
    const size_t dot = frontPath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return frontPath + "-3q";
    return frontPath.substr(0, dot) + "-3q" + frontPath.substr(dot);
}

int RenderMeshCommand(const std::vector<std::string>& args)
{
    std::string mesh, output;
    QV_MeshPreviewOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        double v = 0;
        if (a == "-h" || a == "--help") {
            std::fputs(kRenderUsage, stdout);
            return kCliSuccess;
        } else if ((a == "-o" || a == "--output") && hasValue) {
            output = args[++i];
        } else if (a == "--size" && hasValue && ParseNumber(args[i + 1], 16, 4096, v)) {
            options.width = options.height = static_cast<int>(v);
            ++i;
        } else if (a == "--turn" && hasValue && ParseNumber(args[i + 1], -90, 90, v)) {
            options.threeQuarterDegrees = static_cast<float>(v);
            ++i;
        } else if (!a.empty() && a[0] != '-' && mesh.empty()) {
            mesh = a;
        } else {
            std::fprintf(stderr, "visagen-cli render: bad argument \"%s\"\n\n%s", a.c_str(), kRenderUsage);
            return kCliUsage;
        }
    }
    if (mesh.empty() || output.empty()) {
        std::fprintf(stderr, "visagen-cli render: MESH and -o PNG are required\n\n%s", kRenderUsage);
        return kCliUsage;
    }

    QV_Mesh head;
    if (!head.Load(QV_String(mesh)) || head.VertexCount() == 0) {
        std::fprintf(stderr, "%s%s\n", QV_Pipeline::kLoadFailed, mesh.c_str());
        return kCliFailure;
    }
    head.EnsureFeature();
    QV_Image front, turned;
    if (!QV_RenderMeshPreviews(head, options, front, turned)) return kCliFailure;
    const std::string turnedPath = ThreeQuarterPath(output);
    for (const auto& [image, path] : {std::pair{&front, output}, {&turned, turnedPath}}) {
        if (!image->SavePNG(QV_String(path))) {
            std::fprintf(stderr, "Failed to save: %s\n", path.c_str());
            return kCliFailure;
        }
    }
    return kCliSuccess;
}
