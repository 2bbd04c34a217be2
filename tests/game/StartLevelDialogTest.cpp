#include "game/StartLevelDialog.h"

#include "core/Class.h"
#include "engine/AnimateSprite.h"
#include "engine/NumberSprite.h"
#include "game/RipplePowerup.h"
#include "support/GameDialogBench.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using engine::Sprite;
using lang::adopt;
using lang::Ref;
using ripple::RipplePowerup;
using ripple::StartLevelDialog;
using testsupport::GameDialogBench;

namespace {

const char* const texts[] = {"slgenerictxt", "slbonustxt", "slcolorbombtxt",  "slgreedtxt",
                             "slicetxt",     "slfiretxt",  "slwaterspeedtxt", "slhint1",
                             "slhint2",      "slhint3",    "slhint4"};

// The piece's grid: row r (code 9 + r) painted in rowColour(r), two columns.
uint32_t rowColour(int r) {
    return 0xFF000000u | (uint32_t(40 + 15 * r) << 16);
}

// The dialog at (100, 100), 200 x 150, modal: every text a white 10 x 10
// cell, the text children side by side on row y 10, the hint background at
// (10, 60), the slide at (150, 60) and the go button at (10, 100); a second
// button "slother" at (40, 100). The example piece (with a glow and a
// number) lives in the scene above the dialog.
struct StartBench {
    GameDialogBench bench;
    Ref<RipplePowerup> piece = adopt(new RipplePowerup());
    Ref<engine::AnimateSprite> glow = adopt(new engine::AnimateSprite());
    Ref<engine::NumberSprite> number = adopt(new engine::NumberSprite());
    StartLevelDialog* dialog;

    static std::string file() {
        std::string f = "<sprites>\n";
        int x = 0;
        for (const char* t : texts)
            f += std::string(t) + " Sprite knob " + std::to_string(x += 12) + " 10\n";
        f += "slhintbg Sprite btn 10 60\nslslide Sprite btn 150 60\n";
        f += "slgobutton ButtonSprite btn 10 100 3 1 2 1 0 1\n";
        f += "slother ButtonSprite btn 40 100 3 1 2 1 0 1\n";
        return f;
    }

