// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The store's schema, as the steps that built it: each step takes a store
// from the version before it to its own, and is never changed once released
// (a later change is a new step). Steps only add; nothing is ever dropped.
// The same public tables live in the station's SQLite file and on a
// PostgreSQL server; the outbox (rows waiting for the server) is local only.

#include <span>

namespace kel::results {

struct Migration {
    int version;     // the version the store has after this step
    const char* sql; // statements without values
};

// 1: runs, measurements, schema_version. 2: the indexes of the queries, and
// the outbox. 3: the instrument of a run, and what instruments measured.
// 4: the station slot of a run.
std::span<const Migration> SqliteMigrations();
// The same versions on the server, with the server's own types.
std::span<const Migration> ServerMigrations();

// The version this program writes and reads.
int CurrentSchemaVersion();

} // namespace kel::results
