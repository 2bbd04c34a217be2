#pragma once

#include "ScoreStore.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace scores {

class SqliteConnection;

// The embedded store: one SQLite file in write-ahead-log mode. Commits are
// synchronous (FULL), so a row is on disk before its submission is answered.
// Readers each take a connection of their own from a pool, so table fetches run
// beside a write; writes go through one connection. Other processes may open
// the same file: SQLite's locks order their writes.
class SqliteStore final : public ScoreStore {
public:
    // Opens or creates the database; throws StoreError when it cannot.
    explicit SqliteStore(std::string path);
    ~SqliteStore() override;

    std::vector<int64_t> insertBatch(std::span<const Submission> batch) override;
    std::vector<ScoreRow> top(const std::string& game, int mode, int limit) override;
    int64_t rowCount() override;

private:
    std::unique_ptr<SqliteConnection> takeReader();
    void giveBack(std::unique_ptr<SqliteConnection> connection);

    std::string path;
    std::mutex writerLock;
    std::unique_ptr<SqliteConnection> writer;
    std::mutex readersLock;
    std::vector<std::unique_ptr<SqliteConnection>> idleReaders;
};

} // namespace scores
