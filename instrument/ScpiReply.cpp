// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/ScpiReply.h"

#include <charconv>
#include <cmath>

namespace kel::instrument {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<double> ParseScpiNumber(std::string_view reply) {
    std::string_view text = Trimmed(reply);
    // from_chars takes no leading plus, which SCPI numbers often carry.
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool IsNoValue(double value) {
    return std::abs(value) >= 9.9e37;
}

ErrorEntry ParseErrorEntry(std::string_view reply) {
    const std::string_view text = Trimmed(reply);
    std::string_view number = text.substr(0, text.find(','));
    if (number.starts_with('+'))
        number.remove_prefix(1);
    int code = -1;
    const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), code);
    if (number.empty() || failure != std::errc{} || end != number.data() + number.size())
        code = -1;
    return {code, std::string(text)};
}

} // namespace kel::instrument
