#include "cli/RfTestRun.h"

#include "board/VirtualBoardHost.h"
#include "cli/Arguments.h"
#include "cli/CliContext.h"
#include "cli/Interruption.h"
#include "cli/Report.h"
#include "cli/RxReport.h"
#include "cli/SddTarget.h"
#include "protocol/ChipModels.h"
#include "protocol/NumberReading.h"
#include "rftest/CalibrationSteps.h"
#include "rftest/Connection.h"
#include "rftest/RfSteps.h"
#include "rftest/RfTables.h"
#include "rftest/RxMeasurement.h"
#include "serial/PortNaming.h"
#include "serial/SerialPort.h"

#include <functional>
#include <memory>
#include <ostream>
#include <regex>

namespace kel::cli {

namespace {

using rftest::Failure;

// A number the board sent as text: a number in JSON when it is one.
Fields NumberOrText(const std::string& text) {
    static const std::regex kNumber(" *[+-]?[0-9]+");
    if (std::regex_match(text, kNumber) && FitsInt32(text))
        return ReadInteger(text);
    return text;
}

std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

class Run {
public:
    Run(const Invocation& invocation, Report& report, Interruption& interruption,
        const RunSettings& settings)
        : run_(invocation), report_(report), interruption_(interruption), settings_(settings),
          ctx_(port_, invocation.chipModelRow, invocation.verbose ? &trace_ : nullptr) {}
    ~Run() { interruption_.Watch(nullptr); }

    void SetTrace(std::ostream& err) { trace_.rdbuf(err.rdbuf()); }
    int Execute();

private:
    enum class Test { None, Tx, Rx, Tone };

    bool PrepareOutputs();
    bool OpenPort();
    bool ApplySettings();
    void NoteVirtualRx();
    int RunSubcommand();
    int End(int code);
    // Reports a failed step (as an interruption when it was one): kExitFailed.
    int Fail(const std::string& command, Failure failure);
    int Done(Fields fields, const std::string& text) {
        report_.Result(std::move(fields), text);
        return kExitOk;
    }
    Fields Named() const { return Fields{{"command", SubcommandName(run_.subcommand)}}; }
    // A step whose result is only that it was done.
    int DoneUnless(const std::string& command, Failure failure, const std::string& text) {
        return failure != nullptr ? Fail(command, failure) : Done(Named(), text);
    }
    bool Pause(std::chrono::milliseconds duration) { return interruption_.Pause(duration); }

    int Info();
    int Tx();
    int Tone();
    // Starts a test; stops it after --seconds, or leaves it running without.
    int Timed(Fields fields, Test test, const std::function<Failure()>& start,
              const std::function<Failure()>& stop, const std::string& runningText,
              const std::string& doneText);
    int Rx();
    int SweepRx();
    int SddExport();
    int Send();
    int Calibration();

    const Invocation& run_;
    Report& report_;
    Interruption& interruption_;
    RunSettings settings_;
    std::ostream trace_{nullptr};

    // Declared in the order they start; they end the other way round.
    std::unique_ptr<board::VirtualBoardHost> board_;
    SerialPort port_;
    std::unique_ptr<ReadWatchdog> watchdog_;
    CliContext ctx_;

