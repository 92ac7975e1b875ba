// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/CalibrationCommands.h"

#include "protocol/CatalogueExchange.h"
#include "protocol/ReplyParsing.h"

namespace kel {

namespace {
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
    return RunCommand(ctx, body, terminator, {kCmdOk, kAck200}, onOtherLine);
}
} // namespace

int set_freq_offset(CommandContext& ctx, std::string_view freqOffset) {
    return RunAcknowledged(ctx, CommandBody({"set_freq_offset", freqOffset}),
                           Terminator::WithoutNul);
}

int get_freq_offset(CommandContext& ctx, std::string& freqOffset) {
    const int sent = SendInDialect(ctx, "get_freq_offset\n", Terminator::WithNul);
    if (sent != kResultOk)
        return sent;
    ReplyBuffer reply;
    bool acknowledged = false;
    const int valueLine = AwaitLine(ctx, reply.data(), kLineLimit, [&](const char* line) {
        if (IsAcknowledgement(line))
            acknowledged = true;
        if (!LineBeginsWith(line, kFreqOffsetLabel))
            return false;
        freqOffset = std::to_string(ValueAfterLastColon(line));
        // A value line without a colon carries no value worth ending on.
        return HasColonBeforeLineFeed(line);
    });
    if (valueLine != kResultOk || acknowledged)
        return valueLine;
    return AwaitLine(ctx, reply.data(), kLineLimit, IsAcknowledgement, 0, kLinesAfterValue);
}

int get_sdd_freq_offset(CommandContext& ctx, std::string& freqOffset) {
    return RunAcknowledged(ctx, "get_sdd_freq_offset\n", Terminator::WithNul,
                           [&](std::string_view line) {
                               if (LineBeginsWith(line, kSddFreqOffsetLabel))
                                   freqOffset = std::to_string(ValueAfterLastColon(line));
                           });
}

int set_sdd_freq_offset(CommandContext& ctx, std::string_view freqOffset) {
    return RunAcknowledged(ctx, CommandBody({"set_sdd_freq_offset", freqOffset}),
                           Terminator::WithoutNul);
}

int get_sdd_power_all(CommandContext& ctx, std::string& dsss, std::string& bpsk12,
                      std::string& qam64) {
    return RunAcknowledged(ctx, "get_sdd_power all\n", Terminator::WithNul,
                           [&](std::string_view line) {
                               if (LineBeginsWith(line, kDsssLabel))
                                   dsss = std::to_string(ValueInLastFour(line));
                               else if (LineBeginsWith(line, kBpskLabel))
                                   bpsk12 = std::to_string(ValueInLastFour(line));
                               else if (LineBeginsWith(line, kQam64Label))
                                   qam64 = std::to_string(ValueInLastFour(line));
                           });
}

int set_sdd_power_all(CommandContext& ctx, std::string_view first, std::string_view second,
                      std::string_view third) {
    return RunAcknowledged(ctx, CommandBody({"set_sdd_power", "all", first, second, third}),
                           Terminator::WithoutNul);
}

} // namespace kel
