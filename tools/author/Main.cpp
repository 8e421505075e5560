// visagen-author: builds the trained files of the data directory. One
// subcommand per job; `visagen-author help` lists them.
#include <cstdio>
#include <cstring>

#include "Commands.h"
#include "QV_ProcessHeap.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(int, char**);
    const char* summary;
};

const Subcommand subcommands[] = {
    {"make-head", MakeHeadCommand, "build the standard plug-in's template head and its data"},
    {"pack-head", PackHeadCommand, "write any target's head model file from its data directory"},
    {"unpack-head", UnpackHeadCommand, "write a head model file's data directory back out"},
    {"older-mug", OlderMugCommand, "make an older mugshot (.mug) from a 2D-3D one and its references"},
    {"train-face", TrainFaceCommand, "train the face search model from labelled portraits"},
    {"evaluate", EvaluateCommand, "measure the fitted annotation against held-out labels"},
    {"train-detector", TrainDetectorCommand, "train the face and eye detector networks"},
};

void Usage(std::FILE* out)
{
    std::fprintf(out, "usage: visagen-author <subcommand> [options]\n\nsubcommands:\n");
    for (const Subcommand& s : subcommands) std::fprintf(out, "  %-15s %s\n", s.name, s.summary);
}

}  // namespace

int main(int argc, char** argv)
{
    // The trainers hold hundreds of megabytes of examples and matrices.
    QV_PrepareProcessHeap(std::size_t{512} << 20);
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage(stdout);
        return 0;
    }
    for (const Subcommand& s : subcommands)
        if (std::strcmp(argv[1], s.name) == 0) return s.run(argc - 1, argv + 1);
    std::fprintf(stderr, "visagen-author: unknown subcommand \"%s\"\n", argv[1]);
    Usage(stderr);
    return 2;
}
