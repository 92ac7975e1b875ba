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
        // Only the filters given, so that each can use its index.
        std::string sql = "SELECT " + ColumnList(kRunColumns, "r.") +
                          ", (SELECT count(*) FROM measurements m WHERE m.run_id = r.id) "
                          "FROM runs r WHERE r.started_at >= ?1";
        if (!filter.boardMac.empty())
            sql += " AND r.board_mac = ?2";
        if (!filter.dut.empty())
            sql += " AND r.dut = ?3";
        if (!filter.boardPart.empty())
            sql += " AND (instr(r.board_mac, ?5) > 0 OR instr(lower(r.dut), ?5) > 0)";
        sql += " ORDER BY r.started_at DESC, r.id LIMIT ?4";
        SQLite::Statement query(db, sql);
        query.bind(1, filter.since);
        if (!filter.boardMac.empty())
            query.bind(2, Lower(filter.boardMac));
        if (!filter.dut.empty())
            query.bind(3, filter.dut);
        if (!filter.boardPart.empty())
            query.bind(5, Lower(filter.boardPart));
        query.bind(4, static_cast<std::int64_t>(filter.limit.value_or(-1)));
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
    if (prefix.empty() || found.empty())
        throw StoreError("no run " + std::string(idOrPrefix) + " in " + store.File().string());
    if (found.size() > 1 && found[0].id != prefix)
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

void ExportRows(Store& store, const std::string& since,
                const std::function<void(const Row&)>& each) {
    Reading(store, "cannot export", [&](SQLite::Database& db) {
        SQLite::Statement query(db, "SELECT " + ColumnList(kMeasurementColumns, "m.") + ", " +
                                        ColumnList(ExportedRunColumns(), "r.") +
                                        ", r.verdict FROM measurements m JOIN runs r ON r.id = "
                                        "m.run_id WHERE m.at >= ?1 ORDER BY m.at, m.run_id, m.seq");
        query.bind(1, since);
        const std::size_t count = ExportColumns().size();
        while (query.executeStep())
            each(ReadRow(query, 0, count));
        return 0;
    });
}

YieldSummary Yield(Store& store, const std::string& since, std::size_t worstCount) {
    return Reading(store, "cannot work out the yield", [&](SQLite::Database& db) {
        YieldSummary summary;
        SQLite::Statement boards(db, R"sql(
            WITH judged AS (
                SELECT CASE WHEN board_mac <> '' THEN 'mac ' || board_mac ELSE 'dut ' || dut END
                           AS board, started_at, id, verdict
                FROM runs
                WHERE started_at >= ?1 AND (board_mac <> '' OR dut <> '')
                  AND verdict IN ('pass', 'fail')),
            ranked AS (
                SELECT board, verdict,
                       row_number() OVER (PARTITION BY board ORDER BY started_at, id) AS first,
                       row_number() OVER (PARTITION BY board ORDER BY started_at DESC, id DESC)
                           AS last
                FROM judged)
            SELECT count(DISTINCT board),
                   coalesce(sum(first = 1 AND verdict = 'pass'), 0),
                   coalesce(sum(last = 1 AND verdict = 'pass'), 0)
            FROM ranked)sql");
        boards.bind(1, since);
        if (boards.executeStep()) {
            summary.boards = boards.getColumn(0).getInt64();
            summary.firstPass = boards.getColumn(1).getInt64();
            summary.finalPass = boards.getColumn(2).getInt64();
        }
        SQLite::Statement points(db, R"sql(
            SELECT kind, channel, rate_mbps, count(*), sum(verdict = 'fail'), max(per_percent)
            FROM measurements
            WHERE at >= ?1 AND (verdict <> '' OR per_percent IS NOT NULL)
            GROUP BY kind, channel, rate_mbps
            ORDER BY 5 DESC, 6 DESC, 1, 2, 3
            LIMIT ?2)sql");
        points.bind(1, since);
        points.bind(2, static_cast<std::int64_t>(worstCount));
        while (points.executeStep()) {
            PointYield point;
            point.kind = points.getColumn(0).getString();
            if (!points.getColumn(1).isNull())
                point.channel = points.getColumn(1).getInt();
            if (!points.getColumn(2).isNull())
                point.rateMbps = points.getColumn(2).getDouble();
            point.measured = points.getColumn(3).getInt64();
            point.failed = points.getColumn(4).getInt64();
            if (!points.getColumn(5).isNull())
                point.worstPer = points.getColumn(5).getDouble();
            summary.worst.push_back(point);
        }
        return summary;
    });
}

} // namespace kel::results