    StartBench()
        : bench("startleveldlg StartLevelDialog:startleveldlg.txt 100 100 200 150 1 1\n",
                {{"startleveldlg.txt", file()}}) {
        dialog = bench.get<StartLevelDialog>("startleveldlg");
        Ref<lang::Image> grid = adopt(new lang::Image(20, 130, 1, false));
        for (int y = 0; y < 130; ++y)
            for (int x = 0; x < 20; ++x)
                grid->getPixels()[y * 20 + x] = rowColour(y / 10);
        piece->setImage(grid.get(), 2, 13);
        piece->setAttachments(glow.get(), number.get());
        piece->setPaused(true);
        bench.canvas->addToScene(lang::String("slpiece"), piece.get(), -1);
        dialog->setPiece(piece.get());
    }
    bool shown(const char* child) {
        auto* s = lang::as<Sprite>(dialog->getSprite(child));
        return s && s->isVisible();
    }
    std::set<std::string> shownTexts() {
        std::set<std::string> result;
        for (const char* t : texts)
            if (shown(t))
                result.insert(t);
        if (shown("slhintbg"))
            result.insert("slhintbg");
        return result;
    }
};

TEST(StartLevelDialogTest, EachPageShowsItsTextPieceAndSlide) {
    struct Case {
        int page;
        std::set<std::string> texts;
        int pieceCode; // -1: hidden
        bool slide;
    };
    const Case cases[] = {
        {0, {"slgenerictxt"}, -1, false},
        {1, {"slbonustxt"}, 19, true},
        {2, {"slcolorbombtxt"}, 9, true},
        {3, {"slgreedtxt"}, 18, true},
        {4, {"slicetxt"}, 17, true},
        {5, {"slfiretxt"}, 21, true},
        {6, {"slwaterspeedtxt"}, 20, true},
        {7, {"slhintbg", "slhint1"}, -1, false},
        {8, {"slhintbg", "slhint2"}, -1, false},
        {9, {"slhintbg", "slhint3"}, -1, false},
        {10, {"slhintbg", "slhint4"}, -1, false},
        // Outside the table: the general page rather than an empty dialog.
        {11, {"slgenerictxt"}, -1, false},
        {-3, {"slgenerictxt"}, -1, false},
        {65535, {"slgenerictxt"}, -1, false},
    };
    StartBench s;
    // Every page after a piece page, so hiding is checked as well as showing.
    for (const Case& c : cases) {
        for (int before : {5, 8}) {
            SCOPED_TRACE(testing::Message() << "page " << c.page << " after " << before);
            s.dialog->showPage(before);
            s.dialog->showPage(c.page);
            EXPECT_EQ(s.shownTexts(), c.texts);
            EXPECT_EQ(s.shown("slslide"), c.slide);
            EXPECT_EQ(s.piece->isVisible(), c.pieceCode >= 0);
            EXPECT_EQ(s.glow->isVisible(), c.pieceCode >= 0);
            if (c.pieceCode >= 0) {
                EXPECT_EQ(s.piece->getType(), c.pieceCode);
                EXPECT_EQ(s.piece->getX(), 167);
                EXPECT_EQ(s.piece->getY(), 220);
            }
            EXPECT_EQ(s.dialog->getCycleTicks(), 0);
        }
    }
}

TEST(StartLevelDialogTest, BonusPageAlwaysReadsFiveHundred) {
    StartBench s;
    for (int i = 0; i < 5; ++i) {
        s.dialog->showPage(1);
        EXPECT_EQ(s.number->getValue(), StartLevelDialog::bonusNumber);
        EXPECT_TRUE(s.number->isVisible());
    }
    s.dialog->showPage(0);
    EXPECT_FALSE(s.number->isVisible());
}

// The bomb page walks the example through the bomb colours, one change
// every 40 updates; any button press stops it, the go button also closes
// the page with "start_level" and hides the piece.
TEST(StartLevelDialogTest, BombColoursCycleUntilAButtonIsPressed) {
    StartBench s;
    s.dialog->showPage(2);
    std::vector<int> codes;
    for (int i = 0; i < 8; ++i) {
        s.bench.steps(39);
        EXPECT_EQ(s.piece->getType(), codes.empty() ? 9 : codes.back());
        s.bench.steps(1);
        codes.push_back(s.piece->getType());
        EXPECT_TRUE(s.piece->isVisible());
    }
    EXPECT_EQ(codes, (std::vector<int>{12, 15, 11, 14, 10, 13, 9, 12}));

    // Another page does not cycle.
    s.dialog->showPage(3);
    s.bench.steps(80);
    EXPECT_EQ(s.piece->getType(), 18);

    s.dialog->showPage(2);
    EXPECT_EQ(s.bench.click(145, 205), (std::vector<std::string>{"slother@startleveldlg"}));
    EXPECT_EQ(s.dialog->getCycleTicks(), -1);
    s.bench.steps(80);
    EXPECT_EQ(s.piece->getType(), 9);
    EXPECT_TRUE(s.dialog->isVisible());
    EXPECT_TRUE(s.piece->isVisible());

    // Outside the modal dialog: swallowed, the cycling goes on.
    s.dialog->showPage(2);
    EXPECT_EQ(s.bench.click(50, 50), (std::vector<std::string>{"@startleveldlg"}));
    EXPECT_EQ(s.dialog->getCycleTicks(), 0);

    EXPECT_EQ(s.bench.click(115, 205), (std::vector<std::string>{"start_level@startleveldlg"}));
    EXPECT_FALSE(s.piece->isVisible());
    EXPECT_EQ(s.dialog->getCycleTicks(), -1);
}

// The composed frame of the bomb page: its text, the slide and the live
// piece (pulsing, so only its hue is compared) over the dialog, and nothing
// of the other pages.
TEST(StartLevelDialogTest, ComposedFrameOfAPowerupPage) {
    StartBench s;
    s.dialog->showPage(2);
    s.bench.steps(5);
    Ref<lang::Image> frame = s.bench.canvas->getBackBuffer();
    ASSERT_TRUE(frame);
    auto at = [&](int x, int y) { return testsupport::pixelAt(*frame, x, y); };
    // slcolorbombtxt is the third text: dialog x 100 + 36.
    EXPECT_EQ(at(136, 110), 0xFFFFFFFFu);
    EXPECT_EQ(at(145, 119), 0xFFFFFFFFu);
    // The slide shows the btn strip's first cell (grey).
    EXPECT_EQ(at(250, 160), 0xFF808080u);
    // Hidden: the general text, the hint background.
    EXPECT_NE(at(112, 110), 0xFFFFFFFFu);
    EXPECT_NE(at(110, 160), 0xFF808080u);
    // The piece at (167, 220): a red of the bomb row, more or less faded.
    for (auto [x, y] : {std::pair{167, 220}, std::pair{176, 229}}) {
        uint32_t p = at(x, y);
        EXPECT_GT((p >> 16) & 0xFF, 0x10u) << x << "," << y;
        EXPECT_EQ(p & 0xFFFF, 0u) << x << "," << y;
    }
    EXPECT_EQ(at(177, 220) & 0xFF0000, at(300, 300) & 0xFF0000);
}

TEST(StartLevelDialogTest, RegisteredWithItsParents) {
    Ref<lang::Object> made = lang::Class::forName("StartLevelDialog")->newInstance();
    for (const char* name :
         {"StartLevelDialog", "DialogSprite", "FancyContainer", "Sprite", "SpriteBase", "Object"})
        EXPECT_TRUE(made->instanceOf(name)) << name;
    // No piece and no children: every page is harmless.
    auto& bare = static_cast<StartLevelDialog&>(*made);
    for (int page = -1; page <= 12; ++page)
        bare.showPage(page);
    EXPECT_EQ(bare.getPage(), 0);
}

} // namespace
