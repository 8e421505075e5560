// Bounded line reading for the text mesh readers.
#include "QV_MeshLineReader.h"

QV_MeshLineReader::QV_MeshLineReader(std::FILE* file, size_t maxLength)
    : f(file), limit(maxLength ? maxLength : 1), buffer(65536)
{
}

int QV_MeshLineReader::Peek()
{
    if (pos == end) {
        end = std::fread(buffer.data(), 1, buffer.size(), f);
        pos = 0;
        if (end == 0) return -1;
    }
    return static_cast<unsigned char>(buffer[pos]);
}

bool QV_MeshLineReader::Next(std::string& line, bool& lineEnds)
{
    line.clear();
    lineEnds = true;
    int c = Peek();
    if (c < 0) return false;
    for (;;) {
        if (c < 0) break;
        if (c == '\n') {
            ++pos;
            break;
        }
        if (line.size() == limit) {
            lineEnds = false;
            break;
        }
        line += static_cast<char>(c);
        ++pos;
        c = Peek();
    }
    if (lineEnds && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}
