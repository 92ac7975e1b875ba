// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/LateReply.h"

#include "protocol/CommandContext.h"
#include "serial/SerialPort.h"

#include <cstdint>
#include <string>

namespace kel::rftest {

namespace {

// A board that never falls quiet is not waited for beyond this.
constexpr std::size_t kMostLateBytes = 4096;

} // namespace

void TakeLateReply(CommandContext& ctx) {
    SerialPort& port = ctx.Port();
    std::string late;
    for (std::size_t count = 0; count < kMostLateBytes; ++count) {
        std::uint8_t byte = 0;
        port.timedOut.store(0); // a slice of its own for each byte, as a reply's reader does
        if (port.ReadByte(&byte) != 0)
            break;
        // Shown as the board's lines are: each on a line of the pane.
        if (byte == '\n')
            late += "\r\n";
        else if (byte != '\r')
            late.push_back(static_cast<char>(byte));
    }
    if (!late.empty())
        ctx.AppendLog(late);
}

} // namespace kel::rftest
