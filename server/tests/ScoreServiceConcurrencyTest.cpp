// The service as players meet it: real ripple-scores processes on loopback
// ports, over SQLite and over a throwaway PostgreSQL cluster.

#include "HttpConnection.h"
#include "PgCluster.h"
#include "PgStore.h"
#include "ReplyReader.h"
#include "ServiceProcess.h"
#include "SqliteStore.h"
#include "game/ScoreToken.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using scores::testing::HttpConnection;
using scores::testing::readReply;
using scores::testing::ServiceProcess;

enum class Backend { Sqlite, Postgres };

// The name as the game sends it: every byte outside A-Z, a-z, 0-9 and "-._~"
// percent-encoded.
std::string encodeName(std::string_view name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) && c < 0x80) {
            out.push_back(ch);
        } else if (c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

std::string submitTarget(std::string_view name, int score, int level = 3,
                         std::string_view mode = "M1", double random = 0.321) {
    std::string t = "/addglobalhs.jsp?game=RIPPLE&mode=";
    t.append(mode);
    t.append("&name=");
    t.append(encodeName(name));
    t.append("&score=");
    t.append(ripple::makeScoreToken(random, name, "RIPPLE", level, score));
    t.append("&s=");
    t.append(std::to_string(score));
    return t;
}

constexpr const char* tableM1 = "/globalhs.jsp?game=RIPPLE&mode=M1";

class ScoreServiceConcurrency : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ripple-scores-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        if (GetParam() == Backend::Postgres) {
            if (!scores::testing::PgCluster::binFolder()) {
                GTEST_SKIP() << "PostgreSQL is not installed";
            }
            cluster = std::make_unique<scores::testing::PgCluster>();
        }
    }

    void TearDown() override {
        cluster.reset();
        std::error_code error;
        fs::remove_all(folder, error);
    }

    std::unique_ptr<ServiceProcess> start(std::vector<std::string> args = {"--submit-rate", "0",
                                                                           "--fetch-rate", "0"}) {
        args.insert(args.end(), {"--game", "RIPPLE"});
        if (GetParam() == Backend::Sqlite) {
            args.insert(args.end(), {"--db", folder + "/scores.db"});
        } else {
            args.insert(args.end(), {"--pg", cluster->conninfo()});
        }
        return std::make_unique<ServiceProcess>(RIPPLE_SCORES_EXE, args, folder + "/service.log");
    }

    // The database opened directly, beside the service.
    std::unique_ptr<scores::ScoreStore> openStore() {
        if (GetParam() == Backend::Sqlite) {
            return std::make_unique<scores::SqliteStore>(folder + "/scores.db");
        }
        return std::make_unique<scores::PgStore>(cluster->conninfo());
    }

    std::string serviceLog() {
        std::ifstream in(folder + "/service.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string folder;
    std::unique_ptr<scores::testing::PgCluster> cluster;
};

TEST_P(ScoreServiceConcurrency, ChecksStoresAndEscapesSubmissions) {
    auto service = start();
    {
        // A row that never passed the name check, as an older or foreign writer
        // may have left it: the reply must still escape it.
        scores::Submission odd{"RIPPLE", 1, "<b>&\"'", 900000, 9, "odd", "test"};
        openStore()->insertBatch({&odd, 1});
    }
    HttpConnection http(service->port());
    struct Good {
        std::string name;
        int score;
        std::string shown;
    };
    const Good good[] = {{"1 OR 1", 5000, "1 OR 1"},
                         {"--", 4000, "--"},
                         {"a.b -c", 3000, "a.b -c"},
                         {"Zo\xEB", 2000, "Zo\xC3\xAB"},
                         {"DROP", 1000, "DROP"}};
    int expectedHighlight[] = {2, 3, 4, 5, 6};
    for (size_t i = 0; i < std::size(good); ++i) {
        auto reply = http.get(submitTarget(good[i].name, good[i].score));
        ASSERT_EQ(reply.status, 200) << good[i].name;
        EXPECT_EQ(readReply(reply.body).highlight, std::to_string(expectedHighlight[i]));
    }

    std::string forgedScore = submitTarget("bob", 7000);
    forgedScore.replace(forgedScore.rfind("=7000"), 5, "=7001");
    std::string otherName = submitTarget("bob", 7000);
    otherName.replace(otherName.find("name=bob"), 8, "name=bot");
    const std::string refused[] = {
        forgedScore,
        otherName,
        submitTarget("x'--", 7000),
        submitTarget("<b>", 7000),
        "/addglobalhs.jsp?game=RIPPLE&mode=M1&name=bob&s=7000",
    };
    for (const std::string& target : refused) {
        auto reply = http.get(target);
        EXPECT_EQ(reply.status, 400) << target;
        EXPECT_TRUE(reply.body.empty()) << target;
    }
    EXPECT_EQ(http.get("/nothing.html").status, 404);

    // Sending a submission again (the game's retry) stores it once.
    auto retried = http.get(submitTarget("--", 4000));
    EXPECT_EQ(retried.status, 200);
    EXPECT_EQ(readReply(retried.body).highlight, "3");

    auto table = readReply(http.get(tableM1).body);
    ASSERT_TRUE(table.parsed);
    ASSERT_EQ(table.entries.size(), 6u);
    EXPECT_EQ(table.entries[0], (scores::testing::ReplyEntry{"1", "<b>&\"'", "900000", "9"}));
    for (size_t i = 0; i < std::size(good); ++i) {
        EXPECT_EQ(table.entries[i + 1].name, good[i].shown);
        EXPECT_EQ(table.entries[i + 1].score, std::to_string(good[i].score));
        EXPECT_EQ(table.entries[i + 1].level, "3");
    }
    EXPECT_TRUE(table.highlight.empty());
    EXPECT_EQ(readReply(http.get("/globalhs.jsp?game=RIPPLE&mode=M0").body).entries.size(), 0u);
    EXPECT_EQ(openStore()->rowCount(), 6);

    std::string log = serviceLog();
    EXPECT_NE(log.find("token does not match score and name"), std::string::npos) << log;
    EXPECT_NE(log.find("character not allowed in a name"), std::string::npos) << log;

    // Submissions over an address's rate are refused with 429, and logged.
    auto limited = start({"--submit-rate", "2"});
    HttpConnection slow(limited->port());
    EXPECT_EQ(slow.get(submitTarget("eve", 10)).status, 200);
    EXPECT_EQ(slow.get(submitTarget("eve", 11)).status, 429);
    EXPECT_NE(serviceLog().find("rate limit"), std::string::npos);

    // SIGTERM ends both cleanly (under the sanitizers, also without leaks).
    EXPECT_EQ(limited->stop(SIGTERM), 0) << serviceLog();
    EXPECT_EQ(service->stop(SIGTERM), 0) << serviceLog();
}

TEST_P(ScoreServiceConcurrency, KilledDuringBurstKeepsEveryAcknowledgedRow) {
    auto service = start();
    std::atomic<int> acknowledged{0};
    constexpr int clients = 6;
    std::vector<std::vector<int>> stored(clients);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            HttpConnection http(service->port());
            for (int i = 1; i < 100000; ++i) {
                int score = c * 100000 + i;
                if (http.get(submitTarget("burst" + std::to_string(c), score)).status != 200) {
                    return;
                }
                stored[c].push_back(score);
                ++acknowledged;
            }
        });
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (acknowledged < 150 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    int status = service->stop(SIGKILL);
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_TRUE(WIFSIGNALED(status));
    ASSERT_GE(acknowledged.load(), 150);

    auto restarted = start();
    auto store = openStore();
    std::set<int> kept;
    for (const scores::ScoreRow& row : store->top("RIPPLE", 1, 1000000)) {
        kept.insert(row.score);
    }
    for (int c = 0; c < clients; ++c) {
        for (int score : stored[c]) {
            ASSERT_TRUE(kept.count(score)) << "acknowledged score " << score << " was lost";
        }
    }
    // The restarted service shows the table the database holds.
    auto table = readReply(scores::testing::httpGet(restarted->port(), tableM1).body);
    std::vector<scores::ScoreRow> best = store->top("RIPPLE", 1, 40);
    ASSERT_EQ(table.entries.size(), best.size());
    for (size_t i = 0; i < best.size(); ++i) {
        EXPECT_EQ(table.entries[i].score, std::to_string(best[i].score));
    }
}

