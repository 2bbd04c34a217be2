#pragma once

#include "ScoreStore.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace scores {

class PgConnection;

// The shared store: a PostgreSQL database that several stateless service
// processes use at once. Each request thread borrows a connection of its own
// from a pool; every statement is prepared on a connection when it opens. A
// connection that breaks is dropped, with every idle one, and the request tried
// once more on a new connection, so a restarted database costs no failed request.
class PgStore final : public ScoreStore {
public:
    // conninfo is a libpq connection string ("host=... dbname=..."). Creates the
    // table when it is missing; throws StoreError when the database is out of reach.
    explicit PgStore(std::string conninfo);
    ~PgStore() override;

    std::vector<int64_t> insertBatch(std::span<const Submission> batch) override;
    std::vector<ScoreRow> top(const std::string& game, int mode, int limit) override;
    int64_t rowCount() override;

private:
    std::unique_ptr<PgConnection> take();
    void giveBack(std::unique_ptr<PgConnection> connection);
    void dropIdle();
    // Runs work on a pooled connection, and once more on a new one when the
    // first connection turns out to be broken.
    template <typename Work>
    auto withConnection(Work&& work);

    std::string conninfo;
    std::mutex idleLock;
    std::vector<std::unique_ptr<PgConnection>> idle;
};

} // namespace scores
