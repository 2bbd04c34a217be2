#include "CommitQueue.h"
#include "ScoreService.h"
#include "SqliteStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Many request threads submitting at once through the group commit: every
// submission gets its own row, a repeated one gets its first row back, and
// nothing is left unwritten when the queue is destroyed.
TEST(CommitQueueThread, ConcurrentSubmissionsGetDistinctDurableRows) {
    std::string pattern = (fs::temp_directory_path() / "ripple-commit-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    std::string path = pattern + "/scores.db";
    constexpr int threads = 8;
    constexpr int each = 40;
    std::vector<std::vector<int64_t>> ids(threads);
    {
        scores::SqliteStore store(path);
        scores::CommitQueue queue(store, 16);
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                for (int i = 0; i < each; ++i) {
                    scores::Submission s{"RIPPLE", t % 3, "t" + std::to_string(t),
                                         i + 1,    0,     "tok" + std::to_string(i),
                                         "local"};
                    ids[t].push_back(queue.submit(s));
                    if (i % 10 == 0) {
                        EXPECT_EQ(queue.submit(s), ids[t].back());
                    }
                }
            });
        }
        for (auto& w : workers) {
            w.join();
        }
    }
    std::set<int64_t> distinct;
    for (const auto& list : ids) {
        distinct.insert(list.begin(), list.end());
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(threads * each));
    EXPECT_EQ(scores::SqliteStore(path).rowCount(), threads * each);
    fs::remove_all(pattern);
}

// A store whose every batch fails. The first batch waits until every request
// has queued, so the next one carries many waiting requests at once.
class FailingStore : public scores::ScoreStore {
public:
    FailingStore(std::function<void()> failWith, const std::atomic<int>& queuedSoFar, int all)
        : fail(std::move(failWith)), queued(queuedSoFar), expected(all) {}
    std::vector<int64_t> insertBatch(std::span<const scores::Submission>) override {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (queued.load() < expected && std::chrono::steady_clock::now() < until) {
            std::this_thread::yield();
        }
        fail();
        return {};
    }
    std::vector<scores::ScoreRow> top(const std::string&, int, int) override { return {}; }
    int64_t rowCount() override { return 0; }

private:
    std::function<void()> fail;
    const std::atomic<int>& queued;
    int expected;
};

// A failed batch reaches each of its waiting requests on the request's own
// thread: 503 with an empty body, the store's message logged once per request.
// Run under ThreadSanitizer: the requests must share nothing of the one failure.
TEST(CommitQueueThread, FailedBatchAnswersEveryWaitingRequest) {
    struct Case {
        std::function<void()> fail;
        const char* logged;
    };
    const Case cases[] = {
        {[] { throw scores::StoreError("disk I/O error"); },
         "ripple-scores: store error: disk I/O error"},
        {[] { throw 42; }, "ripple-scores: store error: unknown"},
    };
    for (const Case& c : cases) {
        constexpr int threads = 8;
        std::atomic<int> queued{0};
        FailingStore store(c.fail, queued, threads);
        std::mutex logLock;
        std::vector<std::string> lines;
        scores::ScoreService service(store, {}, [&](std::string_view line) {
            std::lock_guard guard(logLock);
            lines.emplace_back(line);
        });
        std::vector<scores::HttpReply> replies(threads);
        std::vector<std::thread> requests;
        for (int t = 0; t < threads; ++t) {
            requests.emplace_back([&, t] {
                scores::Submission s{"RIPPLE", 0, "n", t + 1, 0, "tok", "local"};
                std::optional<std::string> error;
                ++queued;
                try {
                    service.commits().submit(s);
                } catch (const scores::StoreError& e) {
                    error = e.what();
                }
                replies[t] = service.finish(s, 0, error);
            });
        }
        for (auto& r : requests) {
            r.join();
        }
        for (const scores::HttpReply& reply : replies) {
            EXPECT_EQ(reply.status, 503) << c.logged;
            EXPECT_TRUE(reply.body.empty()) << c.logged;
        }
        EXPECT_EQ(lines, std::vector<std::string>(threads, c.logged));
    }
}

} // namespace
