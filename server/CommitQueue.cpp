#include "CommitQueue.h"

#include <exception>
#include <vector>

namespace scores {

CommitQueue::CommitQueue(ScoreStore& store_, size_t maxBatch_)
    : store(store_), maxBatch(maxBatch_ == 0 ? 1 : maxBatch_), writer([this] { run(); }) {}

CommitQueue::~CommitQueue() {
    {
        std::lock_guard guard(lock);
        stopping = true;
    }
    queued.notify_all();
    writer.join();
}

void CommitQueue::submitAsync(Submission submission, Done done) {
    {
        std::lock_guard guard(lock);
        queue.push_back({std::move(submission), std::move(done)});
    }
    queued.notify_one();
}

int64_t CommitQueue::submit(const Submission& submission) {
    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool finished = false;
    int64_t result = 0;
    std::optional<std::string> failure;
    submitAsync(submission, [&](int64_t id, std::optional<std::string> error) {
        std::lock_guard guard(doneLock);
        result = id;
        failure = std::move(error);
        finished = true;
        doneSignal.notify_one();
    });
    std::unique_lock guard(doneLock);
    doneSignal.wait(guard, [&] { return finished; });
    if (failure) {
        throw StoreError(*failure);
    }
    return result;
}

void CommitQueue::drain() {
    std::unique_lock guard(lock);
    idle.wait(guard, [&] { return queue.empty() && !writing; });
}

void CommitQueue::run() {
    std::vector<Pending> batch;
    std::vector<Submission> rows;
    for (;;) {
        {
            std::unique_lock guard(lock);
            queued.wait(guard, [&] { return stopping || !queue.empty(); });
            if (queue.empty()) {
                return;
            }
            while (!queue.empty() && batch.size() < maxBatch) {
                batch.push_back(std::move(queue.front()));
                queue.pop_front();
            }
            writing = true;
        }
        rows.clear();
        for (const Pending& p : batch) {
            rows.push_back(p.submission);
        }
        std::vector<int64_t> ids;
        std::optional<std::string> error;
        try {
            ids = store.insertBatch(rows);
        } catch (const std::exception& e) {
            error = e.what();
        } catch (...) {
            error = "unknown";
        }
        for (size_t i = 0; i < batch.size(); ++i) {
            // Passed by value: each call copies the message for its request.
            batch[i].done(error ? 0 : ids[i], error);
        }
        batch.clear();
        {
            std::lock_guard guard(lock);
            writing = false;
        }
        idle.notify_all();
    }
}

} // namespace scores
