// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/calibration/CalibrationResults.h"

#include "rftest/RfTables.h"
#include "rftest/ValueChecks.h"

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

std::string PowerClassText(std::size_t powerClass, const PowerClassResult& result, bool saved) {
    char text[128];
    std::snprintf(text, sizeof text, "%s: level %d, %.2f dBm in %d measurements%s",
                  kSddPowerClassNames[powerClass], result.level, result.powerDbm,
                  result.measurements,
                  saved ? ", saved" : (result.reached ? "" : ", out of reach"));
    return text;
}

std::string CalibrationLine(const Measurement& m) {
    char text[160];
    const std::string verdict(VerdictName(m.verdict));
    switch (m.kind) {
    case MeasurementKind::FreqCal:
        std::snprintf(text, sizeof text, "crystal: code %.0f, %+.3f ppm (%+.0f Hz)%s, %s",
                      m.value.value_or(-1), m.errorPpm.value_or(0), m.errorHz.value_or(0),
                      m.text.empty() ? "" : (", " + m.text).c_str(), verdict.c_str());
        return text;
    case MeasurementKind::PowerCal:
        std::snprintf(text, sizeof text, "TX power %s: level %.0f, %.2f dBm, %s", m.text.c_str(),
                      m.value.value_or(-1), m.powerDbm.value_or(0), verdict.c_str());
        return text;
    case MeasurementKind::Sensitivity:
        if (m.value)
            std::snprintf(text, sizeof text, "sensitivity %s Mbit/s: %.1f dBm%s%s",
                          DecimalText(m.rateMbps.value_or(0)).c_str(), *m.value,
                          verdict.empty() ? "" : ", ", verdict.c_str());
        else
            std::snprintf(text, sizeof text, "sensitivity %s Mbit/s: no level passes, %s",
                          DecimalText(m.rateMbps.value_or(0)).c_str(), verdict.c_str());
        return text;
    default:
        return {};
    }
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
