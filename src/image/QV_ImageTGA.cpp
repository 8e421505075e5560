// TGA reading (uncompressed true colour, 24 or 32 bits) and 32-bit writing.
#include <cstdint>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Image.h"
#include "QV_ImageCodecUtil.h"
#include "QV_ImageComment.h"

namespace {

constexpr int kHeaderSize = 18;
constexpr int kTrueColour = 2;
// Descriptor bit 5: the first row in the file is the top of the picture.
constexpr int kTopOrigin = 0x20;

void Refuse(const QV_String& path, const char* why)
{
    QV_PrintError(("QV_Image::LoadTGA() Error! : " + path + " " + why + "\n").CStr());
}

}  // namespace

bool QV_Image::LoadTGA(const QV_String& path)
{
    QV_File file = QV_OpenFile(path, "rb");
    if (!file) {
        QV_PrintError(("QV_Image::LoadTGA() Error! : can't open file " + path + "\n").CStr());
        return false;
    }
    std::FILE* f = file.get();
    unsigned char h[kHeaderSize];
    if (!QV_ReadBytes(f, h, sizeof h)) {
        Refuse(path, "is not a TGA file");
        return false;
    }
    const int idLength = h[0];
    const int colourMapType = h[1];
    const int imageType = h[2];
    const int mapLength = QV_GetLE16(h + 5);
    const int mapEntryBits = h[7];
    const int width = QV_GetLE16(h + 12);
    const int height = QV_GetLE16(h + 14);
    const int depth = h[16];
    const bool topDown = (h[17] & kTopOrigin) != 0;
    if (imageType != kTrueColour || (depth != 24 && depth != 32)) {
        Refuse(path, "is not an uncompressed 24 or 32 bit TGA file");
        return false;
    }
    // The ID field, then the colour map when one is announced: its entry
    // count times its entry size rounded up to whole bytes.
    int64_t skip = idLength;
    if (colourMapType != 0) skip += static_cast<int64_t>(mapLength) * ((mapEntryBits + 7) / 8);
    if (!QV_CanHold(f, skip, 1) || std::fseek(f, static_cast<long>(skip), SEEK_CUR) != 0) {
        Refuse(path, "is truncated");
        return false;
    }
    const int bytesPerPixel = depth / 8;
    const int64_t rowBytes = static_cast<int64_t>(width) * bytesPerPixel;
    if (!QV_SaneImageSize(height, width) || !QV_CanHold(f, rowBytes, height)) {
        Refuse(path, "has a bad size or is truncated");
        return false;
    }

    QV_Array2D<QV_Colour>::Resize(0, height - 1, 0, width - 1);
    std::vector<unsigned char> line(static_cast<size_t>(rowBytes));
    for (int k = 0; k < height; ++k) {
        if (!QV_ReadBytes(f, line.data(), line.size())) {
            Refuse(path, "is truncated");
            return false;
        }
        QV_Colour* out = Row(topDown ? height - 1 - k : k);
        const unsigned char* in = line.data();
        for (int c = 0; c < width; ++c, in += bytesPerPixel)
            out[c] = QV_Colour(in[2], in[1], in[0], bytesPerPixel == 4 ? in[3] : 255);
    }
    return true;
}

bool QV_Image::SaveTGA(const QV_String& path) const
{
    // A file with no pixels could not be read back by any reader.
    if (Empty()) {
        QV_PrintError(("QV_Image::SaveTGA() Error! : empty image, nothing written to " + path + "\n").CStr());
        return false;
    }
    if (Cols() > 0xFFFF || Rows() > 0xFFFF) {
        QV_PrintError(("QV_Image::SaveTGA() Error! : image too large for " + path + "\n").CStr());
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(Cols()) * 4;
    std::vector<unsigned char> pixels(rowBytes * static_cast<size_t>(Rows()));
    for (int r = 0; r < Rows(); ++r) {
        const QV_Colour* in = Row(RowLow() + r);
        unsigned char* out = pixels.data() + r * rowBytes;
        for (int c = 0; c < Cols(); ++c, out += 4) {
            out[0] = in[c].blue;
            out[1] = in[c].green;
            out[2] = in[c].red;
            out[3] = in[c].alpha;
        }
    }
    if (!pixels.empty()) QV_EmbedComment(pixels.data(), rowBytes, Comment());

    QV_File file = QV_OpenFile(path, "wb");
    if (!file) {
        QV_PrintSystemError(("QV_Image::SaveTGA() Error! : can't open " + path).CStr());
        return false;
    }
    unsigned char h[kHeaderSize] = {};
    h[2] = kTrueColour;
    QV_PutLE16(h + 12, static_cast<uint32_t>(Cols()));
    QV_PutLE16(h + 14, static_cast<uint32_t>(Rows()));
    h[16] = 32;
    bool ok = QV_WriteBytes(file.get(), h, sizeof h) && QV_WriteBytes(file.get(), pixels.data(), pixels.size()) &&
              std::fflush(file.get()) == 0;
    if (!ok) QV_PrintSystemError(("QV_Image::SaveTGA() Error! : can't write " + path).CStr());
    return ok;
}
