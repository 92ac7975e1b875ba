// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ResultSchema.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kel::cli {

namespace f = rftest::field;
using rftest::Measurement;
using rftest::MeasurementKind;

namespace {

constexpr char kSddPower[] = "sdd_power";
constexpr char kMac[] = "mac";
constexpr char kSupply[] = "supply";
constexpr char kFile[] = "file";
constexpr char kReply[] = "reply";

// A whole number as one (an offset reads 48, not 48.0).
Fields Number(double value) {
    if (std::trunc(value) == value && std::fabs(value) < 9.0e15)
        return static_cast<std::int64_t>(value);
    return value;
}

// A number when the board sent one, its text otherwise.
Fields ValueOf(const Measurement& m) {
    if (m.value)
        return Number(*m.value);
    return m.text;
}

void AddSettings(Fields& object, std::optional<int> channel, std::optional<double> rateMbps,
                 std::optional<int> powerLevel) {
    if (channel)
        object[f::kChannel] = *channel;
    if (rateMbps)
        object[f::kRateMbps] = *rateMbps;
    if (powerLevel)
        object[f::kPowerLevel] = *powerLevel;
}

void AddValues(Fields& object, const Measurement& m) {
    switch (m.kind) {
    case MeasurementKind::Rx:
        if (m.sent)
            object[f::kSent] = *m.sent;
        object[f::kTotal] = m.total.value_or(0);
        object[f::kAbortErrors] = m.abortErrors.value_or(0);
        object[f::kCrcErrors] = m.crcErrors.value_or(0);
        if (m.sent)
            object[f::kPerPercent] = m.perPercent ? Fields(*m.perPercent) : Fields(nullptr);
        break;
    case MeasurementKind::FreqOffset:
    case MeasurementKind::SddFreqOffset:
        object[std::string(rftest::KindName(m.kind))] = ValueOf(m);
        break;
    case MeasurementKind::Power:
        object[f::kPowerLevel] = ValueOf(m);
        break;
    case MeasurementKind::SddPower:
        // One level per rate class, the class in text: {"11b": 16, ...}.
        object[kSddPower][m.text] = m.value ? Number(*m.value) : Fields(nullptr);
        break;
    case MeasurementKind::Mac: {
        // "source 02:00:00:00:00:01": the address's role, then the address.
        const std::size_t blank = m.text.find(' ');
        object[kMac][m.text.substr(0, blank)] =
            blank == std::string::npos ? std::string() : m.text.substr(blank + 1);
        break;
    }
    case MeasurementKind::Supply:
        object[kSupply] = m.text;
        break;
    case MeasurementKind::SddExport:
        object[kFile] = m.text;
        break;
    case MeasurementKind::Send: {
        // The reply lines as the send subcommand gives them.
        Fields lines = Fields::array();
        for (std::size_t begin = 0; begin < m.text.size();) {
            const std::size_t end = std::min(m.text.find('\n', begin), m.text.size());
            lines.push_back(m.text.substr(begin, end - begin));
            begin = end + 1;
        }
        object[kReply] = lines;
        break;
    }
    case MeasurementKind::Tx:
    case MeasurementKind::Tone:
        break; // what ran is the command's; its options come as extra fields
    case MeasurementKind::ToneFreq:
        object[f::kFreqHz] = m.freqHz ? Fields(*m.freqHz) : Fields(nullptr);
        object[f::kErrorHz] = m.errorHz ? Fields(*m.errorHz) : Fields(nullptr);
        object[f::kErrorPpm] = m.errorPpm ? Fields(*m.errorPpm) : Fields(nullptr);
        break;
    case MeasurementKind::TxPower:
        object[f::kPowerDbm] = m.powerDbm ? Fields(*m.powerDbm) : Fields(nullptr);
        break;
    case MeasurementKind::FreqTrial:
    case MeasurementKind::FreqCal:
        object[std::string(rftest::KindName(MeasurementKind::FreqOffset))] = ValueOf(m);
        object[f::kFreqHz] = m.freqHz ? Fields(*m.freqHz) : Fields(nullptr);
        object[f::kErrorHz] = m.errorHz ? Fields(*m.errorHz) : Fields(nullptr);
        object[f::kErrorPpm] = m.errorPpm ? Fields(*m.errorPpm) : Fields(nullptr);
        break;
    case MeasurementKind::PowerTrial:
    case MeasurementKind::PowerCal:
        object[f::kRateClass] = m.text;
        object[f::kPowerDbm] = m.powerDbm ? Fields(*m.powerDbm) : Fields(nullptr);
        break;
    case MeasurementKind::SensPoint:
        object[f::kLevelDbm] = ValueOf(m);
        object[f::kSent] = m.sent.value_or(0);
        object[f::kTotal] = m.total.value_or(0);
        object[f::kAbortErrors] = m.abortErrors.value_or(0);
        object[f::kCrcErrors] = m.crcErrors.value_or(0);
        object[f::kPerPercent] = m.perPercent ? Fields(*m.perPercent) : Fields(nullptr);
        break;
    case MeasurementKind::Sensitivity:
        object[f::kLevelDbm] = m.value ? Fields(*m.value) : Fields(nullptr);
        break;
    }
    if (m.limitLow)
        object[f::kLimitLow] = *m.limitLow;
    if (m.limitHigh)
        object[f::kLimitHigh] = *m.limitHigh;
    if (m.verdict != rftest::Verdict::None)
        object[f::kVerdict] = rftest::VerdictName(m.verdict);
}

Fields Facts(const RunFacts& facts, bool ok, const std::string& time) {
    Fields object{{f::kCommand, facts.command}, {f::kOk, ok}, {f::kTime, time}};
    if (!facts.port.empty())
        object[f::kPort] = facts.port;
    if (!facts.model.empty())
        object[f::kModel] = facts.model;
    if (facts.boardMac)
        object[f::kBoardMac] = *facts.boardMac;
    if (!facts.instrument.empty())
        object[f::kInstrument] = facts.instrument;
    return object;
}

} // namespace

void TakeSettings(const RunFacts& facts, Measurement& m) {
    if (!m.channel)
        m.channel = facts.channel;
    if (!m.rateMbps)
        m.rateMbps = facts.rateMbps;
    if (!m.powerLevel)
        m.powerLevel = facts.powerLevel;
}

Fields ResultObject(const RunFacts& facts, const std::vector<Measurement>& measurements,
                    const Fields& extra) {
    Fields object =
        Facts(facts, true, measurements.empty() ? rftest::UtcNow() : measurements[0].at);
    AddSettings(object, facts.channel, facts.rateMbps, facts.powerLevel);
    for (const Measurement& m : measurements) {
        AddSettings(object, m.channel, m.rateMbps, m.powerLevel);
        AddValues(object, m);
    }
    if (extra.is_object())
        object.update(extra);
    return object;
}

Fields FailureObject(const RunFacts& facts, const std::string& error, const std::string& reason) {
    Fields object = Facts(facts, false, rftest::UtcNow());
    object[f::kError] = error;
    if (!reason.empty())
        object[f::kReason] = reason;
    return object;
}

std::string JsonLine(const Fields& fields) {
    return fields.dump(-1, ' ', false, Fields::error_handler_t::replace) + "\n";
}

} // namespace kel::cli
