#include "QV_ImageComment.h"

size_t QV_EmbedComment(unsigned char* row, size_t rowBytes, const QV_String& comment)
{
    if (!row || rowBytes == 0) return 0;
    const size_t n = static_cast<size_t>(comment.Length());
    const size_t total = 2 * n + 1;
    const size_t limit = total < rowBytes ? total : rowBytes;

    row[0] = static_cast<unsigned char>((2 * n) & 0xFF);
    for (size_t k = 1; k < limit; ++k) {
        const size_t i = k - 1;
        if (i < n) {
            row[k] = static_cast<unsigned char>(comment[static_cast<int>(i)]);
        } else {
            row[k] = static_cast<unsigned char>(static_cast<unsigned char>(comment[static_cast<int>(i - n)]) - 1);
        }
    }
    return limit;
}
