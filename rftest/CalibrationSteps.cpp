#include "rftest/CalibrationSteps.h"

#include "protocol/CalibrationCommands.h"
#include "protocol/CommandExchange.h"
#include "protocol/PowerModeCommands.h"
#include "protocol/SddDump.h"
#include "rftest/RangeChecks.h"

namespace kel::rftest {

Failure SetFreqOffset(CommandContext& ctx, std::string_view freqOffset) {
    if (!IsFreqOffset(freqOffset))
        return kInvalidFreqOffset;
    if (set_freq_offset(ctx, freqOffset) != kResultOk)
        return kSetFreqOffsetFailed;
    return nullptr;
}

Failure GetFreqOffset(CommandContext& ctx, std::string& freqOffset) {
    if (get_freq_offset(ctx, freqOffset) != kResultOk)
        return kGetFreqOffsetFailed;
    return nullptr;
}

Failure SaveFreqOffset(CommandContext& ctx, std::string_view freqOffset) {
    if (!IsFreqOffset(freqOffset))
        return kInvalidFreqOffset;
    if (set_sdd_freq_offset(ctx, freqOffset) != kResultOk)
        return kSaveFreqOffsetFailed;
    return nullptr;
}

Failure GetSddFreqOffset(CommandContext& ctx, std::string& freqOffset) {
    if (get_sdd_freq_offset(ctx, freqOffset) != kResultOk)
        return kGetSddFreqOffsetFailed;
    return nullptr;
}

Failure SetSddPowerAll(CommandContext& ctx, const SddPowers& powers) {
    for (const std::string& power : powers) {
        if (!IsSddPower(power))
            return kInvalidSddPower;
    }
    if (set_sdd_power_all(ctx, powers[0], powers[1], powers[2]) != kResultOk)
        return kSetSddPowerFailed;
    return nullptr;
}

Failure GetSddPowerAll(CommandContext& ctx, SddPowers& powers) {
    if (get_sdd_power_all(ctx, powers[0], powers[1], powers[2]) != kResultOk)
        return kGetSddPowerFailed;
    return nullptr;
}

Failure SwitchToLdo(CommandContext& ctx) {
    if (switch_to_ldo_mode(ctx) != kResultOk)
        return kLdoFailed;
    return nullptr;
}

Failure SwitchToDcDc(CommandContext& ctx) {
    if (switch_to_dcdc_mode(ctx) != kResultOk)
        return kDcDcFailed;
    return nullptr;
}

Failure SendFreeCommand(CommandContext& ctx, std::string_view text) {
    if (text.empty())
        return kEmptyCommand;
    const std::string line = std::string(text) + "\n";
    if (SendCommand(ctx, line.data(), line.size()) == 0 || WaitAnyAck(ctx) != kResultOk)
        return kNoAck;
    return nullptr;
}

Failure RequestSddFile(CommandContext& ctx) {
    if (get_sdd_file(ctx) != kResultOk)
        return kSddRequestFailed;
    return nullptr;
}

Failure ReadSddFile(CommandContext& ctx, int fd) {
    if (ReadSddDump(ctx, fd) != kResultOk)
        return kSddDumpFailed;
    return nullptr;
}

} // namespace kel::rftest
