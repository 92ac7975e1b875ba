// SPDX-License-Identifier: GPL-3.0-or-later
// The searches against the virtual bench's physics over a population of
// boards: every board reaches its tolerance in few measurements, and one
// out of reach ends at its closest knob.
#include "board/BenchPhysics.h"
#include "rftest/calibration/LevelSearch.h"
#include "rftest/calibration/TrimSearch.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace kel;
using namespace kel::rftest;

namespace {

int Median(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the search against f until it ends; the trials it took.
template <typename F> int Search(TrimSearch& search, F f) {
    while (const auto knob = search.Next())
        search.Add(*knob, f(*knob));
    return int(search.Trials().size());
}

} // namespace

TEST(CalibrationSearch, CrystalsAndPowerReachTheirToleranceInFewMeasurements) {
    std::vector<int> crystal, power;
    for (std::uint64_t seed = 1; seed <= 64; ++seed) {
        const board::BenchCharacter character = board::DrawBenchCharacter(seed * 7919);
        TrimSearch freq({0, 127, 0.0, 1.0, -0.7, 7}, 64);
        crystal.push_back(
            Search(freq, [&](int code) { return FrequencyErrorPpm(character, code); }));
        ASSERT_TRUE(freq.Reached()) << "seed " << seed;
        EXPECT_EQ(freq.Trials().back().knob, freq.Best().knob) << "the last trial proves it";
        for (int c = 0; c < 3; ++c) {
            TrimSearch level({0, 120, 16.0 + c, 0.5, 0.25, 5}, 56);
            power.push_back(
                Search(level, [&](int l) { return board::TxPowerDbm(character, l, c); }));
            ASSERT_TRUE(level.Reached()) << "seed " << seed << " class " << c;
        }
    }
    EXPECT_LE(Median(crystal), 3);
    EXPECT_LE(*std::max_element(crystal.begin(), crystal.end()), 5);
    EXPECT_LE(*std::max_element(power.begin(), power.end()), 2);
}

TEST(CalibrationSearch, AnErrorOutOfReachEndsAtTheClosestEnd) {
    board::BenchCharacter far;
    far.crystalPpm = 120.0; // beyond what 127 codes can pull
    TrimSearch search({0, 127, 0.0, 1.0, -0.7, 7}, 64);
    Search(search, [&](int code) { return FrequencyErrorPpm(far, code); });
    EXPECT_FALSE(search.Reached());
    EXPECT_EQ(search.Best().knob, 127);
    EXPECT_LE(search.Trials().size(), 7u);
}

TEST(CalibrationSearch, SensitivityFindsTheThresholdToTheStepWithinEightPoints) {
    for (const double threshold : {-97.3, -73.26, -64.0, -41.1}) {
        LevelSearch search(-40.0, -100.0, 0.5);
        while (const auto dbm = search.Next())
            search.Add(*dbm, *dbm >= threshold);
        ASSERT_TRUE(search.Lowest()) << threshold;
        EXPECT_GE(*search.Lowest(), threshold);
        EXPECT_LT(*search.Lowest() - threshold, 0.5 + 1e-9);
        EXPECT_LE(search.Points(), 8);
    }
    LevelSearch deaf(-40.0, -100.0, 0.5);
    while (const auto dbm = deaf.Next())
        deaf.Add(*dbm, false);
    EXPECT_FALSE(deaf.Lowest());
}
