// visagen-cli: photograph to head, photograph to annotation, and file
// conversion, without a display.
#include <cstdio>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliOptions.h"
#include "QV_DefaultDataDir.h"
#include "QV_ProcessHeap.h"
#include "RenderCommand.h"

#ifndef VISAGEN_DATA_DIR
#define VISAGEN_DATA_DIR "data"
#endif

int main(int argc, char** argv)
{
    QV_PrepareProcessHeap(kQV_PipelineHeapReserve);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "render") return RunRender({args.begin() + 1, args.end()});
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(args, options, error)) {
        std::fprintf(stderr, "visagen-cli: %s\n\n%s", error.c_str(), CliUsage());
        return kCliUsage;
    }
    switch (options.command) {
    case CliOptions::Command::kHelp:
        std::fputs(CliUsage(), stdout);
        return kCliSuccess;
    case CliOptions::Command::kCreate:
        return RunCreate(options, QV_DefaultDataDir(QV_String(VISAGEN_DATA_DIR)).Std());
    case CliOptions::Command::kFit:
        return RunFit(options, QV_DefaultDataDir(QV_String(VISAGEN_DATA_DIR)).Std());
    case CliOptions::Command::kConvert:
        return RunConvert(options);
    case CliOptions::Command::kNone:
        break;
    }
    std::fputs(CliUsage(), stderr);
    return kCliUsage;
}
