// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Columns.h"

#include <array>
#include <charconv>
#include <stdexcept>
#include <tuple>

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

// A run's text columns on either side of its baud rate, in table order:
// the one list a row is written from and read back into.
constexpr std::array kRunTextsBeforeBaud{
    &RunRecord::id,           &RunRecord::startedAt, &RunRecord::endedAt,
    &RunRecord::tool,         &RunRecord::version,   &RunRecord::station,
    &RunRecord::operatorName, &RunRecord::chipModel, &RunRecord::port};
constexpr std::array kRunTextsAfterBaud{
    &RunRecord::boardMac,   &RunRecord::dut,     &RunRecord::plan,       &RunRecord::planVersion,
    &RunRecord::sessionLog, &RunRecord::verdict, &RunRecord::instrument, &RunRecord::slot};

// A measurement's numbers between its kind and its text, and its limits after
// the text, in table order.
constexpr auto kMeasuredNumbers = std::make_tuple(
    &rftest::Measurement::channel, &rftest::Measurement::rateMbps, &rftest::Measurement::powerLevel,
    &rftest::Measurement::sent, &rftest::Measurement::total, &rftest::Measurement::abortErrors,
    &rftest::Measurement::crcErrors, &rftest::Measurement::perPercent, &rftest::Measurement::value);
constexpr auto kLimitNumbers =
    std::make_tuple(&rftest::Measurement::limitLow, &rftest::Measurement::limitHigh);
// What an instrument measured, after the verdict: a later schema version's
// columns come last, where ALTER TABLE puts them.
constexpr auto kInstrumentNumbers =
    std::make_tuple(&rftest::Measurement::freqHz, &rftest::Measurement::errorHz,
                    &rftest::Measurement::errorPpm, &rftest::Measurement::powerDbm);

template <typename Members>
void WriteNumbers(Row& row, const rftest::Measurement& m, const Members& members) {
    std::apply([&](auto... member) { (row.push_back(Optional(m.*member)), ...); }, members);
}

template <typename T> void ReadNumber(Reader& r, std::optional<T>& field) {
    field = r.Number<T>();
}

template <typename Members>
void ReadNumbers(Reader& r, rftest::Measurement& m, const Members& members) {
    std::apply([&](auto... member) { (ReadNumber(r, m.*member), ...); }, members);
}

} // namespace

Row RunRow(const RunRecord& run) {
    Row row;
    for (const auto member : kRunTextsBeforeBaud) {
        // A run not ended has no end time: NULL, not an empty text.
        row.push_back(member == &RunRecord::endedAt ? TextOrNull(run.*member) : run.*member);
    }
    row.push_back(Optional(run.baud));
    for (const auto member : kRunTextsAfterBaud)
        row.push_back(run.*member);
    return row;
}

RunRecord RunFromRow(const Row& row) {
    Reader r(row, kRunColumns.size());
    RunRecord run;
    for (const auto member : kRunTextsBeforeBaud)
        run.*member = r.Text();
    run.baud = r.Number<std::int64_t>();
    for (const auto member : kRunTextsAfterBaud)
        run.*member = r.Text();
    return run;
}

Row MeasurementRow(const StoredMeasurement& stored) {
    const rftest::Measurement& m = stored.measurement;
    Row row{stored.id, stored.runId, stored.seq, m.at, std::string(rftest::KindName(m.kind))};
    WriteNumbers(row, m, kMeasuredNumbers);
    row.push_back(m.text);
    WriteNumbers(row, m, kLimitNumbers);
    row.push_back(std::string(rftest::VerdictName(m.verdict)));
    WriteNumbers(row, m, kInstrumentNumbers);
    return row;
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
    ReadNumbers(r, m, kMeasuredNumbers);
    m.text = r.Text();
    ReadNumbers(r, m, kLimitNumbers);
    const std::string verdict = r.Text();
    const auto verdictNamed = rftest::VerdictNamed(verdict);
    if (!verdictNamed)
        throw std::invalid_argument("unknown verdict '" + verdict + "'");
    m.verdict = *verdictNamed;
    ReadNumbers(r, m, kInstrumentNumbers);
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
