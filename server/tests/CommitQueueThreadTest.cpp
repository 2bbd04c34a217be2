#include "CommitQueue.h"
#include "SqliteStore.h"

#include <gtest/gtest.h>

#include <filesystem>
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

} // namespace
