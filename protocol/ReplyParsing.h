// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the catalogue commands take values out of a reply line. Every line is
// the text up to its first NUL, its line feed still at the end.

#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

// The 17 characters before the line's last one: the first 17 of its last 18
// (the whole line when it is shorter). Nothing checks they form an address.
std::string MacAddressValue(std::string_view line);

// The number after the last ':' before the line feed; without a colon the
// reading starts at the second character.
std::int32_t ValueAfterLastColon(std::string_view line);

// The number in the line's last 4 characters, line feed included.
std::int32_t ValueInLastFour(std::string_view line);

// What follows the label, less the line feed, kept exactly as sent.
std::string TextAfterLabel(std::string_view line, std::string_view label);

// The number read from what follows the label.
std::int32_t NumberAfterLabel(std::string_view line, std::string_view label);

// value as decimal text with the given digits after the point, always with a
// '.', whatever the process locale says (the board and the user expect "5.5").
std::string FixedDecimal(double value, int digits);

} // namespace kel
