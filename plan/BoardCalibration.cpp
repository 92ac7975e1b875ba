// SPDX-License-Identifier: GPL-3.0-or-later
// A board's calibration steps: each trial is reported as a point as it is
// measured, then the results, judged. The instrument is taken in turn with
// the other boards only around each measurement, so while one board is
// measured the others set their next code and settle.

#include "instrument/InstrumentError.h"
#include "plan/BoardSession.h"
#include "rftest/calibration/CalibrationResults.h"

namespace kel::plan {

using rftest::Measurement;

rftest::BenchLink BoardSession::Link() {
    rftest::BenchLink link;
    link.instrument = settings_.instrument;
    link.route = Route();
    link.hold = [this](const std::function<void()>& measure) {
        std::optional<RunControl::Turn> turn = control_.TakeTurn(kInstrumentResource);
        if (!turn)
            return false;
        const auto began = std::chrono::steady_clock::now();
        measure();
        if (settings_.instrumentHeld)
            settings_.instrumentHeld(std::chrono::steady_clock::now() - began);
        return true;
    };
    link.stopRequested = [this] { return control_.Cancelled(); };
    return link;
}

BoardSession::Failure BoardSession::Calibrate(const Step& step) {
    if (settings_.instrument == nullptr) {
        stepError_ = "no instrument: the plan's [instrument] is not connected";
        return nullptr;
    }
    // Marked until the calibration ends well: a fault or a cancel may have
    // cut the stop short, and the clean-up stops it then.
    started_ = step.kind == StepKind::CalibrateFreq    ? rftest::RunningTest::Tone
               : step.kind == StepKind::CalibratePower ? rftest::RunningTest::Tx
                                                       : rftest::RunningTest::Rx;
    Failure failure = nullptr;
    try {
        failure = Retried([&]() -> Failure {
            switch (step.kind) {
            case StepKind::CalibrateFreq:
                return CalibrateFreq(step, Link());
            case StepKind::CalibratePower:
                return CalibratePower(step, Link());
            default:
                return Sensitivity(step, Link());
            }
        });
    } catch (const instrument::InstrumentError& error) {
        // The instrument's fault ends this step, not the board's run; what
        // the step started was stopped on the way out.
        stepError_ = error.what();
    }
    if (!failure)
        started_ = rftest::RunningTest::None;
    return failure;
}

BoardSession::Failure BoardSession::CalibrateFreq(const Step& step, const rftest::BenchLink& link) {
    const rftest::CrystalOptions& options = step.crystal;
    rftest::CrystalResult result;
    const Failure failure = rftest::CalibrateCrystal(
        ctx_, link, options,
        [&](int code, const rftest::ToneReading& reading) {
            Reported(step, {rftest::FreqTrialMeasurement(code, reading, options.channel)});
        },
        result);
    channel_ = options.channel;
    if (failure)
        return failure;
    Reported(step, {rftest::FreqCalMeasurement(result, options)});
    return nullptr;
}

BoardSession::Failure BoardSession::CalibratePower(const Step& step,
                                                   const rftest::BenchLink& link) {
    const rftest::PowerOptions& options = step.powerCalibration;
    rftest::PowerResult result;
    const Failure failure = rftest::CalibratePower(
        ctx_, link, options,
        [&](std::size_t powerClass, int level, const rftest::PowerReading& reading) {
            Reported(step,
                     {rftest::PowerTrialMeasurement(powerClass, level, reading, options.channel)});
        },
        result);
    channel_ = options.channel;
    rateRow_.reset();
    powerLevel_.reset();
    if (failure)
        return failure;
    Measurements points;
    for (std::size_t i = 0; i < result.classes.size(); ++i)
        points.push_back(rftest::PowerCalMeasurement(i, result.classes[i], options));
    Reported(step, std::move(points));
    return nullptr;
}

BoardSession::Failure BoardSession::Sensitivity(const Step& step, const rftest::BenchLink& link) {
    const rftest::SensitivityOptions& options = step.sensitivity;
    std::vector<rftest::SensitivityResult> results;
    const Failure failure = rftest::MeasureSensitivity(
        ctx_, link, options,
        [&](double dbm, const rftest::RxPoint& point) {
            Reported(step, {rftest::SensPointMeasurement(dbm, point)});
        },
        results);
    channel_ = options.channel;
    rateRow_.reset();
    if (failure)
        return failure;
    Measurements points;
    for (const rftest::SensitivityResult& result : results)
        points.push_back(rftest::SensitivityMeasurement(result, options.channel, step.limit.high));
    Reported(step, std::move(points));
    return nullptr;
}

} // namespace kel::plan
