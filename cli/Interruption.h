// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl+C and SIGTERM: the first ends the wait in progress at once (the port's
// cancel) and every pause after it; the run then stops what it started and
// exits 130. A signal during that clean-up cancels it too. SIGPIPE (the reader
// of the output went away: `kel-rftest ... | head -1`) is the same first
// interruption, and only that: the clean-up's own writes to the gone reader
// do not cancel it.

#include <atomic>
#include <chrono>

namespace kel {
class SerialPort;
}

namespace kel::cli {

class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // Routes SIGINT, SIGTERM and SIGPIPE to this object for its life (the
    // program does; tests that run in-process do not).
    void InstallSignalHandlers();
    // The port whose waits a signal cancels; nullptr for none.
    void Watch(SerialPort* port) noexcept { port_.store(port); }

    // What a signal does; async-signal-safe.
    void Request() noexcept;
    bool Requested() const noexcept { return requested_.load(); }

    // Sleeps for the time; false at once, or as soon as, it is interrupted.
    bool Pause(std::chrono::milliseconds duration) const;

private:
    std::atomic<bool> requested_{false};
    std::atomic<SerialPort*> port_{nullptr};
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    bool handlersInstalled_ = false;
};

} // namespace kel::cli
