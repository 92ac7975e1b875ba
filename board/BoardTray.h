// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Any number of virtual boards, each on a pseudo-terminal of its own with its
// own state, all served by one thread: a board waiting for a command costs
// nothing (the thread sleeps in poll until a line has bytes or a paced reply
// is due). Any client can open SlavePath(i) as a serial port.
//
// The tray starts serving when it is made and ends with Stop() or its
// destructor, which closes every line. Boards are numbered in the order of
// the configs given.

#include "board/BoardConfig.h"
#include "board/BoardLine.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kel::board {

class BoardTray {
public:
    explicit BoardTray(const std::vector<BoardConfig>& configs);
    ~BoardTray();
    BoardTray(const BoardTray&) = delete;
    BoardTray& operator=(const BoardTray&) = delete;

    std::size_t Size() const { return lines_.size(); }
    // Board i's device path, like /dev/pts/3; empty when the tray could not
    // start (then no board is served).
    const std::string& SlavePath(std::size_t board) const;
    // Why the tray could not start.
    const std::string& Error() const { return error_; }
    // True while any board is served: from a successful start until Stop(),
    // or until every board has hung up.
    bool Serving() const;
    // Board i is served: from a successful start until Stop() or a hang-up.
    bool Serving(std::size_t board) const { return lines_.at(board)->Serving(); }
    // Board i's hang-up fault has closed its line.
    bool HungUp(std::size_t board) const { return lines_.at(board)->HungUp(); }

    void Stop();

    // A copy of board i's state, for tests and for a console that shows it.
    BoardState State(std::size_t board) const { return lines_.at(board)->State(); }
    // Changes board i's state between commands, for tests that start from a given board.
    void ModifyState(std::size_t board, const std::function<void(BoardState&)>& change) {
        lines_.at(board)->ModifyState(change);
    }
    // Board i answers no command from now on while its line stays up.
    void GoSilent(std::size_t board) { lines_.at(board)->GoSilent(); }
    // The bench's generator at board i (BoardModel::HearGenerator).
    void HearGenerator(std::size_t board, std::optional<double> levelDbm) {
        lines_.at(board)->HearGenerator(levelDbm);
    }
    void ReceiveBurst(std::size_t board, std::int64_t frames) {
        lines_.at(board)->ReceiveBurst(frames);
    }
    // What sets board i apart from its peers.
    const BoardCharacter& Character(std::size_t board) const {
        return lines_.at(board)->Character();
    }

private:
    void Serve(std::stop_token stop);

    std::vector<std::unique_ptr<BoardLine>> lines_;
    int wake_ = -1; // an eventfd that Stop() signals, so no wait outlasts it
    std::string error_;
    std::jthread thread_;
};

} // namespace kel::board
