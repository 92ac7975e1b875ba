#include "protocol/CatalogueExchange.h"

#include "protocol/CommandContext.h"

#include <string>

namespace kel {

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

int WaitForEndLine(CommandContext& ctx, ReplyBuffer& reply,
                   std::initializer_list<const char*> endLines, const ReplyLineHandler& onOtherLine,
                   int giveUpAllowance) {
    return AwaitLine(
        ctx, reply.data(), kLineLimit,
        [&](const char* line) {
            if (LineIsAnyOf(line, endLines))
                return true;
            if (onOtherLine)
                onOtherLine(reply.Line());
            return false;
        },
        giveUpAllowance);
}

} // namespace kel
