// QV_List<T>: an ordered list that grows one fixed-size block at a time and
// never moves an element once created, so pointers to elements stay valid.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Point.h"

// The plain records a list can store in its binary form: an index as one
// signed 32-bit integer, a 2D point as x, y and a 3D point as x, y, z (floats).
template <class T>
struct QV_ListRecord {
    static constexpr bool supported = false;
};
template <>
struct QV_ListRecord<int> {
    static constexpr bool supported = true;
    static constexpr int64_t bytes = 4;
    static bool Read(std::FILE* f, int& v)
    {
        int32_t x = 0;
        if (!QV_ReadI32(f, x)) return false;
        v = x;
        return true;
    }
    static bool Write(std::FILE* f, int v) { return QV_WriteI32(f, v); }
};
template <>
struct QV_ListRecord<QV_Point2D> {
    static constexpr bool supported = true;
    static constexpr int64_t bytes = 8;
    static bool Read(std::FILE* f, QV_Point2D& p)
    {
        float c[2];
        if (!QV_ReadBytes(f, c, sizeof c)) return false;
        p.x = c[0];
        p.y = c[1];
        return true;
    }
    static bool Write(std::FILE* f, const QV_Point2D& p)
    {
        const float c[2] = {p.x, p.y};
        return QV_WriteBytes(f, c, sizeof c);
    }
};
template <>
struct QV_ListRecord<QV_Point3D> {
    static constexpr bool supported = true;
    static constexpr int64_t bytes = 12;
    static bool Read(std::FILE* f, QV_Point3D& p)
    {
        float c[3];
        if (!QV_ReadBytes(f, c, sizeof c)) return false;
        p.x = c[0];
        p.y = c[1];
        p.z = c[2];
        return true;
    }
    static bool Write(std::FILE* f, const QV_Point3D& p)
    {
        const float c[3] = {p.x, p.y, p.z};
        return QV_WriteBytes(f, c, sizeof c);
    }
};

template <class T>
class QV_List {
public:
    // A block size of 0 would never make room for an element; it is taken as 1.
    explicit QV_List(unsigned newBlockSize = 10) : blockSize(newBlockSize ? newBlockSize : 1) {}
    QV_List(const QV_List& other) : blockSize(other.blockSize) { CopyFrom(other); }
    QV_List(QV_List&& other) noexcept : blockSize(other.blockSize) { Swap(other); }
    ~QV_List() = default;

    // The copy holds all elements in one block: its block size becomes the
    // source's element count (the source's block size when it is empty).
    QV_List& operator=(const QV_List& other)
    {
        if (this != &other) CopyFrom(other);
        return *this;
    }
    QV_List& operator=(QV_List&& other) noexcept
    {
        if (this != &other) {
            Clear();
            Swap(other);
        }
        return *this;
    }

    void Swap(QV_List& other) noexcept
    {
        std::swap(count, other.count);
        std::swap(blockSize, other.blockSize);
        std::swap(blockCount, other.blockCount);
        std::swap(capacity, other.capacity);
        index.swap(other.index);
        blocks.swap(other.blocks);
    }

    // Adds one element at the end; when the list is full one more block of
    // blockSize default-constructed elements is added first.
    void Append(const T& value)
    {
        if (capacity < count + 1) AddBlock();
        ++count;
        *index[count - 1] = value;
    }

    T& operator[](int i) { return *index[static_cast<size_t>(i)]; }
    const T& operator[](int i) const { return *index[static_cast<size_t>(i)]; }
    T& At(int i) { return *index[static_cast<size_t>(i)]; }
    const T& At(int i) const { return *index[static_cast<size_t>(i)]; }

    // Destroys every element and frees all blocks; the block size is kept.
    void Clear()
    {
        index.clear();
        index.shrink_to_fit();
        blocks.clear();
        blocks.shrink_to_fit();
        count = 0;
        blockCount = 0;
        capacity = 0;
    }

    unsigned Size() const { return count; }
    bool Empty() const { return count == 0; }
    unsigned BlockSize() const { return blockSize; }
    unsigned BlockCount() const { return blockCount; }
    unsigned Capacity() const { return capacity; }

    // Index of the first element equal to value, -1 if there is none.
    int Find(const T& value) const
    {
        for (unsigned i = 0; i < count; ++i)
            if (*index[i] == value) return static_cast<int>(i);
        return -1;
    }

    // n = 0 does nothing. A list without blocks takes n as its block size; a
    // list that owns blocks is rebuilt as a copy, which leaves all of its
    // elements in one block with the block size equal to the element count.
    void SetBlockSize(unsigned n)
    {
        if (n == 0) return;
        if (blockCount == 0) {
            blockSize = n;
            return;
        }
        QV_List copy(*this);
        Clear();
        Swap(copy);
    }

    // Binary form: the element count as a 32-bit integer, then each element's
    // values. A count larger than the stream can still hold fails the read
    // before anything is allocated. A short read of a point clears the list.
    bool Read(std::FILE* f)
        requires QV_ListRecord<T>::supported
    {
        Clear();
        uint32_t n = 0;
        if (!QV_ReadU32(f, n)) return false;
        if (!QV_CanHold(f, n, QV_ListRecord<T>::bytes)) return false;
        if (n != 0) blockSize = n;
        if constexpr (std::is_same_v<T, int>) {
            for (uint32_t i = 0; i < n; ++i) {
                int v = 0;
                if (!QV_ListRecord<T>::Read(f, v)) return false;
                Append(v);
            }
        } else {
            for (uint32_t i = 0; i < n; ++i) Append(T());
            for (uint32_t i = 0; i < n; ++i) {
                if (!QV_ListRecord<T>::Read(f, *index[i])) {
                    Clear();
                    return false;
                }
            }
        }
        return true;
    }

    // Fails when the count or any element cannot be written.
    bool Write(std::FILE* f) const
        requires QV_ListRecord<T>::supported
    {
        if (!QV_WriteU32(f, count)) return false;
        for (unsigned i = 0; i < count; ++i)
            if (!QV_ListRecord<T>::Write(f, *index[i])) return false;
        return true;
    }

private:
    void AddBlock()
    {
        blocks.push_back(std::make_unique<T[]>(blockSize));
        ++blockCount;
        capacity = blockCount * blockSize;
        T* block = blocks.back().get();
        // The slot index grows geometrically: reserving exactly one more block
        // each time would copy the whole index on every block, quadratic in
        // the length of a long list.
        if (index.capacity() < capacity) index.reserve(std::max<size_t>(capacity, 2 * index.capacity()));
        for (unsigned j = 0; j < blockSize; ++j) index.push_back(block + j);
    }

    void CopyFrom(const QV_List& other)
    {
        Clear();
        blockSize = other.count != 0 ? other.count : other.blockSize;
        for (unsigned i = 0; i < other.count; ++i) Append(*other.index[i]);
    }

    unsigned count = 0;
    unsigned blockSize = 10;
    unsigned blockCount = 0;
    unsigned capacity = 0;
    std::vector<T*> index;                   // one entry per element slot
    std::vector<std::unique_ptr<T[]>> blocks;  // one allocation per block
};
