// SPDX-License-Identifier: GPL-3.0-or-later
#include "NumberReading.h"

#include <limits>

namespace kel {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
} // namespace

std::int64_t ReadInteger64(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude as unsigned so the most negative value fits.
    constexpr std::uint64_t kPositiveLimit = std::numeric_limits<std::int64_t>::max();
    const std::uint64_t limit = negative ? kPositiveLimit + 1 : kPositiveLimit;
    std::uint64_t magnitude = 0;
    bool saturated = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (saturated || magnitude > (limit - digit) / 10) {
            saturated = true;
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (saturated)
        magnitude = limit;
    if (!negative)
        return static_cast<std::int64_t>(magnitude);
    return magnitude == kPositiveLimit + 1 ? std::numeric_limits<std::int64_t>::min()
                                           : -static_cast<std::int64_t>(magnitude);
}

std::int32_t ReadInteger(std::string_view text) {
    // Two's-complement truncation, well defined since C++20.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadInteger64(text)));
}

bool FitsInt32(std::string_view text) {
    const std::int64_t v = ReadInteger64(text);
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

} // namespace kel
