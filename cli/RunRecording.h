// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a kel-rftest run keeps in the results store (results/): the
// invocation as a run (its port, model, station, board), every result it
// reports as a measurement, and its verdict. Rows for a server are pushed in
// the background while the run goes on, and given a few seconds at its end.
// A store or server problem is a note on standard error, said once; the run
// goes on.

#include "cli/Invocation.h"
#include "results/BackgroundPush.h"
#include "results/Recorder.h"
#include "rftest/Measurement.h"

#include <memory>
#include <mutex>
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

private:
    const Invocation& invocation_;
    Report& report_;
    bool judged_ = false;
    std::mutex pushProblemMutex_;
    std::string pushProblem_; // said on the run's own thread, at its end
    std::unique_ptr<results::BackgroundPush> push_;
    std::unique_ptr<results::Recorder> recorder_;
};

} // namespace kel::cli
