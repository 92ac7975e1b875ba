// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Store.h"

#include "results/Schema.h"
#include "results/SqliteRows.h"

#include <chrono>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

namespace kel::results {

namespace {

// A writer waits this long for another's transaction before giving up; a
// write takes well under a millisecond, so only a stuck holder reaches it.
constexpr int kBusyTimeoutMs = 5000;

constexpr char kRuns[] = "runs";
constexpr char kMeasurements[] = "measurements";

// The folder, its last level owner-only when it is new.
void CreateFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error))
        return;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw StoreError("cannot create the folder " + folder.string() + ": " + error.message());
    ::chmod(folder.c_str(), 0700);
}

bool IsBusy(const SQLite::Exception& e) {
    const int code = e.getErrorCode() & 0xFF;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

} // namespace

Store::Store(std::filesystem::path file, Open open) : file_(std::move(file)) {
    const bool existed = std::filesystem::exists(file_);
    if (!existed && open != Open::Create)
        throw StoreError("no results store at " + file_.string());
    if (open == Open::ReadOnly) {
        OpenReadOnly();
        return;
    }
    if (!existed)
        CreateFolder(file_);
    try {
        db_ = std::make_unique<SQLite::Database>(
            file_.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE, kBusyTimeoutMs);
        // Owner-only before anything is written: SQLite gives its WAL and
        // shared-memory files the database file's permissions. By its path,
        // never through a descriptor of our own: closing one would drop the
        // locks this process's connections hold on the file.
        if (!existed)
            ::chmod(file_.c_str(), 0600);
        Configure();
        Migrate();
    } catch (const SQLite::Exception& e) {
        Fail("cannot open it", e);
    }
}

void Store::OpenReadOnly() {
    const auto open = [&](int flags, const std::string& name) {
        db_ = std::make_unique<SQLite::Database>(name, flags, kBusyTimeoutMs);
        return ReadVersion();
    };
    int version = 0;
    try {
        try {
            version = open(SQLite::OPEN_READONLY, file_.string());
        } catch (const SQLite::Exception& e) {
            const int code = e.getErrorCode() & 0xFF;
            if (code != SQLITE_CANTOPEN && code != SQLITE_READONLY)
                throw;
            // A WAL file needs its shared-memory file, which a reader who may
            // not write the folder cannot make; with no writer at work (else
            // the file would be there) the database file alone is the store.
            std::string uri = "file:";
            for (const char c : std::filesystem::absolute(file_).string()) {
                if (c == '%' || c == '?' || c == '#')
                    uri += c == '%' ? "%25" : c == '?' ? "%3f" : "%23";
                else
                    uri += c;
            }
            version = open(SQLite::OPEN_READONLY | SQLITE_OPEN_URI, uri + "?immutable=1");
        }
    } catch (const SQLite::Exception& e) {
        Fail("cannot open it to read", e);
    }
    if (version < CurrentSchemaVersion()) {
        // An older file is brought up to date once by whoever may write it.
        try {
            Store writer(file_, Open::Existing);
            version = open(SQLite::OPEN_READONLY, file_.string());
        } catch (const std::exception&) {
            // Told below, as a version this program cannot read.
        }
    }
    if (version != CurrentSchemaVersion())
        throw StoreError(
            "results store " + file_.string() + " has schema version " + std::to_string(version) +
            ", this program reads " + std::to_string(CurrentSchemaVersion()) +
            (version > CurrentSchemaVersion()
                 ? ": use a newer kelGuiTool"
                 : ": open it once as a user who may write it, to bring it up to date"));
}

Store::~Store() = default;

void Store::Fail(const std::string& what, const std::exception& cause) const {
    throw StoreError("results store " + file_.string() + ": " + what + ": " + cause.what());
}

