#pragma once
// The command line of kel-rftest: every argument read and checked before the
// port is touched, so a bad one costs nothing on the line.

#include "cli/Invocation.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

struct ParsedArguments {
    std::optional<Invocation> invocation; // set when the run may go ahead
    int exitCode = 0;                     // otherwise: 0 after --help, else 2
};

// args without the program's name. Help goes to out; a refusal goes to err
// with a pointer to --help.
ParsedArguments ParseArguments(const std::vector<std::string>& args, std::ostream& out,
                               std::ostream& err);

} // namespace kel::cli
