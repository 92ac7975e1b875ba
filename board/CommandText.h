// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the words and values of a command line the way the firmware's
// shell does: blank-separated words, whole numbers only, no trailing junk.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::board {

// Words separated by runs of blanks or tabs.
std::vector<std::string_view> SplitWords(std::string_view line);

// An optional sign and decimal digits, nothing else, within [min, max].
std::optional<std::int64_t> ParseInteger(std::string_view word, std::int64_t min, std::int64_t max);

// A decimal like "5.5", "65.0" or "6" in tenths (55, 650, 60); digits past the
// first decimal must be zeros.
std::optional<int> ParseTenths(std::string_view word);

// Six two-digit hexadecimal groups joined by colons: 17 characters.
bool IsMacAddress(std::string_view word);

} // namespace kel::board
