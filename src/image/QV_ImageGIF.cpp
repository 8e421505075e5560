// GIF reading (LZW code streams, one image, non-interlaced) and writing (a
// 256-colour palette and a code stream of 9-bit literal codes that needs no
// string table).
#include <cstdint>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Error.h"
#include "QV_GifLzw.h"
#include "QV_Image.h"
#include "QV_ImageCodecUtil.h"
#include "QV_ImageComment.h"
#include "QV_OctreeQuantiser.h"

namespace {

// A code of width w stands for at most 2^w pixels (the longest string its
// table can hold), so a byte of code stream makes at most 8 x 4096 / 12
// pixels, the most at the widest codes.
constexpr int64_t kMaxPixelsPerByte = (8 * 4096 + 11) / 12;

void Fail(const char* text)
{
    QV_PrintError(text);
}

// Reads a colour table of 2^((packed & 7) + 1) entries.
bool ReadColourTable(std::FILE* f, int packed, std::vector<QV_Colour>& table)
{
    const int n = 1 << ((packed & 7) + 1);
    unsigned char raw[256 * 3];
    if (!QV_ReadBytes(f, raw, static_cast<size_t>(n) * 3)) return false;
    table.resize(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) table[k] = QV_Colour(raw[3 * k], raw[3 * k + 1], raw[3 * k + 2], 255);
    return true;
}

// Skips data sub-blocks up to and including the zero-length terminator.
bool SkipSubBlocks(std::FILE* f)
{
    for (;;) {
        const int n = std::fgetc(f);
        if (n == EOF) return false;
        if (n == 0) return true;
        if (std::fseek(f, n, SEEK_CUR) != 0) return false;
    }
}

// Collects data sub-blocks into one buffer, up to the zero-length terminator
// or the end of the file, whichever comes first; whether the data is complete
// is for the decoder to find out.
void ReadSubBlocks(std::FILE* f, std::vector<unsigned char>& data)
{
    unsigned char block[255];
    for (;;) {
        const int n = std::fgetc(f);
        if (n == EOF || n == 0) return;
        const size_t got = std::fread(block, 1, static_cast<size_t>(n), f);
        data.insert(data.end(), block, block + got);
        if (got != static_cast<size_t>(n)) return;
    }
}

// Packs codes least significant bit first.
class BitWriter {
public:
    explicit BitWriter(std::vector<unsigned char>& o) : out(o) {}
    void Put(int code, int width)
    {
        bits |= static_cast<uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            out.push_back(static_cast<unsigned char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    void Finish()
    {
        if (count > 0) out.push_back(static_cast<unsigned char>(bits & 0xFF));
        bits = 0;
        count = 0;
    }

private:
    std::vector<unsigned char>& out;
    uint32_t bits = 0;
    int count = 0;
};

}  // namespace

bool QV_Image::LoadGIF(const QV_String& path)
{
    QV_File file = QV_OpenFile(path, "rb");
    if (!file) {
        QV_PrintSystemError(("QV_Image::LoadGIF() Error! : can't open " + path).CStr());
        return false;
    }
    std::FILE* f = file.get();

    unsigned char sig[6];
    unsigned char screen[7];
    if (!QV_ReadBytes(f, sig, 6) || sig[0] != 'G' || sig[1] != 'I' || sig[2] != 'F' ||
        !QV_ReadBytes(f, screen, 7)) {
        Fail(("QV_Image::LoadGIF(): File Format Error : not a GIF File: " + path + "\n").CStr());
        return false;
    }
    int64_t screenWidth = QV_GetLE16(screen);
    int64_t screenHeight = QV_GetLE16(screen + 2);
    const int screenPacked = screen[4];
    const int background = screen[5];

    std::vector<QV_Colour> globalTable;
    if ((screenPacked & 0x80) && !ReadColourTable(f, screenPacked, globalTable)) {
        Fail("QV_Image::LoadGIF() Error! : - start of image not detected\n");
        return false;
    }

    // Find the image descriptor; extension blocks are skipped whole so that
    // a ',' inside one (a comment, a delay) is not taken for the image.
    for (;;) {
        const int ch = std::fgetc(f);
        if (ch == EOF || ch == ';') {
            Fail("QV_Image::LoadGIF() Error! : - start of image not detected\n");
            return false;
        }
        if (ch == ',') break;
        if (ch == '!') {
            if (std::fgetc(f) == EOF || !SkipSubBlocks(f)) {
                Fail("QV_Image::LoadGIF() Error! : - start of image not detected\n");
                return false;
            }
        }
    }

    unsigned char desc[9];
    if (!QV_ReadBytes(f, desc, 9)) {
        Fail("QV_Image::LoadGIF() Error! - image data truncated\n");
        return false;
    }
    const int64_t left = QV_GetLE16(desc);
    const int64_t top = QV_GetLE16(desc + 2);
    const int64_t frameWidth = QV_GetLE16(desc + 4);
    const int64_t frameHeight = QV_GetLE16(desc + 6);
    const int imagePacked = desc[8];
    if (imagePacked & 0x40) {
        Fail("QV_Image::LoadGIF() Error! : - Gif 89a Interlaced mode not implemented. Change to non-interlaced\n");
        return false;
    }
    std::vector<QV_Colour> localTable;
    if ((imagePacked & 0x80) && !ReadColourTable(f, imagePacked, localTable)) {
        Fail("QV_Image::LoadGIF() Error! - image data truncated\n");
        return false;
    }
    const std::vector<QV_Colour>& palette = (imagePacked & 0x80) ? localTable : globalTable;

    // A screen of zero size takes the extent of the image.
    if (screenWidth == 0 || screenHeight == 0) {
        screenWidth = left + frameWidth;
        screenHeight = top + frameHeight;
    }
    const int minCodeSize = std::fgetc(f);
    const int64_t bytesLeft = QV_BytesLeft(f);
    // No code stream can make more pixels than its codes can expand to.
    const int64_t pixelBound = bytesLeft > INT64_MAX / kMaxPixelsPerByte ? INT64_MAX : bytesLeft * kMaxPixelsPerByte;
    const int64_t framePixels = frameWidth * frameHeight;
    if (!QV_GifLzwDecoder::ValidMinCodeSize(minCodeSize) || !QV_SaneImageSize(screenHeight, screenWidth) ||
        !QV_SaneImageSize(frameHeight, frameWidth) || framePixels > pixelBound ||
        screenWidth * screenHeight > pixelBound) {
        Fail("QV_Image::LoadGIF() Error! - bad image size or code size\n");
        return false;
    }

    std::vector<unsigned char> codes;
    ReadSubBlocks(f, codes);
    // Grows only as far as the data really decodes.
    std::vector<unsigned char> indices;
    const QV_GifLzwDecoder::Result result = QV_GifLzwDecoder::Decode(
        codes.data(), codes.size(), minCodeSize, static_cast<size_t>(framePixels), indices);
    if (result == QV_GifLzwDecoder::Result::Corrupt) {
        Fail("QV_Image::LoadGIF() Error! - corrupt code stream\n");
        return false;
    }
    // Data that ends before every pixel of the image is decoded is a
    // truncated file.
    if (indices.size() < static_cast<size_t>(framePixels)) {
        Fail("QV_Image::LoadGIF() Error! - image data truncated\n");
        return false;
    }

    // Pixels outside the image take the background colour; an index the
    // palette does not hold gives opaque black.
    const QV_Colour black(0, 0, 0, 255);
    const QV_Colour fill =
        static_cast<size_t>(background) < globalTable.size() ? globalTable[static_cast<size_t>(background)] : black;
    const int rows = static_cast<int>(screenHeight);
    const int cols = static_cast<int>(screenWidth);
    QV_Array2D<QV_Colour>::Resize(0, rows - 1, 0, cols - 1);
    Fill(fill);
    bool reported = false;
    for (int64_t y = 0; y < frameHeight; ++y) {
        const int64_t row = top + y;
        if (row >= screenHeight) break;
        QV_Colour* out = Row(rows - 1 - static_cast<int>(row));
        const unsigned char* in = indices.data() + y * frameWidth;
        for (int64_t x = 0; x < frameWidth && left + x < screenWidth; ++x) {
            const unsigned char k = in[x];
            if (k < palette.size()) {
                out[left + x] = palette[k];
            } else {
                out[left + x] = black;
                if (!reported) Fail("QV_Image::LoadGIF() Error! - colour index > colour palette size\n");
                reported = true;
            }
        }
    }

    // Up to the trailer; a file that ends without one is accepted.
    int ch = 0;
    do {
        ch = std::fgetc(f);
    } while (ch != EOF && ch != ';');
    if (ch == ';' && std::fgetc(f) != EOF) {
        Fail("QV_Image::LoadGIF() Error! - end of file not reached\n");
        return false;
    }
    return true;
}

bool QV_Image::SaveGIF(const QV_String& path) const
{
    if (Empty() || Cols() > 0xFFFF || Rows() > 0xFFFF) {
        QV_PrintError(("QV_Image::SaveGIF() Error! : image size not possible in a GIF: " + path + "\n").CStr());
        return false;
    }
    QV_GreyImage indices;
    QV_Array<QV_Colour> palette;
    if (!QV_OctreeQuantiser::Quantise(*this, indices, palette) || palette.Count() < 256) {
        QV_PrintError(("QV_Image::SaveGIF() Error! : can't build the palette for " + path + "\n").CStr());
        return false;
    }
    QV_EmbedComment(indices.Row(indices.RowLow()), static_cast<size_t>(indices.Cols()), Comment());

    std::vector<unsigned char> out;
    out.reserve(13 + 768 + 11 + static_cast<size_t>(Rows()) * Cols() * 9 / 8 + 64);
    const unsigned char head[6] = {'G', 'I', 'F', '8', '9', 'a'};
    out.insert(out.end(), head, head + 6);
    unsigned char screen[7] = {};
    QV_PutLE16(screen, static_cast<uint32_t>(Cols()));
    QV_PutLE16(screen + 2, static_cast<uint32_t>(Rows()));
    screen[4] = 0xF7;
    out.insert(out.end(), screen, screen + 7);
    for (int k = 0; k < 256; ++k) {
        const QV_Colour& c = palette[palette.Low() + k];
        out.push_back(c.red);
        out.push_back(c.green);
        out.push_back(c.blue);
    }
    unsigned char desc[10] = {','};
    QV_PutLE16(desc + 5, static_cast<uint32_t>(Cols()));
    QV_PutLE16(desc + 7, static_cast<uint32_t>(Rows()));
    out.insert(out.end(), desc, desc + 10);
    out.push_back(8);

    // Literal 9-bit codes, top row first, a clear code after every 100th
    // pixel so that a decoder's table never makes it widen the codes.
    std::vector<unsigned char> stream;
    BitWriter bits(stream);
    bits.Put(256, 9);
    int64_t count = 0;
    for (int r = indices.RowHigh(); r >= indices.RowLow(); --r) {
        const unsigned char* in = indices.Row(r);
        for (int c = 0; c < indices.Cols(); ++c) {
            bits.Put(in[c], 9);
            if (++count % 100 == 0) bits.Put(256, 9);
        }
    }
    bits.Put(257, 9);
    bits.Finish();
    for (size_t pos = 0; pos < stream.size(); pos += 255) {
        const size_t n = stream.size() - pos < 255 ? stream.size() - pos : 255;
        out.push_back(static_cast<unsigned char>(n));
        out.insert(out.end(), stream.begin() + static_cast<std::ptrdiff_t>(pos),
                   stream.begin() + static_cast<std::ptrdiff_t>(pos + n));
    }
    out.push_back(0);
    out.push_back(';');

    QV_File file = QV_OpenFile(path, "wb");
    if (!file) {
        QV_PrintSystemError(("QV_Image::SaveGIF() Error! : can't open " + path).CStr());
        return false;
    }
    const bool ok = QV_WriteBytes(file.get(), out.data(), out.size()) && std::fflush(file.get()) == 0;
    if (!ok) QV_PrintSystemError(("QV_Image::SaveGIF() Error! : can't write " + path).CStr());
    return ok;
}
