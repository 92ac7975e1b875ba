#include "ReadWatchdog.h"

#include "SerialPort.h"

#include <condition_variable>
#include <mutex>

namespace kel {

namespace {

// Ends each read slice `slice` after first seeing the flag cleared. The slice
// is timed against the steady clock; the thread sleeps meanwhile instead of
// spinning, so a waiting console does not hold a whole processor, and a stop
// request cuts any wait short.
void Run(SerialPort& port, std::chrono::milliseconds slice, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake; // never notified; only the stop token wakes it
    std::unique_lock lock(mutex);
    const auto never = [] { return false; };
    while (!stop.stop_requested()) {
        if (port.timedOut.load() == 0) {
            const auto deadline = std::chrono::steady_clock::now() + slice;
            wake.wait_until(lock, stop, deadline, never);
            if (stop.stop_requested())
                return;
            port.timedOut.store(1);
        }
        wake.wait_for(lock, stop, std::chrono::milliseconds(1), never);
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
