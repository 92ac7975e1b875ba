// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of kel-rftest: every argument read and checked before the
// port is touched, so a bad one costs nothing on the line.

#include "cli/ExitCodes.h"
#include "cli/Invocation.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

struct ParsedArguments {
    std::optional<Invocation> invocation; // set when the run may go ahead
    int exitCode = kExitOk;               // otherwise: kExitOk after --help, else kExitUsage
};

// args without the program's name. Help goes to out; a refusal goes to err
// with a pointer to --help.
ParsedArguments ParseArguments(const std::vector<std::string>& args, std::ostream& out,
                               std::ostream& err);

} // namespace kel::cli
