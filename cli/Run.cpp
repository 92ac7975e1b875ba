// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Run.h"

#include "board/RadioModel.h"
#include "protocol/ChipModels.h"
#include "rftest/Connection.h"
#include "rftest/RfSteps.h"
#include "rftest/RfTables.h"
#include "serial/PortNaming.h"

namespace kel::cli {

namespace {
std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}
} // namespace

using rftest::Failure;
using rftest::Measurement;
using rftest::MeasurementKind;

Run::Run(const Invocation& invocation, Report& report, Interruption& interruption,
         const RunSettings& settings, std::ostream& err)
    : run_(invocation), report_(report), interruption_(interruption), settings_(settings),
      recording_(invocation, report),
      watch_(port_,
             {settings.noteSilence
                  ? [&report](const std::string& line) { report.Note("kel-rftest: " + line); }
                  : std::function<void(const std::string&)>(),
              invocation.timeout}),
      ctx_(port_, invocation.chipModelRow) {
    if (invocation.verbose) {
        trace_.emplace(err);
        traceStream_ = &err;
    }
    RunFacts& facts = report_.Facts();
    facts.command = SubcommandName(run_.subcommand);
    facts.model = kChipModels[static_cast<std::size_t>(run_.chipModelRow)].name;
    report_.RecordInto(&recording_);
}

Run::~Run() {
    interruption_.Watch(nullptr);
    report_.RecordInto(nullptr);
}

int Run::Execute() {
    const int code = Steps();
    recording_.End(code);
    if (!recording_.Unrecorded() || code == kExitInterrupted || code == kExitUsage)
        return code;
    // The cause and the file were said when the store first failed.
    report_.Note("kel-rftest: tested, not recorded: the run on " + report_.Facts().port);
    return kExitNotRecorded;
}

int Run::Steps() {
    if (!PrepareOutputs())
        return kExitUsage;
    if (!ConnectInstrument())
        return kExitNoPort;
    if (!OpenPort())
        return interruption_.Requested() ? kExitInterrupted : kExitNoPort;
    recording_.Begin();
    WatchLine();
    watchdog_ = std::make_unique<ReadWatchdog>(port_, settings_.watchdogSlice);
    interruption_.Watch(&port_);
    if (interruption_.Requested())
        port_.RequestCancel();

    if (Failure failure = rftest::Handshake(ctx_, powerText_)) {
        // Not connected: nothing to stop and no disconnect, as the console does.
        Fail(failure);
        return interruption_.Requested() ? kExitInterrupted : kExitFailed;
    }
    report_.Facts().powerLevel = rftest::WholeReading(powerText_);
    ReadBoardMac();
    if (!ApplySettings())
        return End(kExitFailed);
    NoteVirtualRx();
    return End(RunSubcommand());
}

void Run::ReadBoardMac() {
    if (!run_.readMac || run_.subcommand == Subcommand::MacGet ||
        run_.subcommand == Subcommand::MacSet)
        return;
    std::array<std::string, 3> held;
    if (Failure failure = rftest::GetMac(ctx_, held[0], held[1], held[2])) {
        // The test can go on; only the board's name is missing.
        report_.Note(std::string("kel-rftest: the board's MAC address was not read (") + failure +
                     "); the results do not name the board");
        port_.ClearLineFailure();
        RecoverFromGiveUp();
        return;
    }
    report_.Facts().boardMac = held[0];
    recording_.NameBoard(held[0]);
}

void Run::WatchLine() {
    watch_.SetPortName(report_.Facts().port);
    port_.SetTrafficTap([this](Traffic direction, const std::uint8_t* bytes, std::size_t count) {
        watch_.Saw(direction);
        if (trace_)
            trace_->Saw(direction, bytes, count);
    });
    port_.SetWaitTick([this] { watch_.Tick(); });
}

void Run::NoteVirtualRx() {
    if (!board_ || !run_.sent || !run_.duration)
        return;
    // It has no tester beside it: it counts frames at its own pace.
    const std::int32_t frames = board::FramesSentIn(*run_.duration);
    if (*run_.sent == frames)
        return;
    report_.Note("kel-rftest: the virtual board receives " + std::to_string(frames) +
                 " frames in this time, whatever --sent says; --sent " + std::to_string(frames) +
                 " gives a realistic PER");
}

bool Run::PrepareOutputs() {
    std::string why;
    if (run_.subcommand == Subcommand::SweepRx && !run_.csvPath.empty() &&
        !csv_.Open(run_.csvPath, run_.csvMode, why)) {
        report_.Failure(why);
        return false;
    }
    if (run_.subcommand == Subcommand::SddExport && !sddTarget_.Create(run_.path, why)) {
        report_.Failure(why);
        return false;
    }
    return true;
}

