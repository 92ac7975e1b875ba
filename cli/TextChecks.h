// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Checks of the text a user gives that leaves the program in the results, the
// reports and the command line others can see.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::cli {

// Why a name (--dut, --operator, --station) cannot be stored as given: it
// holds a control character (a line feed, an escape) that would break a
// report's lines or a terminal showing them. Nothing when it is sound.
std::optional<std::string> NameProblem(std::string_view option, std::string_view text);

// The warning for a password written into a postgresql:// URI on the command
// line, which every user of the machine can read (ps, /proc); empty when
// there is none.
std::string PasswordOnCommandLineWarning(const std::vector<std::string>& args);

} // namespace kel::cli
