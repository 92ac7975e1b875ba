// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Schema.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace kel::results {

namespace {

// One text of several string literals, joined at compile time.
template <std::size_t... N> constexpr auto Joined(const char (&... parts)[N]) {
    std::array<char, (N + ...) - sizeof...(N) + 1> text{};
    std::size_t at = 0;
    ((std::copy_n(parts, N - 1, text.begin() + at), at += N - 1), ...);
    return text;
}

// The text columns of a run in both stores: before its baud rate, and after.
constexpr char kRunNames[] = R"sql(    tool TEXT NOT NULL DEFAULT '',
    version TEXT NOT NULL DEFAULT '',
    station TEXT NOT NULL DEFAULT '',
    operator TEXT NOT NULL DEFAULT '',
    chip_model TEXT NOT NULL DEFAULT '',
    port TEXT NOT NULL DEFAULT '',
)sql";
constexpr char kRunLabels[] = R"sql(    board_mac TEXT NOT NULL DEFAULT '',
    dut TEXT NOT NULL DEFAULT '',
    plan TEXT NOT NULL DEFAULT '',
    plan_version TEXT NOT NULL DEFAULT '',
    session_log TEXT NOT NULL DEFAULT '',
    verdict TEXT NOT NULL DEFAULT ''
)sql";

// Text columns are never NULL, so a query says = '' rather than IS NULL; a
// number or a time that was not taken is NULL.
constexpr auto kSqliteV1 = Joined(R"sql(
CREATE TABLE schema_version (
    version INTEGER PRIMARY KEY NOT NULL,
    applied_at TEXT NOT NULL
);
CREATE TABLE runs (
    id TEXT PRIMARY KEY NOT NULL,
    started_at TEXT NOT NULL,
    ended_at TEXT,
)sql",
                                  kRunNames, "    baud INTEGER,\n", kRunLabels, R"sql();
CREATE TABLE measurements (
    id TEXT PRIMARY KEY NOT NULL,
    run_id TEXT NOT NULL REFERENCES runs(id),
    seq INTEGER NOT NULL,
    at TEXT NOT NULL,
    kind TEXT NOT NULL,
    channel INTEGER,
    rate_mbps REAL,
    power_level INTEGER,
    sent INTEGER,
    total INTEGER,
    abort_errors INTEGER,
    crc_errors INTEGER,
    per_percent REAL,
    value REAL,
    text TEXT NOT NULL DEFAULT '',
    limit_low REAL,
    limit_high REAL,
    verdict TEXT NOT NULL DEFAULT ''
);
)sql");

// Newest runs first, a board's or a label's history, one run's points, an
// export or a yield since a date. The outbox keeps the order rows were taken
// in, so a run always reaches the server before its measurements.
constexpr char kSqliteV2[] = R"sql(
CREATE INDEX runs_started_at ON runs(started_at);
CREATE INDEX runs_board_mac ON runs(board_mac, started_at);
CREATE INDEX runs_dut ON runs(dut, started_at);
CREATE UNIQUE INDEX measurements_run_seq ON measurements(run_id, seq);
CREATE INDEX measurements_at ON measurements(at);
CREATE TABLE outbox (
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    table_name TEXT NOT NULL,
    row_id TEXT NOT NULL
);
)sql";

constexpr auto kServerV1 = Joined(R"sql(
CREATE TABLE IF NOT EXISTS schema_version (
    version INTEGER PRIMARY KEY,
    applied_at TIMESTAMPTZ NOT NULL
);
CREATE TABLE IF NOT EXISTS runs (
    id UUID PRIMARY KEY,
    started_at TIMESTAMPTZ NOT NULL,
    ended_at TIMESTAMPTZ,
)sql",
                                  kRunNames, "    baud BIGINT,\n", kRunLabels, R"sql();
CREATE TABLE IF NOT EXISTS measurements (
    id UUID PRIMARY KEY,
    run_id UUID NOT NULL REFERENCES runs(id),
    seq INTEGER NOT NULL,
    at TIMESTAMPTZ NOT NULL,
    kind TEXT NOT NULL,
    channel INTEGER,
    rate_mbps DOUBLE PRECISION,
    power_level INTEGER,
    sent BIGINT,
    total BIGINT,
    abort_errors BIGINT,
    crc_errors BIGINT,
    per_percent DOUBLE PRECISION,
    value DOUBLE PRECISION,
    text TEXT NOT NULL DEFAULT '',
    limit_low DOUBLE PRECISION,
    limit_high DOUBLE PRECISION,
    verdict TEXT NOT NULL DEFAULT ''
);
)sql");

constexpr char kServerV2[] = R"sql(
CREATE INDEX IF NOT EXISTS runs_started_at ON runs(started_at);
CREATE INDEX IF NOT EXISTS runs_board_mac ON runs(board_mac, started_at);
CREATE INDEX IF NOT EXISTS runs_dut ON runs(dut, started_at);
CREATE UNIQUE INDEX IF NOT EXISTS measurements_run_seq ON measurements(run_id, seq);
CREATE INDEX IF NOT EXISTS measurements_at ON measurements(at);
)sql";

// Instruments: what a counter or power meter measured, and which instrument
// (its *IDN?) a run measured with.
constexpr char kSqliteV3[] = R"sql(
ALTER TABLE runs ADD COLUMN instrument TEXT NOT NULL DEFAULT '';
ALTER TABLE measurements ADD COLUMN freq_hz REAL;
ALTER TABLE measurements ADD COLUMN error_hz REAL;
ALTER TABLE measurements ADD COLUMN error_ppm REAL;
ALTER TABLE measurements ADD COLUMN power_dbm REAL;
)sql";

constexpr char kServerV3[] = R"sql(
ALTER TABLE runs ADD COLUMN IF NOT EXISTS instrument TEXT NOT NULL DEFAULT '';
ALTER TABLE measurements ADD COLUMN IF NOT EXISTS freq_hz DOUBLE PRECISION;
ALTER TABLE measurements ADD COLUMN IF NOT EXISTS error_hz DOUBLE PRECISION;
ALTER TABLE measurements ADD COLUMN IF NOT EXISTS error_ppm DOUBLE PRECISION;
ALTER TABLE measurements ADD COLUMN IF NOT EXISTS power_dbm DOUBLE PRECISION;
)sql";

// The station slot (fixture) a board was tested in.
constexpr char kSqliteV4[] = R"sql(
ALTER TABLE runs ADD COLUMN slot TEXT NOT NULL DEFAULT '';
)sql";

constexpr char kServerV4[] = R"sql(
ALTER TABLE runs ADD COLUMN IF NOT EXISTS slot TEXT NOT NULL DEFAULT '';
)sql";

constexpr std::array<Migration, 4> kSqlite{
    {{1, kSqliteV1.data()}, {2, kSqliteV2}, {3, kSqliteV3}, {4, kSqliteV4}}};
constexpr std::array<Migration, 4> kServer{
    {{1, kServerV1.data()}, {2, kServerV2}, {3, kServerV3}, {4, kServerV4}}};
static_assert(kSqlite.back().version == kServer.back().version);

} // namespace

std::span<const Migration> SqliteMigrations() {
    return kSqlite;
}

std::span<const Migration> ServerMigrations() {
    return kServer;
}

int CurrentSchemaVersion() {
    return kSqlite.back().version;
}

} // namespace kel::results
