// PCX writing: 8-bit palette indices, run-length encoded rows, and a
// 256-colour palette at the end of the file.
#include <cstdint>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_Image.h"
#include "QV_ImageCodecUtil.h"
#include "QV_ImageComment.h"
#include "QV_OctreeQuantiser.h"

namespace {

constexpr int kMaxRun = 63;

// Run-length encodes one row: a run of n equal bytes (n up to 63) becomes
// 0xC0 | n and the byte, except that a single byte below 0xC0 stands alone.
void EncodeRow(const unsigned char* row, int n, std::vector<unsigned char>& out)
{
    int i = 0;
    while (i < n) {
        const unsigned char v = row[i];
        int run = 1;
        while (i + run < n && run < kMaxRun && row[i + run] == v) ++run;
        if (run == 1 && v < 0xC0) {
            out.push_back(v);
        } else {
            out.push_back(static_cast<unsigned char>(0xC0 | run));
            out.push_back(v);
        }
        i += run;
    }
}

}  // namespace

bool QV_Image::SavePCX(const QV_String& path) const
{
    if (Empty() || Cols() > 0xFFFF || Rows() > 0xFFFF) {
        QV_PrintError(("QV_Image::SavePCX() Error! : image size not possible in a PCX: " + path + "\n").CStr());
        return false;
    }
    // PCX rows run top first: quantise an upside-down copy so that its row 0
    // is the top of the picture.
    QV_Image flipped(Rows(), Cols());
    for (int r = 0; r < Rows(); ++r) {
        const QV_Colour* in = Row(RowHigh() - r);
        QV_Colour* out = flipped.Row(r);
        for (int c = 0; c < Cols(); ++c) out[c] = in[c];
    }
    QV_GreyImage indices;
    QV_Array<QV_Colour> palette;
    if (!QV_OctreeQuantiser::Quantise(flipped, indices, palette) || palette.Count() < 256) {
        QV_PrintError(("QV_Image::SavePCX() Error! : can't build the palette for " + path + "\n").CStr());
        return false;
    }
    QV_EmbedComment(indices.Row(0), static_cast<size_t>(Cols()), Comment());

    // Rows hold an even number of bytes; an odd width gets one padding index 0.
    const int lineBytes = Cols() + (Cols() & 1);
    unsigned char h[128] = {};
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = 8;
    // The picture is Cols() wide; the padding byte is not part of it.
    QV_PutLE16(h + 8, static_cast<uint32_t>(Cols() - 1));
    QV_PutLE16(h + 10, static_cast<uint32_t>(Rows() - 1));
    QV_PutLE16(h + 12, 800);
    QV_PutLE16(h + 14, 640);
    h[65] = 1;
    QV_PutLE16(h + 66, static_cast<uint32_t>(lineBytes));
    QV_PutLE16(h + 68, 1);

    std::vector<unsigned char> out(h, h + sizeof h);
    std::vector<unsigned char> line(static_cast<size_t>(lineBytes), 0);
    for (int r = 0; r < Rows(); ++r) {
        const unsigned char* in = indices.Row(r);
        for (int c = 0; c < Cols(); ++c) line[c] = in[c];
        EncodeRow(line.data(), lineBytes, out);
    }
    out.push_back(12);
    for (int k = 0; k < 256; ++k) {
        const QV_Colour& c = palette[palette.Low() + k];
        out.push_back(c.red);
        out.push_back(c.green);
        out.push_back(c.blue);
    }

    QV_File file = QV_OpenFile(path, "wb");
    if (!file) {
        QV_PrintSystemError(("QV_Image::SavePCX() Error! : can't open " + path).CStr());
        return false;
    }
    const bool ok = QV_WriteBytes(file.get(), out.data(), out.size()) && std::fflush(file.get()) == 0;
    if (!ok) QV_PrintSystemError(("QV_Image::SavePCX() Error! : can't write " + path).CStr());
    return ok;
}
