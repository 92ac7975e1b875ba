// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/Measurement.h"

#include <gtest/gtest.h>
#include <regex>

using namespace kel::rftest;

TEST(Measurement, NamesReadBackAsTheirKindAndVerdict) {
    for (int k = 0; k <= static_cast<int>(MeasurementKind::Mac); ++k) {
        const auto kind = static_cast<MeasurementKind>(k);
        ASSERT_FALSE(KindName(kind).empty());
        EXPECT_EQ(KindNamed(KindName(kind)), kind);
    }
    EXPECT_EQ(KindName(MeasurementKind::SddFreqOffset), "sdd_freq_offset");
    EXPECT_EQ(VerdictNamed("marginal"), Verdict::Marginal);
    EXPECT_EQ(VerdictNamed("PASS"), std::nullopt);
}

TEST(Measurement, JudgeGivesPassMarginalFailAndNeverPassesBlind) {
    const Limit per{std::nullopt, 8.0, 6.0};
    EXPECT_EQ(Judge(6.0, per), Verdict::Pass);
    EXPECT_EQ(Judge(6.1, per), Verdict::Marginal);
    EXPECT_EQ(Judge(8.0, per), Verdict::Marginal);
    EXPECT_EQ(Judge(8.01, per), Verdict::Fail);
    EXPECT_EQ(Judge(std::nullopt, per), Verdict::Fail);
    EXPECT_EQ(Judge(19.0, Limit{20.0, 80.0, std::nullopt}), Verdict::Fail);
    EXPECT_EQ(Judge(std::nullopt, Limit{}), Verdict::None);
}

TEST(Measurement, UtcNowIsIsoWithMilliseconds) {
    EXPECT_TRUE(std::regex_match(UtcNow(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
}
