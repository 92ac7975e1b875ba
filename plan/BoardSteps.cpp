// SPDX-License-Identifier: GPL-3.0-or-later
// The steps of a board's run: each sends what the matching kel-rftest
// subcommand sends (the rftest steps), and reports what it measured.

#include "plan/BoardSession.h"
#include "plan/OperatorDesk.h"
#include "plan/PointSummary.h"
#include "protocol/ChipModels.h"
#include "rftest/CalibrationSteps.h"
#include "rftest/MacAddresses.h"
#include "rftest/RxMeasurement.h"
#include "rftest/SddTarget.h"
#include "rftest/ValueChecks.h"

#include <algorithm>

namespace kel::plan {

using rftest::Measurement;
using rftest::MeasurementKind;

Measurement BoardSession::Measured(MeasurementKind kind) const {
    Measurement m;
    m.kind = kind;
    m.at = rftest::UtcNow();
    m.channel = channel_;
    if (rateRow_)
        m.rateMbps = rftest::kRates[static_cast<std::size_t>(*rateRow_)].mbps;
    m.powerLevel = powerLevel_;
    return m;
}

Measurement BoardSession::Valued(MeasurementKind kind, const std::string& text) const {
    Measurement m = Measured(kind);
    m.TakeReading(text);
    return m;
}

BoardSession::Failure BoardSession::Retried(const std::function<Failure()>& measure) {
    for (attempt_ = 1;; ++attempt_) {
        attemptStarted_ = Clock::now();
        again_ = false;
        if (Failure failure = measure())
            return failure;
        if (!again_)
            return nullptr;
    }
}

bool BoardSession::Reported(const Step& step, Measurements points) {
    const bool failed = std::any_of(points.begin(), points.end(), [](const Measurement& m) {
        return m.verdict == rftest::Verdict::Fail;
    });
    again_ = failed && attempt_ <= step.retries;
    const Seconds took = Clock::now() - attemptStarted_;
    for (Measurement& m : points) {
        PointResult point{step_, attempt_, !again_, std::move(m), {}, took};
        point.summary = PointSummary(step, point.measurement);
        listener_.Measured(point);
        if (again_)
            continue;
        stepVerdict_ = std::max(stepVerdict_, point.measurement.verdict);
        if (point.measurement.verdict == rftest::Verdict::Fail)
            outcome_.failures.push_back(point.summary);
        else if (point.measurement.verdict == rftest::Verdict::Marginal)
            outcome_.marginals.push_back(point.summary);
    }
    attemptStarted_ = Clock::now();
    return again_;
}

BoardSession::Failure BoardSession::ApplySettings(const rftest::TestSettings& settings) {
    return rftest::ApplySettings(ctx_, settings, powerText_, [&](rftest::SettingStep done) {
        if (done == rftest::SettingStep::Channel)
            channel_ = settings.channel;
        if (done == rftest::SettingStep::Rate)
            rateRow_ = settings.rateRow;
        powerLevel_ = rftest::WholeReading(powerText_);
    });
}

BoardSession::Failure BoardSession::FreqOffset(const Step& step) {
    if (step.offsetAction != OffsetAction::Get) {
        const bool save = step.offsetAction == OffsetAction::Save;
        if (Failure failure = save ? rftest::SaveFreqOffset(ctx_, step.offset)
                                   : rftest::SetFreqOffset(ctx_, step.offset))
            return failure;
        Reported(step, {Valued(save ? MeasurementKind::SddFreqOffset : MeasurementKind::FreqOffset,
                               step.offset)});
        return nullptr;
    }
    return Retried([&]() -> Failure {
        std::string offset;
        if (Failure failure = rftest::GetFreqOffset(ctx_, offset))
            return failure;
        Measurement m = Valued(MeasurementKind::FreqOffset, offset);
        m.JudgeBy(m.value, step.limit);
        Reported(step, {m});
        return nullptr;
    });
}

BoardSession::Failure BoardSession::SddPower(const Step& step) {
    const auto levels = [&](const rftest::SddPowers& powers) {
        Measurements points;
        for (std::size_t i = 0; i < powers.size(); ++i) {
            points.push_back(Valued(MeasurementKind::SddPower, powers[i]));
            points.back().text = rftest::kSddPowerClassNames[i];
            points.back().JudgeBy(points.back().value, step.classLimits[i]);
        }
        return points;
    };
    if (step.sddPowers) {
        if (Failure failure = rftest::SetSddPowerAll(ctx_, *step.sddPowers))
            return failure;
        Reported(step, levels(*step.sddPowers));
        return nullptr;
    }
    return Retried([&]() -> Failure {
        rftest::SddPowers powers;
        if (Failure failure = rftest::GetSddPowerAll(ctx_, powers))
            return failure;
        Reported(step, levels(powers));
        return nullptr;
    });
}

BoardSession::Failure BoardSession::Power(const Step& step) {
    if (Failure failure = ApplySettings(step.settings))
        return failure;
    Reported(step, {Valued(MeasurementKind::Power, *step.settings.power)});
    return nullptr;
}

BoardSession::Failure BoardSession::Rx(const Step& step) {
    if (Failure failure = ApplySettings(step.settings))
        return failure;
    return Retried([&]() -> Failure {
        rftest::RxPoint point{channel_, rateRow_, {}, step.sent, {}};
        started_ = rftest::RunningTest::Rx;
        if (Failure failure = rftest::MeasureRx(
                ctx_, step.duration, [this](auto duration) { return Pause(duration); }, point))
            return failure;
        started_ = rftest::RunningTest::None;
        Measurement m = rftest::MeasurementOf(point);
        m.powerLevel = powerLevel_;
        m.JudgeBy(m.perPercent, step.limit);
        Reported(step, {m});
        return nullptr;
    });
}

BoardSession::Failure BoardSession::RxSweep(const Step& step) {
    rftest::SweepObserver observer;
    observer.starting = [this](std::size_t, std::size_t, int, int) {
        attempt_ = 1;
        attemptStarted_ = Clock::now();
    };
    observer.measured = [&](const rftest::RxPoint& point) {
        // The board stays at the point's settings.
        channel_ = point.channel;
        rateRow_ = point.rateRow;
        powerLevel_ = rftest::WholeReading(powerText_);
        Measurement m = rftest::MeasurementOf(point);
        m.powerLevel = powerLevel_;
        m.JudgeBy(m.perPercent, step.limit);
        Reported(step, {m});
    };
    observer.again = [this](const rftest::RxPoint&) {
        attempt_ += again_ ? 1 : 0;
        return again_;
    };
    const rftest::SweepPlan sweep{step.channels, step.rateRows, step.duration, *step.sent};
    started_ = rftest::RunningTest::Rx;
    if (Failure failure = rftest::SweepRx(
            ctx_, sweep, [this](auto duration) { return Pause(duration); }, powerText_, observer))
        return failure;
    started_ = rftest::RunningTest::None;
    return nullptr;
}

BoardSession::Failure BoardSession::Timed(const Step& step, MeasurementKind kind,
                                          rftest::RunningTest test) {
    const bool tx = test == rftest::RunningTest::Tx;
    if (tx) {
        if (Failure failure = ApplySettings(step.settings))
            return failure;
    }
    started_ = test;
    if (Failure failure = tx ? rftest::StartTx(ctx_, step.txCount, step.txLength, step.fullDuty)
                             : rftest::StartTone(ctx_, powerText_))
        return failure;
    // Where the tone rides on a TX carrier, the rate is now the carrier's.
    if (!tx && ChipModelHas(plan_.chipModelRow, &ChipModel::toneOnTxCarrier)) {
        rateRow_ = rftest::kToneRateRow;
        powerLevel_ = rftest::WholeReading(powerText_);
    }
    if (!Pause(step.duration))
        return rftest::kInterrupted;
    if (Failure failure = rftest::StopRunningTest(ctx_, test))
        return failure;
    started_ = rftest::RunningTest::None;
    Measurement m = Measured(kind);
    if (tx)
        m.value = static_cast<double>(std::stoll(step.txCount));
    m.text = "stopped";
    Reported(step, {m});
    return nullptr;
}

BoardSession::Failure BoardSession::Supply(const Step& step) {
    if (Failure failure = step.dcdc ? rftest::SwitchToDcDc(ctx_) : rftest::SwitchToLdo(ctx_))
        return failure;
    Measurement m = Measured(MeasurementKind::Supply);
    m.text = step.dcdc ? "dcdc" : "ldo";
    Reported(step, {m});
    return nullptr;
}

std::string BoardSession::SddFileName() const {
    std::string name = !board_.dut.empty() ? board_.dut
                       : outcome_.mac      ? *outcome_.mac
                                           : board_.port.substr(board_.port.rfind('/') + 1);
    // Only what any file system and shell take as it is.
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
        c = plain ? c : '-';
    }
    std::string time = rftest::UtcNow(); // 2026-12-08T13:45:06.123Z
    time.erase(std::remove_if(time.begin(), time.end(), [](char c) { return c == '-' || c == ':'; }),
               time.end());
    return name + "_" + time.substr(0, time.find('.')) + "Z.sdd";
}