void Store::Configure() {
    // Changing the journal mode needs the file to itself for a moment, which
    // the busy timeout does not always wait for: try again while others
    // open it too.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        try {
            db_->exec("PRAGMA journal_mode=WAL");
            break;
        } catch (const SQLite::Exception& e) {
            if (!IsBusy(e) || std::chrono::steady_clock::now() > deadline)
                throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // In WAL mode, NORMAL loses nothing when the process dies; only a power
    // cut may take the last transactions back.
    db_->exec("PRAGMA synchronous=NORMAL");
    // Room for the indexes of a large store: its queries read them, not the disk.
    db_->exec("PRAGMA cache_size=-16384");
    db_->exec("PRAGMA foreign_keys=ON");
}

int Store::ReadVersion() {
    if (!db_->tableExists("schema_version"))
        return 0;
    return db_->execAndGet("SELECT coalesce(max(version), 0) FROM schema_version").getInt();
}

int Store::SchemaVersion() {
    try {
        return ReadVersion();
    } catch (const SQLite::Exception& e) {
        Fail("cannot read its schema version", e);
    }
}

void Store::Migrate() {
    const int current = CurrentSchemaVersion();
    const auto refuseNewer = [&](int version) {
        if (version > current)
            throw StoreError("results store " + file_.string() + " has schema version " +
                             std::to_string(version) + ", newer than this program's " +
                             std::to_string(current) + ": use a newer kelGuiTool");
    };
    int version = ReadVersion();
    refuseNewer(version);
    if (version == current)
        return;
    // Another process may be migrating the same file: the version is read
    // again once this one holds the write lock.
    SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
    version = ReadVersion();
    refuseNewer(version);
    for (const Migration& step : SqliteMigrations()) {
        if (step.version <= version)
            continue;
        db_->exec(step.sql);
        // Prepared after the first step, which creates the table.
        SQLite::Statement applied(*db_, "INSERT INTO schema_version (version, applied_at) "
                                        "VALUES (?1, ?2)");
        applied.bind(1, step.version);
        applied.bind(2, rftest::UtcNow());
        applied.exec();
    }
    transaction.commit();
}

SQLite::Statement& Store::Prepared(std::unique_ptr<SQLite::Statement>& slot,
                                   const std::string& sql) {
    if (!slot)
        slot = std::make_unique<SQLite::Statement>(*db_, sql);
    slot->reset();
    slot->clearBindings();
    return *slot;
}

template <typename Write> void Store::Written(const char* what, Write&& write) {
    try {
        if (inBatch_) {
            write();
            return;
        }
        SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
        write();
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        Fail(what, e);
    }
}

void Store::Queue(const char* table, const std::string& id) {
    if (!outbox_)
        return;
    SQLite::Statement& queue =
        Prepared(queue_, "INSERT INTO outbox (table_name, row_id) VALUES (?1, ?2)");
    queue.bind(1, table);
    queue.bind(2, id);
    queue.exec();
}

namespace {

// A row the server would refuse would hold up every row queued after it:
// it is refused here, where the caller hears of it.
void RequireFilled(const std::string& id, const std::string& time) {
    if (id.empty() || time.empty())
        throw SQLite::Exception("a row without its id or time");
}

} // namespace

void Store::AddRun(const RunRecord& run) {
    Written("cannot record the run", [&] {
        RequireFilled(run.id, run.startedAt);
        SQLite::Statement& insert =
            Prepared(insertRun_, "INSERT INTO runs (" + ColumnList(kRunColumns) + ") VALUES (" +
                                     Placeholders(kRunColumns.size()) + ")");
        BindRow(insert, RunRow(run));
        insert.exec();
        Queue(kRuns, run.id);
    });
}

