// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/RunControl.h"

#include "serial/SerialPort.h"

#include <algorithm>

namespace kel::plan {

void RunControl::Cancel() {
    std::lock_guard lock(mutex_);
    ++cancels_;
    for (SerialPort* port : ports_)
        port->RequestCancel();
    changed_.notify_all();
}

bool RunControl::Cancelled() const {
    std::lock_guard lock(mutex_);
    return cancels_ > 0;
}

void RunControl::Attach(SerialPort& port) {
    std::lock_guard lock(mutex_);
    ports_.insert(&port);
    if (cancels_ > 0)
        port.RequestCancel();
}

void RunControl::Detach(SerialPort& port) {
    std::lock_guard lock(mutex_);
    ports_.erase(&port);
}

bool RunControl::ResumeForCleanUp(SerialPort& port) {
    // Under the lock, so a second cancel either comes first (no clean-up) or
    // cancels the clean-up's waits again.
    std::lock_guard lock(mutex_);
    if (cancels_ > 1)
        return false;
    port.ClearCancel();
    return true;
}

bool RunControl::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, duration, [this] { return cancels_ > 0; });
}

bool RunControl::AwaitUntil(const std::function<bool()>& ready) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return cancels_ > 0 || ready(); });
    return cancels_ == 0;
}

bool RunControl::AwaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds within) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, within, [&] { return cancels_ > 0 || ready(); }) &&
           cancels_ == 0;
}

void RunControl::Wake() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

RunControl::Turn::~Turn() {
    if (control_ != nullptr)
        control_->Release(resource_);
}

std::optional<RunControl::Turn> RunControl::TakeTurn(const std::string& resource) {
    std::unique_lock lock(mutex_);
    Resource& shared = resources_[resource];
    const std::uint64_t ticket = nextTicket_++;
    shared.waiting.push_back(ticket);
    changed_.wait(lock, [&] {
        return cancels_ > 0 || (!shared.held && shared.waiting.front() == ticket);
    });
    if (cancels_ > 0) {
        shared.waiting.erase(std::find(shared.waiting.begin(), shared.waiting.end(), ticket));
        changed_.notify_all();
        return std::nullopt;
    }
    shared.waiting.pop_front();
    shared.held = true;
    return Turn(*this, resource);
}

void RunControl::Release(const std::string& resource) {
    std::lock_guard lock(mutex_);
    resources_[resource].held = false;
    changed_.notify_all();
}

} // namespace kel::plan
