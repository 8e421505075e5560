// The held-out rule: FNV-1a 32 over the file name as the label file writes it.
#include <gtest/gtest.h>

#include "QV_HeldOut.h"

TEST(HeldOut, Fnv1aMatchesPublishedVectors)
{
    EXPECT_EQ(QV_Fnv1a32(""), 0x811c9dc5u);
    EXPECT_EQ(QV_Fnv1a32("a"), 0xe40c292cu);
    EXPECT_EQ(QV_Fnv1a32("foobar"), 0xbf9cf968u);
}

TEST(HeldOut, KnownPortraitNames)
{
    struct Case {
        const char* name;
        bool heldOut;
    };
    const Case cases[] = {
        {"images/interfaces_022.jpg", true},  {"images/interfaces_028.jpg", true},
        {"images/interfaces_042.jpg", true},  {"images/interfaces_001.jpg", false},
        {"images/interfaces_006.jpg", false}, {"images/interfaces_007.jpg", false},
        // The name as written, folder included: the bare name hashes differently.
        {"interfaces_022.jpg", QV_Fnv1a32("interfaces_022.jpg") % 10 == 0},
    };
    for (const Case& c : cases) EXPECT_EQ(QV_IsHeldOut(c.name), c.heldOut) << c.name;
}