TEST_P(ScoreServiceConcurrency, TwoProcessesOnOneDatabaseAgree) {
    auto first = start();
    auto second = start();
    constexpr int perProcess = 15;
    std::atomic<int> failures{0};
    auto submitter = [&](uint16_t port, int offset) {
        HttpConnection http(port);
        for (int i = 0; i < perProcess; ++i) {
            int score = 1000 + 2 * i + offset;
            std::string name = "p" + std::to_string(offset) + "n" + std::to_string(i);
            auto reply = http.get(submitTarget(name, score));
            auto table = readReply(reply.body);
            int rank = std::atoi(table.highlight.c_str());
            // The highlight marks the entry just sent, in the table sent back.
            if (reply.status != 200 || rank < 1 || rank > static_cast<int>(table.entries.size()) ||
                table.entries[static_cast<size_t>(rank - 1)].name != name) {
                ++failures;
            }
        }
    };
    std::thread a(submitter, first->port(), 0);
    std::thread b(submitter, second->port(), 1);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);

    auto fromFirst = scores::testing::httpGet(first->port(), tableM1);
    auto fromSecond = scores::testing::httpGet(second->port(), tableM1);
    ASSERT_EQ(fromFirst.status, 200);
    EXPECT_EQ(fromFirst.body, fromSecond.body);
    auto table = readReply(fromFirst.body);
    ASSERT_EQ(table.entries.size(), 2u * perProcess);
    for (size_t i = 0; i < table.entries.size(); ++i) {
        EXPECT_EQ(table.entries[i].score, std::to_string(1000 + 2 * perProcess - 1 - i));
    }
}

