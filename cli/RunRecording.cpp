// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunRecording.h"

#include "cli/ExitCodes.h"
#include "cli/Report.h"

namespace kel::cli {

namespace {

const char* VerdictOf(int exitCode, bool judged) {
    switch (exitCode) {
    case kExitOk:
        return judged ? results::kRunPass : "";
    case kExitPerLimit:
        return results::kRunFail;
    case kExitInterrupted:
        return results::kRunInterrupted;
    default:
        return results::kRunError;
    }
}

} // namespace

RunRecording::RunRecording(const Invocation& invocation, Report& report)
    : invocation_(invocation), report_(report),
      push_(invocation.store, [this](const std::string& text) { report_.Note(text); }),
      recorder_(push_.NewRecorder(
          [this](const std::string& text) { report_.Note("kel-rftest: " + text); })) {}

RunRecording::~RunRecording() = default;

void RunRecording::Begin() {
    const RunFacts& facts = report_.Facts();
    results::RunRecord run = RfTestRunRecord();
    run.station = invocation_.station;
    run.operatorName = invocation_.operatorName;
    run.chipModel = facts.model;
    run.port = facts.port;
    run.baud = invocation_.baud;
    run.dut = invocation_.dut;
    run.instrument = facts.instrument;
    recorder_->BeginRun(std::move(run));
}

void RunRecording::NameBoard(const std::string& mac) {
    recorder_->ChangeRun([&](results::RunRecord& run) { run.boardMac = mac; });
}

void RunRecording::Record(const rftest::Measurement& measurement) {
    judged_ = judged_ || measurement.verdict != rftest::Verdict::None;
    recorder_->Record(measurement);
}

void RunRecording::End(int exitCode) {
    recorder_->EndRun(VerdictOf(exitCode, judged_));
}

bool RunRecording::Unrecorded() const {
    return recorder_->RunUnrecorded();
}

} // namespace kel::cli
