// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Queries.h"

#include "results/SqliteRows.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace kel::results {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

template <typename Query> auto Reading(Store& store, const char* what, Query&& query) {
    try {
        return query(store.Database());
    } catch (const SQLite::Exception& e) {
        store.Fail(what, e);
    }
}

// The filter's conditions on the runs r, only those given so that each can
// use its index; bound by BindFilter.
std::string FilterConditions(const RunFilter& filter) {
    std::string sql = "1 = 1";
    for (const auto& [value, condition] : {std::pair{&filter.since, " AND r.started_at >= :since"},
                                           {&filter.until, " AND r.started_at < :until"},
                                           {&filter.boardMac, " AND r.board_mac = :board"},
                                           {&filter.dut, " AND r.dut = :dut"},
                                           {&filter.plan, " AND r.plan = :plan"},
                                           {&filter.station, " AND r.station = :station"}}) {
        if (!value->empty())
            sql += condition;
    }
    if (!filter.boardPart.empty())
        sql += " AND (instr(r.board_mac, :part) > 0 OR instr(lower(r.dut), :part) > 0)";
    return sql;
}

void BindFilter(SQLite::Statement& query, const RunFilter& filter) {
    for (const auto& [value, name] : {std::pair{&filter.since, ":since"},
                                      {&filter.until, ":until"},
                                      {&filter.dut, ":dut"},
                                      {&filter.plan, ":plan"},
                                      {&filter.station, ":station"}}) {
        if (!value->empty())
            query.bind(name, *value);
    }
    if (!filter.boardMac.empty())
        query.bind(":board", Lower(filter.boardMac));
    if (!filter.boardPart.empty())
        query.bind(":part", Lower(filter.boardPart));
}

} // namespace

std::optional<std::string> SinceBound(std::string_view text) {
    static const std::regex kDate(
        R"((\d{4})-(\d\d)-(\d\d)(?:[T ](\d\d:\d\d(?::\d\d(?:\.\d{1,3})?)?))?Z?)");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_match(text.begin(), text.end(), match, kDate))
        return std::nullopt;
    const int month = std::stoi(match[2].str());
    const int day = std::stoi(match[3].str());
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    std::string bound = match[1].str() + "-" + match[2].str() + "-" + match[3].str();
    if (match[4].matched)
        bound += "T" + match[4].str();
    return bound;
}

std::vector<RunSummary> ListRuns(Store& store, const RunFilter& filter) {
    return Reading(store, "cannot list the runs", [&](SQLite::Database& db) {
        SQLite::Statement query(db, "SELECT " + ColumnList(kRunColumns, "r.") +
                                        ", (SELECT count(*) FROM measurements m WHERE m.run_id = "
                                        "r.id) FROM runs r WHERE " +
                                        FilterConditions(filter) +
                                        " ORDER BY r.started_at DESC, r.id LIMIT :limit");
        BindFilter(query, filter);
        query.bind(":limit", static_cast<std::int64_t>(filter.limit.value_or(-1)));
        std::vector<RunSummary> runs;
        while (query.executeStep()) {
            RunSummary summary;
            summary.run = RunFromRow(ReadRow(query, 0, kRunColumns.size()));
            summary.points = query.getColumn(static_cast<int>(kRunColumns.size())).getInt64();
            runs.push_back(std::move(summary));
        }
        return runs;
    });
}

RunCounts CountRuns(Store& store, const RunFilter& filter) {
    return Reading(store, "cannot count the runs", [&](SQLite::Database& db) {
        SQLite::Statement query(db, RunCountsQuery(FilterConditions(filter), "r.id"));
        BindFilter(query, filter);
        query.executeStep();
        return RunCountsOf(ReadRow(query, 0, 6));
    });
}

RunRecord FindRun(Store& store, std::string_view idOrPrefix) {
    const std::string prefix = Lower(idOrPrefix);
    std::vector<RunRecord> found =
        Reading(store, "cannot look up the run", [&](SQLite::Database& db) {
            // Every id beginning with the prefix sorts between it and it followed
            // by '~' (ids are hex digits and dashes): one range of the key.
            SQLite::Statement query(db, "SELECT " + ColumnList(kRunColumns) +
                                            " FROM runs WHERE id >= ?1 AND id < ?1 || '~' LIMIT 2");
            query.bind(1, prefix);
            std::vector<RunRecord> runs;
            while (query.executeStep())
                runs.push_back(RunFromRow(ReadRow(query, 0, kRunColumns.size())));
            return runs;
        });
    return OnlyRun(found, idOrPrefix, store.File().string());
}

RunRecord OnlyRun(const std::vector<RunRecord>& found, std::string_view idOrPrefix,
                  const std::string& where) {
    if (idOrPrefix.empty() || found.empty())
        throw StoreError("no run " + std::string(idOrPrefix) + " in " + where);
    if (found.size() > 1 && found[0].id != Lower(idOrPrefix))
        throw StoreError("several runs begin with " + std::string(idOrPrefix) +
                         ": give more of the id");
    return found[0];
}

