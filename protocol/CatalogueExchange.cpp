#include "protocol/CatalogueExchange.h"

#include "protocol/CommandContext.h"

#include <chrono>
#include <string>
#include <thread>

namespace kel {

namespace {
constexpr std::chrono::milliseconds kGiveUpPause{10};
}

std::string_view AsFormatArgument(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

int SendInDialect(CommandContext& ctx, std::string_view body, Terminator terminator) {
    if (!HasChipModel(ctx))
        return kResultNoChipModel;
    std::string command(DialectPrefix(ctx.ChipModelIndex()));
    command += body;
    if (SendText(ctx, command, terminator == Terminator::WithNul) == 0)
        return kResultFailed;
    return kResultOk;
}

int SendWithoutDialect(CommandContext& ctx, std::string_view text) {
    if (SendText(ctx, text, false) == 0)
        return kResultFailed;
    return kResultOk;
}

bool LineIsAnyOf(const char* line, std::initializer_list<const char*> texts) {
    for (const char* text : texts) {
        if (LineIs(line, text))
            return true;
    }
    return false;
}

int WaitForEndLine(CommandContext& ctx, ReplyBuffer& reply,
                   std::initializer_list<const char*> endLines, const ReplyLineHandler& onOtherLine,
                   int giveUpAllowance) {
    for (;;) {
        if (ReadReplyLine(ctx, reply.data(), kLineLimit) != 0) {
            if (giveUpAllowance <= 0)
                return kResultFailed;
            --giveUpAllowance;
            std::this_thread::sleep_for(kGiveUpPause);
            continue;
        }
        if (LineIsAnyOf(reply.data(), endLines))
            return kResultOk;
        if (onOtherLine)
            onOtherLine(reply.Line());
    }
}

} // namespace kel
