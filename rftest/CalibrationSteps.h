// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Calibration, supply, free command and SDD export steps as both front ends
// take them; results as in RfSteps.h.

#include "rftest/Messages.h"

#include <array>
#include <string>
#include <string_view>

namespace kel {
class CommandContext;
}

namespace kel::rftest {

// The frequency offset of the running firmware, and the one stored in the
// board's SDD data. Values checked 0..127 on the number typed, sent as typed.
Failure SetFreqOffset(CommandContext& ctx, std::string_view freqOffset);
Failure GetFreqOffset(CommandContext& ctx, std::string& freqOffset);
Failure SaveFreqOffset(CommandContext& ctx, std::string_view freqOffset);
Failure GetSddFreqOffset(CommandContext& ctx, std::string& freqOffset);

// The stored power levels of the rate classes 11b, 11g/n and 11n MCS7, in
// this order; each checked 0..120, nothing sent when one is refused.
using SddPowers = std::array<std::string, 3>;
Failure SetSddPowerAll(CommandContext& ctx, const SddPowers& powers);
Failure GetSddPowerAll(CommandContext& ctx, SddPowers& powers);

Failure SwitchToLdo(CommandContext& ctx);
// Only a board with the DC-DC converter fitted survives it: ask first
// (kDcDcQuestion).
Failure SwitchToDcDc(CommandContext& ctx);

// The text as the user typed it, dialect prefix included, and a line feed;
// any acknowledgement counts, the board's error and unknown-command lines too.
Failure SendFreeCommand(CommandContext& ctx, std::string_view text);

// Asks for the SDD file in its ASCII form (kSddRequestFailed), then reads the
// dump into fd (kSddDumpFailed). fd stays open.
Failure RequestSddFile(CommandContext& ctx);
Failure ReadSddFile(CommandContext& ctx, int fd);

} // namespace kel::rftest
