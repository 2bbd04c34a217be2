#include "PgStore.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace scores {

namespace {

// Serialises schema creation between processes starting at once: CREATE ... IF
// NOT EXISTS alone can still collide on the system catalogues.
constexpr const char* schemaLockSql = "SELECT pg_advisory_lock(7316029)";
constexpr const char* schemaUnlockSql = "SELECT pg_advisory_unlock(7316029)";
constexpr const char* schema = R"(
CREATE TABLE IF NOT EXISTS scores (
    id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    game TEXT NOT NULL,
    mode SMALLINT NOT NULL,
    name TEXT NOT NULL,
    score INTEGER NOT NULL,
    level INTEGER NOT NULL,
    token TEXT NOT NULL,
    address TEXT NOT NULL,
    created TIMESTAMPTZ NOT NULL DEFAULT now()
);
CREATE UNIQUE INDEX IF NOT EXISTS scores_submission ON scores (game, mode, name, score, token);
CREATE INDEX IF NOT EXISTS scores_table ON scores (game, mode, score DESC, id);
)";

constexpr const char* insertSql =
    "INSERT INTO scores (game, mode, name, score, level, token, address) "
    "VALUES ($1, $2::smallint, $3, $4::integer, $5::integer, $6, $7) "
    "ON CONFLICT (game, mode, name, score, token) DO NOTHING RETURNING id";
constexpr const char* findSql = "SELECT id FROM scores WHERE game = $1 AND mode = $2::smallint "
                                "AND name = $3 AND score = $4::integer AND token = $5";
constexpr const char* topSql = "SELECT id, name, score, level FROM scores WHERE game = $1 AND "
                               "mode = $2::smallint ORDER BY score DESC, id ASC LIMIT $3::integer";
constexpr const char* countSql = "SELECT count(*) FROM scores";

// Owns one result and clears it on every path.
class Result {
public:
    explicit Result(PGresult* r) : result(r) {}
    ~Result() { PQclear(result); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* get() const { return result; }
    ExecStatusType status() const { return PQresultStatus(result); }

private:
    PGresult* result;
};

} // namespace

// One session with its prepared statements; used by one thread at a time.
class PgConnection {
public:
    explicit PgConnection(const std::string& conninfo) : conn(PQconnectdb(conninfo.c_str())) {
        if (PQstatus(conn) != CONNECTION_OK) {
            std::string message = "cannot connect to PostgreSQL: ";
            message.append(PQerrorMessage(conn));
            PQfinish(conn);
            conn = nullptr;
            throw StoreError(message);
        }
    }

    ~PgConnection() { PQfinish(conn); }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    bool healthy() const { return !discarded && PQstatus(conn) == CONNECTION_OK; }
    // The session's state is not known any more (a pipeline ended early): it
    // is not given back to the pool.
    void discard() { discarded = true; }
    PGconn* raw() const { return conn; }

    void exec(const char* sql) {
        Result r(PQexec(conn, sql));
        if (r.status() != PGRES_COMMAND_OK && r.status() != PGRES_TUPLES_OK) {
            fail("statement");
        }
    }

    void prepare() {
        prepareOne("insert", insertSql, 7);
        prepareOne("find", findSql, 5);
        prepareOne("top", topSql, 3);
        prepareOne("count", countSql, 0);
    }

    // Runs a prepared statement with text parameters.
    PGresult* run(const char* statement, std::initializer_list<const char*> values) {
        return PQexecPrepared(conn, statement, static_cast<int>(values.size()), values.begin(),
                              nullptr, nullptr, 0);
    }

    [[noreturn]] void fail(std::string_view what) {
        std::string message = "postgresql ";
        message.append(what);
        message.append(": ");
        message.append(PQerrorMessage(conn));
        throw StoreError(message);
    }

private:
    void prepareOne(const char* name, const char* sql, int parameters) {
        Result r(PQprepare(conn, name, sql, parameters, nullptr));
        if (r.status() != PGRES_COMMAND_OK) {
            fail("prepare");
        }
    }

