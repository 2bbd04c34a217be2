#include "game/OnlineScores.h"
#include "core/Object.h"
#include "core/Vector.h"
#include "engine/DataLoader.h"
#include "engine/TextSprite.h"
#include "game/HighScoreSprite.h"
#include "game/ScoreToken.h"
#include "io/URLConnection.h"
#include "support/GameDialogBench.h"
#include "support/HttpStandIn.h"
#include "support/IoTestSupport.h"
#include "support/OnlineDialogBench.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

using ripple::HighScoreSprite;
using ripple::OnlineScores;
using testsupport::HttpStandIn;
using testsupport::OnlineDialogBench;
using testsupport::shownText;
using testsupport::StandInReply;

namespace {

std::string table(const std::string& tag, int count, int highlight = -1) {
    std::string text = "<scores>\n";
    for (int i = 1; i <= count; ++i)
        text += "  <entry><name>" + tag + "</name><score>" + std::to_string(10000 - i) +
                "</score><level>2</level><rank>" + std::to_string(i) + "</rank></entry>\n";
    if (highlight > 0)
        text += "  <highlight>" + std::to_string(highlight) + "</highlight>\n";
    return text + "</scores>\n";
}

// Whether another thread can take the lock within a second: a request
// must never wait while holding a lock the render thread needs.
template <class Take>
bool lockFree(Take take) {
    auto done = std::async(std::launch::async, take);
    return done.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
}

} // namespace

