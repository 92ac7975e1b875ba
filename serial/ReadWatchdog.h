// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ends each read slice: once the line reader clears the port's timedOut flag,
// the watchdog waits one slice (70 ms) and sets it again; clearing it again
// meanwhile does not lengthen the slice. It sleeps between slices. Owned by
// whoever opened the port, and stopped (by Stop or the destructor) before the
// port goes.

#include <chrono>
#include <thread>

namespace kel {

class SerialPort;

class ReadWatchdog {
public:
    static constexpr std::chrono::milliseconds kSlice{70};

    explicit ReadWatchdog(SerialPort& port, std::chrono::milliseconds slice = kSlice);
    ~ReadWatchdog();
    ReadWatchdog(const ReadWatchdog&) = delete;
    ReadWatchdog& operator=(const ReadWatchdog&) = delete;

    void Stop();

private:
    std::jthread thread_;
    const SerialPort& port_; // for its name in the debug log
};

} // namespace kel