    PGconn* conn;
    bool discarded = false;
};

namespace {

// Rows sent in one pipeline before its results are read. Both directions stay
// far below a socket buffer, so neither side can block on a full one while the
// other waits for it.
constexpr size_t pipelineRows = 64;

// Sends the inserts of rows [first, first + count) in one pipeline, with BEGIN
// ahead of them when first is 0, and reads every result. ids[i] is set for each
// row inserted; a row left at 0 was stored before (the unique index). Throws
// StoreError when a statement failed (the transaction is then aborted).
void insertPipelined(PgConnection& c, std::span<const Submission> batch, size_t first,
                     std::vector<int64_t>& ids) {
    PGconn* conn = c.raw();
    size_t end = std::min(batch.size(), first + pipelineRows);
    if (PQenterPipelineMode(conn) != 1) {
        c.fail("pipeline");
    }
    bool sent = first != 0 ||
                PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    for (size_t i = first; sent && i < end; ++i) {
        const Submission& s = batch[i];
        std::string mode = std::to_string(s.mode);
        std::string score = std::to_string(s.score);
        std::string level = std::to_string(s.level);
        const char* values[] = {s.game.c_str(), mode.c_str(),    s.name.c_str(),   score.c_str(),
                                level.c_str(),  s.token.c_str(), s.address.c_str()};
        sent = PQsendQueryPrepared(conn, "insert", 7, values, nullptr, nullptr, 0) == 1;
    }
    sent = sent && PQpipelineSync(conn) == 1;
    if (!sent) {
        c.discard();
        c.fail("pipeline send");
    }
    // Every statement's results up to the sync point are read even after a
    // failure, so the session leaves pipeline mode in a known state.
    bool failed = false;
    std::string error;
    for (size_t query = first == 0 ? 0 : 1; query <= end - first; ++query) {
        PGresult* r = PQgetResult(conn);
        if (!r) {
            c.discard();
            c.fail("pipeline result missing");
        }
        {
            Result result(r);
            bool insert = query != 0;
            size_t row = first + query - 1;
            if (result.status() == (insert ? PGRES_TUPLES_OK : PGRES_COMMAND_OK)) {
                if (insert && PQntuples(r) == 1) {
                    ids[row] = std::strtoll(PQgetvalue(r, 0, 0), nullptr, 10);
                }
            } else if (!failed) {
                failed = true;
                error = PQresultErrorMessage(r);
            }
        }
        while (PGresult* more = PQgetResult(conn)) {
            PQclear(more);
        }
    }
    Result sync(PQgetResult(conn));
    if (sync.status() != PGRES_PIPELINE_SYNC || PQexitPipelineMode(conn) != 1) {
        c.discard();
        c.fail("pipeline end");
    }
    if (failed) {
        throw StoreError("postgresql insert: " + error);
    }
}

} // namespace

PgStore::PgStore(std::string conninfo_) : conninfo(std::move(conninfo_)) {
    auto c = std::make_unique<PgConnection>(conninfo);
    c->exec("SET client_min_messages = warning");
    c->exec(schemaLockSql);
    try {
        c->exec(schema);
    } catch (...) {
        c->exec(schemaUnlockSql);
        throw;
    }
    c->exec(schemaUnlockSql);
    c->prepare();
    giveBack(std::move(c));
}

PgStore::~PgStore() = default;

std::unique_ptr<PgConnection> PgStore::take() {
    {
        std::lock_guard guard(idleLock);
        while (!idle.empty()) {
            std::unique_ptr<PgConnection> c = std::move(idle.back());
            idle.pop_back();
            if (c->healthy()) {
                return c;
            }
        }
    }
    auto c = std::make_unique<PgConnection>(conninfo);
    c->prepare();
    return c;
}

