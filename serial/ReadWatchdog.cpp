#include "ReadWatchdog.h"

#include "SerialPort.h"

#include <condition_variable>
#include <mutex>

namespace kel {

namespace {

// Ends each read slice `slice` after the reader cleared the flag. The thread
// sleeps until the reader clears it, then until the slice's end on the steady
// clock: an idle or waiting console wakes it once a slice at most. A stop
// request cuts any wait short.
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
    : thread_([&port, slice](std::stop_token stop) { Run(port, slice, stop); }) {}

ReadWatchdog::~ReadWatchdog() {
    Stop();
}

void ReadWatchdog::Stop() {
    thread_.request_stop();
    if (thread_.joinable())
        thread_.join();
}

} // namespace kel
