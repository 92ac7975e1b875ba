// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/Measurement.h"

#include "protocol/NumberReading.h"
#include "rftest/NameTable.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

namespace kel::rftest {
namespace {

constexpr std::array<std::pair<MeasurementKind, std::string_view>, 19> kKindNames{{
    {MeasurementKind::Rx, "rx"},
    {MeasurementKind::FreqOffset, "freq_offset"},
    {MeasurementKind::SddFreqOffset, "sdd_freq_offset"},
    {MeasurementKind::Power, "power"},
    {MeasurementKind::SddPower, "sdd_power"},
    {MeasurementKind::Tx, "tx"},
    {MeasurementKind::Tone, "tone"},
    {MeasurementKind::Supply, "supply"},
    {MeasurementKind::SddExport, "sdd_export"},
    {MeasurementKind::Mac, "mac"},
    {MeasurementKind::Send, "send"},
    {MeasurementKind::ToneFreq, "tone_freq"},
    {MeasurementKind::TxPower, "tx_power"},
    {MeasurementKind::FreqTrial, "freq_trial"},
    {MeasurementKind::FreqCal, "freq_cal"},
    {MeasurementKind::PowerTrial, "power_trial"},
    {MeasurementKind::PowerCal, "power_cal"},
    {MeasurementKind::SensPoint, "sens_point"},
    {MeasurementKind::Sensitivity, "sensitivity"},
}};

constexpr std::array<std::pair<Verdict, std::string_view>, 4> kVerdictNames{{
    {Verdict::None, ""},
    {Verdict::Pass, "pass"},
    {Verdict::Marginal, "marginal"},
    {Verdict::Fail, "fail"},
}};

} // namespace

std::string_view KindName(MeasurementKind kind) {
    return NameIn(kKindNames, kind);
}

std::optional<MeasurementKind> KindNamed(std::string_view name) {
    return KeyIn<MeasurementKind>(kKindNames, name);
}

std::string_view VerdictName(Verdict verdict) {
    return NameIn(kVerdictNames, verdict);
}

std::optional<Verdict> VerdictNamed(std::string_view name) {
    return KeyIn<Verdict>(kVerdictNames, name);
}

Verdict Judge(std::optional<double> value, const Limit& limit) {
    if (!limit.Applies())
        return Verdict::None;
    if (!value)
        return Verdict::Fail;
    if ((limit.low && *value < *limit.low) || (limit.high && *value > *limit.high))
        return Verdict::Fail;
    if (limit.marginalHigh && *value > *limit.marginalHigh)
        return Verdict::Marginal;
    return Verdict::Pass;
}

void Measurement::JudgeBy(std::optional<double> judged, const Limit& limit) {
    limitLow = limit.low;
    limitHigh = limit.high;
    verdict = Judge(judged, limit);
}

void Measurement::TakeReading(std::string_view reading) {
    if (const std::optional<std::int64_t> number = WholeReading(reading))
        value = static_cast<double>(*number);
    else
        text = std::string(reading);
}

std::optional<std::int64_t> WholeReading(std::string_view text) {
    std::size_t at = text.find_first_not_of(' ');
    if (at != std::string_view::npos && (text[at] == '+' || text[at] == '-'))
        ++at;
    if (at >= text.size() || text.find_first_not_of("0123456789", at) != std::string_view::npos ||
        !FitsInt32(text))
        return std::nullopt;
    return ReadInteger(text);
}

std::string UtcNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64]; // room for any int fields, so no truncation is possible
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

} // namespace kel::rftest
