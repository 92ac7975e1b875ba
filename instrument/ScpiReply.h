// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading what an SCPI instrument answers: numbers in any of the forms it
// may send (NR1, NR2, NR3, with a sign and surrounding blanks), its "no
// value" 9.91E37, and the entries of its error queue ("-113,"Undefined header"").

#include <optional>
#include <string>
#include <string_view>

namespace kel::instrument {

// What a counter or meter sends when it has nothing to measure.
inline constexpr double kScpiNoValue = 9.91e37;

// The number a reply holds, or nothing when it holds anything else. A
// value of 9.9E37 or more (the no-value code and its neighbours that a
// float rounds to) is returned as is: IsNoValue tells them.
std::optional<double> ParseScpiNumber(std::string_view reply);
bool IsNoValue(double value);

struct ErrorEntry {
    int code = 0;
    std::string text; // the whole entry as the instrument sent it
};

// An entry of SYSTem:ERRor?; a reply that starts with no number counts as
// an error (code -1) so that it is never taken for the empty queue.
ErrorEntry ParseErrorEntry(std::string_view reply);

} // namespace kel::instrument
