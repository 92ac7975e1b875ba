// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One command written and echoed, reply lines read, logged and matched; the
// dialect rule and the four handshake commands.

#include "protocol/ReplyTexts.h"

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>

namespace kel {

class CommandContext;

// Command result codes.
constexpr int kResultOk = 0;
constexpr int kResultFailed = -1;
constexpr int kResultNoChipModel = -2;

// Reader limits and buffer sizes of the reply lines.
constexpr int kProbeLineLimit = 256;
constexpr int kLineLimit = 100;
constexpr std::size_t kProbeBufferSize = 1024;
constexpr std::size_t kReplyBufferSize = 1000;

// The log pane is emptied before a reply line once it holds this many characters.
constexpr std::size_t kLogPaneLimit = 20480;

// "netcmd lmac kel " for the prefixed dialect, "kel " for the bare one, empty
// when no chip model is chosen (ChipModels.h).
std::string_view DialectPrefix(int chipModelIndex);

// True when a chip model row (0..3) is chosen; commands return -2 otherwise.
bool HasChipModel(const CommandContext& ctx);

// Writes all count bytes, then echoes those up to the first NUL to the log
// pane. Returns the count written, 0 on failure.
std::size_t SendCommand(CommandContext& ctx, const void* bytes, std::size_t count);

// SendCommand for a text, with the NUL that ends it as one more byte or not.
std::size_t SendText(CommandContext& ctx, std::string_view text, bool withNul);

// Whether the NUL that ends a command's text goes out too. It is fixed per
// command, as the board has always received them: the handshake, get_mac,
// get_freq_offset, get_sdd_freq_offset and get_sdd_power send it; every other
// command (tone, rx and get_sdd_file among them) does not. The board ignores
// it either way.
enum class Terminator { WithNul, WithoutNul };

// Writes the dialect prefix and body. kResultNoChipModel when no chip model is
// selected (nothing written or logged), kResultFailed when nothing was
// written, kResultOk otherwise.
int SendInDialect(CommandContext& ctx, std::string_view body, Terminator terminator);

// Reads one line (up to and including its line feed) into buffer, which must be
// longer than limit; a line that ends in CR LF is stored ending in LF alone. 0 a line was read and logged; -1 gave up, the read failed
// or was cancelled. Each attempt clears the port's timedOut flag, so a
// ReadWatchdog must be running on the port, or a silent line is waited on
// until a cancel.
int ReadReplyLine(CommandContext& ctx, char* buffer, int limit);

// Whole-line match, line feed included; byte-exact.
bool LineIs(const char* line, const char* expected);
// True when the line equals one of the texts, line feed included.
bool LineIsAnyOf(const char* line, std::initializer_list<const char*> texts);
// The line begins with the label: the one prefix test of every reply parser.
bool LineBeginsWith(std::string_view line, std::string_view label);

// Says whether a line read into the buffer is the one awaited; it may take
// values out of the lines it declines.
using LineCheck = std::function<bool(const char* line)>;

// The one wait for an awaited line: reads lines (logging each) into buffer
// with the given limit until isAwaited accepts one: kResultOk. kResultFailed
// when the reader gives up beyond giveUpAllowance (each give-up inside it
// costs a 10 ms pause before reading on), at once when the read failed or was
// cancelled, and when ctx.chatterBound or otherLineLimit (lines read that
// were not the awaited one) is reached without the awaited line.
int AwaitLine(CommandContext& ctx, char* buffer, int limit, const LineCheck& isAwaited,
              int giveUpAllowance = 0, int otherLineLimit = std::numeric_limits<int>::max());

// Reads lines (logging each) until one is byte-for-byte one of expected: 0; -1
// when the reader gives up first, or for a limit that is not positive. Other
// lines are skipped.
int WaitForLine(CommandContext& ctx, std::initializer_list<const char*> expected,
                int limit = kLineLimit);

int ProbeDriver(CommandContext& ctx);
int ConnectDevice(CommandContext& ctx);
int EnablePhy(CommandContext& ctx, std::string& powerText);
int DisconnectDevice(CommandContext& ctx);
int WaitAck(CommandContext& ctx);
int WaitAnyAck(CommandContext& ctx);

} // namespace kel
