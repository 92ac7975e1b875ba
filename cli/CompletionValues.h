// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The values kel-rftest's shell completion offers, read from the program's own
// tables so that it never offers a chip model, rate, channel or baud rate the
// program would refuse: `kel-rftest --complete-values models|rates|channels|bauds`,
// one value a line. Not a user's option; the completion script's alone.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

inline constexpr char kCompleteValuesOption[] = "--complete-values";

// The exit code when args (without the program's name) asked for the values
// and they were written (or the kind was refused on err); nothing otherwise.
std::optional<int> AnswerCompleteValues(const std::vector<std::string>& args, std::ostream& out,
                                        std::ostream& err);

} // namespace kel::cli
