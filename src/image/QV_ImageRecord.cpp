// The image record (version 1, four bounds, a zlib block of RGBA pixels in
// storage order) and the float image record read as a grey image.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "QV_CodecLimits.h"
#include "QV_Image.h"

namespace {

constexpr int32_t kRecordVersion = 1;

// zlib cannot inflate more than about 1032 bytes from one compressed byte;
// the slack covers the header and trailer of tiny streams.
constexpr int64_t kInflateRatio = 1032;
constexpr int64_t kInflateSlack = 1024;

void Fail(const char* why)
{
    QV_PrintError((std::string("QV_Image::Read() Error! : ") + why + "\n").c_str());
}

}  // namespace

bool QV_Image::Write(std::FILE* f) const
{
    if (!f) return false;
    const uLong raw = static_cast<uLong>(Count()) * sizeof(QV_Colour);
    uLongf packedLength = compressBound(raw);
    std::vector<Bytef> packed(packedLength);
    if (compress2(packed.data(), &packedLength, reinterpret_cast<const Bytef*>(Data()), raw, 9) != Z_OK ||
        packedLength > static_cast<uLongf>(INT32_MAX)) {
        QV_PrintError("QV_Image::Write() Error! : can't compress the pixels\n");
        return false;
    }
    const bool ok = QV_WriteI32(f, kRecordVersion) && QV_WriteI32(f, RowLow()) && QV_WriteI32(f, RowHigh()) &&
                    QV_WriteI32(f, ColLow()) && QV_WriteI32(f, ColHigh()) &&
                    QV_WriteI32(f, static_cast<int32_t>(packedLength)) &&
                    QV_WriteBytes(f, packed.data(), packedLength);
    if (!ok) QV_PrintSystemError("QV_Image::Write() Error! : can't write the image record");
    return ok;
}

bool QV_Image::Read(std::FILE* f)
{
    if (!f) return false;
    int32_t version = 0, b[4] = {0, 0, 0, 0}, n = 0;
    if (!QV_ReadI32(f, version)) {
        Fail("short image record");
        return false;
    }
    if (version != kRecordVersion) {
        Fail(("unknown image record version " + std::to_string(version)).c_str());
        return false;
    }
    if (!QV_ReadI32(f, b[0]) || !QV_ReadI32(f, b[1]) || !QV_ReadI32(f, b[2]) || !QV_ReadI32(f, b[3]) ||
        !QV_ReadI32(f, n)) {
        Fail("short image record");
        return false;
    }
    if (n < 0 || !QV_CanHold(f, n, 1)) {
        Fail("compressed block larger than the file");
        return false;
    }
    const int64_t rows = static_cast<int64_t>(b[1]) - b[0] + 1;
    const int64_t cols = static_cast<int64_t>(b[3]) - b[2] + 1;
    const bool empty = rows <= 0 || cols <= 0;
    const int64_t rawBytes = empty ? 0 : rows * cols * static_cast<int64_t>(sizeof(QV_Colour));
    if (!empty && (!QV_PixelCountPlausible(cols, rows, INT64_MAX, 1) ||
                   rawBytes > static_cast<int64_t>(n) * kInflateRatio + kInflateSlack)) {
        Fail("image bounds larger than the compressed block can hold");
        return false;
    }
    std::vector<Bytef> packed(static_cast<size_t>(n));
    if (!QV_ReadBytes(f, packed.data(), packed.size())) {
        Fail("short image record");
        return false;
    }
    if (empty)
        Resize(0, -1, 0, -1);
    else
        Resize(b[0], b[1], b[2], b[3]);
    uLongf produced = static_cast<uLongf>(rawBytes);
    Bytef* target = reinterpret_cast<Bytef*>(Data());
    Bytef spare = 0;
    if (!target) target = &spare;  // empty image: the block must inflate to nothing
    if (uncompress(target, &produced, packed.data(), static_cast<uLong>(n)) != Z_OK ||
        produced != static_cast<uLongf>(rawBytes)) {
        Fail("pixel block does not inflate to the image size");
        return false;
    }
    return true;
}

bool QV_Image::LoadFloatRecord(const QV_String& path)
{
    QV_File f = QV_OpenFile(path, "rb");
    if (!f) {
        QV_PrintError((std::string("QV_Image::LoadFloatRecord() Error! : can't open ") + path.CStr() + "\n").c_str());
        return false;
    }
    // The float array checks its element count against the file before it
    // allocates, and against the four bounds.
    QV_FloatImage values;
    if (!values.Read(f.get()) || values.Empty()) {
        QV_PrintError(
            (std::string("QV_Image::LoadFloatRecord() Error! : bad float image record in ") + path.CStr() + "\n")
                .c_str());
        return false;
    }
    FromFloat(values);
    return true;
}
