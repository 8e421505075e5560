#include "QV_GifLzw.h"

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxWidth = 12;

// Reads codes least significant bit first from a byte buffer.
class BitReader {
public:
    BitReader(const unsigned char* d, size_t n) : data(d), size(n) {}
    bool Read(int width, int& code)
    {
        while (bitCount < width) {
            if (pos >= size) return false;
            bits |= static_cast<uint32_t>(data[pos++]) << bitCount;
            bitCount += 8;
        }
        code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;
        return true;
    }

private:
    const unsigned char* data;
    size_t size;
    size_t pos = 0;
    uint32_t bits = 0;
    int bitCount = 0;
};

}  // namespace

QV_GifLzwDecoder::Result QV_GifLzwDecoder::Decode(const unsigned char* data, size_t size, int minCodeSize,
                                                  size_t maxIndices, std::vector<unsigned char>& out)
{
    if (!ValidMinCodeSize(minCodeSize)) return Result::Corrupt;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;

    // Each table entry is a prefix code plus one byte; first[] keeps the
    // first byte of the whole string and length[] its length.
    std::vector<uint16_t> prefix(kMaxCodes, 0);
    std::vector<unsigned char> suffix(kMaxCodes, 0);
    std::vector<unsigned char> first(kMaxCodes, 0);
    std::vector<uint16_t> length(kMaxCodes, 0);
    for (int k = 0; k < clear; ++k) {
        suffix[k] = static_cast<unsigned char>(k);
        first[k] = static_cast<unsigned char>(k);
        length[k] = 1;
    }
    std::vector<unsigned char> string(kMaxCodes + 1);

    BitReader reader(data, size);
    int width = minCodeSize + 1;
    int next = clear + 2;
    int prev = -1;
    const size_t startSize = out.size();

    for (;;) {
        if (out.size() - startSize >= maxIndices) return Result::Full;
        int code = 0;
        if (!reader.Read(width, code)) return Result::DataEnded;
        if (code == clear) {
            width = minCodeSize + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (code == end) return Result::EndCode;

        int emit = code;
        bool kwkwk = false;
        if (prev < 0) {
            if (code >= clear) return Result::Corrupt;
        } else if (code == next && next < kMaxCodes) {
            // The code being defined right now: prev's string plus its own first byte.
            emit = prev;
            kwkwk = true;
        } else if (code >= next) {
            return Result::Corrupt;
        }

        // Unwind the string of `emit` back to front.
        int len = length[emit];
        int c = emit;
        for (int k = len - 1; k >= 0; --k) {
            string[k] = suffix[c];
            c = prefix[c];
        }
        if (kwkwk) string[len++] = first[prev];

        if (prev >= 0 && next < kMaxCodes) {
            prefix[next] = static_cast<uint16_t>(prev);
            suffix[next] = kwkwk ? first[prev] : first[code];
            first[next] = first[prev];
            length[next] = static_cast<uint16_t>(length[prev] + 1);
            ++next;
            if (next == (1 << width) && width < kMaxWidth) ++width;
        }
        prev = code;

        size_t room = maxIndices - (out.size() - startSize);
        size_t take = static_cast<size_t>(len) < room ? static_cast<size_t>(len) : room;
        out.insert(out.end(), string.begin(), string.begin() + static_cast<std::ptrdiff_t>(take));
    }
}
