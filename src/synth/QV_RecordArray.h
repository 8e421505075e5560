// QV_RecordArray<T>: a bounds-carrying array of fixed-size records in the
// array file form (count, low and high as 64-bit integers, then the elements),
// for element types that QV_Array cannot store directly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "QV_BinaryIO.h"

template <class T>
class QV_RecordArray {
public:
    std::vector<T> items;
    // Bounds kept as read so that a rewrite is byte-identical (an empty array
    // may carry any bounds whose span is not positive).
    int low = 0;
    int emptyHigh = -1;

    int Size() const { return static_cast<int>(items.size()); }
    int High() const { return low + Size() - 1; }

    // T provides static constexpr int64_t kBytes, bool Read(FILE*), bool Write(FILE*) const,
    // and static constexpr bool kSameInMemory: true when its fields, in
    // declaration order and without padding, are exactly its file form, so
    // that a whole array is read and written in one call (the texture
    // samplers hold hundreds of thousands of records).
    // The count must be high - low + 1 (0 for an empty array) and the stream must
    // still hold that many records before anything is allocated.
    bool Read(std::FILE* f)
    {
        int64_t n = 0, lo = 0, hi = 0;
        if (!QV_ReadI64(f, n) || !QV_ReadI64(f, lo) || !QV_ReadI64(f, hi)) return false;
        if (lo < INT32_MIN || lo > INT32_MAX || hi < INT32_MIN || hi > INT32_MAX) return false;
        const int64_t span = hi - lo + 1;
        if (n < 0 || n > INT32_MAX || n != (span > 0 ? span : 0)) return false;
        if (!QV_CanHold(f, n, T::kBytes)) return false;
        std::vector<T> read(static_cast<size_t>(n));
        if constexpr (kBulk) {
            if (!QV_ReadBytes(f, read.data(), read.size() * sizeof(T))) return false;
        } else {
            for (T& t : read)
                if (!t.Read(f)) return false;
        }
        items.swap(read);
        low = static_cast<int>(lo);
        emptyHigh = static_cast<int>(hi);
        return true;
    }

    bool Write(std::FILE* f) const
    {
        const int64_t n = Size();
        int64_t hi = static_cast<int64_t>(low) + n - 1;
        if (n == 0 && emptyHigh < low) hi = emptyHigh;
        if (!QV_WriteI64(f, n) || !QV_WriteI64(f, low) || !QV_WriteI64(f, hi)) return false;
        if constexpr (kBulk) return QV_WriteBytes(f, items.data(), items.size() * sizeof(T));
        for (const T& t : items)
            if (!t.Write(f)) return false;
        return true;
    }

private:
    static constexpr bool kBulk = T::kSameInMemory;
    static_assert(!kBulk || (std::is_trivially_copyable_v<T> && sizeof(T) == T::kBytes),
                  "a record read in bulk must be plain data exactly its file size");
};
