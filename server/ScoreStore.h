#pragma once

#include "ScoreTypes.h"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace scores {

// Raised by a store whose database cannot be reached or refuses a statement.
// The service answers such a request with 503: nothing was acknowledged.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the tables live. One object serves every request thread of a process;
// several processes may share one database. Every statement is prepared once
// per connection and only ever bound to values.
class ScoreStore {
public:
    virtual ~ScoreStore() = default;

    // Stores a batch in one durable transaction and returns, per submission, the
    // id of its row. A submission already stored (same game, mode, name, score
    // and token: a client sending a failed request again) keeps its first row
    // and gets that row's id. When this returns, every row is on disk; on a
    // StoreError none of the batch is acknowledged.
    virtual std::vector<int64_t> insertBatch(std::span<const Submission> batch) = 0;

    // The best rows of one table, at most limit of them, best first.
    virtual std::vector<ScoreRow> top(const std::string& game, int mode, int limit) = 0;

    // The number of stored rows of every table; used by tests and load runs.
    virtual int64_t rowCount() = 0;
};

} // namespace scores
