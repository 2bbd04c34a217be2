// The game's high-score dialog against the real score service: a ripple-scores
// process on a free loopback port, keeping its tables in an SQLite file of the
// test's own, reached through the game's setting and the dialog's own calls.

#include <gtest/gtest.h>

#ifndef RIPPLE_SCORES_EXE

TEST(OnlineScoresService, NeedsTheScoreService) {
    GTEST_SKIP() << "ripple-scores is not part of this build (its libraries were not found when "
                    "the build was configured), so the dialog is not tried against it";
}

#else

#include "ServiceProcess.h"
#include "SqliteStore.h"
#include "game/HighScoreSprite.h"
#include "game/OnlineScores.h"
#include "support/IoTestSupport.h"
#include "support/OnlineDialogBench.h"

#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using scores::testing::ServiceProcess;
using testsupport::OnlineDialogBench;
using testsupport::shownText;

namespace {

// Generous for a loaded machine and the sanitizer builds; the service answers
// in milliseconds.
constexpr int answerTimeoutMs = 15000;

struct StoredRow {
    int mode;
    std::string name; // UTF-8, as the service keeps names
    int score;
    int level;
};

class OnlineScoresService : public ::testing::Test {
protected:
    void SetUp() override { start(); }

    // port 0: a free one.
    void start(uint16_t port = 0) {
        std::vector<std::string> args = {"--db", database()};
        if (port != 0)
            args.insert(args.end(), {"--port", std::to_string(port)});
        service = std::make_unique<ServiceProcess>(RIPPLE_SCORES_EXE, args,
                                                   folder.path() + "/service.log");
    }

    std::string database() const { return folder.path() + "/scores.db"; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(service->port()); }

    // Rows other players left, written into the service's database beside it.
    void store(const std::vector<StoredRow>& rows) {
        std::vector<scores::Submission> batch;
        for (const StoredRow& r : rows)
            batch.push_back({ripple::OnlineScores::gameId(), r.mode, r.name, r.score, r.level,
                             "seed-" + r.name, "127.0.0.1"});
        scores::SqliteStore(database()).insertBatch(batch);
    }

    std::vector<scores::ScoreRow> stored(int mode) {
        return scores::SqliteStore(database()).top(ripple::OnlineScores::gameId(), mode, 100);
    }

    iotest::TempDir folder;
    std::unique_ptr<ServiceProcess> service;
};

int count(const std::vector<scores::ScoreRow>& rows, const std::string& name) {
    int n = 0;
    for (const scores::ScoreRow& r : rows)
        n += r.name == name;
    return n;
}

} // namespace

