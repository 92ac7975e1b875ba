// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's results store: one SQLite file in WAL mode that several
// processes write at once (each write waits its turn instead of failing with
// "database is locked"), one transaction per row so a killed process loses at
// most the row in flight, the schema brought up to date on open. With the
// outbox on it also keeps, in the same transactions, which rows still have to
// go to the server (ServerLink.h pushes them).
//
// A Store is one connection: use it from one thread at a time; every thread
// or process opens its own.

#include "results/Columns.h"
#include "results/Records.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kel::results {

// Every failure of the store, its message naming the file and the cause.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Store {
public:
    enum class Open {
        Create,   // creates the file and its folder owner-only when missing
        Existing, // refuses a file that is not there
        // Reads only, never writes (queries): works for a user who may read
        // the file but not write it or its folder. The schema must be this
        // program's (an older one is brought up to date first when it may be written).
        ReadOnly,
    };

    // Opens and migrates; throws StoreError (the file cannot be created or
    // opened, is no database, or has a newer schema than this program's).
    explicit Store(std::filesystem::path file, Open open = Open::Create);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::filesystem::path& File() const { return file_; }
    int SchemaVersion();

    // With the outbox on, each row written is also queued for the server.
    void SetOutbox(bool on) { outbox_ = on; }

    void AddRun(const RunRecord& run);
    // Rewrites the run's row by its id (its end, its verdict, the board).
    void UpdateRun(const RunRecord& run);
    void AddMeasurement(const StoredMeasurement& stored);

    // Many writes in one transaction (bulk loads); each write's own
    // transaction is skipped while it lasts. Not committed: rolled back.
    class Batch {
    public:
        explicit Batch(Store& store);
        ~Batch();
        void Commit();

    private:
        Store& store_;
        std::unique_ptr<SQLite::Transaction> transaction_;
    };

    // The oldest rows waiting for the server, at most limit outbox entries:
    // the runs among them (their current rows, each once) and the
    // measurements, in the order they were queued. Sent(lastSeq) then takes
    // them off the outbox.
    struct Waiting {
        std::int64_t lastSeq = 0;
        std::vector<Row> runs;
        std::vector<Row> measurements;
        bool Empty() const { return lastSeq == 0; }
    };
    Waiting WaitingRows(std::size_t limit);
    void Sent(std::int64_t lastSeq);
    std::int64_t WaitingCount();

    // The connection, for the queries (Queries.h).
    SQLite::Database& Database() { return *db_; }

    // A StoreError naming this file, for a failure of what.
    [[noreturn]] void Fail(const std::string& what, const std::exception& cause) const;

private:
    void Configure();
    void OpenReadOnly();
    void Migrate();
    int ReadVersion();
    // Runs write in a transaction of its own unless a Batch is open.
    template <typename Write> void Written(const char* what, Write&& write);
    void Queue(const char* table, const std::string& id);
    SQLite::Statement& Prepared(std::unique_ptr<SQLite::Statement>& slot, const std::string& sql);

    std::filesystem::path file_;
    std::unique_ptr<SQLite::Database> db_;
    bool outbox_ = false;
    bool inBatch_ = false;
    std::unique_ptr<SQLite::Statement> insertRun_, updateRun_, insertMeasurement_, queue_;
};

} // namespace kel::results
