// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/RecordingThread.h"

#include <utility>

namespace kel {

RecordingThread::RecordingThread() : thread_([this](const std::stop_token& stop) { Loop(stop); }) {}

RecordingThread::~RecordingThread() {
    Drain();
    thread_.request_stop();
    thread_.join();
}

void RecordingThread::Post(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecordingThread::Drain() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

void RecordingThread::Loop(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!wake_.wait(lock, stop, [this] { return !jobs_.empty(); }))
            return; // stopped with nothing queued
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
        if (jobs_.empty())
            idle_.notify_all();
    }
}

} // namespace kel
