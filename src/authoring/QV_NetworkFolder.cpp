// Reads back the detector networks a training run wrote to a folder.
#include "QV_NetworkFolder.h"

#include <cstdio>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_NetworkTrainerLayouts.h"

namespace {

// A network text is a few hundred kilobytes; anything far larger is not one.
constexpr long kMaxNetworkBytes = 16L << 20;

bool ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    if (!f) {
        QV_PrintSystemError(("QV_LoadNetworkFolder() Error! : cannot open " + path).c_str());
        return false;
    }
    const int64_t size = QV_BytesLeft(f.get());
    if (size < 0 || size > kMaxNetworkBytes) {
        QV_PrintError(("QV_LoadNetworkFolder() Error! : " + path + " is unreadable or too large\n").c_str());
        return false;
    }
    std::string text(static_cast<size_t>(size), '\0');
    if (!QV_ReadBytes(f.get(), text.data(), text.size())) {
        QV_PrintError(("QV_LoadNetworkFolder() Error! : cannot read " + path + "\n").c_str());
        return false;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.emplace_back(text, start, stop - start);
        start = end + 1;
    }
    return true;
}

}  // namespace

bool QV_LoadNetworkFolder(const std::string& dir, QV_FaceDetector& detector)
{
    QV_NetworkText texts[4];
    for (int i = 0; i < 4; ++i) {
        const std::string base = dir + "/" + QV_DetectorLayout(i).name;
        if (!ReadLines(base + ".structure.txt", texts[i].structure) ||
            !ReadLines(base + ".weights.txt", texts[i].weights))
            return false;
    }
    return detector.LoadNetworks(texts);
}
