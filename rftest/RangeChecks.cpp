// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/RangeChecks.h"

#include "protocol/NumberReading.h"

#include <cstdint>

namespace kel::rftest {

namespace {

constexpr std::int32_t kMinPower = -118;
constexpr std::int32_t kMaxPower = 120;
constexpr std::uint32_t kMaxTxLength = 4095;
constexpr std::uint32_t kMaxFreqOffset = 127;
constexpr std::int32_t kMinSddPower = 0;
constexpr std::int32_t kMaxSddPower = 120;

bool InRange(std::string_view text, std::int32_t low, std::int32_t high) {
    if (!FitsInt32(text))
        return false;
    const std::int32_t value = ReadInteger(text);
    return value >= low && value <= high;
}

// A negative value reads as a huge unsigned one, so it is refused too.
bool AtMostUnsigned(std::string_view text, std::uint32_t high) {
    return FitsInt32(text) && static_cast<std::uint32_t>(ReadInteger(text)) <= high;
}

} // namespace

bool IsPowerLevel(std::string_view text) {
    return InRange(text, kMinPower, kMaxPower);
}

bool IsTxLength(std::string_view text) {
    return AtMostUnsigned(text, kMaxTxLength);
}

bool IsFreqOffset(std::string_view text) {
    return AtMostUnsigned(text, kMaxFreqOffset);
}

bool IsSddPower(std::string_view text) {
    return InRange(text, kMinSddPower, kMaxSddPower);
}

} // namespace kel::rftest