bool Run::OpenPort() {
    std::string path = DevicePathFor(run_.portPath);
    if (run_.virtualBoard) {
        board_ = std::make_unique<board::VirtualBoardHost>();
        path = board_->SlavePath();
        if (path.empty()) {
            report_.Failure(rftest::kOpenFailed,
                            "the virtual board could not start: " + board_->Error());
            return false;
        }
    }
    report_.Facts().port = path;
    if (OpenOrWait(path))
        return true;
    if (interruption_.Requested())
        return false;
    const std::string reason = WithoutLineEnd(OpenFailureLine(port_.lastError(), path));
    report_.Failure(std::string(rftest::kOpenFailed) + " " + reason, reason);
    return false;
}

bool Run::FailedSetting(Failure failure) {
    Fail(failure);
    return false;
}

bool Run::ApplySettings() {
    RunFacts& facts = report_.Facts();
    const Failure failure = rftest::ApplySettings(
        ctx_, {run_.channel, run_.rateRow, run_.power}, powerText_, [&](rftest::SettingStep done) {
            if (done == rftest::SettingStep::Channel)
                facts.channel = run_.channel;
            if (done == rftest::SettingStep::Rate)
                facts.rateMbps = rftest::kRates[static_cast<std::size_t>(*run_.rateRow)].mbps;
            facts.powerLevel = rftest::WholeReading(powerText_);
        });
    return failure ? FailedSetting(failure) : true;
}

int Run::End(int code) {
    const bool interrupted = interruption_.Requested();
    const bool stop =
        started_ != Test::None && (interrupted || code == kExitFailed || !leaveRunning_);
    if (interrupted) {
        if (stop)
            report_.Note("kel-rftest: stopping the test this run started (Ctrl+C again leaves it "
                         "running)");
        else if (code == kExitOk)
            report_.Note("kel-rftest: interrupted");
        // The clean-up's own waits; a second signal cancels them again.
        port_.ClearCancel();
    }
    RecoverFromGiveUp();
    if (stop) {
        rftest::StopRunningTest(ctx_, started_);
        RecoverFromGiveUp();
    }
    // A test left running keeps the board in test mode: no disconnect.
    if (stop || !leaveRunning_)
        rftest::Disconnect(ctx_);
    return interruption_.Requested() ? kExitInterrupted : code;
}

int Run::Fail(Failure failure) {
    if (interruption_.Requested()) {
        report_.Failure("interrupted");
        return kExitFailed;
    }
    // As the console's log pane does, the line's own words after the message;
    // else the board's silence, when that is what ended the wait.
    const LineFailure& line = port_.lineFailure();
    report_.Failure(failure, line.empty() ? watch_.SilenceReason() : line.Text());
    port_.ClearLineFailure();
    RecoverFromGiveUp();
    return kExitFailed;
}

void Run::RecoverFromGiveUp() {
    if (watch_.TakeGiveUp() && !interruption_.Requested())
        port_.ClearCancel();
}

Measurement Run::Measured(MeasurementKind kind, const std::string& text) const {
    Measurement m;
    m.kind = kind;
    m.at = rftest::UtcNow();
    m.text = text;
    TakeSettings(report_.Facts(), m);
    return m;
}

Measurement Run::Valued(MeasurementKind kind, const std::string& text) const {
    Measurement m = Measured(kind);
    m.TakeReading(text);
    return m;
}

int Run::RunSubcommand() {
    switch (run_.subcommand) {
    case Subcommand::Info:
        return Info();
    case Subcommand::Tx:
        return Tx();
    case Subcommand::TxStop:
        return Stopped(MeasurementKind::Tx, rftest::StopTx(ctx_), "TX stopped");
    case Subcommand::Tone:
        return Tone();
    case Subcommand::ToneStop:
        return Stopped(MeasurementKind::Tone, rftest::StopTone(ctx_), "tone stopped");
    case Subcommand::Rx:
        return Rx();
    case Subcommand::SweepRx:
        return SweepRx();
    case Subcommand::SddExport:
        return SddExport();
    case Subcommand::Send:
        return Send();
    case Subcommand::MacGet:
    case Subcommand::MacSet:
        return Mac();
    case Subcommand::ToneFreq:
        return ToneFreq();
    case Subcommand::TxPower:
        return TxPower();
    case Subcommand::CalibrateFreq:
        return CalibrateFreq();
    case Subcommand::CalibratePower:
        return CalibratePower();
    case Subcommand::Sensitivity:
        return Sensitivity();
    default:
        return Calibration();
    }
}

} // namespace kel::cli