// A batch as the group commit hands it over: more rows than PostgreSQL's
// pipelines carry at once, some sent twice within it and some stored by an
// earlier batch. Each submission gets the id of its one row; new rows are
// numbered in the order they were sent, which orders equal scores.
TEST_P(ScoreServiceConcurrency, ABatchStoresEachSubmissionOnceInOrder) {
    auto store = openStore();
    auto submission = [](int i) {
        return scores::Submission{"RIPPLE",     i % 3, "n" + std::to_string(i),
                                  1000 + i % 7, 1,     "t" + std::to_string(i),
                                  "127.0.0.1"};
    };
    std::vector<scores::Submission> earlier = {submission(5), submission(140)};
    std::vector<int64_t> earlierIds = store->insertBatch(earlier);
    std::vector<scores::Submission> batch;
    for (int i = 0; i < 150; ++i) {
        batch.push_back(submission(i));
    }
    batch.push_back(submission(7));
    batch.push_back(submission(100));
    std::vector<int64_t> ids = store->insertBatch(batch);
    ASSERT_EQ(ids.size(), batch.size());
    EXPECT_EQ(ids[5], earlierIds[0]);
    EXPECT_EQ(ids[140], earlierIds[1]);
    EXPECT_EQ(ids[150], ids[7]);
    EXPECT_EQ(ids[151], ids[100]);
    int64_t last = std::max(earlierIds[0], earlierIds[1]);
    for (int i = 0; i < 150; ++i) {
        if (i != 5 && i != 140) {
            EXPECT_GT(ids[i], last) << i;
            last = ids[i];
        }
    }
    EXPECT_EQ(store->rowCount(), 150);
}

// A database that goes away: nothing is acknowledged while it is gone, the
// service keeps running, and it serves again once the database is back.
TEST_P(ScoreServiceConcurrency, DatabaseOutageIsReportedNotAcknowledged) {
    if (GetParam() != Backend::Postgres) {
        GTEST_SKIP() << "an SQLite file does not go away";
    }
    auto service = start();
    HttpConnection http(service->port());
    ASSERT_EQ(http.get(submitTarget("before", 300)).status, 200);
    cluster->pause();
    for (const std::string& target : {submitTarget("during", 200), std::string(tableM1)}) {
        auto reply = http.get(target);
        EXPECT_EQ(reply.status, 503) << target;
        EXPECT_TRUE(reply.body.empty());
    }
    cluster->resume();
    ASSERT_TRUE(cluster->isRunning());
    auto after = http.get(submitTarget("after", 100));
    ASSERT_EQ(after.status, 200) << serviceLog();
    auto table = readReply(after.body);
    ASSERT_EQ(table.entries.size(), 2u);
    EXPECT_EQ(table.entries[0].name, "before");
    EXPECT_EQ(table.entries[1].name, "after");
    EXPECT_EQ(table.highlight, "2");
    EXPECT_NE(serviceLog().find("store error"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Stores, ScoreServiceConcurrency,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) {
                             return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
                         });

} // namespace
