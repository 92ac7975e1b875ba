// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One virtual board on the master side of its pseudo-terminal, never
// blocking: the tray's single thread asks it what to wait for, then lets it
// read a command or write what is due. Replies go out no faster than the baud
// rate the slave is set to (ten bits a byte), with the fault mode's pauses.
//
// It reads no command while a reply is still going out, as a firmware busy
// answering does not; what the client sends meanwhile waits in the line.

#include "board/BoardConfig.h"
#include "board/BoardModel.h"
#include "board/FaultShaper.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace kel::board {

class BoardLine {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit BoardLine(const BoardConfig& config);
    ~BoardLine();
    BoardLine(const BoardLine&) = delete;
    BoardLine& operator=(const BoardLine&) = delete;

    // Opens the pseudo-terminal; false with the reason in error.
    bool Open(std::string& error);
    const std::string& SlavePath() const { return slavePath_; }
    // Ends serving and closes the line; the state stays readable.
    void Close();

    // What the serving thread waits for: the descriptor and its poll events
    // (none while pausing or no longer serving), and the time to come back
    // without an event.
    struct Wait {
        int fd = -1;
        short events = 0;
        std::optional<TimePoint> until;
    };
    Wait NextWait(TimePoint now) const;
    // Reads a command when one may be read and revents says so, writes what
    // is due; on the serving thread only.
    void Service(short revents);

    bool Serving() const { return serving_.load(); }
    bool HungUp() const { return hungUp_.load(); }

    // From any thread.
    BoardState State() const;
    void ModifyState(const std::function<void(BoardState&)>& change);
    void GoSilent();
    void HearGenerator(std::optional<double> levelDbm);
    void ReceiveBurst(std::int64_t frames);
    const BoardCharacter& Character() const { return model_.Character(); }

private:
    void ReadCommands();
    void WriteDue();
    // Ends serving; with the hang-up fault the line closes, as a board that
    // drops off does.
    void EndServing(bool hangUp);
    bool SlaveEchoes() const;

    int master_ = -1;
    int slaveKeeper_ = -1; // keeps the line up between clients
    std::string slavePath_;

    mutable std::mutex modelMutex_; // guards the model and the shaper
    BoardModel model_;
    FaultShaper shaper_;

    // The reply going out, on the serving thread only.
    std::deque<Emission> output_;
    std::size_t offset_ = 0;      // bytes of output_.front() written
    TimePoint emissionStart_{};   // when its first byte went out
    double secondsPerByte_ = 0.0; // at the line's rate when it started
    TimePoint resumeAt_{};        // no byte before this (pacing, fault pauses)
    bool hangUpAfterOutput_ = false;

    std::atomic<bool> serving_{false};
    std::atomic<bool> hungUp_{false};
};

} // namespace kel::board
