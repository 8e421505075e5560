// Helpers for the binary-form tests: building little-endian byte strings and
// writing or reading an object through a file in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "TestSupport.h"

namespace numerics_test {

using Bytes = std::vector<unsigned char>;

inline void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
inline void Put64(Bytes& b, int64_t v)
{
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<unsigned char>(static_cast<uint64_t>(v) >> (8 * i)));
}
inline void PutFloats(Bytes& b, std::initializer_list<float> values)
{
    for (float f : values) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        Put32(b, u);
    }
}
inline Bytes Le32(uint32_t v)
{
    Bytes b;
    Put32(b, v);
    return b;
}

// The bytes obj.Write produces (the write itself must succeed).
template <class Obj>
Bytes WriteObject(const visagen_test::TempDir& dir, const Obj& obj)
{
    std::string path = dir.File("out.bin");
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        EXPECT_TRUE(obj.Write(f.get()));
    }
    return visagen_test::ReadFileBytes(path);
}

// obj.Read on a file holding exactly these bytes.
template <class Obj>
bool ReadObject(const visagen_test::TempDir& dir, const Bytes& bytes, Obj& obj)
{
    std::string path = dir.File("in.bin");
    visagen_test::WriteFileBytes(path, bytes);
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    return obj.Read(f.get());
}

}  // namespace numerics_test
