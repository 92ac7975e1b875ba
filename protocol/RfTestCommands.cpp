#include "protocol/RfTestCommands.h"

#include "protocol/CatalogueExchange.h"
#include "protocol/ReplyParsing.h"

namespace kel {

namespace {
constexpr const char kSourceMacLabel[] = "Source mac address";
constexpr const char kDestMacLabel[] = "Dest mac address";
constexpr const char kBssidLabel[] = "BSSID";
constexpr const char kTotalLabel[] = "Total:";
constexpr const char kAbortErrorLabel[] = "AbortError:";
constexpr const char kCrcErrorLabel[] = "CRCError:";

// The board sometimes misses a beat when a transmit test starts.
constexpr int kTxGiveUpAllowance = 2;

bool StartsWith(std::string_view line, std::string_view label) {
    return line.starts_with(label);
}

// A formatted command acknowledged by "Sending CMD OK!\n" alone.
int RunFormatted(CommandContext& ctx, std::string_view body) {
    ReplyBuffer reply;
    const int sent = SendInDialect(ctx, body, Terminator::WithoutNul);
    if (sent != kResultOk)
        return sent;
    return WaitForEndLine(ctx, reply, {kCmdOk});
}
} // namespace

int get_mac(CommandContext& ctx, std::string& srcMac, std::string& dstMac, std::string& bssid) {
    ReplyBuffer reply;
    const int sent = SendInDialect(ctx, "get_mac\n", Terminator::WithNul);
    if (sent != kResultOk)
        return sent;
    return WaitForEndLine(ctx, reply, {kCmdOk}, [&](std::string_view line) {
        if (StartsWith(line, kSourceMacLabel))
            srcMac = MacAddressValue(line);
        else if (StartsWith(line, kDestMacLabel))
            dstMac = MacAddressValue(line);
        else if (StartsWith(line, kBssidLabel))
            bssid = MacAddressValue(line);
    });
}

int set_mac(CommandContext& ctx, std::string_view first, std::string_view second,
            std::string_view third) {
    std::string body = "set_mac -d ";
    body += AsFormatArgument(first);
    body += " -s ";
    body += AsFormatArgument(second);
    body += " -t ";
    body += AsFormatArgument(third);
    body += '\n';
    return RunFormatted(ctx, body);
}

int power_level(CommandContext& ctx, std::string_view powerText) {
    std::string body = "power_level ";
    body += AsFormatArgument(powerText);
    body += '\n';
    ReplyBuffer reply;
    const int sent = SendInDialect(ctx, body, Terminator::WithoutNul);
    if (sent != kResultOk)
        return sent;
    return WaitForEndLine(ctx, reply, {kCmdOk, kCmdError});
}

int tone(CommandContext& ctx) {
    return RunFormatted(ctx, "tone\n");
}

int tone_stop(CommandContext& ctx) {
    return RunFormatted(ctx, "tone_stop\n");
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
    ReplyBuffer reply;
    const int sent = SendInDialect(ctx, body, Terminator::WithoutNul);
    if (sent != kResultOk)
        return sent;
    return WaitForEndLine(ctx, reply, {kCmdOk}, {}, kTxGiveUpAllowance);
}

int tx_stop(CommandContext& ctx) {
    return RunFormatted(ctx, "tx_stop\n");
}

int rx(CommandContext& ctx) {
    return RunFormatted(ctx, "rx\n");
}

int rx_stop(CommandContext& ctx, std::int32_t& total, std::int32_t& abortErrors,
            std::int32_t& crcErrors) {
    ReplyBuffer reply;
    const int sent = SendInDialect(ctx, "rx_stop\n", Terminator::WithoutNul);
    if (sent != kResultOk)
        return sent;
    return WaitForEndLine(ctx, reply, {kCmdOk}, [&](std::string_view line) {
        if (StartsWith(line, kTotalLabel))
            total = NumberAfterLabel(line, kTotalLabel);
        else if (StartsWith(line, kAbortErrorLabel))
            abortErrors = NumberAfterLabel(line, kAbortErrorLabel);
        else if (StartsWith(line, kCrcErrorLabel))
            crcErrors = NumberAfterLabel(line, kCrcErrorLabel);
    });
}

int channel(CommandContext& ctx, std::int32_t channelNumber) {
    return RunFormatted(ctx, "channel 2GHZ " + std::to_string(channelNumber) + "\n");
}

int rate(CommandContext& ctx, int mode, float rateMbps, std::string& powerText) {
    const std::string body = "rate -m " + std::to_string(mode) + " -r " +
                             FixedDecimal(static_cast<double>(rateMbps), 1) + "\n";
    ReplyBuffer reply;
    const int sent = SendInDialect(ctx, body, Terminator::WithoutNul);
    if (sent != kResultOk)
        return sent;
    return WaitForEndLine(ctx, reply, {kCmdOk}, [&](std::string_view line) {
        if (StartsWith(line, kPowerLevelLabel))
            powerText = TextAfterLabel(line, kPowerLevelLabel);
    });
}

} // namespace kel
