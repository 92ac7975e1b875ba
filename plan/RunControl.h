// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the boards of one plan run share: the cancel that stops them all (the
// user's Ctrl+C), the pauses a cancel cuts short, and the turns on shared
// resources (an instrument on a switch), given in the order they were asked
// for. Every member is safe to call from any thread but a signal handler.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace kel {
class SerialPort;
}

namespace kel::plan {

class RunControl {
public:
    RunControl() = default;
    RunControl(const RunControl&) = delete;
    RunControl& operator=(const RunControl&) = delete;

    // Every board's wait on its port ends at once, and every pause and turn
    // wait. A second cancel also ends the waits of the boards' clean-up (the
    // stop of a running test is then skipped).
    void Cancel();
    bool Cancelled() const;

    // A board's port, whose waits a cancel ends, from Attach to Detach.
    void Attach(SerialPort& port);
    void Detach(SerialPort& port);
    // After a first cancel, lets the port's clean-up wait again; false after
    // a second cancel (the clean-up is skipped).
    bool ResumeForCleanUp(SerialPort& port);

    // Sleeps for the time; false at once, or as soon as, the run is cancelled.
    bool Pause(std::chrono::milliseconds duration);

    // Waits until ready() holds (asked again at each Wake) or the run is
    // cancelled; true when ready.
    bool AwaitUntil(const std::function<bool()>& ready);
    // The same, for at most within: false also when the time is up.
    bool AwaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds within);
    void Wake();

    // The resource held until it goes out of scope.
    class Turn {
    public:
        Turn(RunControl& control, std::string resource)
            : control_(&control), resource_(std::move(resource)) {}
        Turn(Turn&& other) noexcept
            : control_(std::exchange(other.control_, nullptr)),
              resource_(std::move(other.resource_)) {}
        Turn& operator=(Turn&&) = delete;
        ~Turn();

    private:
        RunControl* control_;
        std::string resource_;
    };
    // Waits until the resource is free and every board that asked before has
    // had its turn; nothing when the run is cancelled first.
    std::optional<Turn> TakeTurn(const std::string& resource);

private:
    struct Resource {
        bool held = false;
        std::deque<std::uint64_t> waiting; // tickets, first come first
    };
    void Release(const std::string& resource);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int cancels_ = 0;
    std::set<SerialPort*> ports_;
    std::map<std::string, Resource> resources_;
    std::uint64_t nextTicket_ = 0;
};

} // namespace kel::plan
