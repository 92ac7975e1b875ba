#pragma once
// kel-rftest run in-process: its exit code and what it wrote to each stream.

#include "cli/Interruption.h"
#include "cli/RfTestRun.h"

#include <sstream>
#include <string>
#include <vector>

namespace kel::test {

struct CliResult {
    int exitCode;
    std::string out;
    std::string err;
};

inline CliResult RunCli(const std::vector<std::string>& args, cli::RunSettings settings = {}) {
    std::ostringstream out, err;
    cli::Interruption interruption;
    const int code = cli::RunRfTest(args, out, err, interruption, settings);
    return {code, out.str(), err.str()};
}

} // namespace kel::test
