// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `kel-rftest plan check` and `kel-rftest plan run`, from the arguments to
// the exit code: the plan read and checked, then (run) the boards' ports
// opened, every board tested at once with the live table or plain lines, the
// summary, JSON and JUnit.

#include "cli/RfTestRun.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kel::cli {

class Interruption;

// args without the program's name, "plan" first.
int RunPlanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   Interruption& interruption, const RunSettings& settings);

} // namespace kel::cli
