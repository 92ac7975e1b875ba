// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/CommandText.h"

namespace kel::board {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::optional<std::int64_t> ParseInteger(std::string_view word, std::int64_t min,
                                         std::int64_t max) {
    bool negative = false;
    if (!word.empty() && (word[0] == '+' || word[0] == '-')) {
        negative = word[0] == '-';
        word.remove_prefix(1);
    }
    // Eighteen digits cannot overflow; longer numbers are out of any range here.
    if (word.empty() || word.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : word) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<int> ParseTenths(std::string_view word) {
    const std::size_t dot = word.find('.');
    const std::string_view whole = word.substr(0, dot);
    if (whole.empty() || whole.size() > 6)
        return std::nullopt;
    int tenths = 0;
    for (char c : whole) {
        if (!IsDigit(c))
            return std::nullopt;
        tenths = tenths * 10 + (c - '0');
    }
    tenths *= 10;
    if (dot == std::string_view::npos)
        return tenths;
    const std::string_view fraction = word.substr(dot + 1);
    if (fraction.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < fraction.size(); ++i) {
        if (!IsDigit(fraction[i]) || (i > 0 && fraction[i] != '0'))
            return std::nullopt;
    }
    return tenths + (fraction[0] - '0');
}

bool IsMacAddress(std::string_view word) {
    if (word.size() != 17)
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const bool separator = i % 3 == 2;
        if (separator ? word[i] != ':' : !IsHexDigit(word[i]))
            return false;
    }
    return true;
}

} // namespace kel::board
