// Damaged copies of a good file for the readers' robustness tests: random
// truncations, flipped and overwritten bytes, extreme 32-bit counts, inserted
// and deleted runs and absurd numbers in text, with a fixed seed.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace visagen_test {

// One to four random damages to the bytes.
void Damage(std::vector<unsigned char>& bytes, std::mt19937& rng);

struct DamageOutcome {
    int read = 0, refused = 0;
};

// Damaged copies per file: `fallback`, or more when VISAGEN_MUTATION_COPIES
// asks for them (a longer search for faults than the suite's own run).
int DamagedCopyCount(int fallback);

// Writes `copies` damaged versions of the good file at `path` over it, one
// after another, and hands each to the reader (whose messages are
// swallowed). The undamaged file must read before; it is put back at the end.
DamageOutcome ExerciseDamagedCopies(const std::string& path, int copies, const std::function<bool()>& reader);

}  // namespace visagen_test
