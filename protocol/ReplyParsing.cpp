// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/ReplyParsing.h"

#include "protocol/NumberReading.h"

#include <algorithm>
#include <charconv>

namespace kel {

namespace {
constexpr std::size_t kMacLength = 17;
constexpr std::size_t kValueTailLength = 4;

std::string_view LastChars(std::string_view text, std::size_t n) {
    return text.substr(text.size() - std::min(n, text.size()));
}
} // namespace

std::string MacAddressValue(std::string_view line) {
    return std::string(LastChars(line, kMacLength + 1).substr(0, kMacLength));
}

std::int32_t ValueAfterLastColon(std::string_view line) {
    const std::size_t lineFeed = std::min(line.find('\n'), line.size());
    const std::size_t colon = line.substr(0, lineFeed).rfind(':');
    // No colon behaves like a colon at the start: the reading begins one further.
    const std::size_t start = colon == std::string_view::npos ? 1 : colon + 1;
    if (start >= line.size())
        return 0;
    return ReadInteger(line.substr(start));
}

std::int32_t ValueInLastFour(std::string_view line) {
    return ReadInteger(LastChars(line, kValueTailLength));
}

std::string TextAfterLabel(std::string_view line, std::string_view label) {
    if (line.size() < label.size())
        return {};
    std::string_view rest = line.substr(label.size());
    if (rest.ends_with('\n'))
        rest.remove_suffix(1);
    return std::string(rest);
}

std::int32_t NumberAfterLabel(std::string_view line, std::string_view label) {
    if (line.size() <= label.size())
        return 0;
    return ReadInteger(line.substr(label.size()));
}

std::string FixedDecimal(double value, int digits) {
    char text[400]; // room for the largest double in fixed notation
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits);
    if (result.ec != std::errc())
        return {};
    return std::string(text, result.ptr);
}

} // namespace kel
