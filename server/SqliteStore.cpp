#include "SqliteStore.h"

#include <sqlite3.h>

#include <string_view>
#include <utility>

namespace scores {

namespace {

constexpr int busyTimeoutMs = 10000;

constexpr const char* schema = R"(
CREATE TABLE IF NOT EXISTS scores (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    game TEXT NOT NULL,
    mode INTEGER NOT NULL,
    name TEXT NOT NULL,
    score INTEGER NOT NULL,
    level INTEGER NOT NULL,
    token TEXT NOT NULL,
    address TEXT NOT NULL,
    created INTEGER NOT NULL DEFAULT (CAST(strftime('%s', 'now') AS INTEGER))
);
CREATE UNIQUE INDEX IF NOT EXISTS scores_submission ON scores (game, mode, name, score, token);
CREATE INDEX IF NOT EXISTS scores_table ON scores (game, mode, score DESC, id);
)";

constexpr const char* insertSql =
    "INSERT INTO scores (game, mode, name, score, level, token, address) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7) "
    "ON CONFLICT (game, mode, name, score, token) DO NOTHING";
constexpr const char* findSql = "SELECT id FROM scores WHERE game = ?1 AND mode = ?2 AND "
                                "name = ?3 AND score = ?4 AND token = ?5";
constexpr const char* topSql = "SELECT id, name, score, level FROM scores WHERE game = ?1 AND "
                               "mode = ?2 ORDER BY score DESC, id ASC LIMIT ?3";
constexpr const char* countSql = "SELECT count(*) FROM scores";

} // namespace

// One open database with its prepared statements; used by one thread at a time.
class SqliteConnection {
public:
    explicit SqliteConnection(const std::string& path) {
        int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
            std::string message = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            db = nullptr;
            throw StoreError("cannot open " + path + ": " + message);
        }
        sqlite3_busy_timeout(db, busyTimeoutMs);
        // WAL lets readers run beside the writer; FULL syncs the log at every
        // commit, so an answered submission survives a crash or a power cut.
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        exec("PRAGMA foreign_keys=ON");
    }

    ~SqliteConnection() {
        for (sqlite3_stmt* statement : {insert, find, top, count}) {
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
    }

    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::string message = error ? error : sqlite3_errmsg(db);
            sqlite3_free(error);
            throw StoreError("sqlite: " + message);
        }
    }

    void prepare() {
        prepareOne(insertSql, insert);
        prepareOne(findSql, find);
        prepareOne(topSql, top);
        prepareOne(countSql, count);
    }

    [[noreturn]] void fail(std::string_view what) {
        std::string message = "sqlite ";
        message.append(what);
        message.append(": ");
        message.append(sqlite3_errmsg(db));
        throw StoreError(message);
    }

    void bindText(sqlite3_stmt* statement, int index, const std::string& text) {
        if (sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT) != SQLITE_OK) {
            fail("bind");
        }
    }

    void bindInt(sqlite3_stmt* statement, int index, int64_t value) {
        if (sqlite3_bind_int64(statement, index, value) != SQLITE_OK) {
            fail("bind");
        }
    }

    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* top = nullptr;
    sqlite3_stmt* count = nullptr;

private:
    void prepareOne(const char* sql, sqlite3_stmt*& statement) {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
            SQLITE_OK) {
            fail("prepare");
        }
    }
};

