// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One virtual board on a pseudo-terminal: a tray of one (BoardTray), for the
// console's built-in board, kel-rftest --virtual and tests. Any client can
// open SlavePath() as a serial port; replies go out no faster than the baud
// rate the slave is set to (ten bits a byte).
//
// The host keeps a descriptor of the slave open for its whole life, so a
// client that closes the port and opens it again finds the same board. Stop()
// or the destructor ends serving and closes everything.

#include "board/BoardTray.h"

#include <functional>
#include <string>

namespace kel::board {

class VirtualBoardHost {
public:
    explicit VirtualBoardHost(FaultMode fault = {}) : VirtualBoardHost(BoardWith(fault)) {}
    explicit VirtualBoardHost(const BoardConfig& config) : tray_({config}) {}

    // The device path to open, like /dev/pts/3; empty when the host could not start.
    const std::string& SlavePath() const { return tray_.SlavePath(0); }
    // Why the host could not start.
    const std::string& Error() const { return tray_.Error(); }
    // True from a successful start until Stop() or a hang-up.
    bool Serving() const { return tray_.Serving(); }
    // True once the hang-up fault has closed the line.
    bool HungUp() const { return tray_.HungUp(0); }

    void Stop() { tray_.Stop(); }

    // A copy of the board's state, for tests and for a console that shows it.
    BoardState State() const { return tray_.State(0); }
    // Changes the state between commands, for tests that start from a given board.
    void ModifyState(const std::function<void(BoardState&)>& change) {
        tray_.ModifyState(0, change);
    }
    // Answers no command from now on while the line stays up: a board that
    // stopped responding, for tests that connect to a healthy one first.
    void GoSilent() { tray_.GoSilent(0); }
    // Its tray of one, for a virtual bench that measures it (route 1).
    BoardTray& Tray() { return tray_; }

private:
    static BoardConfig BoardWith(FaultMode fault) {
        BoardConfig config;
        config.fault = fault;
        return config;
    }

    BoardTray tray_;
};

} // namespace kel::board
