// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pushes the outbox to the server on a thread of its own, so a server that is
// down, slow or unreachable never holds up a test: rows wait in the local
// store and go when it answers again (tried again after 1 s, then after
// twice as long each time, up to 30 s). Each writer nudges it after queuing
// rows; rows queued by earlier runs go out too.

#include "results/StoreSetting.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kel::results {

// A problem with the results, said once to the user. May be called from the
// pushing thread.
using Warn = std::function<void(const std::string& message)>;

class BackgroundPush {
public:
    struct Timing {
        std::chrono::milliseconds firstRetry{1000};
        std::chrono::milliseconds maxRetry{30000};
    };

    // Pushes file's outbox to the server at uri; the first failure of the
    // server (or of the local file) is told through warn, once.
    BackgroundPush(std::filesystem::path file, std::string uri, Warn warn, Timing timing);
    BackgroundPush(std::filesystem::path file, std::string uri, Warn warn)
        : BackgroundPush(std::move(file), std::move(uri), std::move(warn), Timing{}) {}
    // Stops: a batch in flight is finished (bounded by the server's time-outs),
    // the rest waits in the outbox for the next time.
    ~BackgroundPush();
    BackgroundPush(const BackgroundPush&) = delete;
    BackgroundPush& operator=(const BackgroundPush&) = delete;

    // With a server in the setting, a push of its outbox; otherwise nothing.
    static std::unique_ptr<BackgroundPush> For(const StoreSetting& setting, Warn warn);

    // Rows were queued.
    void Nudge();
    // Pushes until nothing waits, the server fails (no retry then) or the
    // time is up, then stops. For a program about to end.
    void Finish(std::chrono::milliseconds within);
    // Rows that reached the server so far.
    std::int64_t Pushed() const { return pushed_.load(); }

private:
    void Loop();
    // False when the thread should end.
    bool WaitForWork(bool lastFailed);
    bool StopAsked();

    const std::filesystem::path file_;
    const std::string uri_;
    const Warn warn_;
    const Timing timing_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool nudged_ = true; // what earlier runs left waits too
    bool stopping_ = false;
    bool finishing_ = false;
    std::chrono::steady_clock::time_point finishBy_;
    std::chrono::steady_clock::time_point retryAt_;
    std::atomic<std::int64_t> pushed_{0};
    std::thread thread_; // last: starts once everything above is ready
};

} // namespace kel::results
