// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/RxPer.h"

#include <climits>
#include <gtest/gtest.h>

namespace kel {
namespace {

struct Case {
    const char* sent;
    std::int32_t total, abortErrors, crcErrors;
    const char* text;
};

TEST(RxPer, RateOfTheErrorsAgainstThePacketsSent) {
    const Case cases[] = {
        {"1000", 990, 0, 10, "2.00"},
        {"1000", 1010, 0, 0, "1.00"}, // received beyond the sent count are errors too
        {"1000", 1000, 0, 0, "0.00"},
        {"3", 2, 0, 0, "33.33"},
        {"1000", 0, 0, 0, "100.00"},
        {" 200abc", 199, 1, 0, "1.00"},
        {"4294968296", 990, 10, 0, "2.00"}, // 2^32 + 1000: the low 32 bits count
        // Far beyond 32 bits, yet no overflow: 3 * (2^31 - 1) errors of 1 sent.
        {"1", INT_MAX, INT_MAX, INT_MAX, "644245094400.00"},
        {"2147483647", INT_MIN, 0, 0, "200.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        EXPECT_EQ(RxPerText(c.sent, c.total, c.abortErrors, c.crcErrors), c.text);
    }
}

TEST(RxPer, ShowsNoRateWhenNoneCanBeComputed) {
    const Case cases[] = {
        {"0", 0, 0, 0, kRxPerUnavailable},
        {"abc", 10, 0, 0, kRxPerUnavailable},
        {"-100", 50, 0, 0, kRxPerUnavailable},
        {"4294967296", 0, 0, 0, kRxPerUnavailable}, // reads as 0
        {"100", 100, -5, 0, kRxPerUnavailable},     // negative counters from the board
        {"100", 90, 0, INT_MIN, kRxPerUnavailable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        EXPECT_EQ(RxPerText(c.sent, c.total, c.abortErrors, c.crcErrors), c.text);
    }
}

TEST(RxPer, AnEmptySentCountShowsNothing) {
    EXPECT_EQ(RxPerText("", 10, 0, 0), std::nullopt);
}

} // namespace
} // namespace kel
