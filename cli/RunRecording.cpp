// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunRecording.h"

#include "cli/ExitCodes.h"
#include "cli/Report.h"
#include "resources/Version.h"

#include <chrono>

namespace kel::cli {

namespace {

// A run that ends gives the server this long for what waits; a server that
// failed is not waited for at all.
constexpr std::chrono::seconds kPushAtEnd{3};

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
    : invocation_(invocation), report_(report) {
    push_ = results::BackgroundPush::For(invocation.store, [this](const std::string& message) {
        std::lock_guard lock(pushProblemMutex_);
        pushProblem_ = message;
    });
    recorder_ = std::make_unique<results::Recorder>(
        invocation.store,
        [this](const std::string& message) { report_.Note("kel-rftest: " + message); },
        push_.get());
}

RunRecording::~RunRecording() {
    recorder_.reset();
    if (!push_)
        return;
    push_->Finish(kPushAtEnd);
    std::lock_guard lock(pushProblemMutex_);
    if (!pushProblem_.empty())
        report_.Note("kel-rftest: " + pushProblem_);
}

void RunRecording::Begin() {
    const RunFacts& facts = report_.Facts();
    results::RunRecord run;
    run.tool = results::kToolRfTest;
    run.version = std::string(res::BuildVersion());
    run.station = invocation_.station;
    run.operatorName = invocation_.operatorName;
    run.chipModel = facts.model;
    run.port = facts.port;
    run.baud = invocation_.baud;
    run.dut = invocation_.dut;
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

} // namespace kel::cli
