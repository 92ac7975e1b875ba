// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One thread that does the console's recording, in the order it was asked,
// so that no store write sits between a board's reply and the next command.
// Whatever a job touches belongs to this thread alone until Drain returns.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kel {

class RecordingThread {
public:
    RecordingThread();
    // Runs what is still queued, then ends the thread.
    ~RecordingThread();
    RecordingThread(const RecordingThread&) = delete;
    RecordingThread& operator=(const RecordingThread&) = delete;

    void Post(std::function<void()> job);
    // Returns once every job posted before has run.
    void Drain();

private:
    void Loop(const std::stop_token& stop);

    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false; // a job is out of the queue and not yet done
    std::jthread thread_;  // last: it starts once the rest is built
};

} // namespace kel
