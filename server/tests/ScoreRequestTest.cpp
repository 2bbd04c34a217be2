#include "ScoreRequest.h"
#include "game/ScoreToken.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using scores::ScoreRequest;

constexpr const char* game = "RIPPLE";

scores::RequestRules rules() {
    scores::RequestRules r;
    r.games = {game};
    r.maxScore = 1000000;
    r.maxLevel = 60;
    return r;
}

std::string token(std::string_view name, int level, int score, double random = 0.417) {
    return ripple::makeScoreToken(random, name, game, level, score);
}

std::string submit(std::string_view encodedName, std::string_view tok, int score,
                   std::string_view mode = "M1") {
    std::string t = "/addglobalhs.jsp?game=RIPPLE&mode=";
    t.append(mode);
    t.append("&name=");
    t.append(encodedName);
    t.append("&score=");
    t.append(tok);
    t.append("&s=");
    t.append(std::to_string(score));
    return t;
}

TEST(ScoreRequest, AcceptsWellFormedRequestsAndRecoversTheLevel) {
    ScoreRequest table = scores::parseScoreRequest("/globalhs.jsp?game=RIPPLE&mode=M2", rules());
    EXPECT_EQ(table.kind, ScoreRequest::Kind::Table);
    EXPECT_EQ(table.entry.mode, 2);

    // Below a base path, with the name percent-encoded byte by byte from code page
    // 1252: "Zoë-7" is 5A 6F EB 2D 37, and the token hashes those raw bytes.
    std::string name = "Zo\xEB-7";
    ScoreRequest s = scores::parseScoreRequest(
        "/scores" + submit("Zo%EB%2D7", token(name, 12, 43210), 43210), rules());
    ASSERT_EQ(s.kind, ScoreRequest::Kind::Submit) << s.reason;
    EXPECT_EQ(s.entry.name, "Zo\xC3\xAB-7");
    EXPECT_EQ(s.entry.level, 12);
    EXPECT_EQ(s.entry.score, 43210);
    EXPECT_EQ(s.entry.mode, 1);

    // Every draw, including the edges 0 (sent as 999) and 0.999.
    for (double random : {0.0, 0.001, 0.0099, 0.5, 0.999}) {
        ScoreRequest r =
            scores::parseScoreRequest(submit("a+b", token("a b", 0, 1, random), 1), rules());
        EXPECT_EQ(r.kind, ScoreRequest::Kind::Submit) << random << " " << r.reason;
    }
}

TEST(ScoreRequest, RefusesEverythingElse) {
    std::string good = token("bob", 3, 500);
    struct Case {
        std::string target;
        int status;
    };
    const Case cases[] = {
        {"/other.jsp?game=RIPPLE&mode=M0", 404},
        {"globalhs.jsp?game=RIPPLE&mode=M0", 404},
        {"/globalhs.jsp?game=OTHER&mode=M0", 400},
        {"/globalhs.jsp?game=RIPPLE&mode=M3", 400},
        {"/globalhs.jsp?game=RIPPLE&mode=m0", 400},
        {"/globalhs.jsp?game=RIPPLE", 400},
        {"/globalhs.jsp?game=RIPPLE&mode=M0&mode=M1", 400},
        {"/globalhs.jsp?game=RIPPLE&mode=M0&extra=1", 400},
        {"/globalhs.jsp?game=RIPPLE&mode", 400},
        {"/globalhs.jsp?game=RIPPLE&mode=M0&name=bob", 400},
        {"/globalhs.jsp?game=RIPP%4CE&mode=M%", 400},
        {"/globalhs.jsp?game=RIPPLE&mode=M0" + std::string(1100, '&'), 400},
        // Names: empty, too long, characters the prompt never lets through, a NUL.
        {submit("", token("", 3, 500), 500), 400},
        {submit("abcdefgh", token("abcdefgh", 3, 500), 500), 400},
        {submit("a%26b", token("a&b", 3, 500), 500), 400},
        {submit("%3Cb%3E", token("<b>", 3, 500), 500), 400},
        {submit("x%27--", token("x'--", 3, 500), 500), 400},
        {submit("b%00b", token(std::string("b\0b", 3), 3, 500), 500), 400},
        {submit("b%80", token("b\x80", 3, 500), 500), 400},
        {submit("b\xE9", token("b\xE9", 3, 500), 500), 400},
        // Scores: zero, over the limit, not plain decimal.
        {submit("bob", token("bob", 3, 0), 0), 400},
        {submit("bob", token("bob", 3, 1000001), 1000001), 400},
        {"/addglobalhs.jsp?game=RIPPLE&mode=M1&name=bob&score=" + good + "&s=0500", 400},
        {"/addglobalhs.jsp?game=RIPPLE&mode=M1&name=bob&score=" + good + "&s=%2B500", 400},
        {"/addglobalhs.jsp?game=RIPPLE&mode=M1&name=bob&score=" + good, 400},
        // Forged tokens: another score, name, game, a level out of range, garbage.
        {submit("bob", good, 501), 400},
        {submit("bot", good, 500), 400},
        {submit("bob", ripple::makeScoreToken(0.4, "bob", "OTHER", 3, 500), 500), 400},
        {submit("bob", token("bob", 61, 500), 500), 400},
        {submit("bob", token("bob", -1, 500), 500), 400},
        {submit("bob", "000A1A2", 500), 400},
        {submit("bob", "12A3A4", 500), 400},
        {submit("bob", good + "A", 500), 400},
        {submit("bob", "", 500), 400},
    };
    for (const Case& c : cases) {
        ScoreRequest r = scores::parseScoreRequest(c.target, rules());
        EXPECT_EQ(r.kind, ScoreRequest::Kind::None) << c.target;
        EXPECT_EQ(r.status, c.status) << c.target;
        EXPECT_FALSE(r.reason.empty()) << c.target;
    }
}

TEST(ScoreRequest, TokenCheckFlagsAnyChangedPart) {
    // Changing any one digit of a real token must not leave a token that still
    // matches the score and name with the same level.
    std::string good = token("Ann", 7, 98765, 0.256);
    for (size_t i = 0; i < good.size(); ++i) {
        if (good[i] < '0' || good[i] > '9') {
            continue;
        }
        std::string changed = good;
        changed[i] = changed[i] == '9' ? '0' : static_cast<char>(changed[i] + 1);
        ScoreRequest r = scores::parseScoreRequest(submit("Ann", changed, 98765), rules());
        EXPECT_TRUE(r.kind == ScoreRequest::Kind::None || r.entry.level != 7) << changed;
    }
}

} // namespace
