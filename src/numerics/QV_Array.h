// QV_Array<T>: a contiguous array whose valid indices run from a lower to an
// upper bound chosen by its owner (0-based or 1-based); a value type.
#pragma once

#include <cstdint>
#include <cstdio>
#include <new>
#include <ostream>
#include <type_traits>
#include <utility>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_LargeBuffer.h"

template <class T>
class QV_Array {
public:
    QV_Array() = default;
    explicit QV_Array(int n) { Resize(n); }
    QV_Array(int low, int high) { Resize(low, high); }
    // A copy follows assignment (range 0..count-1); a move keeps the bounds.
    QV_Array(const QV_Array& other) { *this = other; }
    QV_Array(QV_Array&& other) noexcept { Swap(other); }
    ~QV_Array() { Release(); }

    // The target takes the source's element count with range 0..count-1.
    QV_Array& operator=(const QV_Array& other)
    {
        if (this == &other) return *this;
        if (count != other.count) {
            Resize(0, other.count - 1);
        } else {
            low = 0;
            high = count - 1;
        }
        for (int i = 0; i < count; ++i) data[i] = other.data[i];
        return *this;
    }
    QV_Array& operator=(QV_Array&& other) noexcept
    {
        if (this != &other) {
            QV_Array empty;
            Swap(empty);
            Swap(other);
            low = 0;
            high = count - 1;
        }
        return *this;
    }

    void Swap(QV_Array& other) noexcept
    {
        std::swap(data, other.data);
        std::swap(count, other.count);
        std::swap(low, other.low);
        std::swap(high, other.high);
    }

    // Makes the valid range low..high. An unchanged element count only moves
    // the bounds and keeps the contents; otherwise the storage is replaced.
    void Resize(int newLow, int newHigh)
    {
        int64_t n = static_cast<int64_t>(newHigh) - newLow + 1;
        if (n < 0) n = 0;
        if (n == count) {
            low = newLow;
            high = (n == 0) ? newHigh : newLow + static_cast<int>(n) - 1;
            return;
        }
        // The count is a signed 32-bit value: a larger range cannot be held.
        if (n > INT32_MAX) QV_OutOfMemory("QV_Array<T>::Resize(), run out of memory");
        Release();
        if (n > 0) {
            if (IsLarge(n))
                data = static_cast<T*>(QV_AllocateLarge(static_cast<size_t>(n) * sizeof(T)));
            else
                data = new (std::nothrow) T[static_cast<size_t>(n)];
            if (!data) QV_OutOfMemory("QV_Array<T>::Resize(), run out of memory");
        }
        count = static_cast<int>(n);
        low = newLow;
        high = (n == 0) ? newHigh : newLow + count - 1;
    }
    void Resize(int n) { Resize(0, n - 1); }

    T& operator[](int i) { return data[i - low]; }
    const T& operator[](int i) const { return data[i - low]; }

    int Count() const { return count; }
    int Size() const { return count; }
    int Low() const { return low; }
    int High() const { return high; }
    bool Empty() const { return count == 0; }

    // Pointer to element Low() (null when empty).
    T* Data() { return data; }
    const T* Data() const { return data; }
    T* begin() { return data; }
    T* end() { return data + count; }
    const T* begin() const { return data; }
    const T* end() const { return data + count; }

    void Fill(const T& v)
    {
        for (int i = 0; i < count; ++i) data[i] = v;
    }

    // Binary form: count, low and high as 64-bit integers, then the elements.
    // Reading fails, leaving the array unchanged, when the bounds do not fit
    // 32 bits, when the count is not high - low + 1 (0 for an empty array,
    // whatever its bounds), or when the stream does not hold that many elements;
    // nothing is allocated before these checks.
    bool Write(std::FILE* f) const
        requires std::is_arithmetic_v<T>
    {
        if (!QV_WriteI64(f, count) || !QV_WriteI64(f, low) || !QV_WriteI64(f, high)) return false;
        return QV_WriteBytes(f, data, sizeof(T) * static_cast<size_t>(count));
    }
    bool Read(std::FILE* f)
        requires std::is_arithmetic_v<T>
    {
        int64_t n = 0, lo = 0, hi = 0;
        if (!QV_ReadI64(f, n) || !QV_ReadI64(f, lo) || !QV_ReadI64(f, hi)) return false;
        if (lo < INT32_MIN || lo > INT32_MAX || hi < INT32_MIN || hi > INT32_MAX) return false;
        const int64_t span = hi - lo + 1;
        if (n < 0 || n > INT32_MAX || n != (span > 0 ? span : 0)) return false;
        if (!QV_CanHold(f, n, sizeof(T))) return false;
        QV_Array read;
        read.Resize(static_cast<int>(lo), static_cast<int>(hi));
        if (!QV_ReadBytes(f, read.data, sizeof(T) * static_cast<size_t>(read.count))) return false;
        Swap(read);
        return true;
    }

private:
    // Large arrays of plain numbers come from the large-buffer storage; the
    // element count decides, so storage and count always travel together.
    static bool IsLarge(int64_t n) { return std::is_arithmetic_v<T> && n * sizeof(T) >= kQV_LargeBufferBytes; }
    void Release()
    {
        if (IsLarge(count))
            QV_FreeLarge(data);
        else
            delete[] data;
        data = nullptr;
        count = 0;
    }

    T* data = nullptr;
    int count = 0;
    int low = 0;
    int high = -1;
};

// Text form: " QV_Array( low high )" then each element as a float, then a newline.
template <class T>
std::ostream& operator<<(std::ostream& os, const QV_Array<T>& a)
{
    os << " QV_Array( " << a.Low() << " " << a.High() << " )";
    for (int i = a.Low(); i <= a.High(); ++i) os << " " << static_cast<float>(a[i]);
    os << "\n";
    return os;
}
