// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command lines of `kel-rftest plan check` and `kel-rftest plan run`,
// every value checked before a port is touched.

#include "board/BoardConfig.h"
#include "cli/ExitCodes.h"
#include "results/StoreSetting.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

struct PlanInvocation {
    bool run = false; // else check
    std::string planPath;
    std::vector<std::string> ports; // device paths, in the order given
    std::vector<std::string> slots; // per port: its name from -p NAME=PORT, or empty
    // --virtual N: the boards of a tray started for the run, each its own.
    std::vector<board::BoardConfig> virtualBoards;
    // Where each board's run is recorded (--results or KEL_RESULTS), and the
    // names the runs carry.
    results::StoreSetting store;
    std::string station;
    std::string operatorName;
    std::vector<std::string> duts; // per port, in order; may be fewer
    std::string junitPath;
    // Where sdd-export steps write: --sdd-dir, else beside the results store.
    std::string sddFolder;
    bool json = false;
    // --loop: a station, each port testing board after board until Ctrl+C.
    bool loop = false;
    // --scan: each board's serial is asked on the terminal before its test.
    bool scan = false;
};

struct ParsedPlanArguments {
    std::optional<PlanInvocation> invocation; // set when the command may go ahead
    int exitCode = kExitOk;                   // otherwise: kExitOk after --help, else kExitUsage
    std::string refusal;                      // why, with kExitUsage
};

// True when the command line is a plan command (its first word is "plan").
bool IsPlanCommand(const std::vector<std::string>& args);

// args without the program's name, "plan" first. Help goes to out, a refusal
// to err.
ParsedPlanArguments ParsePlanArguments(const std::vector<std::string>& args, std::ostream& out,
                                       std::ostream& err);

} // namespace kel::cli