void Store::UpdateRun(const RunRecord& run) {
    Written("cannot record the run", [&] {
        // Every column but the id (?1) is set from the row.
        std::string assignments;
        for (std::size_t i = 1; i < kRunColumns.size(); ++i)
            assignments +=
                std::string(i == 1 ? "" : ", ") + kRunColumns[i] + " = ?" + std::to_string(i + 1);
        SQLite::Statement& update =
            Prepared(updateRun_, "UPDATE runs SET " + assignments + " WHERE id = ?1");
        BindRow(update, RunRow(run));
        if (update.exec() == 0)
            throw SQLite::Exception("no run " + run.id);
        Queue(kRuns, run.id);
    });
}

void Store::AddMeasurement(const StoredMeasurement& stored) {
    Written("cannot record the measurement", [&] {
        RequireFilled(stored.id, stored.measurement.at);
        SQLite::Statement& insert = Prepared(
            insertMeasurement_, "INSERT INTO measurements (" + ColumnList(kMeasurementColumns) +
                                    ") VALUES (" + Placeholders(kMeasurementColumns.size()) + ")");
        BindRow(insert, MeasurementRow(stored));
        insert.exec();
        Queue(kMeasurements, stored.id);
    });
}

Store::Batch::Batch(Store& store) : store_(store) {
    try {
        transaction_ = std::make_unique<SQLite::Transaction>(
            store.Database(), SQLite::TransactionBehavior::IMMEDIATE);
    } catch (const SQLite::Exception& e) {
        store.Fail("cannot begin a transaction", e);
    }
    store_.inBatch_ = true;
}

Store::Batch::~Batch() {
    store_.inBatch_ = false;
}

void Store::Batch::Commit() {
    try {
        transaction_->commit();
    } catch (const SQLite::Exception& e) {
        store_.Fail("cannot commit", e);
    }
}

Store::Waiting Store::WaitingRows(std::size_t limit) {
    Waiting waiting;
    try {
        // One snapshot for the three reads.
        SQLite::Transaction snapshot(*db_);
        SQLite::Statement last(*db_, "SELECT max(seq) FROM (SELECT seq FROM outbox ORDER BY seq "
                                     "LIMIT ?1)");
        last.bind(1, static_cast<std::int64_t>(limit));
        if (!last.executeStep() || last.getColumn(0).isNull())
            return waiting;
        waiting.lastSeq = last.getColumn(0).getInt64();

        SQLite::Statement runs(*db_, "SELECT " + ColumnList(kRunColumns) +
                                         " FROM runs WHERE id IN (SELECT row_id FROM outbox "
                                         "WHERE table_name = ?1 AND seq <= ?2)");
        runs.bind(1, kRuns);
        runs.bind(2, static_cast<std::int64_t>(waiting.lastSeq));
        while (runs.executeStep())
            waiting.runs.push_back(ReadRow(runs, 0, kRunColumns.size()));

        SQLite::Statement measurements(
            *db_, "SELECT " + ColumnList(kMeasurementColumns, "m.") +
                      " FROM outbox o JOIN measurements m ON m.id = o.row_id "
                      "WHERE o.table_name = ?1 AND o.seq <= ?2 ORDER BY o.seq");
        measurements.bind(1, kMeasurements);
        measurements.bind(2, static_cast<std::int64_t>(waiting.lastSeq));
        while (measurements.executeStep())
            waiting.measurements.push_back(ReadRow(measurements, 0, kMeasurementColumns.size()));
        snapshot.commit();
    } catch (const SQLite::Exception& e) {
        Fail("cannot read the rows waiting for the server", e);
    }
    return waiting;
}

void Store::Sent(std::int64_t lastSeq) {
    Written("cannot take sent rows off the outbox", [&] {
        SQLite::Statement remove(*db_, "DELETE FROM outbox WHERE seq <= ?1");
        remove.bind(1, static_cast<std::int64_t>(lastSeq));
        remove.exec();
    });
}

std::int64_t Store::WaitingCount() {
    try {
        return db_->execAndGet("SELECT count(*) FROM outbox").getInt64();
    } catch (const SQLite::Exception& e) {
        Fail("cannot count the rows waiting for the server", e);
    }
}

} // namespace kel::results
