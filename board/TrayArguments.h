// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kel-virtual-board's command line: how many boards to serve and what each is
// like. An option applies to every board unless its value starts with a
// board's index and a colon (--fault 3:weak-rx: only the fourth board).

#include "board/BoardConfig.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kel::board {

// Enough for any tray a bench holds, far from the system's pseudo-terminals.
inline constexpr int kMaxTrayBoards = 128;

struct TrayArguments {
    bool help = false;
    std::vector<BoardConfig> boards; // one per board, in order
    // The loopback port of the virtual bench's instrument (0: a free one);
    // none without --instrument.
    std::optional<int> instrumentPort;
};

// The arguments after the program's name; empty with the reason in error
// for anything the usage does not allow.
std::optional<TrayArguments> ParseTrayArguments(std::span<const std::string_view> args,
                                                std::string& error);

// The --help text.
std::string TrayUsage();

} // namespace kel::board
