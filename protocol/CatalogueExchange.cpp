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
    if (ctx.ChipModelIndex() == -1)
        return kResultNoChipModel;
    std::string command(DialectPrefix(ctx.ChipModelIndex()));
    command += body;
    // c_str() keeps the NUL right after the text, so it can go out with it.
    const std::size_t count = command.size() + (terminator == Terminator::WithNul ? 1 : 0);
    if (SendCommand(ctx, command.c_str(), count) == 0)
        return kResultFailed;
    return kResultOk;
}

int SendWithoutDialect(CommandContext& ctx, std::string_view text) {
    const std::string command(text);
    if (SendCommand(ctx, command.c_str(), command.size()) == 0)
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
