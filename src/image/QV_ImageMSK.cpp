// Mask files: the image's grey values, top row first, compressed by zlib at
// level 9 with no header (the reader must know the size).
#include <zlib.h>

#include <string>
#include <vector>

#include "QV_Image.h"

bool QV_Image::SaveMSK(const QV_String& path) const
{
    const size_t pixels = static_cast<size_t>(Rows()) * static_cast<size_t>(Cols());
    std::vector<Bytef> grey(pixels);
    size_t k = 0;
    for (int r = RowHigh(); r >= RowLow(); --r) {
        const QV_Colour* row = Row(r);
        for (int c = 0; c < Cols(); ++c)
            grey[k++] = static_cast<Bytef>((row[c].red + row[c].green + row[c].blue) / 3);
    }
    // 1.01 x size + 12 bytes is not always enough for zlib on tiny inputs;
    // take compressBound when it is larger.
    uLongf capacity = static_cast<uLongf>(1.01 * static_cast<double>(pixels) + 12.0);
    if (compressBound(static_cast<uLong>(pixels)) > capacity) capacity = compressBound(static_cast<uLong>(pixels));
    std::vector<Bytef> packed(capacity);
    uLongf packedLength = capacity;
    const std::string failed = std::string("QV_Image::SaveMSK(), Failed to write to: ") + path.CStr();
    if (compress2(packed.data(), &packedLength, grey.data(), static_cast<uLong>(pixels), 9) != Z_OK) {
        QV_PrintError((failed + "\n").c_str());
        return false;
    }
    QV_File f = QV_OpenFile(path, "wb");
    if (!f) {
        QV_PrintError((std::string("QV_Image::SaveMSK(), Failed to open: ") + path.CStr() + "\n").c_str());
        return false;
    }
    if (!QV_WriteBytes(f.get(), packed.data(), packedLength) || std::fclose(f.release()) != 0) {
        QV_PrintError((failed + "\n").c_str());
        return false;
    }
    return true;
}
