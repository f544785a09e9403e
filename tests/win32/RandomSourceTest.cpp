// The random source of one start: its draws lie in [0, 1), spread evenly, and two starts
// one right after the other draw differently.
#include <gtest/gtest.h>

#include "support/win32/SeededRandomSource.h"

namespace kelbrook::win32 {
namespace {

TEST(SeededRandomSource, DrawsSpreadEvenlyOverTheUnitInterval) {
    SeededRandomSource random;
    constexpr int kDraws = 100000;
    int buckets[100] = {};
    for (int i = 0; i < kDraws; ++i) {
        const double r = random.NextUnit();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        ++buckets[static_cast<int>(r * 100)];
    }
    for (int bucket = 0; bucket < 100; ++bucket) {
        EXPECT_GT(buckets[bucket], 800) << bucket;  // 1000 expected, sd about 31
        EXPECT_LT(buckets[bucket], 1200) << bucket;
    }
}

TEST(SeededRandomSource, StartsOneRightAfterTheOtherDrawDifferently) {
    SeededRandomSource first;
    SeededRandomSource second;
    const double a[] = {first.NextUnit(), first.NextUnit(), first.NextUnit()};
    const double b[] = {second.NextUnit(), second.NextUnit(), second.NextUnit()};
    EXPECT_FALSE(a[0] == b[0] && a[1] == b[1] && a[2] == b[2]);
}

}  // namespace
}  // namespace kelbrook::win32
