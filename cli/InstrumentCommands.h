// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kel-rftest instrument idn|send|check: the instrument alone, no board.

#include <iosfwd>
#include <string>
#include <vector>

namespace kel::cli {

// The words name the instrument command line (its options may come first).
bool IsInstrumentCommand(const std::vector<std::string>& args);

int RunInstrumentCommand(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err);

} // namespace kel::cli
