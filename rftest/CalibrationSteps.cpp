// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/CalibrationSteps.h"

#include "protocol/CalibrationCommands.h"
#include "protocol/CommandExchange.h"
#include "protocol/PowerModeCommands.h"
#include "protocol/SddDump.h"
#include "rftest/RangeChecks.h"
#include "rftest/StepResult.h"

namespace kel::rftest {

namespace {
// The offset checked, then sent as typed by the command.
Failure SendFreqOffset(CommandContext& ctx, std::string_view freqOffset,
                       int (*command)(CommandContext&, std::string_view), Failure failed) {
    if (!IsFreqOffset(freqOffset))
        return kInvalidFreqOffset;
    return FailureOf(command(ctx, freqOffset), failed);
}
} // namespace

Failure SetFreqOffset(CommandContext& ctx, std::string_view freqOffset) {
    return SendFreqOffset(ctx, freqOffset, set_freq_offset, kSetFreqOffsetFailed);
}

Failure GetFreqOffset(CommandContext& ctx, std::string& freqOffset) {
    return FailureOf(get_freq_offset(ctx, freqOffset), kGetFreqOffsetFailed);
}

Failure SaveFreqOffset(CommandContext& ctx, std::string_view freqOffset) {
    return SendFreqOffset(ctx, freqOffset, set_sdd_freq_offset, kSaveFreqOffsetFailed);
}

Failure GetSddFreqOffset(CommandContext& ctx, std::string& freqOffset) {
    return FailureOf(get_sdd_freq_offset(ctx, freqOffset), kGetSddFreqOffsetFailed);
}

Failure SetSddPowerAll(CommandContext& ctx, const SddPowers& powers) {
    for (const std::string& power : powers) {
        if (!IsSddPower(power))
            return kInvalidSddPower;
    }
    return FailureOf(set_sdd_power_all(ctx, powers[0], powers[1], powers[2]), kSetSddPowerFailed);
}

Failure GetSddPowerAll(CommandContext& ctx, SddPowers& powers) {
    return FailureOf(get_sdd_power_all(ctx, powers[0], powers[1], powers[2]), kGetSddPowerFailed);
}

Failure SwitchToLdo(CommandContext& ctx) {
    return FailureOf(switch_to_ldo_mode(ctx), kLdoFailed);
}

Failure SwitchToDcDc(CommandContext& ctx) {
    return FailureOf(switch_to_dcdc_mode(ctx), kDcDcFailed);
}

Failure SendFreeCommand(CommandContext& ctx, std::string_view text) {
    if (text.empty())
        return kEmptyCommand;
    const std::string line = std::string(text) + "\n";
    if (SendCommand(ctx, line.data(), line.size()) == 0)
        return kNoAck;
    return FailureOf(WaitAnyAck(ctx), kNoAck);
}

Failure RequestSddFile(CommandContext& ctx) {
    return FailureOf(get_sdd_file(ctx), kSddRequestFailed);
}

Failure ReadSddFile(CommandContext& ctx, int fd) {
    return FailureOf(ReadSddDump(ctx, fd), kSddDumpFailed);
}

} // namespace kel::rftest
