// The subcommands of a run: each sends its steps and reports its result.

#include "cli/Run.h"
#include "protocol/ChipModels.h"
#include "protocol/NumberReading.h"
#include "rftest/CalibrationSteps.h"
#include "rftest/RfSteps.h"
#include "rftest/RxMeasurement.h"

#include <cstdio>
#include <regex>
#include <sstream>

namespace kel::cli {

namespace {
// A number the board sent as text: a number in JSON when it is one.
Fields NumberOrText(const std::string& text) {
    static const std::regex kNumber(" *[+-]?[0-9]+");
    if (std::regex_match(text, kNumber) && FitsInt32(text))
        return ReadInteger(text);
    return text;
}

// The stored levels of the three rate classes, as info and sdd-power give them.
Fields SddPowerFields(const rftest::SddPowers& powers) {
    return Fields{{"11b", NumberOrText(powers[0])},
                  {"11gn", NumberOrText(powers[1])},
                  {"11n_mcs7", NumberOrText(powers[2])}};
}
std::string SddPowerText(const rftest::SddPowers& powers) {
    return "11b " + powers[0] + ", 11gn " + powers[1] + ", 11n mcs7 " + powers[2];
}
} // namespace

using rftest::Failure;

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
        fields["sdd_power"] = SddPowerFields(powers);
        text += "\nsdd power: " + SddPowerText(powers);
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
    if (ReportPoint(point))
        return kExitOk;
    std::ostringstream limit; // "2.5", not std::to_string's "2.500000"
    limit << *run_.maxPer;
    report_.Note("kel-rftest: PER above the limit of " + limit.str() + " %");
    return kExitPerLimit;
}

bool Run::ReportPoint(const rftest::RxPoint& point) {
    Fields fields = PointFields(SubcommandName(run_.subcommand), point);
    const bool within = WithinLimit(point, run_.maxPer);
    if (run_.maxPer)
        fields["pass"] = within;
    report_.Result(std::move(fields), PointText(point));
    return within;
}

int Run::SweepRx() {
    const double seconds = static_cast<double>(run_.duration->count()) / 1000.0;
    std::size_t aboveLimit = 0;
    bool csvWritten = true;
    rftest::SweepObserver observer;
    observer.starting = [&](std::size_t index, std::size_t count, int channel, int rateRow) {
        char line[160];
        std::snprintf(line, sizeof line, "[%zu/%zu] channel %d, %s Mbit/s: receiving for %g s",
                      index + 1, count, channel, RateText(rateRow).c_str(), seconds);
        report_.Note(line);
    };
    observer.measured = [&](const rftest::RxPoint& point) {
        aboveLimit += ReportPoint(point) ? 0 : 1;
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
    case Subcommand::FreqOffsetSave: {
        const bool save = run_.subcommand == Subcommand::FreqOffsetSave;
        if (Failure failure = save ? rftest::SaveFreqOffset(ctx_, values[0])
                                   : rftest::SetFreqOffset(ctx_, values[0]))
            return Fail(name, failure);
        fields["freq_offset"] = NumberOrText(values[0]);
        return Done(std::move(fields),
                    std::string(save ? "stored " : "") + "freq offset set to " + values[0]);
    }
    case Subcommand::SddPowerGet:
    case Subcommand::SddPowerSet: {
        rftest::SddPowers powers{values[0], values[1], values[2]};
        const bool get = run_.subcommand == Subcommand::SddPowerGet;
        if (Failure failure =
                get ? rftest::GetSddPowerAll(ctx_, powers) : rftest::SetSddPowerAll(ctx_, powers))
            return Fail(name, failure);
        fields.update(SddPowerFields(powers));
        return Done(std::move(fields),
                    (get ? "sdd power: " : "sdd power set to: ") + SddPowerText(powers));
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

} // namespace kel::cli
