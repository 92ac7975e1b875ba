// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/CatalogueExchange.h"

#include "protocol/CommandContext.h"

#include <string>

namespace kel {

std::string_view AsFormatArgument(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string CommandBody(std::initializer_list<std::string_view> words) {
    std::string body;
    for (const std::string_view word : words) {
        if (!body.empty())
            body += ' ';
        body += AsFormatArgument(word);
    }
    body += '\n';
    return body;
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

int RunCommand(CommandContext& ctx, std::string_view body, Terminator terminator,
               std::initializer_list<const char*> endLines, const ReplyLineHandler& onOtherLine,
               int giveUpAllowance) {
    if (const int sent = SendInDialect(ctx, body, terminator); sent != kResultOk)
        return sent;
    ReplyBuffer reply;
    return WaitForEndLine(ctx, reply, endLines, onOtherLine, giveUpAllowance);
}

} // namespace kel
