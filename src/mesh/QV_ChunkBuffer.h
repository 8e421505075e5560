// QV_ChunkBuffer: builds a little-endian chunk tree in memory (16-bit id,
// 32-bit length counting the 6-byte header, content, sub-chunks), filling in
// each chunk's length when the chunk is ended.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class QV_ChunkBuffer {
public:
    void Begin(uint16_t id)
    {
        U16(id);
        open.push_back(bytes.size());
        U32(0);
    }
    // Ends the innermost open chunk.
    void End()
    {
        const size_t lengthAt = open.back();
        open.pop_back();
        const uint32_t length = static_cast<uint32_t>(bytes.size() - (lengthAt - 2));
        std::memcpy(bytes.data() + lengthAt, &length, sizeof length);
    }

    void U16(uint16_t v) { Raw(&v, sizeof v); }
    void I16(int16_t v) { Raw(&v, sizeof v); }
    void U32(uint32_t v) { Raw(&v, sizeof v); }
    void I32(int32_t v) { Raw(&v, sizeof v); }
    void F32(float v) { Raw(&v, sizeof v); }
    // The characters and a terminating zero byte.
    void Text(const std::string& s) { Raw(s.c_str(), s.size() + 1); }
    void Raw(const void* data, size_t n)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + n);
    }

    const std::vector<unsigned char>& Bytes() const { return bytes; }
    bool Balanced() const { return open.empty(); }

private:
    std::vector<unsigned char> bytes;
    std::vector<size_t> open;  // positions of the length fields of open chunks
};
