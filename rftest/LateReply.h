// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// After a command's wait was cancelled, the board may still answer it: that
// late reply would pass for the reply of the next command sent (a stop),
// and every reply after it would be one behind. Taking it first keeps the
// exchange in step.

namespace kel {
class CommandContext;
}

namespace kel::rftest {

// Reads what the board still says until the line has been quiet for a read
// slice, and shows it in the log pane. Call with no cancel pending.
void TakeLateReply(CommandContext& ctx);

} // namespace kel::rftest
