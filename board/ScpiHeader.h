// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How an SCPI instrument reads a command header: each node in its long or
// short form ("ROUTe" or "ROUT", "rout"), any letter case, optional nodes
// left out ("SOUR:POW" for SOURce:POWer[:LEVel][:IMMediate]), a leading
// colon allowed, a trailing '?' making it a query.

#include <string>
#include <string_view>
#include <vector>

namespace kel::board {

struct ScpiCommand {
    std::string header; // without the '?'
    bool query = false;
    std::string parameters; // the rest, trimmed
};

// A line split at ';' into its commands, each into header and parameters.
std::vector<ScpiCommand> SplitScpiLine(std::string_view line);

// True when header names the pattern's command. In the pattern the
// upper-case letters of a node are its short form and optional nodes are
// in brackets: "SOURce:POWer[:LEVel][:IMMediate][:AMPLitude]".
bool HeaderMatches(std::string_view header, std::string_view pattern);

} // namespace kel::board
