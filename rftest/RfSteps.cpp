#include "rftest/RfSteps.h"

#include "protocol/ChipModels.h"
#include "protocol/CommandContext.h"
#include "protocol/CommandExchange.h"
#include "protocol/NumberReading.h"
#include "protocol/RfTestCommands.h"
#include "rftest/RangeChecks.h"
#include "rftest/RfTables.h"

namespace kel::rftest {

namespace {
// The carrier of a tone runs at 65 Mbit/s.
constexpr int kToneRateRow = 19;
} // namespace

Failure SetChannel(CommandContext& ctx, int channelNumber) {
    if (channel(ctx, channelNumber) != kResultOk)
        return kChannelFailed;
    return nullptr;
}

Failure SetRate(CommandContext& ctx, int rateRow, std::string& powerText) {
    if (rateRow < 0 || rateRow >= static_cast<int>(kRates.size()))
        return kInvalidRate;
    const RateRow& row = kRates[static_cast<std::size_t>(rateRow)];
    if (rate(ctx, row.mode, row.mbps, powerText) != kResultOk)
        return kRateFailed;
    return nullptr;
}

Failure SetPower(CommandContext& ctx, std::string_view powerText) {
    if (!IsPowerLevel(powerText))
        return kInvalidPower;
    if (power_level(ctx, powerText) != kResultOk)
        return kPowerFailed;
    return nullptr;
}

Failure StartTx(CommandContext& ctx, std::string_view countText, std::string_view lengthText,
                std::int32_t fullDuty) {
    if (countText.empty())
        return kNoTxCount;
    if (!IsTxLength(lengthText))
        return kInvalidTxLength;
    if (tx(ctx, ReadInteger(lengthText), ReadInteger(countText), fullDuty) != kResultOk)
        return kTxFailed;
    return nullptr;
}

bool IsContinuousTx(std::string_view countText) {
    return ReadInteger(countText) == 0;
}

Failure StopTx(CommandContext& ctx) {
    if (tx_stop(ctx) != kResultOk)
        return kTxStopFailed;
    return nullptr;
}

Failure StartRx(CommandContext& ctx) {
    if (rx(ctx) != kResultOk)
        return kRxFailed;
    return nullptr;
}

Failure StopRx(CommandContext& ctx, RxCounters& counters) {
    counters = {};
    if (rx_stop(ctx, counters.total, counters.abortErrors, counters.crcErrors) != kResultOk)
        return kRxStopFailed;
    return nullptr;
}

Failure StartTone(CommandContext& ctx, std::string& powerText) {
    if (ChipModelHas(ctx.ChipModelIndex(), &ChipModel::toneOnTxCarrier)) {
        if (Failure failure = SetRate(ctx, kToneRateRow, powerText))
            return failure;
        if (Failure failure = StartTx(ctx, "0", "0", 0))
            return failure;
    }
    if (tone(ctx) != kResultOk)
        return kToneFailed;
    return nullptr;
}

Failure StopTone(CommandContext& ctx) {
    if (tone_stop(ctx) != kResultOk)
        return kToneStopFailed;
    if (ChipModelHas(ctx.ChipModelIndex(), &ChipModel::toneOnTxCarrier))
        return StopTx(ctx);
    return nullptr;
}

Failure GetMac(CommandContext& ctx, std::string& source, std::string& dest, std::string& bssid) {
    if (get_mac(ctx, source, dest, bssid) != kResultOk)
        return kGetMacFailed;
    return nullptr;
}

Failure SetMac(CommandContext& ctx, std::string_view source, std::string_view dest,
               std::string_view bssid) {
    if (set_mac(ctx, source, dest, bssid) != kResultOk)
        return kSetMacFailed;
    return nullptr;
}

} // namespace kel::rftest
