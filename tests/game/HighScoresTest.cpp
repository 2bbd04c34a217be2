#include "core/Class.h"
#include "engine/ButtonSprite.h"
#include "engine/NewFontSprite.h"
#include "engine/TextSprite.h"
#include "game/HighScorePrompt.h"
#include "game/HighScoreSprite.h"
#include "gfx/Event.h"
#include "platform/Charset.h"
#include "support/GameDialogBench.h"
#include "support/InputInjection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using engine::ButtonSprite;
using lang::Event;
using ripple::HighScoreSprite;
using testsupport::GameDialogBench;
using Commands = std::vector<std::string>;

// A table dialog whose on-line view holds `globalCount` rows, for the
// scrolling the ten personal rows never need.
class TwelveRowTable : public HighScoreSprite {
    LANG_CLASS(TwelveRowTable, HighScoreSprite);

protected:
    std::vector<lang::Ref<ripple::Scores>> globalRows(const lang::String&) override {
        std::vector<lang::Ref<ripple::Scores>> list;
        for (int i = 0; i < 12; ++i)
            list.push_back(lang::adopt(new ripple::Scores("net", 1200 - 100 * i, 1, i + 1)));
        return list;
    }
};
LANG_REGISTER_CLASS(TwelveRowTable);

namespace {

// The table dialog at (100, 100), 200 x 150: a row of 10 x 10 buttons at
// y 130, button n at x 10 + 15 n (canvas x 115 + 15 n, y 235).
const char* const buttonNames[] = {"itabeasy", "itabnormal", "itabhard", "bsup",     "bsdown",
                                   "clear",    "close",      "bglobals", "bpersonal"};

std::string tableFile() {
    std::string file = "<data> 20 40 120 180\n<sprites>\n"
                       "global Sprite knob 180 0\npersonal Sprite knob 180 0\n";
    for (int n = 0; n < 9; ++n)
        file += std::string(buttonNames[n]) + " ButtonSprite btn " + std::to_string(10 + 15 * n) +
                " 130 3 1 2 1 0 1\n";
    return file;
}

struct TableBench {
    explicit TableBench(const char* cls = "HighScoreSprite")
        : bench(std::string("HighScores ") + cls + ":HighScores.txt 100 100 200 150 1 1\n",
                {{"HighScores.txt", tableFile()}}) {
        table = bench.get<HighScoreSprite>("HighScores");
        table->setSettings(&bench.store());
    }
    Commands press(const char* name) {
        for (int n = 0; n < 9; ++n)
            if (std::string(name) == buttonNames[n])
                return bench.click(115 + 15 * n, 235);
        return {};
    }
    bool enabled(const char* name) {
        return bench.get<ButtonSprite>((std::string("HighScores/") + name).c_str())->getState() !=
               ButtonSprite::stateDisabled;
    }
    std::vector<int> shownScores() {
        std::vector<int> list;
        for (int r = 0; r < 10; ++r)
            if (auto* c = table->cell(2, r); c->isVisible())
                list.push_back(std::stoi(c->getText().getChars()));
        return list;
    }
    // Ten scores 1000, 900, ..., 100 on `mode`.
    void fill(const char* mode) {
        for (int i = 0; i < 10; ++i)
            bench.store().addScore("old", mode, 3, 1000 - 100 * i, 0);
    }

    GameDialogBench bench;
    HighScoreSprite* table;
};

} // namespace

