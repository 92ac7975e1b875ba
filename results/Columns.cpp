// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Columns.h"

#include <charconv>
#include <stdexcept>

namespace kel::results {

namespace {

template <typename T> Value Optional(const std::optional<T>& value) {
    if (!value)
        return std::monostate{};
    if constexpr (std::is_integral_v<T>)
        return static_cast<std::int64_t>(*value);
    else
        return static_cast<double>(*value);
}

Value TextOrNull(const std::string& text) {
    return text.empty() ? Value{} : Value{text};
}

// A row read back: each column as the type its record field has.
class Reader {
public:
    Reader(const Row& row, std::size_t columns) : row_(row) {
        if (row.size() != columns)
            throw std::invalid_argument("a row of " + std::to_string(row.size()) +
                                        " columns where " + std::to_string(columns) +
                                        " were expected");
    }
    std::string Text() {
        const Value& v = row_[next_++];
        if (const auto* text = std::get_if<std::string>(&v))
            return *text;
        return ValueText(v);
    }
    template <typename T> std::optional<T> Number() {
        const Value& v = row_[next_++];
        if (const auto* i = std::get_if<std::int64_t>(&v))
            return static_cast<T>(*i);
        if (const auto* d = std::get_if<double>(&v))
            return static_cast<T>(*d);
        if (std::holds_alternative<std::monostate>(v))
            return std::nullopt;
        throw std::invalid_argument("a text where a number was expected");
    }

private:
    const Row& row_;
    std::size_t next_ = 0;
};

} // namespace

Row RunRow(const RunRecord& run) {
    return {run.id,
            run.startedAt,
            TextOrNull(run.endedAt),
            run.tool,
            run.version,
            run.station,
            run.operatorName,
            run.chipModel,
            run.port,
            Optional(run.baud),
            run.boardMac,
            run.dut,
            run.plan,
            run.planVersion,
            run.sessionLog,
            run.verdict,
            run.instrument};
}

RunRecord RunFromRow(const Row& row) {
    Reader r(row, kRunColumns.size());
    RunRecord run;
    run.id = r.Text();
    run.startedAt = r.Text();
    run.endedAt = r.Text();
    run.tool = r.Text();
    run.version = r.Text();
    run.station = r.Text();
    run.operatorName = r.Text();
    run.chipModel = r.Text();
    run.port = r.Text();
    run.baud = r.Number<std::int64_t>();
    run.boardMac = r.Text();
    run.dut = r.Text();
    run.plan = r.Text();
    run.planVersion = r.Text();
    run.sessionLog = r.Text();
    run.verdict = r.Text();
    run.instrument = r.Text();
    return run;
}

Row MeasurementRow(const StoredMeasurement& stored) {
    const rftest::Measurement& m = stored.measurement;
    return {stored.id,
            stored.runId,
            stored.seq,
            m.at,
            std::string(rftest::KindName(m.kind)),
            Optional(m.channel),
            Optional(m.rateMbps),
            Optional(m.powerLevel),
            Optional(m.sent),
            Optional(m.total),
            Optional(m.abortErrors),
            Optional(m.crcErrors),
            Optional(m.perPercent),
            Optional(m.value),
            m.text,
            Optional(m.limitLow),
            Optional(m.limitHigh),
            std::string(rftest::VerdictName(m.verdict)),
            Optional(m.freqHz),
            Optional(m.errorHz),
            Optional(m.errorPpm),
            Optional(m.powerDbm)};
}

StoredMeasurement MeasurementFromRow(const Row& row) {
    Reader r(row, kMeasurementColumns.size());
    StoredMeasurement stored;
    stored.id = r.Text();
    stored.runId = r.Text();
    stored.seq = r.Number<std::int64_t>().value_or(0);
    rftest::Measurement& m = stored.measurement;
    m.at = r.Text();
    const std::string kind = r.Text();
    const auto kindNamed = rftest::KindNamed(kind);
    if (!kindNamed)
        throw std::invalid_argument("unknown measurement kind '" + kind + "'");
    m.kind = *kindNamed;
    m.channel = r.Number<int>();
    m.rateMbps = r.Number<double>();
    m.powerLevel = r.Number<int>();
    m.sent = r.Number<std::int64_t>();
    m.total = r.Number<std::int64_t>();
    m.abortErrors = r.Number<std::int64_t>();
    m.crcErrors = r.Number<std::int64_t>();
    m.perPercent = r.Number<double>();
    m.value = r.Number<double>();
    m.text = r.Text();
    m.limitLow = r.Number<double>();
    m.limitHigh = r.Number<double>();
    const std::string verdict = r.Text();
    const auto verdictNamed = rftest::VerdictNamed(verdict);
    if (!verdictNamed)
        throw std::invalid_argument("unknown verdict '" + verdict + "'");
    m.verdict = *verdictNamed;
    m.freqHz = r.Number<double>();
    m.errorHz = r.Number<double>();
    m.errorPpm = r.Number<double>();
    m.powerDbm = r.Number<double>();
    return stored;
}

std::string ColumnList(std::span<const char* const> names, const std::string& prefix) {
    std::string list;
    for (const char* name : names)
        list += (list.empty() ? "" : ", ") + prefix + name;
    return list;
}

std::string Placeholders(std::size_t count, std::size_t first, char marker) {
    std::string list;
    for (std::size_t i = 0; i < count; ++i)
        list += (i == 0 ? "" : ", ") + std::string(1, marker) + std::to_string(first + i);
    return list;
}

std::string ValueText(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, *d).ptr;
        return std::string(buffer, end);
    }
    return {};
}

} // namespace kel::results
