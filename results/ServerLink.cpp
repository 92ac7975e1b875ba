// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/ServerLink.h"

#include "results/RowJson.h"
#include "results/Schema.h"
#include "results/StoreSetting.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <libpq-fe.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <pqxx/pqxx>
#include <vector>

namespace kel::results {

namespace {

// A server that does not answer is given up on after this long, so a
// pushing thread that is asked to stop ends soon; a statement that hangs
// likewise.
constexpr char kConnectTimeoutSeconds[] = "5";
constexpr char kStatementTimeout[] = "SET statement_timeout = 60000";

// Any lock number of our own: migrating processes take turns on it.
constexpr long long kMigrationLock = 0x6b656c7265737573; // "kelresus"

std::string WithConnectTimeout(const std::string& uri) {
    if (uri.find("connect_timeout=") != std::string::npos)
        return uri;
    return uri + (uri.find('?') == std::string::npos ? "?" : "&") +
           "connect_timeout=" + kConnectTimeoutSeconds;
}

// The password as libpq reads it from the URI (percent-decoded), if any.
std::string PasswordIn(const std::string& uri) {
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), nullptr);
    if (!options)
        return {};
    std::string password;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (std::string_view(o->keyword) == "password" && o->val)
            password = o->val;
    }
    PQconninfoFree(options);
    return password;
}

// The rows go as one bound JSON array that the server turns into rows of
// the table's own types: one parameter however many rows, which the server
// takes far faster than thousands of separate parameters.
void InsertRows(pqxx::work& work, const char* table, std::span<const char* const> columns,
                const std::vector<Row>& rows, const std::string& onConflict) {
    if (rows.empty())
        return;
    nlohmann::json array = nlohmann::json::array();
    for (const Row& row : rows)
        array.push_back(RowObject<nlohmann::json>(columns, row));
    const std::string list = ColumnList(columns);
    work.exec_params(std::string("INSERT INTO ") + table + " (" + list + ") SELECT " + list +
                         " FROM json_populate_recordset(NULL::" + table + ", $1) " + onConflict,
                     array.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

// A run the server holds takes the newer row until it has ended there.
std::string RunConflictClause() {
    std::string clause = "ON CONFLICT (id) DO UPDATE SET ";
    for (std::size_t i = 1; i < kRunColumns.size(); ++i)
        clause +=
            std::string(i == 1 ? "" : ", ") + kRunColumns[i] + " = EXCLUDED." + kRunColumns[i];
    return clause + " WHERE runs.ended_at IS NULL";
}

// libpq's messages run over several lines ("...failed: ...\n\tIs the server
// running...?"): one line for a log or a warning.
std::string OneLine(std::string message) {
    for (char& c : message) {
        if (c == '\n' || c == '\t')
            c = ' ';
    }
    while (!message.empty() && message.back() == ' ')
        message.pop_back();
    std::string single;
    for (char c : message) {
        if (!(c == ' ' && !single.empty() && single.back() == ' '))
            single += c;
    }
    return single;
}

} // namespace

struct ServerLink::Connection {
    explicit Connection(const std::string& uri) : pq(uri) {}
    pqxx::connection pq;
};

ServerLink::ServerLink(const std::string& uri) : shown_(WithoutPassword(uri)) {
    const std::string password = PasswordIn(uri);
    try {
        connection_ = std::make_unique<Connection>(WithConnectTimeout(uri));
        pqxx::nontransaction(connection_->pq).exec(kStatementTimeout);
        Migrate();
    } catch (const std::exception& e) {
        std::string message = OneLine(e.what());
        // libpq's messages name the host or socket, not the password; make sure.
        for (std::size_t at = password.empty() ? std::string::npos : message.find(password);
             at != std::string::npos; at = message.find(password, at + 3))
            message.replace(at, password.size(), "***");
        throw ServerError("results server " + shown_ + ": " + message);
    }
}

ServerLink::~ServerLink() = default;

void ServerLink::Migrate() {
    pqxx::work work(connection_->pq);
    work.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLock);
    int version = 0;
    if (!work.exec("SELECT to_regclass('schema_version')")[0][0].is_null())
        version = work.exec("SELECT coalesce(max(version), 0) FROM schema_version")[0][0].as<int>();
    const int current = CurrentSchemaVersion();
    if (version > current)
        throw ServerError("the server's schema version " + std::to_string(version) +
                          " is newer than this program's " + std::to_string(current));
    for (const Migration& step : ServerMigrations()) {
        if (step.version <= version)
            continue;
        work.exec(step.sql);
        work.exec_params("INSERT INTO schema_version (version, applied_at) VALUES ($1, now())",
                         step.version);
    }
    work.commit();
}