TEST_F(OnlineScoresService, ASubmittedScoreComesBackRankedAndEachTableIsFetchedOnce) {
    // Normal: 45 players from 99,000 down to 55,000 in steps of 1,000, so
    // 77,500 is rank 23 of a full 40-row reply.
    std::vector<StoredRow> rows;
    for (int i = 1; i <= 45; ++i)
        rows.push_back({1, "P" + std::to_string(i), 100000 - 1000 * i, 1 + i % 9});
    // Easy holds a name no player can type: markup characters, an e-acute and
    // a euro sign, which the game's code page has at 0x80.
    rows.push_back({0, "<b>&\"'\xC3\xA9\xE2\x82\xAC", 5000, 3});
    rows.push_back({2, "Hard", 8000, 9});
    store(rows);

    OnlineDialogBench t(base(), answerTimeoutMs);
    const char* name = "Ren\xE9"; // code page 1252
    ASSERT_TRUE(t.table->qualifies("M1", 77500));
    t.table->addPersonal(name, "M1", 4, 77500);
    ASSERT_TRUE(t.table->submitGlobal(name, "M1", 4, 77500)) << t.message();

    EXPECT_EQ(t.message(), "");
    EXPECT_TRUE(t.table->isGlobalView());
    EXPECT_EQ(t.table->getPendingSubmit(), "");
    EXPECT_EQ(t.table->getRowCount(), 40);
    EXPECT_EQ(t.table->getScroll(), 18);
    EXPECT_EQ(t.table->getHighlightRow(), 4);
    EXPECT_EQ(t.row(3), "22.|P22|5|78000");
    EXPECT_EQ(t.row(4), "23.|Ren\xE9|4|77500");
    EXPECT_EQ(t.row(5), "24.|P23|6|77000");
    EXPECT_EQ(stored(1)[22].name, "Ren\xC3\xA9") << "kept as UTF-8 for every other reader";

    t.press("itabeasy");
    EXPECT_EQ(t.row(0), "1.|<b>&\"'\xE9\x80|3|5000");
    t.press("itabhard");
    EXPECT_EQ(t.row(0), "1.|Hard|9|8000");

    // New leaders everywhere: the dialog keeps showing the replies it has.
    store({{0, "Late", 90000, 1}, {1, "Late", 990000, 1}, {2, "Late", 90000, 1}});
    for (const char* tab : {"itabeasy", "itabnormal", "itabhard", "itabnormal"})
        t.press(tab);
    t.press("bpersonal");
    t.press("bglobals");
    EXPECT_EQ(t.table->getHighlightRow(), 4);
    EXPECT_EQ(t.row(4), "23.|Ren\xE9|4|77500");
    t.press("itabeasy");
    EXPECT_EQ(t.firstName(), "<b>&\"'\xE9\x80");
    t.press("itabhard");
    EXPECT_EQ(t.firstName(), "Hard");
    EXPECT_EQ(t.message(), "");

    // A dialog without those replies fetches, and sees the new rows.
    OnlineDialogBench fresh(base(), answerTimeoutMs);
    fresh.press("bglobals");
    EXPECT_EQ(fresh.row(0), "1.|Late|1|90000");
    EXPECT_EQ(fresh.table->getHighlightRow(), -1);
}

TEST_F(OnlineScoresService, RetrySendsTheSameSubmissionUntilTheServiceIsBackAndStoresItOnce) {
    store({{2, "Ivy", 5000, 2}});
    uint16_t port = service->port();
    OnlineDialogBench t(base(), 1500);

    // The service hangs: the submission times out on the game's side, yet
    // the service takes it in once it runs again.
    service->send(SIGSTOP);
    EXPECT_FALSE(t.table->submitGlobal("Ann", "M2", 7, 4321));
    service->send(SIGCONT);
    EXPECT_EQ(t.message(), shownText("hserror"));
    EXPECT_TRUE(t.enabled("bretry"));
    const std::string pending = t.table->getPendingSubmit();
    EXPECT_EQ(pending.rfind(base() + "/addglobalhs.jsp?game=ripple&mode=M2&name=Ann&score=", 0),
              0u);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (count(stored(2), "Ann") == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(count(stored(2), "Ann"), 1) << "the late submission was not stored";

    // The service is down: Retry fails and keeps the same submission.
    ASSERT_EQ(service->stop(SIGTERM), 0);
    t.press("bretry");
    EXPECT_EQ(t.message(), shownText("hserror"));
    EXPECT_TRUE(t.enabled("bretry"));
    EXPECT_EQ(t.table->getPendingSubmit(), pending);

    // Back on the same port and database: Retry sends the same address, token
    // included, which the service knows, so the entry is there once.
    start(port);
    t.table->getOnlineScores().setTimeouts(answerTimeoutMs, answerTimeoutMs);
    t.press("bretry");
    EXPECT_EQ(t.message(), "");
    EXPECT_FALSE(t.enabled("bretry"));
    EXPECT_EQ(t.table->getPendingSubmit(), "");
    EXPECT_STREQ(t.table->getMode().getChars(), "M2");
    EXPECT_EQ(t.table->getRowCount(), 2);
    EXPECT_EQ(t.row(0), "1.|Ivy|2|5000");
    EXPECT_EQ(t.row(1), "2.|Ann|7|4321");
    EXPECT_EQ(t.row(2), "");
    EXPECT_EQ(t.table->getHighlightRow(), 1);
    EXPECT_EQ(count(stored(2), "Ann"), 1);
}

#endif
