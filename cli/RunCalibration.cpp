// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands that calibrate with an instrument: calibrate-freq,
// calibrate-power and sensitivity. Each trial is reported (and recorded) as
// it is measured, then each result.

#include "cli/Run.h"
#include "instrument/InstrumentError.h"
#include "rftest/calibration/CalibrationResults.h"

namespace kel::cli {

using rftest::Failure;
using rftest::Measurement;

namespace {

bool AnyFails(const std::vector<Measurement>& results) {
    for (const Measurement& m : results) {
        if (m.verdict == rftest::Verdict::Fail)
            return true;
    }
    return false;
}

} // namespace

rftest::BenchLink Run::Link(Test test) {
    // Marked until the calibration ends well: an interrupted or failed run
    // stops it on its way out (a stop the fault itself cut short included).
    started_ = test;
    rftest::BenchLink link;
    link.instrument = instrument_.get();
    link.route = run_.instrument->route;
    link.stopRequested = [this] { return interruption_.Requested(); };
    return link;
}

int Run::Calibrated(Failure failure, const Measurements& results, const std::string& text,
                    const Fields& extra) {
    if (failure)
        return Fail(failure);
    started_ = Test::None;
    for (const Measurement& m : results)
        report_.Result({m}, text, extra);
    return AnyFails(results) ? kExitPerLimit : kExitOk;
}

int Run::CalibrateFreq() {
    const rftest::CrystalOptions& options = run_.crystal;
    report_.Facts().channel = options.channel;
    rftest::CrystalResult result;
    Failure failure = nullptr;
    try {
        failure = rftest::CalibrateCrystal(
            ctx_, Link(Test::Tone), options,
            [&](int code, const rftest::ToneReading& reading) {
                report_.Result({rftest::FreqTrialMeasurement(code, reading, options.channel)},
                               "code " + std::to_string(code) + ": " + rftest::ToneText(reading));
            },
            result);
    } catch (const instrument::InstrumentError& error) {
        started_ = Test::None;
        return InstrumentFailed(error.what());
    }
    return Calibrated(failure, {rftest::FreqCalMeasurement(result, options)},
                      rftest::CrystalText(result),
                      {{"measurements", result.measurements}, {"saved", result.saved}});
}

int Run::CalibratePower() {
    const rftest::PowerOptions& options = run_.powerCalibration;
    report_.Facts().channel = options.channel;
    rftest::PowerResult result;
    Failure failure = nullptr;
    try {
        failure = rftest::CalibratePower(
            ctx_, Link(Test::Tx), options,
            [&](std::size_t powerClass, int level, const rftest::PowerReading& reading) {
                report_.Result(
                    {rftest::PowerTrialMeasurement(powerClass, level, reading, options.channel)},
                    std::string(rftest::kSddPowerClassNames[powerClass]) + " level " +
                        std::to_string(level) + ": " + rftest::PowerText(reading));
            },
            result);
    } catch (const instrument::InstrumentError& error) {
        started_ = Test::None;
        return InstrumentFailed(error.what());
    }
    if (failure)
        return Fail(failure);
    started_ = Test::None;
    int code = kExitOk;
    for (std::size_t i = 0; i < result.classes.size(); ++i) {
        const Measurement m = rftest::PowerCalMeasurement(i, result.classes[i], options);
        const int classCode =
            Calibrated(nullptr, {m}, rftest::PowerClassText(i, result.classes[i], result.saved),
                       {{"measurements", result.classes[i].measurements}, {"saved", result.saved}});
        code = std::max(code, classCode);
    }
    return code;
}

int Run::Sensitivity() {
    const rftest::SensitivityOptions& options = run_.sensitivity;
    report_.Facts().channel = options.channel;
    std::vector<rftest::SensitivityResult> results;
    Failure failure = nullptr;
    try {
        failure = rftest::MeasureSensitivity(
            ctx_, Link(Test::Rx), options,
            [&](double dbm, const rftest::RxPoint& point) {
                char text[96];
                std::snprintf(text, sizeof text, "%.1f dBm: PER %s %%", dbm, point.perText.c_str());
                report_.Result({rftest::SensPointMeasurement(dbm, point)}, text);
            },
            results);
    } catch (const instrument::InstrumentError& error) {
        started_ = Test::None;
        return InstrumentFailed(error.what());
    }
    if (failure)
        return Fail(failure);
    started_ = Test::None;
    int code = kExitOk;
    for (const rftest::SensitivityResult& result : results) {
        const Measurement m =
            rftest::SensitivityMeasurement(result, options.channel, run_.maxSensitivityDbm);
        code = std::max(code, Calibrated(nullptr, {m}, rftest::SensitivityText(result),
                                         {{"points", result.points}}));
    }
    return code;
}

} // namespace kel::cli
