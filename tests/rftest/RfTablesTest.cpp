// SPDX-License-Identifier: GPL-3.0-or-later
// The tables and limits both front ends take from rftest/.

#include "rftest/RfTables.h"

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

} // namespace
} // namespace kel::rftest