    std::string powerText_;
    Test started_ = Test::None; // may be running on the board: stop it on the way out
    bool leaveRunning_ = false; // what was started is meant to outlast the run
    SweepCsv csv_;
    SddTarget sddTarget_;
};

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
    const std::int32_t frames = board::CountRxPackets(*run_.duration).total;
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

int Run::Info() {
    const ChipModel& model = kChipModels[static_cast<std::size_t>(run_.chipModelRow)];
    Fields fields = Named();
    fields["chip_model"] = model.name;
    fields["power_level"] = NumberOrText(powerText_);
    std::string text = std::string("chip model: ") + model.name + "\npower level: " + powerText_;
    if (model.hasCalibration) {
        std::string offset;
        if (Failure failure = rftest::GetFreqOffset(ctx_, offset))
            return Fail("info", failure);
        fields["freq_offset"] = NumberOrText(offset);
        text += "\nfreq offset: " + offset;
    }
    if (model.hasSdd) {
        rftest::SddPowers powers;
        if (Failure failure = rftest::GetSddPowerAll(ctx_, powers))
            return Fail("info", failure);
        fields["sdd_power"] = Fields{{"11b", NumberOrText(powers[0])},
                                     {"11gn", NumberOrText(powers[1])},
                                     {"11n_mcs7", NumberOrText(powers[2])}};
        text += "\nsdd power: 11b " + powers[0] + ", 11gn " + powers[1] + ", 11n mcs7 " + powers[2];
    }
    return Done(std::move(fields), text);
}

int Run::Tx() {
    Fields fields = Named();
    fields["count"] = ReadInteger(run_.txCount);
    fields["length"] = ReadInteger(run_.txLength);
    fields["full_duty"] = run_.fullDuty;
    const std::string running = rftest::IsContinuousTx(run_.txCount)
                                    ? "TX running; it goes on after this program ends "
                                      "(stop it with tx-stop)"
                                    : "TX of " + run_.txCount + " packets started";
    return Timed(
        std::move(fields), Test::Tx,
        [this] { return rftest::StartTx(ctx_, run_.txCount, run_.txLength, run_.fullDuty); },
        [this] { return rftest::StopTx(ctx_); }, running, "TX sent, then stopped");
}

int Run::Tone() {
    return Timed(
        Named(), Test::Tone, [this] { return rftest::StartTone(ctx_, powerText_); },
        [this] { return rftest::StopTone(ctx_); },
        "tone running; it goes on after this program ends (stop it with tone-stop)",
        "tone sent, then stopped");
}

int Run::Timed(Fields fields, Test test, const std::function<Failure()>& start,
               const std::function<Failure()>& stop, const std::string& runningText,
               const std::string& doneText) {
    const std::string command = fields["command"];
    started_ = test;
    if (Failure failure = start())
        return Fail(command, failure);
    if (!run_.duration) {
        leaveRunning_ = true;
        fields["running"] = true;
        return Done(std::move(fields), runningText);
    }
    if (!Pause(*run_.duration))
        return Fail(command, rftest::kInterrupted);
    if (Failure failure = stop())
        return Fail(command, failure);
    started_ = Test::None;
    fields["seconds"] = static_cast<double>(run_.duration->count()) / 1000.0;
    fields["running"] = false;
    return Done(std::move(fields), doneText);
}

int Run::Rx() {
    rftest::RxPoint point{run_.channel, run_.rateRow, {}, run_.sent, {}};
    started_ = Test::Rx;
    if (Failure failure = rftest::MeasureRx(
            ctx_, *run_.duration, [this](auto duration) { return Pause(duration); }, point))
        return Fail("rx", failure);
    started_ = Test::None;
    Fields fields = PointFields("rx", point);
    if (run_.maxPer)
        fields["pass"] = WithinLimit(point, run_.maxPer);
    report_.Result(std::move(fields), PointText(point));
    if (WithinLimit(point, run_.maxPer))
        return kExitOk;
    report_.Note("kel-rftest: PER above the limit of " + std::to_string(*run_.maxPer) + " %");
    return kExitPerLimit;
}

int Run::SweepRx() {
    const double seconds = static_cast<double>(run_.duration->count()) / 1000.0;
    std::size_t aboveLimit = 0;
    bool csvWritten = true;
    rftest::SweepObserver observer;
    observer.starting = [&](std::size_t index, std::size_t count, int channel, int rateRow) {
        char line[160];
        std::snprintf(line, sizeof line, "[%zu/%zu] channel %d, %s Mbit/s: receiving for %g s",
                      index + 1, count, channel,
                      rftest::RateLabel(rftest::kRates[static_cast<std::size_t>(rateRow)]).c_str(),
                      seconds);
        report_.Note(line);
    };
    observer.measured = [&](const rftest::RxPoint& point) {
        Fields fields = PointFields("sweep-rx", point);
        const bool within = WithinLimit(point, run_.maxPer);
        if (run_.maxPer)
            fields["pass"] = within;
        aboveLimit += within ? 0 : 1;
        report_.Result(std::move(fields), PointText(point));
        csvWritten = csv_.Write(point) && csvWritten;
    };
    const rftest::SweepPlan plan{run_.channels, run_.rateRows, *run_.duration, *run_.sent};
    started_ = Test::Rx;
    if (Failure failure = rftest::SweepRx(
            ctx_, plan, [this](auto duration) { return Pause(duration); }, powerText_, observer))
        return Fail("sweep-rx", failure);
    started_ = Test::None;
    if (!csvWritten)
        return Fail("sweep-rx", "could not write every row of the CSV file");
    if (aboveLimit == 0)
        return kExitOk;
    report_.Note("kel-rftest: PER above the limit at " + std::to_string(aboveLimit) + " of " +
                 std::to_string(plan.channels.size() * plan.rateRows.size()) + " points");
    return kExitPerLimit;
}

int Run::SddExport() {
    if (Failure failure = rftest::RequestSddFile(ctx_))
        return Fail("sdd-export", failure);
    if (Failure failure = rftest::ReadSddFile(ctx_, sddTarget_.fd()))
        return Fail("sdd-export", failure);
    std::string why;
    if (!sddTarget_.Commit(why))
        return Fail("sdd-export", why.c_str());
    Fields fields = Named();
    fields["file"] = run_.path;
    return Done(std::move(fields), "SDD file saved to " + run_.path);
}

int Run::Send() {
    ctx_.CollectReplies();
    if (Failure failure = rftest::SendFreeCommand(ctx_, run_.text))
        return Fail("send", failure);
    Fields fields = Named();
    fields["text"] = run_.text;
    fields["reply"] = ctx_.Replies();
    std::string text;
    for (const std::string& line : ctx_.Replies())
        text += (text.empty() ? "" : "\n") + line;
    return Done(std::move(fields), text);
}

int Run::Calibration() {
    const char* name = SubcommandName(run_.subcommand);
    const std::array<std::string, 3>& values = run_.values;
    Fields fields = Named();
    switch (run_.subcommand) {
    case Subcommand::FreqOffsetGet: {
        std::string offset;
        if (Failure failure = rftest::GetFreqOffset(ctx_, offset))
            return Fail(name, failure);
        fields["freq_offset"] = NumberOrText(offset);
        return Done(std::move(fields), "freq offset: " + offset);
    }
    case Subcommand::FreqOffsetSet:
        if (Failure failure = rftest::SetFreqOffset(ctx_, values[0]))
            return Fail(name, failure);
        fields["freq_offset"] = NumberOrText(values[0]);
        return Done(std::move(fields), "freq offset set to " + values[0]);
    case Subcommand::FreqOffsetSave:
        if (Failure failure = rftest::SaveFreqOffset(ctx_, values[0]))
            return Fail(name, failure);
        fields["freq_offset"] = NumberOrText(values[0]);
        return Done(std::move(fields), "stored freq offset set to " + values[0]);
    case Subcommand::SddPowerGet:
    case Subcommand::SddPowerSet: {
        rftest::SddPowers powers{values[0], values[1], values[2]};
        const bool get = run_.subcommand == Subcommand::SddPowerGet;
        if (Failure failure =
                get ? rftest::GetSddPowerAll(ctx_, powers) : rftest::SetSddPowerAll(ctx_, powers))
            return Fail(name, failure);
        fields["11b"] = NumberOrText(powers[0]);
        fields["11gn"] = NumberOrText(powers[1]);
        fields["11n_mcs7"] = NumberOrText(powers[2]);
        return Done(std::move(fields), std::string(get ? "sdd power" : "sdd power set to") +
                                           ": 11b " + powers[0] + ", 11gn " + powers[1] +
                                           ", 11n mcs7 " + powers[2]);
    }
    case Subcommand::MacGet:
    case Subcommand::MacSet: {
        std::string source = values[0], dest = values[1], bssid = values[2];
        const bool get = run_.subcommand == Subcommand::MacGet;
        if (Failure failure = get ? rftest::GetMac(ctx_, source, dest, bssid)
                                  : rftest::SetMac(ctx_, source, dest, bssid))
            return Fail(name, failure);
        fields["source"] = source;
        fields["dest"] = dest;
        fields["bssid"] = bssid;
        return Done(std::move(fields), std::string(get ? "" : "set: ") + "source " + source +
                                           ", dest " + dest + ", bssid " + bssid);
    }
    case Subcommand::SupplyLdo:
    case Subcommand::SupplyDcDc: {
        const bool ldo = run_.subcommand == Subcommand::SupplyLdo;
        if (Failure failure = ldo ? rftest::SwitchToLdo(ctx_) : rftest::SwitchToDcDc(ctx_))
            return Fail(name, failure);
        fields["supply"] = ldo ? "ldo" : "dcdc";
        return Done(std::move(fields), ldo ? "supply: LDO mode" : "supply: DC-DC mode");
    }
    default:
        return kExitUsage; // every other subcommand has its own function
    }
}

} // namespace

int RunRfTest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              Interruption& interruption, const RunSettings& settings) {
    const ParsedArguments parsed = ParseArguments(args, out, err);
    if (!parsed.invocation)
        return parsed.exitCode;
    Report report(parsed.invocation->json, out, err);
    Run run(*parsed.invocation, report, interruption, settings);
    run.SetTrace(err);
    return run.Execute();
}

} // namespace kel::cli
