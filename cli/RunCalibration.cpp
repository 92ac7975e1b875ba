// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands that calibrate with an instrument: calibrate-freq,
// calibrate-power and sensitivity. Each trial is reported (and recorded) as
// it is measured, then each result.

#include "cli/Run.h"
#include "rftest/calibration/CalibrationResults.h"

namespace kel::cli {

using rftest::Failure;

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

int Run::Calibrated(const std::vector<CalibrationOutcome>& outcomes) {
    started_ = Test::None;
    int code = kExitOk;
    for (const CalibrationOutcome& outcome : outcomes) {
        report_.Result({outcome.measurement}, outcome.text, outcome.extra);
        if (outcome.measurement.verdict == rftest::Verdict::Fail)
            code = kExitPerLimit;
    }
    return code;
}

int Run::CalibrateFreq() {
    const rftest::CrystalOptions& options = run_.crystal;
    report_.Facts().channel = options.channel;
    rftest::CrystalResult result;
    Failure failure = nullptr;
    if (const std::optional<int> failed = WithInstrument([&] {
            failure = rftest::CalibrateCrystal(
                ctx_, Link(Test::Tone), options,
                [&](int code, const rftest::ToneReading& reading) {
                    report_.Result({rftest::FreqTrialMeasurement(code, reading, options.channel)},
                                   "code " + std::to_string(code) + ": " +
                                       rftest::ToneText(reading));
                },
                result);
        }))
        return *failed;
    if (failure)
        return Fail(failure);
    return Calibrated({{rftest::FreqCalMeasurement(result, options),
                        rftest::CrystalText(result),
                        {{"measurements", result.measurements}, {"saved", result.saved}}}});
}

int Run::CalibratePower() {
    const rftest::PowerOptions& options = run_.powerCalibration;
    report_.Facts().channel = options.channel;
    rftest::PowerResult result;
    Failure failure = nullptr;
    if (const std::optional<int> failed = WithInstrument([&] {
            failure = rftest::CalibratePower(
                ctx_, Link(Test::Tx), options,
                [&](std::size_t powerClass, int level, const rftest::PowerReading& reading) {
                    report_.Result({rftest::PowerTrialMeasurement(powerClass, level, reading,
                                                                  options.channel)},
                                   std::string(rftest::kSddPowerClassNames[powerClass]) +
                                       " level " + std::to_string(level) + ": " +
                                       rftest::PowerText(reading));
                },
                result);
        }))
        return *failed;
    if (failure)
        return Fail(failure);
    std::vector<CalibrationOutcome> outcomes;
    for (std::size_t i = 0; i < result.classes.size(); ++i) {
        const rftest::PowerClassResult& power = result.classes[i];
        outcomes.push_back({rftest::PowerCalMeasurement(i, power, options),
                            rftest::PowerClassText(i, power, result.saved),
                            {{"measurements", power.measurements}, {"saved", result.saved}}});
    }
    return Calibrated(outcomes);
}

int Run::Sensitivity() {
    const rftest::SensitivityOptions& options = run_.sensitivity;
    report_.Facts().channel = options.channel;
    std::vector<rftest::SensitivityResult> results;
    Failure failure = nullptr;
    if (const std::optional<int> failed = WithInstrument([&] {
            failure = rftest::MeasureSensitivity(
                ctx_, Link(Test::Rx), options,
                [&](double dbm, const rftest::RxPoint& point) {
                    char text[96];
                    std::snprintf(text, sizeof text, "%.1f dBm: PER %s %%", dbm,
                                  point.perText.c_str());
                    report_.Result({rftest::SensPointMeasurement(dbm, point)}, text);
                },
                results);
        }))
        return *failed;
    if (failure)
        return Fail(failure);
    std::vector<CalibrationOutcome> outcomes;
    for (const rftest::SensitivityResult& result : results)
        outcomes.push_back(
            {rftest::SensitivityMeasurement(result, options.channel, run_.maxSensitivityDbm),
             rftest::SensitivityText(result),
             {{"points", result.points}}});
    return Calibrated(outcomes);
}

} // namespace kel::cli
