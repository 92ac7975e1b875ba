// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The end of a plan run: each board's verdict with its failing points, a
// count, and the exit code a line acts on.

#include "cli/plan/PlanTally.h"

#include <string>
#include <vector>

namespace kel::cli {

// "PASS", "FAIL", "ERROR", "INTERRUPTED".
std::string VerdictWord(plan::BoardVerdict verdict);

// "FAIL   /dev/pts/6  02:4b:45:4c:00:04  ch 11 54 Mbps PER 29 % > 8 %", each
// further failing point on a line of its own below, then the count.
std::string SummaryText(const plan::Plan& plan, const std::vector<BoardRow>& rows);
// The summary's lines of these boards, without the count.
std::string VerdictLines(const std::vector<BoardRow>& rows);
// "4 boards, 3 passed, 1 failed"
std::string CountText(const VerdictCounts& counts);
// "QB202 line test 3: 4 boards, 3 passed, 1 failed" and the line's end.
std::string CountLine(const plan::Plan& plan, const VerdictCounts& counts);

// 130 interrupted, 1 a board errored, 4 a board failed a limit, else 0.
int PlanExitCode(const std::vector<BoardRow>& rows, bool interrupted);

} // namespace kel::cli
