#pragma once
// Serves a BoardModel on the master side of a pseudo-terminal, on a thread of
// its own, so any client can open SlavePath() as a serial port. Replies go
// out no faster than the baud rate the slave is set to (ten bits a byte).
//
// The host keeps a descriptor of the slave open for its whole life, so a
// client that closes the port and opens it again finds the same board. Stop()
// or the destructor ends the thread and closes everything.

#include "board/BoardModel.h"
#include "board/FaultMode.h"
#include "board/FaultShaper.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace kel::board {

class VirtualBoardHost {
public:
    explicit VirtualBoardHost(FaultMode fault = {}, BoardModel::Options options = {});
    ~VirtualBoardHost();
    VirtualBoardHost(const VirtualBoardHost&) = delete;
    VirtualBoardHost& operator=(const VirtualBoardHost&) = delete;

    // The device path to open, like /dev/pts/3; empty when the host could not start.
    const std::string& SlavePath() const { return slavePath_; }
    // Why the host could not start.
    const std::string& Error() const { return error_; }
    // True from a successful start until Stop() or a hang-up.
    bool Serving() const { return serving_.load(); }
    // True once the hang-up fault has closed the line.
    bool HungUp() const { return hungUp_.load(); }

    void Stop();

    // A copy of the board's state, for tests and for a console that shows it.
    BoardState State() const;
    // Changes the state between commands, for tests that start from a given board.
    void ModifyState(const std::function<void(BoardState&)>& change);
    // Answers no command from now on while the line stays up: a board that
    // stopped responding, for tests that connect to a healthy one first.
    void GoSilent();

private:
    bool OpenPseudoTerminal();
    void Serve(std::stop_token stop);
    // Each returns false when the host must stop (asked to, or the line failed).
    bool WriteReply(const ShapedReply& reply, std::stop_token stop);
    bool WritePaced(std::string_view bytes, std::stop_token stop);
    bool WriteSome(std::string_view& bytes, std::stop_token stop);
    bool Pause(std::chrono::steady_clock::duration duration, std::stop_token stop);
    bool SlaveEchoes() const;

    int master_ = -1;
    int slaveKeeper_ = -1;
    int wake_ = -1; // an eventfd that Stop() signals, so no wait outlasts it
    std::string slavePath_;
    std::string error_;

    mutable std::mutex modelMutex_; // guards the model and the shaper
    BoardModel model_;
    FaultShaper shaper_;

    std::atomic<bool> serving_{false};
    std::atomic<bool> hungUp_{false};
    std::jthread thread_;
};

} // namespace kel::board
