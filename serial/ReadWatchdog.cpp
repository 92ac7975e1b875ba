// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadWatchdog.h"

#include "DebugLog.h"
#include "SerialPort.h"

#include <condition_variable>
#include <mutex>

namespace kel {

namespace {

// Ends each read slice `slice` after the reader cleared the flag. The thread
// sleeps until a reader that found no byte waiting announces the slice, then
// until the slice's end on the steady clock; the reader meanwhile sleeps in
// poll. Neither spins: an idle console wakes the thread never, a waiting one
// once a slice. A stop request cuts any wait short.
void Run(SerialPort& port, std::chrono::milliseconds slice, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake; // never notified; only the stop token wakes it
    const auto never = [] { return false; };
    while (port.AwaitSliceStart(stop)) {
        const auto deadline = std::chrono::steady_clock::now() + slice;
        std::unique_lock lock(mutex);
        wake.wait_until(lock, stop, deadline, never);
        if (stop.stop_requested())
            return;
        port.EndSlice();
    }
}

} // namespace

ReadWatchdog::ReadWatchdog(SerialPort& port, std::chrono::milliseconds slice)
    : thread_([&port, slice](std::stop_token stop) { Run(port, slice, stop); }), port_(port) {
    DebugNote(DebugArea::Serial, port_.name + ": read watchdog started, slice " +
                                     std::to_string(slice.count()) + " ms");
}

ReadWatchdog::~ReadWatchdog() {
    Stop();
}

void ReadWatchdog::Stop() {
    thread_.request_stop();
    if (!thread_.joinable())
        return;
    thread_.join();
    DebugNote(DebugArea::Serial, port_.name + ": read watchdog stopped");
}

} // namespace kel
