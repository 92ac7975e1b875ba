// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/RfSteps.h"

#include "protocol/ChipModels.h"
#include "protocol/CommandContext.h"
#include "protocol/CommandExchange.h"
#include "protocol/NumberReading.h"
#include "protocol/RfTestCommands.h"
#include "rftest/RangeChecks.h"
#include "rftest/RfTables.h"
#include "rftest/StepResult.h"

namespace kel::rftest {

Failure SetChannel(CommandContext& ctx, int channelNumber) {
    return FailureOf(channel(ctx, channelNumber), kChannelFailed);
}

Failure SetRate(CommandContext& ctx, int rateRow, std::string& powerText) {
    if (rateRow < 0 || rateRow >= static_cast<int>(kRates.size()))
        return kInvalidRate;
    const RateRow& row = kRates[static_cast<std::size_t>(rateRow)];
    return FailureOf(rate(ctx, row.mode, row.mbps, powerText), kRateFailed);
}

Failure SetPower(CommandContext& ctx, std::string_view powerText) {
    if (!IsPowerLevel(powerText))
        return kInvalidPower;
    return FailureOf(power_level(ctx, powerText), kPowerFailed);
}

Failure ApplySettings(CommandContext& ctx, const TestSettings& settings, std::string& powerText,
                      const std::function<void(SettingStep done)>& onDone) {
    const auto done = [&onDone](SettingStep step) {
        if (onDone)
            onDone(step);
    };
    if (settings.channel) {
        if (Failure failure = SetChannel(ctx, *settings.channel))
            return failure;
        done(SettingStep::Channel);
    }
    if (settings.rateRow) {
        if (Failure failure = SetRate(ctx, *settings.rateRow, powerText))
            return failure;
        done(SettingStep::Rate);
    }
    if (settings.power) {
        if (Failure failure = SetPower(ctx, *settings.power))
            return failure;
        powerText = *settings.power;
        done(SettingStep::Power);
    }
    return nullptr;
}

Failure StartTx(CommandContext& ctx, std::string_view countText, std::string_view lengthText,
                std::int32_t fullDuty) {
    if (countText.empty())
        return kNoTxCount;
    if (!IsTxLength(lengthText))
        return kInvalidTxLength;
    return FailureOf(tx(ctx, ReadInteger(lengthText), ReadInteger(countText), fullDuty), kTxFailed);
}

bool IsContinuousTx(std::string_view countText) {
    return ReadInteger(countText) == 0;
}

Failure StopTx(CommandContext& ctx) {
    return FailureOf(tx_stop(ctx), kTxStopFailed);
}

Failure StartRx(CommandContext& ctx) {
    return FailureOf(rx(ctx), kRxFailed);
}

Failure StopRx(CommandContext& ctx, RxCounters& counters) {
    counters = {};
    return FailureOf(rx_stop(ctx, counters.total, counters.abortErrors, counters.crcErrors),
                     kRxStopFailed);
}

Failure StartTone(CommandContext& ctx, std::string& powerText) {
    if (ChipModelHas(ctx.ChipModelIndex(), &ChipModel::toneOnTxCarrier)) {
        if (Failure failure = SetRate(ctx, kToneRateRow, powerText))
            return failure;
        if (Failure failure = StartToneCarrier(ctx, 0, 0))
            return failure;
    }
    return ToneCommand(ctx);
}

Failure StopTone(CommandContext& ctx) {
    if (Failure failure = ToneStopCommand(ctx))
        return failure;
    if (ChipModelHas(ctx.ChipModelIndex(), &ChipModel::toneOnTxCarrier))
        return StopTx(ctx);
    return nullptr;
}

Failure ToneCommand(CommandContext& ctx) {
    return FailureOf(tone(ctx), kToneFailed);
}

Failure ToneStopCommand(CommandContext& ctx) {
    return FailureOf(tone_stop(ctx), kToneStopFailed);
}

Failure StartToneCarrier(CommandContext& ctx, std::int32_t length, std::int32_t fullDuty) {
    return FailureOf(tx(ctx, length, 0, fullDuty), kTxFailed);
}

Failure GetMac(CommandContext& ctx, std::string& source, std::string& dest, std::string& bssid) {
    return FailureOf(get_mac(ctx, source, dest, bssid), kGetMacFailed);
}

Failure SetMac(CommandContext& ctx, std::string_view first, std::string_view second,
               std::string_view third) {
    return FailureOf(set_mac(ctx, first, second, third), kSetMacFailed);
}

Failure SetMacAddresses(CommandContext& ctx, std::string_view source, std::string_view dest,
                        std::string_view bssid) {
    return SetMac(ctx, dest, source, bssid);
}

} // namespace kel::rftest
