// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every kel-rftest recording shares, whether one board's run or a plan's
// runs on many boards: the rows pushed to a server in the background while
// the tests go on and given a few seconds at the end, the server's problem
// said once then, and the run row as kel-rftest names itself in it.

#include "results/BackgroundPush.h"
#include "results/Recorder.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kel::cli {

class RecordingPush {
public:
    // note says a problem to the user; the push's own is said at the end, on
    // the thread that ends the recording.
    using Note = std::function<void(const std::string& text)>;

    RecordingPush(const results::StoreSetting& store, Note note);
    // Gives the server a few seconds for what waits.
    ~RecordingPush();
    RecordingPush(const RecordingPush&) = delete;
    RecordingPush& operator=(const RecordingPush&) = delete;

    // A recorder into the store, through the push; one per thread. Its
    // problems go through warn.
    std::unique_ptr<results::Recorder> NewRecorder(const results::Warn& warn) const;

private:
    const results::StoreSetting store_;
    const Note note_;
    std::mutex problemMutex_;
    std::string problem_;
    std::unique_ptr<results::BackgroundPush> push_;
};

// A run of this kel-rftest: the tool and its version filled in.
results::RunRecord RfTestRunRecord();

// Where the runs go: --results when given, else KEL_RESULTS, else the
// default file. Nullopt with the refusal, naming which of them is wrong.
std::optional<results::StoreSetting> ResultsOption(const std::optional<std::string>& given,
                                                   std::string& refusal);

} // namespace kel::cli
