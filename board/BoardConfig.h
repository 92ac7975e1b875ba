// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What makes one virtual board the board it is: its place in the tray (which
// gives its MAC address), the seed of its character, the signal it hears and
// how it misbehaves. A default config is board 0 on a typical bench.

#include "board/BoardState.h"
#include "board/FaultMode.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kel::board {

using BoardClock = std::function<std::chrono::steady_clock::time_point()>;

struct BoardConfig {
    // 0 for the first board; its source MAC is 02:4b:45:4c:XX:YY with XXYY
    // the index plus one (board 0 is ...:00:01).
    int index = 0;
    // Draws the board's spread; derived from its MAC when empty, so a board
    // answers alike in every run and differs from its neighbours.
    std::optional<std::uint64_t> seed;
    // The level the tester's signal reaches the board with while it receives.
    double rxLevelDbm = kDefaultRxLevelDbm;
    // How the board misbehaves, on the line or (weak-rx) in its receiver.
    FaultMode fault;
    // Time of the RX counters; steady_clock when empty. A test that moves
    // it by hand gets the same counters for the same seed every run.
    BoardClock clock;
};

// Boards 0 to count - 1, each with its defaults: a tray to adjust before
// hosting it (configs[3].fault = {FaultKind::WeakRx}).
std::vector<BoardConfig> TrayConfigs(int count);

} // namespace kel::board
