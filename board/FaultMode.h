// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ways the virtual board can misbehave, for tests and demonstrations of the
// console's failure paths. Parsed from the text of --fault MODE.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kel::board {

enum class FaultKind {
    None,
    Silent,       // reads every command, answers none
    CrLf,         // reply lines end in CR LF
    Noise,        // an unrelated status line before every reply line
    Slow,         // a pause in the middle of every reply line and of the SDD body
    StopAfter,    // sends only the first byteCount bytes, then stays silent
    HangUp,       // closes the line (the pseudo-terminal's master) after byteCount bytes
    ErrorReplies, // answers every command but the driver probe "Sending CMD error!"
    WeakRx,       // receives kWeakRxPenaltyDb worse than its peers; the line is healthy
};

struct FaultMode {
    FaultKind kind = FaultKind::None;
    std::size_t byteCount = 0;            // StopAfter and HangUp
    std::chrono::milliseconds pause{300}; // Slow

    bool operator==(const FaultMode&) const = default;
};

// "none", "silent", "crlf", "noise", "slow[=MS]", "stop-after=N",
// "hang-up[=N]", "error" or "weak-rx". Empty with a reason in *error for anything else.
std::optional<FaultMode> ParseFaultMode(std::string_view text, std::string* error = nullptr);

// The MODE texts, one per line, for --help.
std::string FaultModeHelp();

// Bytes sent before a hang-up when the mode does not say: inside the first
// reply line, "kel driver is ready!".
inline constexpr std::size_t kDefaultHangUpBytes = 10;

} // namespace kel::board
