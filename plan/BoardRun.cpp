// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/BoardRun.h"

#include "plan/BoardSession.h"
#include "resources/Version.h"
#include "rftest/Connection.h"
#include "rftest/RxMeasurement.h"
#include "rftest/ValueChecks.h"
#include "serial/SerialPort.h"

namespace kel::plan {

std::string_view BoardVerdictName(BoardVerdict verdict) {
    switch (verdict) {
    case BoardVerdict::Pass:
        return "pass";
    case BoardVerdict::Fail:
        return "fail";
    case BoardVerdict::Error:
        return "error";
    case BoardVerdict::Interrupted:
        return "interrupted";
    }
    return {};
}

BoardOutcome RunBoard(const Plan& plan, SerialPort& port, const BoardIdentity& board,
                      RunControl& control, BoardListener& listener,
                      const BoardRunSettings& settings) {
    BoardSession session(plan, port, board, control, listener, settings);
    return session.Run();
}

BoardSession::BoardSession(const Plan& plan, SerialPort& port, const BoardIdentity& board,
                           RunControl& control, BoardListener& listener,
                           const BoardRunSettings& settings)
    : plan_(plan), port_(port), board_(board), control_(control), listener_(listener),
      settings_(settings), watch_(port, {}), ctx_(port, plan.chipModelRow) {
    watch_.SetPortName(board.port);
    port_.SetTrafficTap([this](Traffic direction, const std::uint8_t* bytes, std::size_t count) {
        log_.Record(direction, bytes, count);
        watch_.Saw(direction);
    });
    port_.SetWaitTick([this] { watch_.Tick(); });
    watchdog_ = std::make_unique<ReadWatchdog>(port_, settings.watchdogSlice);
    control_.Attach(port_);
}

BoardSession::~BoardSession() {
    control_.Detach(port_);
    watchdog_.reset();
    port_.SetTrafficTap({});
    port_.SetWaitTick({});
}

BoardOutcome BoardSession::Run() {
    const Clock::time_point began = Clock::now();
    listener_.Started();
    OpenLog();
    if (Connect()) {
        for (std::size_t i = 0; i < plan_.steps.size() && RunStep(i); ++i) {
        }
        CleanUp();
    }
    // An instrument's error let the other steps go on; the board still errs.
    if (outcome_.error.empty() && !instrumentError_.empty()) {
        outcome_.verdict = BoardVerdict::Error;
        outcome_.error = instrumentError_;
    }
    if (outcome_.verdict == BoardVerdict::Pass && !outcome_.failures.empty())
        outcome_.verdict = BoardVerdict::Fail;
    outcome_.took = Clock::now() - began;
    if (!outcome_.error.empty())
        log_.Note(outcome_.error);
    log_.Close();
    listener_.Finished(outcome_);
    return outcome_;
}

void BoardSession::OpenLog() {
    if (settings_.sessionLogFolder.empty())
        return;
    const SessionInfo info{"kel-rftest plan", std::string(res::BuildVersion()), plan_.ModelName(),
                           board_.port, static_cast<std::uint32_t>(plan_.baud)};
    if (log_.Open(settings_.sessionLogFolder, info)) {
        listener_.Logged(log_.Path().string());
        return;
    }
    listener_.Note("no session log: " + log_.TakeProblem());
}

bool BoardSession::Connect() {
    if (control_.Cancelled()) {
        Errored(rftest::kInterrupted);
        return false;
    }
    // A failed handshake leaves nothing to stop and no disconnect, as the
    // console does.
    if (Failure failure = rftest::Handshake(ctx_, powerText_)) {
        Errored(failure);
        return false;
    }
    connected_ = true;
    powerLevel_ = rftest::WholeReading(powerText_);
    NameBoard();
    if (!control_.Cancelled())
        return true;
    Errored(rftest::kInterrupted);
    CleanUp();
    return false;
}

void BoardSession::NameBoard() {
    rftest::MacAddresses held;
    if (Failure failure = rftest::GetMac(ctx_, held[0], held[1], held[2])) {
        // The test can go on; only the board's name is missing.
        if (!control_.Cancelled())
            listener_.Note(std::string("the board's MAC address was not read (") + failure +
                           "); its results do not name it");
        port_.ClearLineFailure();
        return;
    }
    outcome_.mac = held[0];
    listener_.Named(held[0]);
}

bool BoardSession::RunStep(std::size_t index) {
    const Step& step = plan_.steps[index];
    step_ = index;
    attempt_ = 1;
    again_ = false;
    stepVerdict_ = rftest::Verdict::None;
    StepResult result;
    result.step = index;
    const Clock::time_point asked = Clock::now();
    const bool turn = TakeTurnFor(index);
    result.started = Clock::now();
    result.waited = result.started - asked;
    listener_.StepStarted(index);
    attemptStarted_ = result.started;
    stepError_.clear();
    const Failure failure = turn ? Do(step) : rftest::kInterrupted;
    result.ended = Clock::now();
    // The next step on the same resource keeps the turn: no other board's
    // step comes between a board's TX and its tone on one analyser.
    const bool next = failure == nullptr && index + 1 < plan_.steps.size() &&
                      !step.shared.empty() && plan_.steps[index + 1].shared == step.shared;
    if (!next)
        turn_.reset();
    result.verdict = stepVerdict_;
    if (failure != nullptr)
        Errored(failure);
    else
        ++outcome_.stepsDone;
    result.error = stepError_.empty() ? outcome_.error : stepError_;
    if (instrumentError_.empty())
        instrumentError_ = stepError_;
    listener_.StepEnded(result);
    return outcome_.error.empty();
}

bool BoardSession::TakeTurnFor(std::size_t index) {
    const Step& step = plan_.steps[index];
    if (step.shared.empty() || turn_)
        return true; // nothing to share, or the turn kept from the step before
    listener_.Waiting(index, step.shared);
    std::optional<RunControl::Turn> taken = control_.TakeTurn(step.shared);
    if (!taken)
        return false;
    turn_.emplace(std::move(*taken));
    return true;
}

BoardSession::Failure BoardSession::Do(const Step& step) {
    switch (step.kind) {
    case StepKind::FreqOffset:
        return FreqOffset(step);
    case StepKind::SddPower:
        return SddPower(step);
    case StepKind::Power:
        return Power(step);
    case StepKind::Rx:
        return Rx(step);
    case StepKind::RxSweep:
        return RxSweep(step);
    case StepKind::Tx:
        return Timed(step, rftest::MeasurementKind::Tx, rftest::RunningTest::Tx);
    case StepKind::Tone:
        return Timed(step, rftest::MeasurementKind::Tone, rftest::RunningTest::Tone);
    case StepKind::Supply:
        return Supply(step);
    case StepKind::SddExport:
        return SddExport(step);
    case StepKind::Mac:
        return Mac(step);
    case StepKind::Send:
        return Send(step);
    case StepKind::ToneFreq:
        return ToneFreq(step);
    case StepKind::TxPower:
        return TxPower(step);
    case StepKind::CalibrateFreq:
    case StepKind::CalibratePower:
    case StepKind::Sensitivity:
        return Calibrate(step);
    case StepKind::Prompt:
        return Prompt(step);
    }
    return nullptr;
}

void BoardSession::Errored(const std::string& failure) {
    if (!outcome_.error.empty())
        return;
    if (control_.Cancelled()) {
        outcome_.verdict = BoardVerdict::Interrupted;
        outcome_.error = "interrupted";
        return;
    }
    // Not tested: its run says why, and no verdict counts it.
    if (failure == kBoardTakenOut) {
        outcome_.verdict = BoardVerdict::Interrupted;
        outcome_.error = failure;
        return;
    }
    const LineFailure& line = port_.lineFailure();
    const std::string reason = line.empty() ? watch_.SilenceReason() : line.Text();
    outcome_.verdict = BoardVerdict::Error;
    outcome_.error = failure + (reason.empty() ? "" : " (" + reason + ")");
}

void BoardSession::CleanUp() {
    if (!connected_)
        return;
    connected_ = false;
    // After a second cancel the user wants out at once: nothing more is sent.
    if (!control_.ResumeForCleanUp(port_))
        return;
    port_.ClearLineFailure();
    if (control_.Cancelled())
        DiscardLateReply();
    rftest::StopRunningTest(ctx_, std::exchange(started_, rftest::RunningTest::None));
    rftest::Disconnect(ctx_);
}

void BoardSession::DiscardLateReply() {
    // A cancel may cut a command short before its reply came (the start of
    // an RX, say): that reply, still on its way, must not pass for the
    // stop's. What comes until the line is quiet for a read slice is logged
    // and dropped; a board that never goes quiet is not waited for long.
    constexpr int kLateReplyLimit = 4096;
    std::uint8_t byte = 0;
    for (int bytes = 0; bytes < kLateReplyLimit && port_.ReadByte(&byte) == 0; ++bytes) {
    }
    port_.ClearLineFailure();
}

} // namespace kel::plan
