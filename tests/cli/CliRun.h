// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kel-rftest run in-process: its exit code and what it wrote to each stream.

#include "cli/Interruption.h"
#include "cli/RfTestRun.h"

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace kel::test {

struct CliResult {
    int exitCode;
    std::string out;
    std::string err;
};

// Each line of out as a JSON value; Json keeps the keys' order or not.
template <typename Json = nlohmann::json> std::vector<Json> JsonLines(const std::string& out) {
    std::vector<Json> lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(Json::parse(line));
    return lines;
}

inline CliResult RunCli(const std::vector<std::string>& args, cli::RunSettings settings = {}) {
    std::ostringstream out, err;
    cli::Interruption interruption;
    const int code = cli::RunRfTest(args, out, err, interruption, settings);
    return {code, out.str(), err.str()};
}

} // namespace kel::test
