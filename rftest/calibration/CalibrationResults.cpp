// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/calibration/CalibrationResults.h"

#include "rftest/RfTables.h"

#include <cstdio>

namespace kel::rftest {

namespace {

double RateOf(int rateRow) {
    return kRates[static_cast<std::size_t>(rateRow)].mbps;
}

Measurement ToneMeasurement(MeasurementKind kind, int code, const ToneReading& reading,
                            int channel) {
    Measurement m;
    m.kind = kind;
    m.at = UtcNow();
    m.channel = channel;
    m.value = code;
    m.freqHz = reading.freqHz;
    m.errorHz = reading.errorHz;
    m.errorPpm = reading.errorPpm;
    return m;
}

Measurement PowerMeasurement(MeasurementKind kind, std::size_t powerClass, int level,
                             double powerDbm, int channel) {
    Measurement m;
    m.kind = kind;
    m.at = UtcNow();
    m.channel = channel;
    m.rateMbps = RateOf(kPowerClassRateRows[powerClass]);
    m.powerLevel = level;
    m.value = level;
    m.powerDbm = powerDbm;
    m.text = kSddPowerClassNames[powerClass];
    return m;
}

} // namespace

Measurement FreqTrialMeasurement(int code, const ToneReading& reading, int channel) {
    return ToneMeasurement(MeasurementKind::FreqTrial, code, reading, channel);
}

Measurement FreqCalMeasurement(const CrystalResult& result, const CrystalOptions& options) {
    Measurement m =
        ToneMeasurement(MeasurementKind::FreqCal, result.code, result.reading, options.channel);
    m.JudgeBy(result.reading.errorPpm,
              Limit{-options.tolerancePpm, options.tolerancePpm, std::nullopt});
    if (result.saved)
        m.text = "saved";
    return m;
}

Measurement PowerTrialMeasurement(std::size_t powerClass, int level, const PowerReading& reading,
                                  int channel) {
    return PowerMeasurement(MeasurementKind::PowerTrial, powerClass, level, reading.powerDbm,
                            channel);
}

Measurement PowerCalMeasurement(std::size_t powerClass, const PowerClassResult& result,
                                const PowerOptions& options) {
    Measurement m = PowerMeasurement(MeasurementKind::PowerCal, powerClass, result.level,
                                     result.powerDbm, options.channel);
    const double target = options.targetDbm[powerClass];
    m.JudgeBy(result.powerDbm,
              Limit{target - options.toleranceDb, target + options.toleranceDb, std::nullopt});
    return m;
}

Measurement SensPointMeasurement(double levelDbm, const RxPoint& point) {
    Measurement m = MeasurementOf(point);
    m.kind = MeasurementKind::SensPoint;
    m.value = levelDbm;
    return m;
}

Measurement SensitivityMeasurement(const SensitivityResult& result, int channel,
                                   std::optional<double> maxDbm) {
    Measurement m;
    m.kind = MeasurementKind::Sensitivity;
    m.at = UtcNow();
    m.channel = channel;
    m.rateMbps = RateOf(result.rateRow);
    m.value = result.levelDbm;
    // A rate where nothing passed has no sensitivity: it fails any limit.
    const Limit limit{std::nullopt, maxDbm, std::nullopt};
    m.JudgeBy(result.levelDbm, limit);
    if (!result.levelDbm)
        m.verdict = Verdict::Fail;
    return m;
}

std::string CrystalText(const CrystalResult& result) {
    char text[160];
    std::snprintf(text, sizeof text, "code %d: error %+.3f ppm (%+.0f Hz) in %d measurements%s",
                  result.code, result.reading.errorPpm, result.reading.errorHz, result.measurements,
                  result.saved ? ", saved" : (result.reached ? "" : ", out of reach"));
    return text;
}

std::string PowerResultText(const PowerResult& result) {
    std::string text;
    for (std::size_t i = 0; i < result.classes.size(); ++i) {
        const PowerClassResult& c = result.classes[i];
        char part[96];
        std::snprintf(part, sizeof part, "%s%s level %d %.2f dBm (%d)%s", i ? ", " : "",
                      kSddPowerClassNames[i], c.level, c.powerDbm, c.measurements,
                      c.reached ? "" : " out of reach");
        text += part;
    }
    return text + (result.saved ? ", saved" : "");
}

std::string SensitivityText(const SensitivityResult& result) {
    char text[96];
    if (result.levelDbm)
        std::snprintf(text, sizeof text, "%s Mbit/s: %.1f dBm (%d points)",
                      RateLabel(kRates[static_cast<std::size_t>(result.rateRow)]).c_str(),
                      *result.levelDbm, result.points);
    else
        std::snprintf(text, sizeof text, "%s Mbit/s: no level passes (%d points)",
                      RateLabel(kRates[static_cast<std::size_t>(result.rateRow)]).c_str(),
                      result.points);
    return text;
}

} // namespace kel::rftest
