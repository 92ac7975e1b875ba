// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What kelGuiTool answers on its command line without opening a window
// (--help, --version): it needs no display, so the manual page maker and a
// package check can ask it anywhere. Any other argument is left to Qt, as before.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kel {

// The exit code when the arguments (without the program's name) asked for
// help or the version and it was printed; nothing when the console should start.
std::optional<int> AnswerCommandLine(const std::vector<std::string>& args, std::ostream& out);

} // namespace kel
