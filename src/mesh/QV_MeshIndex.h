// Range checks for the indices that faces and features store, so that no mesh
// operation follows an index outside the list it names.
#pragma once

#include <cstdint>

inline bool QV_ValidIndex(int64_t i, unsigned count) { return i >= 0 && i < static_cast<int64_t>(count); }