TEST(OnlineScores, BuildsRequestAddressesAndSendsOnlyCheckedNames) {
    OnlineScores online;
    online.setServiceUrl(" http://scores.test:8080/ ");
    EXPECT_EQ(online.fetchUrl("M2"), "http://scores.test:8080/globalhs.jsp?game=ripple&mode=M2");
    struct Case {
        const char* name;
        const char* encoded; // null: never sent
    } cases[] = {
        {"Ann", "Ann"},
        {"J. Do-2", "J.%20Do-2"},
        {"Zo\xeb\xff", "Zo%EB%FF"},
        {"a&s=9", nullptr},
        {"50%", nullptr},
        {"Eightch", "Eightch"},
        {"Eight ch", nullptr},
        {"", nullptr},
        {"tab\t", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string url = online.submitUrl(c.name, "M1", 6, 31337, 0.25);
        if (!c.encoded) {
            EXPECT_EQ(url, "");
            continue;
        }
        std::string token = ripple::makeScoreToken(0.25, c.name, "ripple", 6, 31337);
        EXPECT_EQ(url, std::string("http://scores.test:8080/addglobalhs.jsp?game=ripple&mode=M1"
                                   "&name=") +
                           c.encoded + "&score=" + token + "&s=31337");
    }
    online.setServiceUrl("");
    EXPECT_EQ(online.fetchUrl("M0"), "");
    EXPECT_EQ(online.submitUrl("Ann", "M0", 1, 1, 0.5), "");
}

TEST(OnlineScores, AServiceOnThisMachineCountsAsConnected) {
    struct Case {
        const char* url;
        bool loopback;
    } cases[] = {
        {"http://127.0.0.1:8080", true},      {"http://127.3.2.1", true},
        {"http://localhost:9", true},         {"http://LOCALHOST", true},
        {"http://[::1]:8080", true},          {"http://128.0.0.1", false},
        {"http://scores.example.org", false}, {"http://[::2]", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        OnlineScores online;
        online.setServiceUrl(c.url);
        if (c.loopback)
            EXPECT_TRUE(online.isConnected());
        else
            EXPECT_EQ(online.isConnected(), lang::isOnline());
    }
}

TEST(OnlineScores, EveryFailureShowsTheErrorAndOffersARetry) {
    struct Case {
        const char* what;
        StandInReply reply;
        bool refused;
        std::string message;
        size_t requests;
    } cases[] = {
        {"slower than the time-out", {200, "", "", 3000, 0}, false, shownText("hserror"), 1},
        {"not found", {404, table("x", 3), "", 0, 0}, false, shownText("hserror"), 1},
        {"empty body", {200, "", "", 0, 0}, false, shownText("hserror"), 1},
        {"10 MB body", {200, "", "", 0, 10u << 20}, false, shownText("hserror"), 1},
        {"redirect loop",
         {302, "", "/globalhs.jsp?game=ripple&mode=M0", 0, 0},
         false,
         shownText("hserror"),
         6},
        {"connection refused", {}, true, shownText("hserror"), 0},
        // A reply that arrived but does not parse is an empty table, not a failure.
        {"malformed XML", {200, "<scores><entry>", "", 0, 0}, false, "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpStandIn stand([&](const std::string&) { return c.reply; });
        testsupport::RefusingPort refusing;
        OnlineDialogBench t(c.refused ? refusing.base() : stand.base());
        auto start = std::chrono::steady_clock::now();
        t.press("bglobals");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_TRUE(t.table->isGlobalView());
        EXPECT_EQ(t.message(), c.message);
        EXPECT_EQ(t.enabled("bretry"), !c.message.empty());
        EXPECT_EQ(t.table->getRowCount(), 0);
        EXPECT_EQ(t.table->hasReply("M0"), c.message.empty());
        EXPECT_EQ(stand.paths().size(), c.requests);
    }
}

TEST(OnlineScores, RetrySendsTheSameSubmissionAndShowsItsTable) {
    OnlineDialogBench* dialog = nullptr;
    bool locksFree = true;
    std::string messageDuringRetry;
    int submissions = 0;
    HttpStandIn server([&](const std::string& path) {
        locksFree = locksFree &&
                    lockFree([&] { lang::Synchronized canvas(dialog->bench.canvas.get()); }) &&
                    lockFree([&] { dialog->table->getScroll(); });
        StandInReply r;
        if (path.rfind("/addglobalhs.jsp?", 0) == 0 && ++submissions == 1) {
            r.stallMs = 3000; // the first one times out
            return r;
        }
        messageDuringRetry = dialog->message();
        r.body = table("net", 40, 23);
        return r;
    });
    OnlineDialogBench t(server.base());
    dialog = &t;
    t.table->addPersonal("Ann", "M1", 4, 9977);
    {
        // The canvas may hold its lock when it submits: it is given up for
        // the transfer.
        lang::Synchronized canvas(t.bench.canvas.get());
        EXPECT_FALSE(t.table->submitGlobal("Ann", "M1", 4, 9977));
    }
    EXPECT_EQ(t.message(), shownText("hserror"));
    EXPECT_TRUE(t.enabled("bretry"));
    EXPECT_EQ(t.table->getRowCount(), 0);
    std::string pending = t.table->getPendingSubmit();
    EXPECT_EQ(
        pending.rfind(server.base() + "/addglobalhs.jsp?game=ripple&mode=M1&name=Ann&score=", 0),
        0u);

    t.press("bretry");
    std::vector<std::string> paths = server.paths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], paths[1]) << "the same address, token included";
    EXPECT_EQ(server.base() + paths[1], pending);
    size_t token = paths[1].find("&score=") + 7;
    ripple::ScoreTokenParts parts;
    EXPECT_TRUE(ripple::checkScoreToken(paths[1].substr(token, paths[1].find("&s=") - token), "Ann",
                                        "ripple", 9977, &parts));
    EXPECT_EQ(parts.level, 4);
    EXPECT_TRUE(locksFree);
    EXPECT_EQ(messageDuringRetry, shownText("globsubmit"));
    EXPECT_EQ(t.message(), "");
    EXPECT_FALSE(t.enabled("bretry"));
    EXPECT_EQ(t.table->getPendingSubmit(), "");
    EXPECT_EQ(t.table->getRowCount(), 40);
    EXPECT_EQ(t.table->getScroll(), 18);
    EXPECT_EQ(t.table->getHighlightRow(), 4);
    EXPECT_EQ(std::string(t.table->cell(3, 4)->getText().getChars()), "23.");
}

TEST(OnlineScores, EachModeIsFetchedOnceThenShownFromTheReplyKept) {
    HttpStandIn server([](const std::string& path) {
        StandInReply r;
        r.body = table(path.substr(path.size() - 2), 3);
        return r;
    });
    OnlineDialogBench t(server.base());
    t.press("bglobals");
    EXPECT_EQ(t.firstName(), "M0");
    for (const char* tab : {"itabnormal", "itabhard", "itabeasy", "itabnormal"})
        t.press(tab);
    EXPECT_EQ(t.firstName(), "M1");
    EXPECT_EQ(t.table->getRowCount(), 3);
    EXPECT_EQ(server.paths(), (std::vector<std::string>{"/globalhs.jsp?game=ripple&mode=M0",
                                                        "/globalhs.jsp?game=ripple&mode=M1",
                                                        "/globalhs.jsp?game=ripple&mode=M2"}));
    t.press("bpersonal");
    EXPECT_FALSE(t.table->isGlobalView());
    t.press("bglobals");
    EXPECT_EQ(server.paths().size(), 3u);
}

TEST(OnlineScores, NothingIsSentWithoutAConnectionOrWhenSwitchedOff) {
    HttpStandIn server([](const std::string&) {
        return StandInReply{200, table("x", 1), "", 0, 0};
    });
    {
        OnlineDialogBench t(server.base());
        t.table->getOnlineScores().setConnectedTest([] { return false; });
        t.press("bglobals");
        EXPECT_EQ(t.message(), shownText("notconnect"));
        EXPECT_FALSE(t.enabled("bretry"));
        EXPECT_FALSE(t.table->submitGlobal("Ann", "M0", 1, 500));
        EXPECT_EQ(t.message(), shownText("notconnect"));
        EXPECT_TRUE(t.enabled("bretry")) << "the submission is kept for later";
    }
    {
        OnlineDialogBench t(server.base());
        t.bench.store().setInt("globalScores", 0);
        t.table->setSettings(&t.bench.store());
        EXPECT_FALSE(t.table->isOnlineAvailable());
        EXPECT_FALSE(t.enabled("bglobals"));
        EXPECT_FALSE(t.table->submitGlobal("Ann", "M0", 1, 500));
        EXPECT_EQ(t.table->getPendingSubmit(), "");
    }
    {
        OnlineDialogBench t("");
        EXPECT_FALSE(t.table->isOnlineAvailable());
        EXPECT_FALSE(t.enabled("bglobals"));
    }
    EXPECT_TRUE(server.paths().empty());
}

// Closing the game while a request waits on the input thread: stopping the
// canvas the dialog was loaded for ends the request at once instead of after
// its time-out.
TEST(OnlineScoresThread, StoppingTheCanvasEndsAWaitingRequest) {
    std::atomic<bool> asked{false};
    HttpStandIn server([&](const std::string&) {
        asked = true;
        return StandInReply{200, "", "", 10000, 0};
    });
    testsupport::GameDialogBench bench("", {});
    iotest::TempDir dir;
    dir.write("main.txt", "<sprites>\nHighScores HighScoreSprite:HighScores.txt 0 0 200 150 1 1\n");
    dir.write("HighScores.txt", "<sprites>\nmessage RichTTYSprite 0 0 1200 40 14 16777215\n");
    auto loader = lang::adopt(
        new engine::DataLoader(lang::String(dir.path().c_str()), bench.canvas.get(), nullptr));
    ASSERT_TRUE(loader->load("main.txt"));
    auto* table = lang::as<HighScoreSprite>(loader->getCreated()->elementAt(0));
    ASSERT_TRUE(table);
    table->getOnlineScores().setServiceUrl(server.base().c_str());
    table->showMode("M0");

    std::thread input([&] { table->showView(true); });
    while (!asked)
        std::this_thread::yield();
    auto start = std::chrono::steady_clock::now();
    bench.canvas->stop();
    input.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(table->getPendingSubmit().empty());
    EXPECT_FALSE(table->hasReply("M0"));
}
