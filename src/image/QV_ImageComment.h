// Marks the pixel data that a writer is about to emit with the image's
// comment: row 0 starts with the embedded length, then the comment and a copy
// of it with every byte decreased by one.
#pragma once

#include <cstddef>

#include "QV_String.h"

// Writes the mark into row[0..rowBytes-1]: byte 0 = (2 x comment length) mod
// 256, then the comment, then the comment with each byte minus 1 (mod 256).
// A row shorter than the mark keeps only what fits. Returns the number of
// bytes written.
size_t QV_EmbedComment(unsigned char* row, size_t rowBytes, const QV_String& comment);
