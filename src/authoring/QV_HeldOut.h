// The fixed rule that keeps about a tenth of the labelled portraits out of
// training: the FNV-1a 32-bit hash of the file name, modulo 10, equal to 0.
#pragma once

#include <cstdint>
#include <string_view>

// FNV-1a, 32 bits, over the bytes of the text.
std::uint32_t QV_Fnv1a32(std::string_view text);

// True when the portrait with this file name (exactly as the label file
// writes it, e.g. "images/x.jpg") is held out of training.
bool QV_IsHeldOut(std::string_view fileName);
