// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pattern every catalogue command follows: write one line in the selected
// chip model's dialect, then read reply lines until one of the command's end
// lines arrives, handing every other line to the command's parser.

#include "protocol/CommandExchange.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kel {

class CommandContext;

// The 1000-byte reply buffer, zeroed when a command starts; lines are read
// into its start, so it always holds a NUL-terminated text.
struct ReplyBuffer {
    std::array<char, kReplyBufferSize> bytes{};

    char* data() { return bytes.data(); }
    // The line as text, up to its first NUL (its line feed included).
    std::string_view Line() const { return std::string_view(bytes.data()); }
};

// The text a "%s" puts into a command: everything before the first NUL.
std::string_view AsFormatArgument(std::string_view text);

// A command's body: the words joined by single blanks, each as a "%s" puts
// it (AsFormatArgument), and the line feed. An empty word still gets its blank.
std::string CommandBody(std::initializer_list<std::string_view> words);

// Writes the text as it stands, without dialect prefix or NUL.
int SendWithoutDialect(CommandContext& ctx, std::string_view text);

using ReplyLineHandler = std::function<void(std::string_view line)>;

// AwaitLine (limit 100) until a line equals one of endLines: kResultOk. Any
// other line goes to onOtherLine.
int WaitForEndLine(CommandContext& ctx, ReplyBuffer& reply,
                   std::initializer_list<const char*> endLines,
                   const ReplyLineHandler& onOtherLine = {}, int giveUpAllowance = 0);

// One whole catalogue command: SendInDialect, then WaitForEndLine with a
// fresh reply buffer. The send's result when it did not write.
int RunCommand(CommandContext& ctx, std::string_view body, Terminator terminator,
               std::initializer_list<const char*> endLines,
               const ReplyLineHandler& onOtherLine = {}, int giveUpAllowance = 0);

} // namespace kel
