// QV_GifLzwDecoder: the variable-width LZW decoder of GIF image data (code
// width growing from the minimum + 1 up to 12 bits, clear and end codes,
// table reset and deferred clear), turning a code stream into palette indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class QV_GifLzwDecoder {
public:
    enum class Result {
        EndCode,    // the end code was read
        Full,       // maxIndices indices were produced before the end code
        DataEnded,  // the data ran out before the end code
        Corrupt,    // a code that is neither in the table nor the next one
    };

    // True for a minimum code size that a GIF may carry (2..8).
    static bool ValidMinCodeSize(int minCodeSize) { return minCodeSize >= 2 && minCodeSize <= 8; }

    // Decodes `data` (the concatenated sub-block bytes) with the given
    // minimum code size, appending at most maxIndices indices to `out`.
    static Result Decode(const unsigned char* data, size_t size, int minCodeSize, size_t maxIndices,
                         std::vector<unsigned char>& out);
};
