// CliOptions: the command and switches of one visagen-cli run, parsed from
// the argument vector, with the usage text.
#pragma once

#include <string>
#include <vector>

#include "QV_Point.h"

struct CliOptions {
    enum class Command { kNone, kHelp, kCreate, kFit, kConvert };

    Command command = Command::kNone;
    std::vector<std::string> inputs;  // PHOTO, or IN OUT for convert
    std::string output;               // -o
    std::string dataDir;              // --data-dir; empty: the default
    std::string plugin;               // --plugin
    std::string annotation;           // --annotation
    std::string saveAnnotation;       // --save-annotation
    bool haveEyes = false;            // --eyes
    bool haveBox = false;             // --box
    QV_Point2D pointA, pointB;        // the eyes or the box corners, normalised
    bool highRes = false;
    bool femaleBody = false;          // --female
    bool child = false;
    bool verbose = false;
};

// Fills `options` from argv[1..]; false with a one-line reason in `error`
// when the arguments do not make a valid command.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// Four comma-separated numbers in 0..1 as two points; false for anything else.
bool ParsePointPair(const std::string& text, QV_Point2D& a, QV_Point2D& b);

// The text --help prints.
const char* CliUsage();
