// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Recorder.h"

#include "results/Store.h"
#include "results/Uuid.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unistd.h>

namespace kel::results {

std::string StoredMac(std::string mac) {
    std::transform(mac.begin(), mac.end(), mac.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return mac;
}

std::string DefaultStation() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return name.data();
}

Recorder::Recorder(StoreSetting setting, Warn warn, BackgroundPush* push)
    : setting_(std::move(setting)), warn_(std::move(warn)), push_(push) {}

Recorder::~Recorder() {
    if (inRun_)
        EndRun("");
}

void Recorder::Problem(const std::string& message) {
    runUnrecorded_ = true;
    if (warned_)
        return;
    firstProblem_ = message;
    warned_ = true;
    if (warn_)
        warn_(message + "; the test goes on without recording its results");
}

bool Recorder::Open() {
    if (store_)
        return true;
    if (!setting_.Records())
        return false;
    try {
        store_ = std::make_unique<Store>(setting_.file);
        store_->SetOutbox(setting_.kind == StoreSetting::Kind::Server);
        return true;
    } catch (const std::exception& e) {
        Problem(e.what());
        return false;
    }
}

void Recorder::Write(const std::function<void()>& write) {
    if (!Open())
        return;
    try {
        // The run's row goes first, also when an earlier try to write it failed.
        if (!runStored_) {
            store_->AddRun(run_);
            runStored_ = true;
        }
        write();
    } catch (const std::exception& e) {
        Problem(e.what());
        return;
    }
    if (push_)
        push_->Nudge();
}

void Recorder::BeginRun(RunRecord run) {
    if (inRun_)
        EndRun("");
    run_ = std::move(run);
    if (run_.id.empty())
        run_.id = NewUuid();
    if (run_.startedAt.empty())
        run_.startedAt = rftest::UtcNow();
    if (run_.station.empty())
        run_.station = DefaultStation();
    run_.boardMac = StoredMac(run_.boardMac);
    inRun_ = true;
    runStored_ = false;
    runUnrecorded_ = false;
    seq_ = 0;
    Write([] {});
}

void Recorder::ChangeRun(const std::function<void(RunRecord&)>& change) {
    if (!inRun_)
        return;
    change(run_);
    run_.boardMac = StoredMac(run_.boardMac);
    const bool stored = runStored_;
    Write([&] {
        if (stored)
            store_->UpdateRun(run_);
    });
}

void Recorder::Record(rftest::Measurement measurement) {
    if (!inRun_)
        return;
    if (measurement.at.empty())
        measurement.at = rftest::UtcNow();
    StoredMeasurement stored{NewUuid(), run_.id, ++seq_, std::move(measurement)};
    Write([&] { store_->AddMeasurement(stored); });
}

void Recorder::EndRun(const std::string& verdict) {
    if (!inRun_)
        return;
    run_.endedAt = rftest::UtcNow();
    run_.verdict = verdict;
    const bool stored = runStored_;
    Write([&] {
        if (stored)
            store_->UpdateRun(run_);
    });
    inRun_ = false;
}

} // namespace kel::results
