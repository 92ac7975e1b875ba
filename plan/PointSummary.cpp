// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/PointSummary.h"

#include "rftest/ValueChecks.h"
#include "rftest/calibration/CalibrationResults.h"

namespace kel::plan {

namespace {

using rftest::DecimalText;
using rftest::Verdict;

// "ch 11 54 Mbps": the settings an RX point was taken at.
std::string Where(const rftest::Measurement& m) {
    std::string where;
    if (m.channel)
        where += "ch " + std::to_string(*m.channel);
    if (m.rateMbps)
        where += (where.empty() ? "" : " ") + DecimalText(*m.rateMbps) + " Mbps";
    return where;
}

std::string Limits(const rftest::Limit& limit, const std::string& unit) {
    if (limit.low && limit.high)
        return "within " + DecimalText(*limit.low) + " to " + DecimalText(*limit.high) + unit;
    if (limit.high)
        return "at most " + DecimalText(*limit.high) + unit;
    return "at least " + DecimalText(limit.low.value_or(0)) + unit;
}

std::string Compared(const std::string& what, std::optional<double> value, const std::string& unit,
                     const rftest::Limit& limit, Verdict verdict) {
    if (!value)
        return what + " not computable (" + Limits(limit, unit) + ")";
    const std::string said = what + " " + DecimalText(*value) + unit;
    if (verdict == Verdict::Fail && limit.high && *value > *limit.high)
        return said + " > " + DecimalText(*limit.high) + unit;
    if (verdict == Verdict::Fail && limit.low && *value < *limit.low)
        return said + " < " + DecimalText(*limit.low) + unit;
    if (verdict == Verdict::Marginal && limit.marginalHigh)
        return said + " > " + DecimalText(*limit.marginalHigh) + unit + " (marginal)";
    return said + " (" + Limits(limit, unit) + ")";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

std::string PointName(const Step& step, const rftest::Measurement& m) {
    std::string name(StepKindName(step.kind));
    std::string detail;
    switch (m.kind) {
    case rftest::MeasurementKind::Rx:
        detail = Where(m);
        break;
    case rftest::MeasurementKind::SddPower:
        detail = m.text; // the rate class
        break;
    case rftest::MeasurementKind::Mac:
        detail = m.text.substr(0, m.text.find(' ')); // the role
        break;
    default:
        break;
    }
    return detail.empty() ? name : name + " " + detail;
}

std::string PointSummary(const Step& step, const rftest::Measurement& m) {
    if (m.verdict == Verdict::None)
        return {};
    switch (m.kind) {
    case rftest::MeasurementKind::Rx: {
        const std::string where = Where(m);
        return Compared((where.empty() ? "" : where + " ") + "PER", m.perPercent, " %", step.limit,
                        m.verdict);
    }
    case rftest::MeasurementKind::FreqOffset:
        return Compared("freq offset", m.value, "", step.limit, m.verdict);
    case rftest::MeasurementKind::SddPower:
        for (std::size_t i = 0; i < rftest::kSddPowerClassNames.size(); ++i) {
            if (m.text == rftest::kSddPowerClassNames[i])
                return Compared("sdd power " + m.text, m.value, "", step.classLimits[i], m.verdict);
        }
        break;
    case rftest::MeasurementKind::ToneFreq:
        return Compared("frequency error", m.errorPpm, " ppm", step.limit, m.verdict);
    case rftest::MeasurementKind::TxPower:
        return Compared("TX power", m.powerDbm, " dBm", step.limit, m.verdict);
    case rftest::MeasurementKind::Send:
        return "reply to " + Quoted(step.text) +
               (m.verdict == Verdict::Fail ? " holds no " : " holds ") +
               Quoted(step.expect.value_or(""));
    default:
        break;
    }
    return rftest::CalibrationLine(m);
}

} // namespace kel::plan
