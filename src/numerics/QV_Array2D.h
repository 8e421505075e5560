// QV_Array2D<T>: two-dimensional array with inclusive row and column bounds
// and a table of row pointers; the float instance is the matrix of the
// numeric code, the pixel instance the base of the image.
#pragma once

#include <cstdint>
#include <cstdio>

#include "QV_Array.h"

template <class T>
class QV_Array2D {
public:
    QV_Array2D() = default;
    QV_Array2D(int nRows, int nCols) { Resize(nRows, nCols); }
    QV_Array2D(int rLow, int rHigh, int cLow, int cHigh) { Resize(rLow, rHigh, cLow, cHigh); }
    QV_Array2D(const QV_Array2D& other) { *this = other; }
    QV_Array2D(QV_Array2D&& other) noexcept { Swap(other); }
    virtual ~QV_Array2D() = default;

    QV_Array2D& operator=(const QV_Array2D& other)
    {
        if (this == &other) return *this;
        Resize(other.rowLow, other.rowHigh, other.colLow, other.colHigh);
        for (int i = 0; i < elements.Count(); ++i) elements.Data()[i] = other.elements.Data()[i];
        return *this;
    }
    QV_Array2D& operator=(QV_Array2D&& other) noexcept
    {
        if (this != &other) {
            QV_Array2D empty;
            Swap(empty);
            Swap(other);
        }
        return *this;
    }

    void Swap(QV_Array2D& other) noexcept
    {
        elements.Swap(other.elements);
        rowTable.Swap(other.rowTable);
        std::swap(rows, other.rows);
        std::swap(cols, other.cols);
        std::swap(rowLow, other.rowLow);
        std::swap(rowHigh, other.rowHigh);
        std::swap(colLow, other.colLow);
        std::swap(colHigh, other.colHigh);
    }

    // Nothing happens when the four bounds are unchanged. Otherwise the element
    // storage is resized (contents kept only when the element count is the
    // same) and the row table rebuilt. A size of zero or less empties both.
    void Resize(int rLow, int rHigh, int cLow, int cHigh)
    {
        if (rLow == rowLow && rHigh == rowHigh && cLow == colLow && cHigh == colHigh) return;
        int64_t r = static_cast<int64_t>(rHigh) - rLow + 1;
        int64_t c = static_cast<int64_t>(cHigh) - cLow + 1;
        if (r <= 0 || c <= 0) {
            elements.Resize(0, -1);
            rowTable.Resize(0, -1);
            rows = cols = 0;
            rowLow = colLow = 0;
            rowHigh = colHigh = -1;
            return;
        }
        // r and c each fit 33 bits, so the product is tested only when neither
        // is beyond 32 bits (it cannot overflow then).
        if (r > INT32_MAX || c > INT32_MAX || r * c > INT32_MAX) QV_OutOfMemory("QV_Array<T>::Resize(), run out of memory");
        elements.Resize(0, static_cast<int>(r * c) - 1);
        rows = static_cast<int>(r);
        cols = static_cast<int>(c);
        rowLow = rLow;
        rowHigh = rHigh;
        colLow = cLow;
        colHigh = cHigh;
        RebuildRowTable();
    }
    void Resize(int nRows, int nCols) { Resize(0, nRows - 1, 0, nCols - 1); }

    // Element (i, j) for rowLow <= i <= rowHigh, colLow <= j <= colHigh.
    T& operator()(int i, int j) { return rowTable[i][j - colLow]; }
    const T& operator()(int i, int j) const { return rowTable[i][j - colLow]; }

    // Pointer to the element in column colLow of row i.
    T* Row(int i) { return rowTable[i]; }
    const T* Row(int i) const { return rowTable[i]; }

    int Rows() const { return rows; }
    int Cols() const { return cols; }
    int RowLow() const { return rowLow; }
    int RowHigh() const { return rowHigh; }
    int ColLow() const { return colLow; }
    int ColHigh() const { return colHigh; }
    bool Empty() const { return rows == 0 || cols == 0; }

    // Flat storage, row after row (row rowLow first).
    T* Data() { return elements.Data(); }
    const T* Data() const { return elements.Data(); }
    int Count() const { return elements.Count(); }
    QV_Array<T>& Elements() { return elements; }
    const QV_Array<T>& Elements() const { return elements; }

    void Fill(const T& v) { elements.Fill(v); }

    // Binary form: the four bounds as 32-bit integers, then the element array.
    bool Write(std::FILE* f) const
        requires std::is_arithmetic_v<T>
    {
        return QV_WriteI32(f, rowLow) && QV_WriteI32(f, rowHigh) && QV_WriteI32(f, colLow) &&
               QV_WriteI32(f, colHigh) && elements.Write(f);
    }
    // Fails, leaving the array empty, on a short read or when the element
    // array does not match the bounds.
    bool Read(std::FILE* f)
        requires std::is_arithmetic_v<T>
    {
        int32_t b[4];
        QV_Array<T> e;
        bool ok = QV_ReadI32(f, b[0]) && QV_ReadI32(f, b[1]) && QV_ReadI32(f, b[2]) &&
                  QV_ReadI32(f, b[3]) && e.Read(f);
        *this = QV_Array2D();
        if (!ok) return false;
        if (e.Count() == 0) return true;
        int64_t r = static_cast<int64_t>(b[1]) - b[0] + 1;
        int64_t c = static_cast<int64_t>(b[3]) - b[2] + 1;
        // Each extent is at most the element count, so the product cannot overflow.
        if (r <= 0 || c <= 0 || r > e.Count() || c > e.Count() || r * c != e.Count()) return false;
        elements.Swap(e);
        rows = static_cast<int>(r);
        cols = static_cast<int>(c);
        rowLow = b[0];
        rowHigh = b[1];
        colLow = b[2];
        colHigh = b[3];
        RebuildRowTable();
        return true;
    }

protected:
    void RebuildRowTable()
    {
        if (rowTable.Count() != rows || rowTable.Low() != rowLow) rowTable.Resize(rowLow, rowHigh);
        for (int i = 0; i < rows; ++i) rowTable[rowLow + i] = elements.Data() + static_cast<size_t>(i) * cols;
    }

private:
    QV_Array<T> elements;
    QV_Array<T*> rowTable;
    int rows = 0;
    int cols = 0;
    int rowLow = 0;
    int rowHigh = -1;
    int colLow = 0;
    int colHigh = -1;
};

using QV_Matrix = QV_Array2D<float>;
using QV_GreyImage = QV_Array2D<unsigned char>;
using QV_FloatImage = QV_Array2D<float>;
