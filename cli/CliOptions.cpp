// Argument parsing and the usage text of visagen-cli.
#include "CliOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool ParseNumber(const std::string& text, float& out)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v) || v < 0.0 || v > 1.0) return false;
    out = static_cast<float>(v);
    return true;
}

}  // namespace

bool ParsePointPair(const std::string& text, QV_Point2D& a, QV_Point2D& b)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    float v[4];
    if (parts.size() != 4) return false;
    for (int i = 0; i < 4; ++i)
        if (!ParseNumber(parts[static_cast<size_t>(i)], v[i])) return false;
    a = {v[0], v[1]};
    b = {v[2], v[3]};
    return true;
}

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& o, std::string& error)
{
    o = CliOptions();
    if (args.empty()) {
        error = "no command given";
        return false;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        o.command = CliOptions::Command::kHelp;
        return true;
    }
    if (command == "create")
        o.command = CliOptions::Command::kCreate;
    else if (command == "fit")
        o.command = CliOptions::Command::kFit;
    else if (command == "convert")
        o.command = CliOptions::Command::kConvert;
    else {
        error = "unknown command '" + command + "'";
        return false;
    }

    const bool convert = o.command == CliOptions::Command::kConvert;
    const bool create = o.command == CliOptions::Command::kCreate;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        // Switches that take a value.
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = "'" + a + "' needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            o.command = CliOptions::Command::kHelp;
            return true;
        }
        if (convert && !a.empty() && a[0] == '-' && a.size() > 1) {
            error = "convert takes no option '" + a + "'";
            return false;
        }
        std::string text;
        if (a == "-o" || a == "--output") {
            if (!value(o.output)) return false;
        } else if (a == "--data-dir") {
            if (!value(o.dataDir)) return false;
        } else if (a == "--eyes" || a == "--box") {
            if (!value(text)) return false;
            if (!ParsePointPair(text, o.pointA, o.pointB)) {
                error = "'" + a + "' takes X1,Y1,X2,Y2 with each value in 0..1";
                return false;
            }
            (a == "--eyes" ? o.haveEyes : o.haveBox) = true;
        } else if (a == "--verbose" || a == "-v") {
            o.verbose = true;
        } else if (a == "--child") {
            o.child = true;
        } else if (create && a == "--plugin") {
            if (!value(o.plugin)) return false;
        } else if (create && a == "--annotation") {
            if (!value(o.annotation)) return false;
        } else if (create && a == "--save-annotation") {
            if (!value(o.saveAnnotation)) return false;
        } else if (create && a == "--high-res") {
            o.highRes = true;
        } else if (create && a == "--female") {
            o.femaleBody = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option '" + a + "' for " + command;
            return false;
        } else {
            o.inputs.push_back(a);
        }
    }
    if (o.haveEyes && o.haveBox) {
        error = "give either --eyes or --box, not both";
        return false;
    }
    if (!o.annotation.empty() && (o.haveEyes || o.haveBox || o.child)) {
        error = "--annotation skips the search; --eyes, --box and --child do not go with it";
        return false;
    }
    if (convert) {
        if (o.inputs.size() != 2) {
            error = "convert takes an input and an output file";
            return false;
        }
        return true;
    }
    if (o.inputs.size() != 1) {
        error = command + " takes one photograph";
        return false;
    }
    if (o.output.empty()) {
        error = command + " needs an output file (-o)";
        return false;
    }
    return true;
}

const char* CliUsage()
{
    return "Usage:\n"
           "  visagen-cli create PHOTO -o OUT.obj [options]\n"
           "      Finds the face in a photograph, fits the face model and saves the head\n"
           "      made by an avatar plug-in (OUT.obj with its texture as OUT.jpg for the\n"
           "      standard head).\n"
           "  visagen-cli fit PHOTO -o OUT.ana [options]\n"
           "      Fits the face model only and saves the annotation (ana, anb, mma).\n"
           "  visagen-cli convert IN OUT\n"
           "      Converts a mesh (obj, wrl, vrml, stl, 3ds, xml, amx, ...) or an image\n"
           "      (jpg, bmp, png, tif, gif, ppm, pgm, tga, ...); formats by extension.\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE        the file to write\n"
           "  --data-dir DIR           the data directory (Head.qvface, Child.qvface,\n"
           "                           *.qvhead, the external face finder); by default\n"
           "                           the build's data/, else the one named by the\n"
           "                           settings store (/etc/visagen/settings.ini)\n"
           "  --eyes X1,Y1,X2,Y2       the eye centres, normalised: x from the left, y from\n"
           "                           the bottom, the first eye being the one on the left\n"
           "                           of the picture\n"
           "  --box X1,Y1,X2,Y2        two opposite corners of the face box, normalised\n"
           "                           Without --eyes or --box the built-in eye finder runs,\n"
           "                           then the external face finder.\n"
           "  --child                  use the child face model\n"
           "  -v, --verbose            the search's progress messages on the error stream\n"
           "  create only:\n"
           "  --plugin NAME            the avatar plug-in (a head model file's name without\n"
           "                           extension); the first one by default\n"
           "  --annotation FILE        use this annotation and skip the search\n"
           "  --save-annotation FILE   also save the annotation used\n"
           "  --high-res               high-resolution texture\n"
           "  --female                 the female body, for targets that have bodies\n"
           "  -h, --help               this text\n"
           "\n"
           "Messages go to the error stream; the exit status is 0 on success, 1 when a\n"
           "step fails and 2 for wrong arguments.\n";
}
