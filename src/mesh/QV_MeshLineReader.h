// QV_MeshLineReader: reads a text file for the mesh readers in lines of at most
// a fixed length; a longer line comes back in pieces, so no line costs more.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class QV_MeshLineReader {
public:
    QV_MeshLineReader(std::FILE* file, size_t maxLength);

    // The next piece of text into `line`, without its newline and without a
    // carriage return before the newline. `lineEnds` is false when the line
    // is longer than the limit and goes on in the next piece. False at the end
    // of the file when nothing was read.
    bool Next(std::string& line, bool& lineEnds);

    // Whether the stream reported a read error.
    bool Failed() const { return std::ferror(f) != 0; }

private:
    // The next byte without taking it; -1 at the end of the file.
    int Peek();

    std::FILE* f;
    size_t limit;
    std::vector<char> buffer;
    size_t pos = 0;
    size_t end = 0;
};