BoardSession::Failure BoardSession::SddExport(const Step& step) {
    std::error_code ignored; // a folder that cannot be made fails the file's creation below
    std::filesystem::create_directories(settings_.sddFolder, ignored);
    const std::string path = (settings_.sddFolder / SddFileName()).string();
    rftest::SddTarget target;
    std::string why;
    if (!target.Create(path, why)) {
        failureText_ = why;
        return failureText_.c_str();
    }
    if (Failure failure = rftest::RequestSddFile(ctx_))
        return failure;
    if (Failure failure = rftest::ReadSddFile(ctx_, target.fd()))
        return failure;
    // Two boards the same name (one label twice) keep a file each.
    if (!target.CommitBeside(why)) {
        failureText_ = why;
        return failureText_.c_str();
    }
    Measurement m = Measured(MeasurementKind::SddExport);
    m.text = target.Path();
    Reported(step, {m});
    return nullptr;
}

BoardSession::Failure BoardSession::Mac(const Step& step) {
    rftest::MacAddresses held;
    if (Failure failure = step.macs ? rftest::SetMacAndReadBack(ctx_, *step.macs, held)
                                    : rftest::GetMac(ctx_, held[0], held[1], held[2]))
        return failure;
    if (step.macs) {
        failureText_ = rftest::MacMismatch(*step.macs, held);
        if (!failureText_.empty())
            return failureText_.c_str();
    }
    // The board leaves with the address it holds now.
    if (held[0] != outcome_.mac.value_or("")) {
        outcome_.mac = held[0];
        listener_.Named(held[0]);
    }
    Measurements macs;
    for (std::size_t i = 0; i < held.size(); ++i) {
        macs.push_back(Measured(MeasurementKind::Mac));
        macs.back().text = std::string(rftest::kMacRoleNames[i]) + " " + held[i];
    }
    Reported(step, macs);
    return nullptr;
}

