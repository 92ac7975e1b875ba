// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands of a run: each sends its steps and reports its result as
// the measurements it took.

#include "cli/Run.h"
#include "protocol/ChipModels.h"
#include "rftest/CalibrationSteps.h"
#include "rftest/MacAddresses.h"
#include "rftest/RfSteps.h"
#include "rftest/RfTables.h"
#include "rftest/RxCsv.h"

#include <cstdio>
#include <sstream>

namespace kel::cli {

using rftest::Failure;
using rftest::Measurement;
using rftest::MeasurementKind;

namespace {

std::string SddPowerText(const rftest::SddPowers& powers) {
    return "11b " + powers[0] + ", 11gn " + powers[1] + ", 11n mcs7 " + powers[2];
}

double Seconds(std::chrono::milliseconds duration) {
    return static_cast<double>(duration.count()) / 1000.0;
}

} // namespace

int Run::Info() {
    const ChipModel& model = kChipModels[static_cast<std::size_t>(run_.chipModelRow)];
    Measurements results{Valued(MeasurementKind::Power, powerText_)};
    std::string text = std::string("chip model: ") + model.name + "\npower level: " + powerText_;
    if (model.hasCalibration) {
        std::string offset;
        if (Failure failure = rftest::GetFreqOffset(ctx_, offset))
            return Fail(failure);
        results.push_back(Valued(MeasurementKind::FreqOffset, offset));
        text += "\nfreq offset: " + offset;
    }
    if (model.hasSdd) {
        rftest::SddPowers powers;
        if (Failure failure = rftest::GetSddPowerAll(ctx_, powers))
            return Fail(failure);
        const Measurements levels = SddPowerLevels(powers);
        results.insert(results.end(), levels.begin(), levels.end());
        text += "\nsdd power: " + SddPowerText(powers);
    }
    return Done(results, text);
}

Run::Measurements Run::SddPowerLevels(const rftest::SddPowers& powers) const {
    Measurements levels;
    for (std::size_t i = 0; i < powers.size(); ++i) {
        levels.push_back(Valued(MeasurementKind::SddPower, powers[i]));
        levels.back().text = rftest::kSddPowerClassNames[i];
    }
    return levels;
}

int Run::Tx() {
    const long long count = std::stoll(run_.txCount);
    Fields extra{
        {"count", count}, {"length", std::stoll(run_.txLength)}, {"full_duty", run_.fullDuty}};
    const std::string running = rftest::IsContinuousTx(run_.txCount)
                                    ? "TX running; it goes on after this program ends "
                                      "(stop it with tx-stop)"
                                    : "TX of " + run_.txCount + " packets started";
    return Timed(
        MeasurementKind::Tx, static_cast<double>(count), std::move(extra), Test::Tx,
        [this] { return rftest::StartTx(ctx_, run_.txCount, run_.txLength, run_.fullDuty); },
        [this] { return rftest::StopTx(ctx_); }, running, "TX sent, then stopped");
}

int Run::Tone() {
    return Timed(
        MeasurementKind::Tone, std::nullopt, {}, Test::Tone,
        [this] {
            Failure failure = rftest::StartTone(ctx_, powerText_);
            // Where the tone rides on a TX carrier, the rate is now the carrier's.
            if (failure == nullptr &&
                ChipModelHas(run_.chipModelRow, &ChipModel::toneOnTxCarrier)) {
                RunFacts& facts = report_.Facts();
                facts.rateMbps = rftest::kRates[rftest::kToneRateRow].mbps;
                facts.powerLevel = rftest::WholeReading(powerText_);
            }
            return failure;
        },
        [this] { return rftest::StopTone(ctx_); },
        "tone running; it goes on after this program ends (stop it with tone-stop)",
        "tone sent, then stopped");
}

int Run::Timed(MeasurementKind kind, std::optional<double> value, Fields extra, Test test,
               const std::function<Failure()>& start, const std::function<Failure()>& stop,
               const std::string& runningText, const std::string& doneText) {
    started_ = test;
    if (Failure failure = start())
        return Fail(failure);
    Measurement measurement = Measured(kind);
    measurement.value = value;
    if (!run_.duration) {
        leaveRunning_ = true;
        measurement.text = "running";
        extra["running"] = true;
        return Done({measurement}, runningText, extra);
    }
    if (!Pause(*run_.duration))
        return Fail(rftest::kInterrupted);
    if (Failure failure = stop())
        return Fail(failure);
    started_ = Test::None;
    measurement.text = "stopped";
    extra["seconds"] = Seconds(*run_.duration);
    extra["running"] = false;
    return Done({measurement}, doneText, extra);
}

int Run::Stopped(MeasurementKind kind, Failure failure, const std::string& text) {
    if (failure != nullptr)
        return Fail(failure);
    return Done({Measured(kind, "stopped")}, text);
}

int Run::Rx() {
    rftest::RxPoint point{run_.channel, run_.rateRow, {}, run_.sent, {}};
    started_ = Test::Rx;
    if (Failure failure = rftest::MeasureRx(
            ctx_, *run_.duration, [this](auto duration) { return Pause(duration); }, point))
        return Fail(failure);
    started_ = Test::None;
    if (ReportPoint(point))
        return kExitOk;
    std::ostringstream limit; // "2.5", not std::to_string's "2.500000"
    limit << *run_.maxPer;
    report_.Note("kel-rftest: PER above the limit of " + limit.str() + " % or not computable");
    return kExitPerLimit;
}

bool Run::ReportPoint(const rftest::RxPoint& point) {
    Measurement rx = rftest::MeasurementOf(point);
    TakeSettings(report_.Facts(), rx);
    if (run_.maxPer)
        rx.JudgeBy(rx.perPercent, rftest::Limit{std::nullopt, *run_.maxPer, std::nullopt});
    report_.Result({rx}, PointText(rx));
    csvFailed_ = !csv_.Write(report_.Facts(), rx) || csvFailed_;
    return rx.verdict != rftest::Verdict::Fail;
}

int Run::SweepRx() {
    const double seconds = Seconds(*run_.duration);
    std::size_t aboveLimit = 0;
    rftest::SweepObserver observer;
    observer.starting = [&](std::size_t index, std::size_t count, int channel, int rateRow) {
        const double mbps = rftest::kRates[static_cast<std::size_t>(rateRow)].mbps;
        char line[160];
        std::snprintf(line, sizeof line, "[%zu/%zu] channel %d, %s Mbit/s: receiving for %g s",
                      index + 1, count, channel, rftest::RateText(mbps).c_str(), seconds);
        report_.Note(line);
    };
    observer.measured = [&](const rftest::RxPoint& point) {
        // The board stays at the point's settings; so does what the run reports.
        RunFacts& facts = report_.Facts();
        facts.channel = point.channel;
        facts.rateMbps = rftest::kRates[static_cast<std::size_t>(*point.rateRow)].mbps;
        facts.powerLevel = rftest::WholeReading(powerText_);
        aboveLimit += ReportPoint(point) ? 0 : 1;
    };
    const rftest::SweepPlan plan{run_.channels, run_.rateRows, *run_.duration, *run_.sent};
    started_ = Test::Rx;
    if (Failure failure = rftest::SweepRx(
            ctx_, plan, [this](auto duration) { return Pause(duration); }, powerText_, observer))
        return Fail(failure);
    started_ = Test::None;
    if (csvFailed_)
        return Fail("could not write every row of the CSV file");
    if (aboveLimit == 0)
        return kExitOk;
    report_.Note("kel-rftest: PER above the limit or not computable at " +
                 std::to_string(aboveLimit) + " of " +
                 std::to_string(plan.channels.size() * plan.rateRows.size()) + " points");
    return kExitPerLimit;
}

int Run::SddExport() {
    if (Failure failure = rftest::RequestSddFile(ctx_))
        return Fail(failure);
    if (Failure failure = rftest::ReadSddFile(ctx_, sddTarget_.fd()))
        return Fail(failure);
    std::string why;
    if (!sddTarget_.Commit(why))
        return Fail(why.c_str());
    return Done({Measured(MeasurementKind::SddExport, run_.path)},
                "SDD file saved to " + run_.path);
}

int Run::Send() {
    ctx_.CollectReplies();
    if (Failure failure = rftest::SendFreeCommand(ctx_, run_.text))
        return Fail(failure);
    std::string text;
    for (const std::string& line : ctx_.Replies())
        text += (text.empty() ? "" : "\n") + line;
    return Done({}, text, Fields{{"text", run_.text}, {"reply", ctx_.Replies()}});
}

int Run::Mac() {
    const bool set = run_.subcommand == Subcommand::MacSet;
    // After a set, what the board holds now: a script sees what it will keep.
    rftest::MacAddresses held;
    if (Failure failure = set ? rftest::SetMacAndReadBack(ctx_, run_.values, held)
                              : rftest::GetMac(ctx_, held[0], held[1], held[2]))
        return Fail(failure);
    report_.Facts().boardMac = held[0];
    recording_.NameBoard(held[0]);
    if (const std::string mismatch = set ? rftest::MacMismatch(run_.values, held) : "";
        !mismatch.empty())
        return Fail(mismatch.c_str());
    Measurements macs;
    for (std::size_t i = 0; i < held.size(); ++i)
        macs.push_back(Measured(MeasurementKind::Mac,
                                std::string(rftest::kMacRoleNames[i]) + " " + held[i]));
    return Done(macs, std::string(set ? "set: " : "") + rftest::MacText(held));
}

int Run::Calibration() {
    const std::array<std::string, 3>& values = run_.values;
    switch (run_.subcommand) {
    case Subcommand::FreqOffsetGet: {
        std::string offset;
        if (Failure failure = rftest::GetFreqOffset(ctx_, offset))
            return Fail(failure);
        return Done({Valued(MeasurementKind::FreqOffset, offset)}, "freq offset: " + offset);
    }
    case Subcommand::FreqOffsetSet:
    case Subcommand::FreqOffsetSave: {
        const bool save = run_.subcommand == Subcommand::FreqOffsetSave;
        if (Failure failure = save ? rftest::SaveFreqOffset(ctx_, values[0])
                                   : rftest::SetFreqOffset(ctx_, values[0]))
            return Fail(failure);
        const MeasurementKind kind =
            save ? MeasurementKind::SddFreqOffset : MeasurementKind::FreqOffset;
        return Done({Valued(kind, values[0])},
                    std::string(save ? "stored " : "") + "freq offset set to " + values[0]);
    }
    case Subcommand::SddPowerGet:
    case Subcommand::SddPowerSet: {
        rftest::SddPowers powers{values[0], values[1], values[2]};
        const bool get = run_.subcommand == Subcommand::SddPowerGet;
        if (Failure failure =
                get ? rftest::GetSddPowerAll(ctx_, powers) : rftest::SetSddPowerAll(ctx_, powers))
            return Fail(failure);
        return Done(SddPowerLevels(powers),
                    (get ? "sdd power: " : "sdd power set to: ") + SddPowerText(powers));
    }
    case Subcommand::SupplyLdo:
    case Subcommand::SupplyDcDc: {
        const bool ldo = run_.subcommand == Subcommand::SupplyLdo;
        if (Failure failure = ldo ? rftest::SwitchToLdo(ctx_) : rftest::SwitchToDcDc(ctx_))
            return Fail(failure);
        return Done({Measured(MeasurementKind::Supply, ldo ? "ldo" : "dcdc")},
                    ldo ? "supply: LDO mode" : "supply: DC-DC mode");
    }
    default:
        return kExitUsage; // every other subcommand has its own function
    }
}

} // namespace kel::cli