std::vector<StoredMeasurement> RunMeasurements(Store& store, const std::string& runId) {
    return Reading(store, "cannot read the run's measurements", [&](SQLite::Database& db) {
        SQLite::Statement query(db, "SELECT " + ColumnList(kMeasurementColumns) +
                                        " FROM measurements WHERE run_id = ?1 ORDER BY seq");
        query.bind(1, runId);
        std::vector<StoredMeasurement> measurements;
        while (query.executeStep())
            measurements.push_back(
                MeasurementFromRow(ReadRow(query, 0, kMeasurementColumns.size())));
        return measurements;
    });
}

namespace {

// The run's columns an export adds after the measurement's: all but its id
// (the measurement's run_id) and its verdict, which comes last, renamed.
std::vector<const char*> ExportedRunColumns() {
    std::vector<const char*> columns;
    for (const char* name : kRunColumns) {
        if (std::string_view(name) != f::kId && std::string_view(name) != f::kVerdict)
            columns.push_back(name);
    }
    return columns;
}

} // namespace

std::vector<std::string> ExportColumns() {
    std::vector<std::string> columns(kMeasurementColumns.begin(), kMeasurementColumns.end());
    for (const char* name : ExportedRunColumns())
        columns.emplace_back(name);
    columns.emplace_back(f::kRunVerdict);
    return columns;
}

Row ExportRow(const StoredMeasurement& stored, const RunRecord& run) {
    Row row = MeasurementRow(stored);
    const Row runRow = RunRow(run);
    const std::vector<const char*> exported = ExportedRunColumns();
    for (std::size_t c = 0; c < kRunColumns.size(); ++c) {
        if (std::find(exported.begin(), exported.end(), kRunColumns[c]) != exported.end())
            row.push_back(runRow[c]);
    }
    row.push_back(run.verdict);
    return row;
}

void ExportRows(Store& store, const RunFilter& filter,
                const std::function<void(const Row&)>& each) {
    // since bounds the measurements' times, not their runs' starts.
    RunFilter runs = filter;
    runs.since.clear();
    Reading(store, "cannot export", [&](SQLite::Database& db) {
        // From the runs, so that a run without points (an errored board) is a
        // row too; its run id comes last, for that row's run_id.
        SQLite::Statement query(
            db, "SELECT " + ColumnList(kMeasurementColumns, "m.") + ", " +
                    ColumnList(ExportedRunColumns(), "r.") +
                    ", r.verdict, r.id FROM runs r LEFT JOIN measurements m ON m.run_id = r.id "
                    "WHERE " +
                    FilterConditions(runs) +
                    " AND coalesce(m.at, r.started_at) >= :from "
                    "ORDER BY coalesce(m.at, r.started_at), r.id, m.seq");
        BindFilter(query, runs);
        query.bind(":from", filter.since);
        const std::size_t count = ExportColumns().size();
        while (query.executeStep())
            each(RunIdFilled(ReadRow(query, 0, count + 1)));
        return 0;
    });
}

std::vector<PointYield> FailedPoints(Store& store, const RunFilter& filter, std::size_t count) {
    return Reading(store, "cannot find the failed points", [&](SQLite::Database& db) {
        SQLite::Statement points(db,
                                 "SELECT m.kind, m.channel, m.rate_mbps, count(*), "
                                 "count(*) FILTER (WHERE m.verdict = 'fail'), "
                                 "max(m.per_percent) FILTER (WHERE m.verdict = 'fail') "
                                 "FROM measurements m JOIN runs r ON r.id = m.run_id "
                                 "WHERE m.verdict <> '' AND " +
                                     FilterConditions(filter) +
                                     " GROUP BY m.kind, m.channel, m.rate_mbps "
                                     "HAVING count(*) FILTER (WHERE m.verdict = 'fail') > 0 "
                                     "ORDER BY 5 DESC, 6 DESC NULLS LAST, 1, 2, 3 LIMIT :count");
        BindFilter(points, filter);
        points.bind(":count", static_cast<std::int64_t>(count));
        std::vector<PointYield> worst;
        while (points.executeStep())
            worst.push_back(PointYieldOf(ReadRow(points, 0, 6)));
        return worst;
    });
}

Row RunIdFilled(Row row) {
    // The run's id, selected last, stands in for a missing measurement's run_id.
    const Value id = std::move(row.back());
    row.pop_back();
    Value& runId = row[static_cast<std::size_t>(std::find(kMeasurementColumns.begin(),
                                                          kMeasurementColumns.end(),
                                                          std::string_view(f::kRunId)) -
                                                kMeasurementColumns.begin())];
    if (std::holds_alternative<std::monostate>(runId))
        runId = id;
    return row;
}

PointYield PointYieldOf(const Row& row) {
    PointYield point;
    point.kind = ValueText(row[0]);
    if (const auto* channel = std::get_if<std::int64_t>(&row[1]))
        point.channel = static_cast<int>(*channel);
    point.rateMbps = NumberOf(row[2]);
    point.measured = std::get<std::int64_t>(row[3]);
    point.failed = std::get<std::int64_t>(row[4]);
    point.worstPer = NumberOf(row[5]);
    return point;
}

std::optional<double> NumberOf(const Value& value) {
    if (const auto* d = std::get_if<double>(&value))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return static_cast<double>(*i);
    return std::nullopt;
}

} // namespace kel::results