namespace {

// Resets a statement when it goes out of scope, so a thrown error never leaves
// one mid-step holding a read lock.
struct StatementReset {
    sqlite3_stmt* statement;
    ~StatementReset() {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
};

} // namespace

SqliteStore::SqliteStore(std::string path_) : path(std::move(path_)) {
    writer = std::make_unique<SqliteConnection>(path);
    // IMMEDIATE takes the write lock first, so two processes creating the
    // schema at once wait for each other instead of failing.
    writer->exec("BEGIN IMMEDIATE");
    try {
        writer->exec(schema);
        writer->exec("COMMIT");
    } catch (...) {
        sqlite3_exec(writer->db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    writer->prepare();
}

SqliteStore::~SqliteStore() = default;

std::vector<int64_t> SqliteStore::insertBatch(std::span<const Submission> batch) {
    std::lock_guard guard(writerLock);
    SqliteConnection& c = *writer;
    std::vector<int64_t> ids;
    ids.reserve(batch.size());
    c.exec("BEGIN IMMEDIATE");
    try {
        for (const Submission& s : batch) {
            {
                StatementReset reset{c.insert};
                c.bindText(c.insert, 1, s.game);
                c.bindInt(c.insert, 2, s.mode);
                c.bindText(c.insert, 3, s.name);
                c.bindInt(c.insert, 4, s.score);
                c.bindInt(c.insert, 5, s.level);
                c.bindText(c.insert, 6, s.token);
                c.bindText(c.insert, 7, s.address);
                if (sqlite3_step(c.insert) != SQLITE_DONE) {
                    c.fail("insert");
                }
            }
            if (sqlite3_changes(c.db) == 1) {
                ids.push_back(sqlite3_last_insert_rowid(c.db));
                continue;
            }
            StatementReset reset{c.find};
            c.bindText(c.find, 1, s.game);
            c.bindInt(c.find, 2, s.mode);
            c.bindText(c.find, 3, s.name);
            c.bindInt(c.find, 4, s.score);
            c.bindText(c.find, 5, s.token);
            if (sqlite3_step(c.find) != SQLITE_ROW) {
                c.fail("find");
            }
            ids.push_back(sqlite3_column_int64(c.find, 0));
        }
        c.exec("COMMIT");
    } catch (...) {
        sqlite3_exec(c.db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return ids;
}

std::unique_ptr<SqliteConnection> SqliteStore::takeReader() {
    {
        std::lock_guard guard(readersLock);
        if (!idleReaders.empty()) {
            std::unique_ptr<SqliteConnection> connection = std::move(idleReaders.back());
            idleReaders.pop_back();
            return connection;
        }
    }
    auto connection = std::make_unique<SqliteConnection>(path);
    connection->prepare();
    return connection;
}

void SqliteStore::giveBack(std::unique_ptr<SqliteConnection> connection) {
    std::lock_guard guard(readersLock);
    idleReaders.push_back(std::move(connection));
}

std::vector<ScoreRow> SqliteStore::top(const std::string& game, int mode, int limit) {
    std::unique_ptr<SqliteConnection> c = takeReader();
    std::vector<ScoreRow> rows;
    {
        StatementReset reset{c->top};
        c->bindText(c->top, 1, game);
        c->bindInt(c->top, 2, mode);
        c->bindInt(c->top, 3, limit);
        int step;
        while ((step = sqlite3_step(c->top)) == SQLITE_ROW) {
            ScoreRow row;
            row.id = sqlite3_column_int64(c->top, 0);
            const auto* name = sqlite3_column_text(c->top, 1);
            row.name.assign(name ? reinterpret_cast<const char*>(name) : "",
                            static_cast<size_t>(sqlite3_column_bytes(c->top, 1)));
            row.score = sqlite3_column_int(c->top, 2);
            row.level = sqlite3_column_int(c->top, 3);
            rows.push_back(std::move(row));
        }
        if (step != SQLITE_DONE) {
            c->fail("select");
        }
    }
    giveBack(std::move(c));
    return rows;
}

int64_t SqliteStore::rowCount() {
    std::unique_ptr<SqliteConnection> c = takeReader();
    int64_t n = 0;
    {
        StatementReset reset{c->count};
        if (sqlite3_step(c->count) != SQLITE_ROW) {
            c->fail("count");
        }
        n = sqlite3_column_int64(c->count, 0);
    }
    giveBack(std::move(c));
    return n;
}

} // namespace scores
