// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/NumberReading.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

struct Case {
    const char* text;
    std::int64_t value64;
    std::int32_t value32;
};

TEST(NumberReading, ReadsLikeTheRuntimeConversion) {
    const Case cases[] = {
        {"", 0, 0},
        {"abc", 0, 0},
        {"   42", 42, 42},
        {"\t-7", -7, -7},
        {"+07", 7, 7},
        {"12abc", 12, 12},
        {"- 5", 0, 0}, // a sign must touch its digits
        {"+", 0, 0},
        {"0x1F", 0, 0}, // base 10 only
        {"4294967296", 4294967296LL, 0},
        {"4294967308", 4294967308LL, 12}, // 2^32 + 12 keeps its low 32 bits
        {"-1", -1, -1},
        {"2147483648", 2147483648LL, INT32_MIN},
        {"99999999999999999999", INT64_MAX, -1}, // saturates
        {"-99999999999999999999", INT64_MIN, 0},
        {"9223372036854775807", INT64_MAX, -1},
        {"-9223372036854775808", INT64_MIN, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReadInteger64(c.text), c.value64);
        EXPECT_EQ(ReadInteger(c.text), c.value32);
    }
}

TEST(NumberReading, FitsInt32SeesTheWholeNumber) {
    EXPECT_TRUE(FitsInt32("127"));
    EXPECT_TRUE(FitsInt32("-2147483648"));
    EXPECT_TRUE(FitsInt32("letters"));
    EXPECT_FALSE(FitsInt32("4294967296"));
    EXPECT_FALSE(FitsInt32("2147483648"));
    EXPECT_FALSE(FitsInt32("-2147483649"));
}

} // namespace
} // namespace kel
