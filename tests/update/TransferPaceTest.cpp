// The slow-retrieval floor over a sliding window.
#include "update/TransferPace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct PaceCase {
    const char* name;
    std::vector<std::pair<uint64_t, uint64_t>> samples; // (ms, total bytes)
    bool tooSlowAtLast;
};
void PrintTo(const PaceCase& c, std::ostream* os) {
    *os << c.name;
}

class Pace : public ::testing::TestWithParam<PaceCase> {};

// Floor: 1000 bytes a second, over 10 seconds.
TEST_P(Pace, JudgesTheLastFullWindow) {
    TTransferPace pace(1000, 10000);
    const auto& samples = GetParam().samples;
    for (size_t i = 0; i + 1 < samples.size(); ++i)
        EXPECT_FALSE(pace.TooSlow(samples[i].first, samples[i].second)) << "at sample " << i;
    EXPECT_EQ(pace.TooSlow(samples.back().first, samples.back().second), GetParam().tooSlowAtLast);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pace,
    ::testing::Values(
        PaceCase{"trickle_before_a_full_window", {{0, 1}, {9000, 10}}, false},
        PaceCase{"trickle_over_a_full_window", {{0, 1}, {9000, 10}, {18000, 20}}, true},
        PaceCase{"at_the_floor", {{0, 0}, {5000, 5000}, {10000, 10000}}, false},
        PaceCase{"just_below_the_floor", {{0, 0}, {5000, 5000}, {10000, 9999}}, true},
        // A burst long ago does not carry a stall now.
        PaceCase{"burst_then_stall", {{0, 0}, {9000, 1000000}, {19500, 1000010}}, true},
        // A stall long ago does not condemn a fast transfer now.
        PaceCase{"stall_then_fast", {{0, 0}, {9000, 5}, {18000, 40000}, {27000, 80000}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
