#pragma once

#include "ScoreStore.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace scores {

// Group commit: submissions from every request wait here while one writer
// thread stores whatever has gathered in a single transaction. A durable commit
// costs one disk flush however many rows it carries, so many clients submitting
// at once share the flushes instead of queueing for one each.
class CommitQueue {
public:
    // Called on the writer thread once the submission's batch is on disk (no
    // error, id its row) or could not be stored (error holds the store's
    // message). Every waiting request gets a string of its own rather than a
    // share of one exception: a request reads it later on its own thread, and
    // nothing of one failed batch is then shared between threads.
    using Done = std::function<void(int64_t id, std::optional<std::string> error)>;

    explicit CommitQueue(ScoreStore& store, size_t maxBatch = 512);
    // Stores what is still queued, then stops the writer.
    ~CommitQueue();

    CommitQueue(const CommitQueue&) = delete;
    CommitQueue& operator=(const CommitQueue&) = delete;

    // Queues a submission; done runs later on the writer thread.
    void submitAsync(Submission submission, Done done);

    // Blocks until the submission is on disk and returns its row id; throws a
    // StoreError with the store's message when its batch could not be stored.
    int64_t submit(const Submission& submission);

    // Waits until everything queued so far has been stored and answered.
    void drain();

private:
    struct Pending {
        Submission submission;
        Done done;
    };

    void run();

    ScoreStore& store;
    size_t maxBatch;
    std::mutex lock;
    std::condition_variable queued;
    std::condition_variable idle;
    std::deque<Pending> queue;
    bool writing = false;
    bool stopping = false;
    std::thread writer;
};

} // namespace scores
