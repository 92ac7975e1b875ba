// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The limits of what a user may send, checked on the whole number typed: a
// number beyond 32 bits is refused as it stands, never passed as its low bits
// ("4294967308" is not 12). The command then carries the text as typed.
// The one home of these checks for both front ends (the virtual board keeps
// its own copy on purpose). The figures are also spelled out in the refusal
// messages (Messages.h), the console's usage panes and kel-rftest's --help.

#include <string_view>

namespace kel::rftest {

bool IsPowerLevel(std::string_view text); // -118..120
// 0..4095, 0 for automatic length; an empty text reads as 0.
bool IsTxLength(std::string_view text);
bool IsFreqOffset(std::string_view text); // 0..127
bool IsSddPower(std::string_view text);   // 0..120

} // namespace kel::rftest