TEST(HighScoresTest, AScoreTakesItsRankAndTheTenthFallsOff) {
    struct Case {
        const char* what;
        int score;
        bool qualifies;
        int highlightRow; // -1: not added
        std::vector<int> shown;
    };
    const Case cases[] = {
        {"above all", 1500, true, 0, {1500, 1000, 900, 800, 700, 600, 500, 400, 300, 200}},
        {"between", 850, true, 2, {1000, 900, 850, 800, 700, 600, 500, 400, 300, 200}},
        {"equal to an entry ranks below it",
         500,
         true,
         6,
         {1000, 900, 800, 700, 600, 500, 500, 400, 300, 200}},
        {"above the tenth", 150, true, 9, {1000, 900, 800, 700, 600, 500, 400, 300, 200, 150}},
        {"equal to the tenth", 100, false, -1, {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TableBench t;
        t.fill("M1");
        EXPECT_EQ(t.table->qualifies("M1", c.score), c.qualifies);
        t.table->addPersonal("Ann", "M1", 4, c.score);
        EXPECT_EQ(t.shownScores(), c.shown);
        EXPECT_EQ(t.table->getHighlightRow(), c.highlightRow);
        if (c.highlightRow >= 0) {
            EXPECT_EQ(t.table->cell(0, c.highlightRow)->getText().getChars(), std::string("Ann"));
            EXPECT_EQ(t.bench.store().getString("MRUHSNAME", "")->getChars(), std::string("Ann"));
        }
    }
    TableBench t;
    t.table->setRunStartScore(700);
    EXPECT_FALSE(t.table->qualifies("M0", 700)) << "a run that did not raise its score";
    EXPECT_TRUE(t.table->qualifies("M0", 701));
}

TEST(HighScoresTest, TheHighlightStaysOnTheTableItWasAddedTo) {
    TableBench t;
    t.fill("M0");
    t.table->addPersonal("Ann", "M1", 2, 300);
    t.bench.steps(2);
    EXPECT_EQ(t.table->getHighlightRow(), 0);
    t.press("itabeasy");
    EXPECT_EQ(t.table->getMode().getChars(), std::string("M0"));
    EXPECT_EQ(t.table->getHighlightRow(), -1);
    t.press("bsdown"); // a refresh on the other table must not bring it back
    EXPECT_EQ(t.table->getHighlightRow(), -1);
    t.press("itabnormal");
    EXPECT_EQ(t.table->getHighlightRow(), 0);
}

TEST(HighScoresTest, ClearEmptiesOnlyTheShownTable) {
    TableBench t;
    t.fill("M0");
    t.fill("M2");
    t.table->showMode("M2");
    EXPECT_TRUE(t.enabled("clear"));
    EXPECT_FALSE(t.enabled("itabhard")) << "the open tab";
    t.press("clear");
    EXPECT_EQ(t.shownScores(), std::vector<int>{});
    EXPECT_FALSE(t.enabled("clear"));
    EXPECT_EQ(t.bench.store().getScore("M2", 0), -1);
    EXPECT_EQ(t.bench.store().getScore("M0", 9), 100);
    EXPECT_EQ(t.press("close"), Commands{"bclosehighscoresdlg@HighScores"});
}

TEST(HighScoresTest, ScrollingStopsAtTheLastTenRows) {
    TableBench t("TwelveRowTable");
    t.table->showMode("M0");
    t.table->showView(true);
    EXPECT_EQ(t.table->getRowCount(), 12);
    EXPECT_TRUE(t.enabled("bsdown"));
    EXPECT_FALSE(t.enabled("bsup"));
    t.press("bsdown");
    t.press("bsdown");
    t.press("bsdown");
    EXPECT_EQ(t.table->getScroll(), 2);
    EXPECT_FALSE(t.enabled("bsdown"));
    EXPECT_TRUE(t.enabled("bsup"));
    EXPECT_FALSE(t.enabled("clear")) << "on-line tables are not cleared";
    // Holding the button: nothing for ten updates, then a row per update.
    t.bench.send(Event::mouseDown, 115 + 15 * 3, 235);
    EXPECT_EQ(t.table->getScroll(), 1);
    t.bench.steps(10);
    EXPECT_EQ(t.table->getScroll(), 1);
    t.bench.steps(1);
    EXPECT_EQ(t.table->getScroll(), 0);
}

TEST(HighScoresTest, ScoresAndLevelsSurviveReopeningTheStore) {
    std::vector<std::string> before;
    TableBench t;
    t.table->addPersonal("Ann", "M2", 7, 4200);
    t.table->addPersonal("Bob", "M2", 0, 900);
    auto rowText = [&] {
        std::vector<std::string> rows;
        for (int r = 0; r < 10; ++r)
            if (t.table->cell(0, r)->isVisible())
                rows.push_back(std::string(t.table->cell(3, r)->getText().getChars()) + " " +
                               t.table->cell(0, r)->getText().getChars() + " " +
                               (t.table->cell(1, r)->isVisible()
                                    ? t.table->cell(1, r)->getText().getChars()
                                    : "-") +
                               " " + t.table->cell(2, r)->getText().getChars());
        return rows;
    };
    before = rowText();
    EXPECT_EQ(before, (std::vector<std::string>{"1. Ann 7 4200", "2. Bob - 900"}))
        << "a level of 0 leaves its cell empty";
    t.bench.reopenStore();
    t.table->setSettings(&t.bench.store());
    t.table->showMode("M2");
    EXPECT_EQ(rowText(), before);
}

namespace {

struct PromptBench {
    PromptBench()
        : bench("hsprompt HighScorePrompt:hsprompt.txt 100 100 300 100 1 1\n",
                {{"hsprompt.txt", "<sprites>\nprompt TextSprite 10 30 0\n"
                                  "name NewFontSprite knob knob 10 60 0\n"
                                  "bsubmiths ButtonSprite btn 10 80 3 1 2 1 0 1\n"}}) {
        prompt = bench.get<ripple::HighScorePrompt>("hsprompt");
    }
    void typeText(const std::string& s) {
        for (char c : s)
            bench.type(static_cast<unsigned char>(c));
    }
    std::string name() { return prompt->getName().getChars(); }

    GameDialogBench bench;
    ripple::HighScorePrompt* prompt;
};

} // namespace

TEST(HighScoresTest, TheNamePromptKeepsSevenNameCharacters) {
    struct Case {
        const char* what;
        std::function<void(PromptBench&)> keys;
        std::string name;
    };
    auto paste = [](const char* text) {
        return [=](PromptBench& p) { p.bench.type('v', Event::controlMask, text); };
    };
    const Case cases[] = {
        {"an eighth character is ignored", [](PromptBench& p) { p.typeText("abcdefgh"); },
         "abcdefg"},
        {"only name characters", [](PromptBench& p) { p.typeText("a!b/c\xE9"); }, "abc\xE9"},
        {"backspace on an empty name", [](PromptBench& p) { p.bench.type(8); }, ""},
        {"backspace", [](PromptBench& p) { p.typeText("ab"), p.bench.type(8); }, "a"},
        {"a long paste is cut", [&](PromptBench& p) { p.typeText("ab"), paste("cdefghijkl")(p); },
         "abcdefg"},
        {"a paste loses its control characters",
         paste("a\tb\nc\x7F"
               "d"),
         "abcd"},
        {"a paste keeps what typing would not", paste("x!y?"), "x!y?"},
        {"a paste without text changes nothing", paste(nullptr), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PromptBench p;
        c.keys(p);
        EXPECT_EQ(p.name(), c.name);
    }
    PromptBench p;
    p.prompt->setName("Zed\r\nWith a long tail");
    EXPECT_EQ(p.name(), "ZedWith") << "a stored name is cleaned and cut";
    EXPECT_EQ(p.bench.type(13), Commands{"bsubmiths@hsprompt"});
}

TEST(HighScoresTest, ControlVPastesTheClipboardReadWhenTheKeyIsPressed) {
    PromptBench p;
    ASSERT_TRUE(testsupport::setClipboardText("Zo\xC3\xAB\xE6\x97\xA5\tQ"));
    p.bench.windowKey('v', testsupport::mods::control);
    EXPECT_EQ(p.name(), "Zo\xEB?Q") << "a character the code page lacks becomes ?";

    struct Case {
        const char* utf8;
        std::string ansi;
    };
    const Case cases[] = {
        {"caf\xC3\xA9", "caf\xE9"},
        {"\xE2\x82\xAC"
         "5",
         "\x80"
         "5"},
        {"a\xE6\x97\xA5"
         "b",
         "a?b"},
        {"broken \xC3", "broken ?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::utf8ToAnsi(reinterpret_cast<const uint8_t*>(c.utf8),
                                       static_cast<int>(strlen(c.utf8)), '?'),
                  c.ansi)
            << c.utf8;
}
