#include "cli/Run.h"

#include "board/RadioModel.h"
#include "rftest/Connection.h"
#include "rftest/RfSteps.h"
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

Run::~Run() {
    interruption_.Watch(nullptr);
}

int Run::Execute() {
    if (!PrepareOutputs())
        return kExitUsage;
    if (!OpenPort())
        return kExitNoPort;
    watchdog_ = std::make_unique<ReadWatchdog>(port_, settings_.watchdogSlice);
    interruption_.Watch(&port_);
    if (interruption_.Requested())
        port_.RequestCancel();

    if (Failure failure = rftest::Handshake(ctx_, powerText_)) {
        // Not connected: nothing to stop and no disconnect, as the console does.
        Fail("connect", failure);
        return interruption_.Requested() ? kExitInterrupted : kExitFailed;
    }
    if (!ApplySettings())
        return End(kExitFailed);
    NoteVirtualRx();
    return End(RunSubcommand());
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
        !csv_.Open(run_.csvPath, why)) {
        report_.Failure("sweep-rx", why);
        return false;
    }
    if (run_.subcommand == Subcommand::SddExport && !sddTarget_.Create(run_.path, why)) {
        report_.Failure("sdd-export", why);
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
            report_.Failure("open", rftest::kOpenFailed,
                            {{"reason", "the virtual board could not start: " + board_->Error()}});
            return false;
        }
    }
    if (port_.Open(path, run_.baud) == 0)
        return true;
    const std::string reason = WithoutLineEnd(OpenFailureLine(port_.lastError(), path));
    report_.Failure("open", std::string(rftest::kOpenFailed) + " " + reason, {{"reason", reason}});
    return false;
}

bool Run::ApplySettings() {
    Failure failure = nullptr;
    const char* step = "channel";
    if (run_.channel)
        failure = rftest::SetChannel(ctx_, *run_.channel);
    if (!failure && run_.rateRow) {
        step = "rate";
        failure = rftest::SetRate(ctx_, *run_.rateRow, powerText_);
    }
    if (!failure && run_.power) {
        step = "power";
        failure = rftest::SetPower(ctx_, *run_.power);
        if (!failure)
            powerText_ = *run_.power;
    }
    if (!failure)
        return true;
    Fail(step, failure);
    return false;
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
    if (stop) {
        rftest::RxCounters ignored;
        if (started_ == Test::Tx)
            rftest::StopTx(ctx_);
        else if (started_ == Test::Rx)
            rftest::StopRx(ctx_, ignored);
        else
            rftest::StopTone(ctx_);
    }
    // A test left running keeps the board in test mode: no disconnect.
    if (stop || !leaveRunning_)
        rftest::Disconnect(ctx_);
    return interruption_.Requested() ? kExitInterrupted : code;
}

int Run::Fail(const std::string& command, Failure failure) {
    if (interruption_.Requested()) {
        report_.Failure(command, "interrupted");
        return kExitFailed;
    }
    const LineFailure& line = port_.lineFailure();
    if (line.empty()) {
        report_.Failure(command, failure);
        return kExitFailed;
    }
    // As the console's log pane does, the line's own words after the message.
    report_.Failure(command, failure, {{"reason", line.Text()}});
    report_.Note("kel-rftest: " + line.Text());
    port_.ClearLineFailure();
    return kExitFailed;
}

int Run::RunSubcommand() {
    const char* name = SubcommandName(run_.subcommand);
    switch (run_.subcommand) {
    case Subcommand::Info:
        return Info();
    case Subcommand::Tx:
        return Tx();
    case Subcommand::TxStop:
        return DoneUnless(name, rftest::StopTx(ctx_), "TX stopped");
    case Subcommand::Tone:
        return Tone();
    case Subcommand::ToneStop:
        return DoneUnless(name, rftest::StopTone(ctx_), "tone stopped");
    case Subcommand::Rx:
        return Rx();
    case Subcommand::SweepRx:
        return SweepRx();
    case Subcommand::SddExport:
        return SddExport();
    case Subcommand::Send:
        return Send();
    default:
        return Calibration();
    }
}

} // namespace kel::cli
