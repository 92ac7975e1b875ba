// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board's three MAC addresses as kel-rftest's mac subcommand and a plan's
// mac step set and check them.

#include "rftest/Messages.h"

#include <array>
#include <string>
#include <string_view>

namespace kel {
class CommandContext;
}

namespace kel::rftest {

// Source, destination and BSSID, in the order get_mac gives them (their
// roles as results name them: kMacRoleNames).
using MacAddresses = std::array<std::string, 3>;

// "source 02:00:00:00:00:01, dest ..., bssid ...".
std::string MacText(const MacAddresses& macs);

// An address goes to the board as one word of its command: not empty, no
// blank, no control character.
bool IsAddressWord(std::string_view text);

// Each address where GetMac reads it back, then what the board holds now
// read back into held.
Failure SetMacAndReadBack(CommandContext& ctx, const MacAddresses& wanted, MacAddresses& held);

// "the board holds ..., not what was set" when held differs from wanted
// (hex digits in either case are the same); empty when it does not.
std::string MacMismatch(const MacAddresses& wanted, const MacAddresses& held);

} // namespace kel::rftest
