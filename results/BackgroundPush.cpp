// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/BackgroundPush.h"

#include "results/ServerLink.h"
#include "results/Store.h"

namespace kel::results {

using Clock = std::chrono::steady_clock;

BackgroundPush::BackgroundPush(std::filesystem::path file, std::string uri, Warn warn,
                               Timing timing)
    : file_(std::move(file)), uri_(std::move(uri)), warn_(std::move(warn)), timing_(timing),
      thread_([this] { Loop(); }) {}

BackgroundPush::~BackgroundPush() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::unique_ptr<BackgroundPush> BackgroundPush::For(const StoreSetting& setting, Warn warn) {
    if (setting.kind != StoreSetting::Kind::Server)
        return nullptr;
    return std::make_unique<BackgroundPush>(setting.file, setting.server, std::move(warn));
}

void BackgroundPush::Nudge() {
    {
        std::lock_guard lock(mutex_);
        nudged_ = true;
    }
    wake_.notify_all();
}

void BackgroundPush::Finish(std::chrono::milliseconds within) {
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
        finishBy_ = Clock::now() + within;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool BackgroundPush::StopAsked() {
    std::lock_guard lock(mutex_);
    return stopping_ || (finishing_ && Clock::now() >= finishBy_);
}

bool BackgroundPush::WaitForWork(bool lastFailed) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_)
            return false;
        // A program that is ending does not wait for a server that failed.
        if (finishing_ && (lastFailed || Clock::now() >= finishBy_))
            return false;
        // After a failure rows wait: try again when due, nudged or not.
        const bool due = Clock::now() >= retryAt_;
        if (due && (nudged_ || finishing_ || lastFailed)) {
            nudged_ = false;
            return true;
        }
        if (due)
            wake_.wait(lock);
        else
            wake_.wait_until(lock, retryAt_);
    }
}

void BackgroundPush::Loop() {
    std::unique_ptr<Store> store;
    std::unique_ptr<ServerLink> link;
    auto backoff = timing_.firstRetry;
    bool warned = false;
    bool failed = false;
    while (WaitForWork(failed)) {
        try {
            if (!store) {
                store = std::make_unique<Store>(file_);
                store->SetOutbox(true);
            }
            if (!link)
                link = std::make_unique<ServerLink>(uri_);
            pushed_ += static_cast<std::int64_t>(
                link->PushWaiting(*store, [this] { return StopAsked(); }));
            failed = false;
            backoff = timing_.firstRetry;
            std::lock_guard lock(mutex_);
            if (finishing_)
                return; // nothing waits, or the time is up
        } catch (const std::exception& e) {
            link.reset();
            failed = true;
            if (!warned && warn_) {
                const bool server = dynamic_cast<const ServerError*>(&e) != nullptr;
                warn_(std::string(e.what()) +
                      (server ? "; the rows wait in " + file_.string() + " and go when it answers"
                              : ""));
            }
            warned = true;
            std::lock_guard lock(mutex_);
            retryAt_ = Clock::now() + backoff;
            backoff = std::min(backoff * 2, timing_.maxRetry);
        }
    }
}

} // namespace kel::results