BoardSession::Failure BoardSession::Send(const Step& step) {
    return Retried([&]() -> Failure {
        ctx_.CollectReplies();
        if (Failure failure = rftest::SendFreeCommand(ctx_, step.text))
            return failure;
        Measurement m = Measured(MeasurementKind::Send);
        bool found = false;
        for (const std::string& line : ctx_.Replies()) {
            m.text += (m.text.empty() ? "" : "\n") + line;
            found = found || (step.expect && line.find(*step.expect) != std::string::npos);
        }
        if (step.expect)
            m.verdict = found ? rftest::Verdict::Pass : rftest::Verdict::Fail;
        Reported(step, {m});
        return nullptr;
    });
}

BoardSession::Failure BoardSession::Prompt(const Step& step) {
    // Nothing goes to the board: the operator is told, and perhaps waited for.
    if (settings_.desk == nullptr) {
        listener_.Note("prompt: " + step.text);
        return nullptr;
    }
    // A board taken out meanwhile is not waited for.
    const DeskWait wait{control_, [this] { return port_.Gone(board_.port); }};
    if (!settings_.desk->Prompt(step.text, step.confirm, wait))
        return control_.Cancelled() ? rftest::kInterrupted : kBoardTakenOut;
    return nullptr;
}

} // namespace kel::plan
