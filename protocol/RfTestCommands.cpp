// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/RfTestCommands.h"

#include "protocol/CatalogueExchange.h"
#include "protocol/ReplyParsing.h"

namespace kel {

namespace {
// The board sometimes misses a beat when a transmit test starts.
constexpr int kTxGiveUpAllowance = 2;

// A command sent without its NUL and acknowledged by "Sending CMD OK!\n" alone.
int RunOkAcknowledged(CommandContext& ctx, std::string_view body,
                      const ReplyLineHandler& onOtherLine = {}) {
    return RunCommand(ctx, body, Terminator::WithoutNul, {kCmdOk}, onOtherLine);
}
} // namespace

int get_mac(CommandContext& ctx, std::string& srcMac, std::string& dstMac, std::string& bssid) {
    return RunCommand(ctx, "get_mac\n", Terminator::WithNul, {kCmdOk}, [&](std::string_view line) {
        if (LineBeginsWith(line, kSourceMacLabel))
            srcMac = MacAddressValue(line);
        else if (LineBeginsWith(line, kDestMacLabel))
            dstMac = MacAddressValue(line);
        else if (LineBeginsWith(line, kBssidLabel))
            bssid = MacAddressValue(line);
    });
}

int set_mac(CommandContext& ctx, std::string_view first, std::string_view second,
            std::string_view third) {
    return RunOkAcknowledged(ctx, CommandBody({"set_mac", "-d", first, "-s", second, "-t", third}));
}

int power_level(CommandContext& ctx, std::string_view powerText) {
    return RunCommand(ctx, CommandBody({"power_level", powerText}), Terminator::WithoutNul,
                      {kCmdOk, kCmdError});
}

int tone(CommandContext& ctx) {
    return RunOkAcknowledged(ctx, "tone\n");
}

int tone_stop(CommandContext& ctx) {
    return RunOkAcknowledged(ctx, "tone_stop\n");
}

int tx(CommandContext& ctx, std::int32_t length, std::int32_t count, std::int32_t fullDuty) {
    std::string body = "tx";
    if (count != 0)
        body += " -n " + std::to_string(count);
    if (length != 0)
        body += " -l " + std::to_string(length);
    if (fullDuty != 0)
        body += " -f";
    body += '\n';
    return RunCommand(ctx, body, Terminator::WithoutNul, {kCmdOk}, {}, kTxGiveUpAllowance);
}

int tx_stop(CommandContext& ctx) {
    return RunOkAcknowledged(ctx, "tx_stop\n");
}

int rx(CommandContext& ctx) {
    return RunOkAcknowledged(ctx, "rx\n");
}

int rx_stop(CommandContext& ctx, std::int32_t& total, std::int32_t& abortErrors,
            std::int32_t& crcErrors) {
    return RunOkAcknowledged(ctx, "rx_stop\n", [&](std::string_view line) {
        if (LineBeginsWith(line, kTotalLabel))
            total = NumberAfterLabel(line, kTotalLabel);
        else if (LineBeginsWith(line, kAbortErrorLabel))
            abortErrors = NumberAfterLabel(line, kAbortErrorLabel);
        else if (LineBeginsWith(line, kCrcErrorLabel))
            crcErrors = NumberAfterLabel(line, kCrcErrorLabel);
    });
}

int channel(CommandContext& ctx, std::int32_t channelNumber) {
    return RunOkAcknowledged(ctx, CommandBody({"channel", "2GHZ", std::to_string(channelNumber)}));
}

int rate(CommandContext& ctx, int mode, float rateMbps, std::string& powerText) {
    const std::string body = CommandBody(
        {"rate", "-m", std::to_string(mode), "-r", FixedDecimal(static_cast<double>(rateMbps), 1)});
    return RunOkAcknowledged(ctx, body, [&](std::string_view line) {
        if (LineBeginsWith(line, kPowerLevelLabel))
            powerText = TextAfterLabel(line, kPowerLevelLabel);
    });
}

} // namespace kel
