// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ValueChecks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kel::cli {

namespace {

// from_chars takes no plus sign; a number written with one is the same number.
std::string_view WithoutPlus(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    return text;
}

constexpr double kLongestSeconds = 1'000'000;

} // namespace

std::optional<double> ReadDecimal(std::string_view text) {
    text = WithoutPlus(text);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> ReadWhole(std::string_view text) {
    text = WithoutPlus(text);
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::int64_t WholeOption(const char* option, const std::string& text, std::int64_t low,
                         std::int64_t high) {
    const std::optional<std::int64_t> value = ReadWhole(text);
    if (!value || *value < low || *value > high)
        throw UsageError{std::string(option) + " must be a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high)};
    return *value;
}

std::chrono::milliseconds DurationOption(const char* option, const std::string& text) {
    const std::optional<double> seconds = ReadDecimal(text);
    if (!seconds || *seconds <= 0 || *seconds > kLongestSeconds)
        throw UsageError{std::string(option) + " must be a number of seconds greater than 0 (at " +
                         "most 1000000)"};
    // A positive time shorter than a millisecond still waits one.
    return std::chrono::milliseconds(std::max<long long>(1, std::llround(*seconds * 1000.0)));
}

double PercentOption(const char* option, const std::string& text) {
    const std::optional<double> percent = ReadDecimal(text);
    if (!percent || *percent < 0 || *percent > 100)
        throw UsageError{std::string(option) + " must be a number from 0 to 100"};
    return *percent;
}

bool HoldsControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

} // namespace kel::cli
