// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a front end records through: one run at a time and its measurements,
// in the store the setting names. Recording never stops a test: a store that
// cannot be opened or written is told once through warn, and the test goes
// on (later writes are still tried, quietly). With a server in the setting,
// each row also waits in the outbox and the push is nudged.
//
// One Recorder per thread; several may share a file and a push.

#include "results/BackgroundPush.h"
#include "results/Records.h"
#include "results/StoreSetting.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kel::results {

class Store;

class Recorder {
public:
    // push may be null; it must outlive the Recorder.
    Recorder(StoreSetting setting, Warn warn, BackgroundPush* push = nullptr);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    const StoreSetting& Setting() const { return setting_; }

    // Opens the store when it is not open yet and begins a run: id,
    // startedAt and station (the host's name) are filled in when empty, the
    // board MAC put in lower case. A run still open is ended first (no
    // verdict).
    void BeginRun(RunRecord run);
    // Changes the open run's row (the board's MAC once read, say).
    void ChangeRun(const std::function<void(RunRecord&)>& change);
    // A measurement of the open run; at is filled in when empty. Nothing
    // without an open run.
    void Record(rftest::Measurement measurement);
    // Ends the open run with its verdict (kRunPass, ..., or "").
    void EndRun(const std::string& verdict);

    bool InRun() const { return inRun_; }
    // Some of the open (or last) run's rows could not be written: the run is
    // not, or not wholly, in the store.
    bool RunUnrecorded() const { return runUnrecorded_; }
    // What the first failure said (the file and the cause); empty without one.
    const std::string& FirstProblem() const { return firstProblem_; }
    // The open run, or the last one.
    const RunRecord& Run() const { return run_; }
    // Measurements recorded in the open run.
    std::int64_t Points() const { return seq_; }

private:
    bool Open();
    void Write(const std::function<void()>& write);
    void Problem(const std::string& message);

    StoreSetting setting_;
    Warn warn_;
    BackgroundPush* push_;
    std::unique_ptr<Store> store_;
    bool warned_ = false;
    bool runUnrecorded_ = false;
    std::string firstProblem_;
    bool inRun_ = false;
    bool runStored_ = false; // the run's row is in the store
    RunRecord run_;
    std::int64_t seq_ = 0;
};

// "00:1A:2b..." as stored: hex digits in lower case.
std::string StoredMac(std::string mac);

// The station a run names when it is given none: this host's name.
std::string DefaultStation();

} // namespace kel::results
