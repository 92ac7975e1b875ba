#include "protocol/CalibrationCommands.h"

#include "protocol/CatalogueExchange.h"
#include "protocol/ReplyParsing.h"

namespace kel {

namespace {
constexpr const char kFreqOffsetLabel[] = "freq offset is";
constexpr const char kSddFreqOffsetLabel[] = "Get sdd freq offset";
constexpr const char kDsssLabel[] = "DSSS";
constexpr const char kBpskLabel[] = "BPSK1/2";
constexpr const char kQam64Label[] = "64QAM5/6";

// After the value line of get_freq_offset the acknowledgement must come soon.
constexpr int kLinesAfterValue = 5;

bool IsAcknowledgement(const char* line) {
    return LineIsAnyOf(line, {kCmdOk, kAck200});
}

bool HasColonBeforeLineFeed(std::string_view line) {
    return line.substr(0, line.find('\n')).find(':') != std::string_view::npos;
}

// A command acknowledged by "Sending CMD OK!\n" or "<ACK> 200 OK\n".
int RunAcknowledged(CommandContext& ctx, std::string_view body, Terminator terminator,
                    const ReplyLineHandler& onOtherLine = {}) {
    ReplyBuffer reply;
    const int sent = SendInDialect(ctx, body, terminator);
    if (sent != kResultOk)
        return sent;
    return WaitForEndLine(ctx, reply, {kCmdOk, kAck200}, onOtherLine);
}

std::string WithArgument(std::string_view command, std::string_view argument) {
    std::string body(command);
    body += ' ';
    body += AsFormatArgument(argument);
    body += '\n';
    return body;
}

// Reads up to five more lines for the acknowledgement that must follow a value line.
int AwaitAcknowledgementAfterValue(CommandContext& ctx, ReplyBuffer& reply) {
    for (int i = 0; i < kLinesAfterValue; ++i) {
        if (ReadReplyLine(ctx, reply.data(), kLineLimit) != 0)
            return kResultFailed;
        if (IsAcknowledgement(reply.data()))
            return kResultOk;
    }
    return kResultFailed;
}
} // namespace

int set_freq_offset(CommandContext& ctx, std::string_view freqOffset) {
    return RunAcknowledged(ctx, WithArgument("set_freq_offset", freqOffset),
                           Terminator::WithoutNul);
}

int get_freq_offset(CommandContext& ctx, std::string& freqOffset) {
    ReplyBuffer reply;
    bool acknowledged = false;
    const int sent = SendInDialect(ctx, "get_freq_offset\n", Terminator::WithNul);
    if (sent != kResultOk)
        return sent;
    const int valueLine = AwaitLine(ctx, reply.data(), kLineLimit, [&](const char* line) {
        if (IsAcknowledgement(line))
            acknowledged = true;
        const std::string_view text(line);
        if (!text.starts_with(kFreqOffsetLabel))
            return false;
        freqOffset = std::to_string(ValueAfterLastColon(text));
        // A value line without a colon carries no value worth ending on.
        return HasColonBeforeLineFeed(text);
    });
    if (valueLine != kResultOk || acknowledged)
        return valueLine;
    return AwaitAcknowledgementAfterValue(ctx, reply);
}

int get_sdd_freq_offset(CommandContext& ctx, std::string& freqOffset) {
    return RunAcknowledged(ctx, "get_sdd_freq_offset\n", Terminator::WithNul,
                           [&](std::string_view line) {
                               if (line.starts_with(kSddFreqOffsetLabel))
                                   freqOffset = std::to_string(ValueAfterLastColon(line));
                           });
}

int set_sdd_freq_offset(CommandContext& ctx, std::string_view freqOffset) {
    return RunAcknowledged(ctx, WithArgument("set_sdd_freq_offset", freqOffset),
                           Terminator::WithoutNul);
}

int get_sdd_power_all(CommandContext& ctx, std::string& dsss, std::string& bpsk12,
                      std::string& qam64) {
    return RunAcknowledged(ctx, "get_sdd_power all\n", Terminator::WithNul,
                           [&](std::string_view line) {
                               if (line.starts_with(kDsssLabel))
                                   dsss = std::to_string(ValueInLastFour(line));
                               else if (line.starts_with(kBpskLabel))
                                   bpsk12 = std::to_string(ValueInLastFour(line));
                               else if (line.starts_with(kQam64Label))
                                   qam64 = std::to_string(ValueInLastFour(line));
                           });
}

int set_sdd_power_all(CommandContext& ctx, std::string_view first, std::string_view second,
                      std::string_view third) {
    std::string body = "set_sdd_power all ";
    body += AsFormatArgument(first);
    body += ' ';
    body += AsFormatArgument(second);
    body += ' ';
    body += AsFormatArgument(third);
    body += '\n';
    return RunAcknowledged(ctx, body, Terminator::WithoutNul);
}

} // namespace kel
