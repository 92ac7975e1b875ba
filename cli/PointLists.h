// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The channel and rate lists of sweep-rx: comma-separated items, each one
// value or a range of two joined by '-' ("1-13", "1,6,11", "1, 2, 5.5, 11",
// "6-54"), blanks around an item allowed. A range of rates holds the rates
// of its ends' kinds (11b, 11g, 11n) between them by value, slowest first:
// "6-13" is 6, 6.5, 9, 12 and 13; "1-11" is 1, 2, 5.5 and 11. The order given
// is the order measured.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::cli {

// Channel numbers 1..14; nullopt with the reason in why.
std::optional<std::vector<int>> ParseChannelList(std::string_view text, std::string& why);
// Rows of the rate table; nullopt with the reason in why.
std::optional<std::vector<int>> ParseRateList(std::string_view text, std::string& why);

} // namespace kel::cli