std::size_t ServerLink::PushBatch(const Store::Waiting& waiting) {
    pqxx::work work(connection_->pq);
    // The runs first: a measurement's run is in this batch or went before.
    InsertRows(work, "runs", kRunColumns, waiting.runs, RunConflictClause());
    InsertRows(work, "measurements", kMeasurementColumns, waiting.measurements,
               "ON CONFLICT (id) DO NOTHING");
    work.commit();
    return waiting.runs.size() + waiting.measurements.size();
}

std::size_t ServerLink::PushWaiting(Store& store, const std::function<bool()>& stop) {
    std::size_t pushed = 0;
    while (!stop || !stop()) {
        const Store::Waiting waiting = store.WaitingRows(kBatchRows);
        if (waiting.Empty())
            break;
        try {
            pushed += PushBatch(waiting);
        } catch (const std::exception& e) {
            if (!connection_->pq.is_open())
                throw ServerError("results server " + shown_ + ": the connection was lost");
            throw ServerError("results server " + shown_ + ": " + OneLine(e.what()));
        }
        // Sent again after a failure here, the rows change nothing there.
        store.Sent(waiting.lastSeq);
    }
    return pushed;
}

} // namespace kel::results

// --- Reading ----------------------------------------------------------------

namespace kel::results {

namespace {

// A column as the store holds it: ids and times as text, times in UTC with
// milliseconds, as the station's file writes them.
std::string ReadableColumn(std::string_view column, const std::string& table) {
    const std::string name = table + std::string(column);
    if (column == f::kId || column == f::kRunId)
        return name + "::text";
    if (column == f::kStartedAt || column == f::kEndedAt || column == f::kAt)
        return "to_char(" + name + R"( AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"'))";
    return name;
}

std::string ReadableColumns(std::span<const char* const> columns, const std::string& table) {
    std::string list;
    for (const char* column : columns)
        list += (list.empty() ? "" : ", ") + ReadableColumn(column, table);
    return list;
}

// The filter's conditions on the runs r, each given one a parameter after
// those in params; the since and until bounds are UTC, as the file's.
std::string Conditions(const RunFilter& filter, std::vector<std::string>& params) {
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    const std::string mac = lower(filter.boardMac);
    std::string sql = "TRUE";
    for (const auto& [value, condition] :
         {std::pair{&filter.since, "r.started_at >= ($::timestamp AT TIME ZONE 'UTC')"},
          {&filter.until, "r.started_at < ($::timestamp AT TIME ZONE 'UTC')"},
          {&mac, "r.board_mac = $"},
          {&filter.dut, "r.dut = $"},
          {&filter.plan, "r.plan = $"},
          {&filter.station, "r.station = $"}}) {
        if (value->empty())
            continue;
        params.push_back(*value);
        std::string text = condition;
        text.replace(text.find('$'), 1, "$" + std::to_string(params.size()));
        sql += " AND " + text;
    }
    // Any part of the MAC or of the DUT label, any case.
    if (!filter.boardPart.empty()) {
        params.push_back(lower(filter.boardPart));
        const std::string part = "$" + std::to_string(params.size());
        sql += " AND (strpos(r.board_mac, " + part + ") > 0 OR strpos(lower(r.dut), " + part +
               ") > 0)";
    }
    return sql;
}

Value ValueOf(const nlohmann::json& json) {
    if (json.is_string())
        return json.get<std::string>();
    if (json.is_number_integer())
        return json.get<std::int64_t>();
    if (json.is_number())
        return json.get<double>();
    return std::monostate{};
}

} // namespace

std::vector<Row> ServerLink::JsonRows(const std::string& sql,
                                      const std::vector<std::string>& params) {
    try {
        pqxx::nontransaction read(connection_->pq);
        const pqxx::result result =
            read.exec_params(sql, pqxx::prepare::make_dynamic_params(params));
        std::vector<Row> rows;
        rows.reserve(result.size());
        for (const auto& row : result) {
            Row values;
            for (const nlohmann::json& value : nlohmann::json::parse(row[0].c_str()))
                values.push_back(ValueOf(value));
            rows.push_back(std::move(values));
        }
        return rows;
    } catch (const std::exception& e) {
        throw ServerError("results server " + shown_ + ": " + OneLine(e.what()));
    }
}

std::vector<RunSummary> ServerLink::ListRuns(const RunFilter& filter) {
    std::vector<std::string> params;
    const std::string where = Conditions(filter, params);
    params.push_back(
        std::to_string(filter.limit.value_or(std::numeric_limits<std::int64_t>::max())));
    const std::string sql =
        "SELECT json_build_array(" + ReadableColumns(kRunColumns, "r.") +
        ", (SELECT count(*) FROM measurements m WHERE m.run_id = r.id)) FROM runs r WHERE " +
        where + " ORDER BY r.started_at DESC, r.id LIMIT $" + std::to_string(params.size()) +
        "::bigint";
    std::vector<RunSummary> runs;
    for (Row& row : JsonRows(sql, params)) {
        RunSummary summary;
        summary.points = std::get<std::int64_t>(row.back());
        row.pop_back();
        summary.run = RunFromRow(row);
        runs.push_back(std::move(summary));
    }
    return runs;
}

RunCounts ServerLink::CountRuns(const RunFilter& filter) {
    std::vector<std::string> params;
    const std::string where = Conditions(filter, params);
    const std::vector<Row> rows =
        JsonRows(RunCountsQuery(where, "r.id::text", "json_build_array"), params);
    return rows.empty() ? RunCounts{} : RunCountsOf(rows.front());
}

std::vector<RunRecord> ServerLink::RunsBeginningWith(std::string_view prefix) {
    std::string lower(prefix);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // Ids are hex digits and dashes: no LIKE wildcard can be in a valid prefix.
    if (lower.find_first_not_of("0123456789abcdef-") != std::string::npos)
        return {};
    std::vector<RunRecord> runs;
    for (const Row& row : JsonRows("SELECT json_build_array(" + ReadableColumns(kRunColumns, "") +
                                       ") FROM runs WHERE id::text LIKE $1 || '%' ORDER BY id "
                                       "LIMIT 2",
                                   {lower}))
        runs.push_back(RunFromRow(row));
    return runs;
}

void ServerLink::ExportRows(const RunFilter& filter, const std::function<void(const Row&)>& each) {
    // since bounds the measurements' times, as the file's export does.
    RunFilter runs = filter;
    runs.since.clear();
    std::vector<std::string> params;
    const std::string where = Conditions(runs, params);
    params.push_back(filter.since.empty() ? "-infinity" : filter.since);
    std::vector<const char*> runColumns;
    for (const std::string& name : ExportColumns()) {
        if (std::find_if(kMeasurementColumns.begin(), kMeasurementColumns.end(),
                         [&](const char* c) { return name == c; }) == kMeasurementColumns.end() &&
            name != f::kRunVerdict)
            runColumns.push_back(*std::find_if(kRunColumns.begin(), kRunColumns.end(),
                                               [&](const char* c) { return name == c; }));
    }
    const std::string sql =
        "SELECT json_build_array(" + ReadableColumns(kMeasurementColumns, "m.") + ", " +
        ReadableColumns(runColumns, "r.") +
        ", r.verdict, r.id::text) FROM runs r LEFT JOIN measurements m ON m.run_id = r.id "
        "WHERE " +
        where + " AND coalesce(m.at, r.started_at) >= ($" + std::to_string(params.size()) +
        "::timestamp AT TIME ZONE 'UTC') ORDER BY coalesce(m.at, r.started_at), r.id, m.seq";
    for (Row& row : JsonRows(sql, params))
        each(RunIdFilled(std::move(row)));
}

std::vector<PointYield> ServerLink::FailedPoints(const RunFilter& filter, std::size_t count) {
    std::vector<std::string> params;
    const std::string where = Conditions(filter, params);
    params.push_back(std::to_string(count));
    const std::string sql =
        "SELECT json_build_array(m.kind, m.channel, m.rate_mbps, count(*), "
        "count(*) FILTER (WHERE m.verdict = 'fail'), "
        "max(m.per_percent) FILTER (WHERE m.verdict = 'fail')) "
        "FROM measurements m JOIN runs r ON r.id = m.run_id WHERE m.verdict <> '' AND " +
        where +
        " GROUP BY m.kind, m.channel, m.rate_mbps "
        "HAVING count(*) FILTER (WHERE m.verdict = 'fail') > 0 "
        "ORDER BY count(*) FILTER (WHERE m.verdict = 'fail') DESC, "
        "max(m.per_percent) FILTER (WHERE m.verdict = 'fail') DESC NULLS LAST, "
        "m.kind, m.channel, m.rate_mbps LIMIT $" +
        std::to_string(params.size()) + "::bigint";
    std::vector<PointYield> worst;
    for (const Row& row : JsonRows(sql, params))
        worst.push_back(PointYieldOf(row));
    return worst;
}

std::vector<StoredMeasurement> ServerLink::RunMeasurements(const std::string& runId) {
    const std::string sql = "SELECT json_build_array(" + ReadableColumns(kMeasurementColumns, "") +
                            ") FROM measurements WHERE run_id = $1::uuid ORDER BY seq";
    std::vector<StoredMeasurement> measurements;
    for (const Row& row : JsonRows(sql, {runId}))
        measurements.push_back(MeasurementFromRow(row));
    return measurements;
}

} // namespace kel::results
