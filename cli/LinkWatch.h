// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the line to the board is doing while a run waits on it: the silence
// since the last byte either way, a note after two seconds of it (on a
// terminal), the --timeout give-up, and after a failure whether silence was
// its cause. Fed by the port's traffic tap and wait tick, on the thread that
// reads.

#include "serial/SerialPort.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kel::cli {

class LinkWatch {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kNoteAfter{2000};

    struct Settings {
        // Where the note goes; none when nobody watches the run (not a terminal).
        std::function<void(const std::string&)> note;
        std::optional<std::chrono::milliseconds> timeout;
    };

    LinkWatch(SerialPort& port, Settings settings) : port_(port), settings_(std::move(settings)) {}

    void SetPortName(std::string name) { portName_ = std::move(name); }
    // Bytes crossed the line.
    void Saw(Traffic direction);
    // A read is waiting for a byte.
    void Tick();

    // "no answer from the board in 18 s" when the wait that just ended did so
    // without a byte since the last command; empty when the board said
    // something (a refusal, a line not awaited) or nothing was awaited.
    std::string SilenceReason() const;
    // True once after the timeout cancelled a wait: the port's cancel was the
    // watch's, not the user's.
    bool TakeGiveUp() { return std::exchange(gaveUp_, false); }

private:
    SerialPort& port_;
    Settings settings_;
    std::string portName_;
    Clock::time_point lastTraffic_ = Clock::now();
    Clock::time_point lastCommand_ = Clock::now();
    bool answered_ = false; // a byte came since the last command
    bool waitingInSilence_ = false;
    bool noted_ = false;
    bool gaveUp_ = false;
};

// "18", "2", "0.5": seconds as a person reads them.
std::string SecondsText(LinkWatch::Clock::duration duration);

} // namespace kel::cli
