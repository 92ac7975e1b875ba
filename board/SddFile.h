// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board's SDD file in its ASCII form, as get_sdd_file dumps it.

#include "board/BoardState.h"

#include <string>

namespace kel::board {

// A few hundred bytes of text, every line ending in a line feed, built from
// the stored values (frequency offset, the three power levels, addresses).
std::string BuildSddFile(const BoardState& state);

} // namespace kel::board
