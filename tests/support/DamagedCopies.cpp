#include "DamagedCopies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "TestSupport.h"

namespace visagen_test {

void Damage(std::vector<unsigned char>& d, std::mt19937& rng)
{
    auto pos = [&]() -> size_t { return d.empty() ? 0 : rng() % d.size(); };
    const int damages = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < damages; ++i) {
        switch (rng() % 7) {
        case 0: d.resize(pos()); break;
        case 1:
            if (!d.empty()) d[pos()] ^= static_cast<unsigned char>(1u << (rng() % 8));
            break;
        case 2:
            if (!d.empty()) d[pos()] = static_cast<unsigned char>(rng());
            break;
        case 3: {
            if (d.size() < 4) break;
            static const int32_t kExtremes[] = {0, -1, 0x7fffffff, INT32_MIN, 0x10000, 65535, 1 << 30, 3, -2};
            const int32_t x = kExtremes[rng() % 9];
            std::memcpy(&d[std::min(pos(), d.size() - 4)], &x, 4);
            break;
        }
        case 4: d.insert(d.begin() + pos(), 1 + rng() % 16, static_cast<unsigned char>(rng())); break;
        case 5: {
            if (d.empty()) break;
            const size_t p = pos(), n = std::min<size_t>(1 + rng() % 64, d.size() - p);
            d.erase(d.begin() + p, d.begin() + p + n);
            break;
        }
        default: {
            // A run of digits becomes a huge, negative or non-numeric number.
            size_t p = pos();
            while (p < d.size() && !(d[p] >= '0' && d[p] <= '9')) ++p;
            size_t e = p;
            while (e < d.size() && d[e] >= '0' && d[e] <= '9') ++e;
            if (p == e) break;
            static const char* const kNumbers[] = {"-1", "999999999", "2147483647", "-2147483648", "1e30", "nan",
                                                   "4294967296", "0"};
            const std::string r = kNumbers[rng() % 8];
            d.erase(d.begin() + p, d.begin() + e);
            d.insert(d.begin() + p, r.begin(), r.end());
        }
        }
    }
}

int DamagedCopyCount(int fallback)
{
    const char* asked = std::getenv("VISAGEN_MUTATION_COPIES");
    const int n = asked ? std::atoi(asked) : 0;
    return n > 0 ? n : fallback;
}

DamageOutcome ExerciseDamagedCopies(const std::string& path, int copies, const std::function<bool()>& reader)
{
    DamageOutcome out;
    const std::vector<unsigned char> good = ReadFileBytes(path);
    EXPECT_FALSE(good.empty()) << path;
    EXPECT_TRUE(reader()) << "the undamaged file does not read: " << path;
    std::mt19937 rng(1);
    testing::internal::CaptureStderr();  // the refusals' messages
    for (int i = 0; i < copies; ++i) {
        std::vector<unsigned char> d = good;
        Damage(d, rng);
        WriteFileBytes(path, d);
        (reader() ? out.read : out.refused)++;
    }
    testing::internal::GetCapturedStderr();
    WriteFileBytes(path, good);
    return out;
}

}  // namespace visagen_test
