// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One rule for every number a user types or a board sends: base 10, leading
// white space skipped, an optional sign, digits up to the first non-digit,
// no digits reads 0, saturation on overflow (a 64-bit reading); callers that
// want the 32-bit value take its low 32 bits.

#include <cstdint>
#include <string_view>

namespace kel {

// The saturated 64-bit value.
std::int64_t ReadInteger64(std::string_view text);

// The low 32 bits of ReadInteger64, as the commands and range checks use it.
std::int32_t ReadInteger(std::string_view text);

// True when the whole 64-bit reading fits in a signed 32-bit value, so a range
// check on the 32-bit value sees the number the user typed.
bool FitsInt32(std::string_view text);

} // namespace kel
