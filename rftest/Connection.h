// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a session with the board begins and ends, for every front end: the
// handshake after the port is open, and the disconnect before it closes.

#include "rftest/Messages.h"

#include <string>

namespace kel {
class CommandContext;
}

namespace kel::rftest {

// Driver probe, connect, enable_phy, stopping at the first that fails;
// powerText takes the level the board reports.
Failure Handshake(CommandContext& ctx, std::string& powerText);

// The disconnect command (the bare dialect has one; the prefixed writes
// nothing). The board may be gone: what it gives is not looked at.
void Disconnect(CommandContext& ctx);

} // namespace kel::rftest
