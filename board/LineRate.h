// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The baud rate a terminal is set to, any rate included (the non-standard
// ones too), so the board can answer no faster than a real UART would.

#include <cstdint>

namespace kel::board {

// The output rate of the terminal behind fd in bit/s; 0 when it cannot be read.
std::uint32_t ReadLineRate(int fd);

} // namespace kel::board
