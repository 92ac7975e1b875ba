// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plan run as JUnit XML, the form CI servers and dashboards read: one
// testsuite per board (named by its label or MAC; station, plan, plan
// version, port and tool version as properties), one testcase per measured
// point or step with its time; a failed limit as a failure whose message
// reads like the summary, an error as an error, a step never run as skipped.

#include "cli/plan/PlanTally.h"

#include <string>
#include <vector>

namespace kel::cli {

struct JUnitFacts {
    std::string station;
    std::string toolVersion;
    std::string timestamp; // when the run began, UTC
};

// False with the reason in why when the file cannot be written.
bool WriteJUnit(const std::string& path, const plan::Plan& plan,
                const std::vector<BoardRow>& rows, const JUnitFacts& facts, std::string& why);

} // namespace kel::cli