void PgStore::giveBack(std::unique_ptr<PgConnection> connection) {
    if (!connection->healthy()) {
        return;
    }
    std::lock_guard guard(idleLock);
    idle.push_back(std::move(connection));
}

void PgStore::dropIdle() {
    std::lock_guard guard(idleLock);
    idle.clear();
}

template <typename Work>
auto PgStore::withConnection(Work&& work) {
    std::unique_ptr<PgConnection> c = take();
    try {
        auto result = work(*c);
        giveBack(std::move(c));
        return result;
    } catch (const StoreError&) {
        if (c->healthy()) {
            giveBack(std::move(c));
            throw;
        }
    }
    // The connection broke: the server restarted or the network failed, and the
    // idle connections went stale with it. One more try on a new connection; a
    // batch may be stored twice over this way, which the unique index turns
    // into the same rows.
    dropIdle();
    auto fresh = std::make_unique<PgConnection>(conninfo);
    fresh->prepare();
    auto result = work(*fresh);
    giveBack(std::move(fresh));
    return result;
}

std::vector<int64_t> PgStore::insertBatch(std::span<const Submission> batch) {
    return withConnection([&](PgConnection& c) {
        // The inserts travel in pipelines rather than one round trip each: on a
        // busy machine every round trip waits for the database process to be
        // scheduled, and the batch's commit (and every submission waiting on it)
        // waits for all of them.
        std::vector<int64_t> ids(batch.size(), 0);
        try {
            if (batch.empty()) {
                c.exec("BEGIN");
            }
            for (size_t first = 0; first < batch.size(); first += pipelineRows) {
                insertPipelined(c, batch, first, ids);
            }
            for (size_t i = 0; i < batch.size(); ++i) {
                if (ids[i] != 0) {
                    continue;
                }
                const Submission& s = batch[i];
                std::string mode = std::to_string(s.mode);
                std::string score = std::to_string(s.score);
                Result found(c.run("find", {s.game.c_str(), mode.c_str(), s.name.c_str(),
                                            score.c_str(), s.token.c_str()}));
                if (found.status() != PGRES_TUPLES_OK || PQntuples(found.get()) != 1) {
                    c.fail("find");
                }
                ids[i] = std::strtoll(PQgetvalue(found.get(), 0, 0), nullptr, 10);
            }
            c.exec("COMMIT");
        } catch (const StoreError&) {
            if (c.healthy()) {
                PQclear(PQexec(c.raw(), "ROLLBACK"));
            }
            throw;
        }
        return ids;
    });
}

std::vector<ScoreRow> PgStore::top(const std::string& game, int mode, int limit) {
    std::string modeText = std::to_string(mode);
    std::string limitText = std::to_string(limit);
    return withConnection([&](PgConnection& c) {
        Result r(c.run("top", {game.c_str(), modeText.c_str(), limitText.c_str()}));
        if (r.status() != PGRES_TUPLES_OK) {
            c.fail("select");
        }
        int n = PQntuples(r.get());
        std::vector<ScoreRow> rows;
        rows.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            ScoreRow row;
            row.id = std::strtoll(PQgetvalue(r.get(), i, 0), nullptr, 10);
            row.name.assign(PQgetvalue(r.get(), i, 1),
                            static_cast<size_t>(PQgetlength(r.get(), i, 1)));
            row.score = static_cast<int>(std::strtol(PQgetvalue(r.get(), i, 2), nullptr, 10));
            row.level = static_cast<int>(std::strtol(PQgetvalue(r.get(), i, 3), nullptr, 10));
            rows.push_back(std::move(row));
        }
        return rows;
    });
}

int64_t PgStore::rowCount() {
    return withConnection([&](PgConnection& c) {
        Result r(c.run("count", {}));
        if (r.status() != PGRES_TUPLES_OK || PQntuples(r.get()) != 1) {
            c.fail("count");
        }
        return static_cast<int64_t>(std::strtoll(PQgetvalue(r.get(), 0, 0), nullptr, 10));
    });
}

} // namespace scores
