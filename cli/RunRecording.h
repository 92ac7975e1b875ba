// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a kel-rftest run keeps in the results store (results/): the
// invocation as a run (its port, model, station, board), every result it
// reports as a measurement, and its verdict. Rows for a server are pushed in
// the background while the run goes on, and given a few seconds at its end.
// A store or server problem is a note on standard error, said once; the run
// goes on.

#include "cli/Invocation.h"
#include "cli/RecordingPush.h"
#include "rftest/Measurement.h"

#include <memory>
#include <string>

namespace kel::cli {

class Report;

class RunRecording {
public:
    RunRecording(const Invocation& invocation, Report& report);
    ~RunRecording();
    RunRecording(const RunRecording&) = delete;
    RunRecording& operator=(const RunRecording&) = delete;

    // The port is open: the run begins, named by the report's facts.
    void Begin();
    // The board's source address, once read.
    void NameBoard(const std::string& mac);
    void Record(const rftest::Measurement& measurement);
    // The run ends with the exit code it gives: pass or fail when a limit
    // judged it, error, interrupted, or no verdict.
    void End(int exitCode);
    // The run could not be (wholly) recorded.
    bool Unrecorded() const;

private:
    const Invocation& invocation_;
    Report& report_;
    bool judged_ = false;
    RecordingPush push_;
    std::unique_ptr<results::Recorder> recorder_; // ends before the push
};

} // namespace kel::cli
