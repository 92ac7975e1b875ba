// SPDX-License-Identifier: GPL-3.0-or-later
// The tables, lists and limits both front ends take from rftest/.

#include "rftest/RfTables.h"

#include "rftest/PointLists.h"
#include "rftest/RangeChecks.h"

#include <gtest/gtest.h>

namespace kel::rftest {
namespace {

TEST(RfTables, RatesAreReadAsTheListWritesThem) {
    EXPECT_EQ(RateRowOf("1"), 0);
    EXPECT_EQ(RateRowOf("5.5"), 2);
    EXPECT_EQ(RateRowOf("54"), 11);
    EXPECT_EQ(RateRowOf("54.0"), 11);
    EXPECT_EQ(RateRowOf("6.5"), 12);
    EXPECT_EQ(RateRowOf("65"), 19);
    for (const char* notARate : {"7", "", "5.5x", "-1", "5,5", " 54"})
        EXPECT_EQ(RateRowOf(notARate), std::nullopt) << notARate;
    EXPECT_EQ(RateLabel(kRates[2]), "5.5");
    EXPECT_EQ(RateLabel(kRates[11]), "54.0");

    EXPECT_EQ(SddPowerClassOf(3), SddPowerClass::Dsss11b);
    EXPECT_EQ(SddPowerClassOf(17), SddPowerClass::Ofdm11gn);
    EXPECT_EQ(SddPowerClassOf(18), std::nullopt); // 58.5 Mbit/s
    EXPECT_EQ(SddPowerClassOf(19), SddPowerClass::Mcs7);
}

TEST(RangeChecks, BoundsHoldOnTheWholeNumberTyped) {
    struct Case {
        bool (*check)(std::string_view);
        const char* text;
        bool passes;
    };
    const Case cases[] = {
        {IsPowerLevel, "-118", true},
        {IsPowerLevel, "120", true},
        {IsPowerLevel, "-119", false},
        {IsPowerLevel, "121", false},
        {IsPowerLevel, "12abc", true},       // read as 12, sent as typed
        {IsPowerLevel, "4294967308", false}, // not its low bits, 12
        {IsTxLength, "4095", true},
        {IsTxLength, "", true},
        {IsTxLength, "4096", false},
        {IsTxLength, "-1", false},
        {IsFreqOffset, "0", true},
        {IsFreqOffset, "127", true},
        {IsFreqOffset, "128", false},
        {IsFreqOffset, "-1", false},
        {IsSddPower, "0", true},
        {IsSddPower, "120", true},
        {IsSddPower, "121", false},
        {IsSddPower, "-1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.check(c.text), c.passes) << c.text;
}

TEST(PointLists, ValuesAndRangesInTheOrderGiven) {
    std::string why;
    EXPECT_EQ(ParseChannelList("11,1-3", why), (std::vector<int>{11, 1, 2, 3}));
    EXPECT_EQ(ParseChannelList(" 1, 6 - 7", why), (std::vector<int>{1, 6, 7}));
    EXPECT_EQ(ParseRateList("1-11", why), (std::vector<int>{0, 1, 2, 3}));
    // By value, among the kinds of its ends: 6, 6.5, 9, 12, 13 (not 11b's 11).
    EXPECT_EQ(ParseRateList("6-13", why), (std::vector<int>{4, 12, 5, 6, 13}));
    EXPECT_EQ(ParseRateList("6.5-13", why), (std::vector<int>{12, 13}));
    EXPECT_EQ(ParseRateList("54,5.5", why), (std::vector<int>{11, 2}));
    for (const char* bad : {"0", "3-1", "1,,2", "", "1-"})
        EXPECT_EQ(ParseChannelList(bad, why), std::nullopt) << bad;
    EXPECT_EQ(ParseRateList("5.6", why), std::nullopt);
    EXPECT_EQ(why, "\"5.6\" is not a rate of the rate list or a range of them");
}

} // namespace
} // namespace kel::rftest
