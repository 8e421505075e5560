// The held-out rule for labelled portraits.
#include "QV_HeldOut.h"

std::uint32_t QV_Fnv1a32(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

bool QV_IsHeldOut(std::string_view fileName) { return QV_Fnv1a32(fileName) % 10u == 0u; }
