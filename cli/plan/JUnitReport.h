// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plan run as JUnit XML, the form CI servers and dashboards read: one
// testsuite per board (named by its label or MAC; station, plan, plan
// version, port and tool version as properties), one testcase per measured
// point or step with its time, classname the board, the point's value,
// limits, unit and attempts as its properties; a failed limit as a failure whose message
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

// A run that ended before any board was tested (a plan refused, a port
// missing): one suite with one error case saying why, so that a CI job that
// always publishes the file never shows an earlier run's pass.
bool WriteJUnitRefusal(const std::string& path, const std::string& suiteName,
                       const std::string& message, const JUnitFacts& facts, std::string& why);

} // namespace kel::cli
