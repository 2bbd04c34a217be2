#pragma once

#include "engine/DialogSprite.h"

#include <atomic>
#include <cstdint>

namespace ripple {

class RipplePowerup;

// The small dialog before each level: a general word, the introduction of one
// power-up with a live, pulsing example of its piece, or one of four hints.
// The level's record chooses the page; the go button ("slgobutton") answers
// "start_level".
//
// Pages: 0 general text; 1 points bonus, 2 colour bomb (the example cycles
// through the bomb colours), 3 greed, 4 freeze, 5 fire, 6 water speed; 7 to 10
// the hints on their background. Any other page number shows the general
// text, so a level record the game does not know still explains something.
//
// showPage runs under the canvas lock, updates on the render thread and
// presses on the input thread without it: the page and the cycling counter
// are atomics.
class StartLevelDialog : public engine::DialogSprite {
    LANG_CLASS(StartLevelDialog, engine::DialogSprite);

    static constexpr const char* goButton = "slgobutton";
    static constexpr const char* startResult = "start_level";
    static constexpr int generic = 0;
    static constexpr int pageCount = 11;
    // Where the example piece sits inside the dialog.
    static constexpr int pieceDx = 67;
    static constexpr int pieceDy = 120;
    // The bomb example changes colour this often, in updates.
    static constexpr int cycleEvery = 40;
    // The points bonus example always reads as a 500-point bonus.
    static constexpr int bonusNumber = -500;

    StartLevelDialog();
    ~StartLevelDialog() override;

    // The example piece, made by the canvas for this dialog (not counted).
    // Its own per-update work is allowed; it stays hidden until a page shows it.
    void setPiece(RipplePowerup* example);
    // Shows one page (see above) and restarts the colour cycling.
    void showPage(int page);

    int mousePressed(lang::Event* event) override;
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;

    // The piece code a page introduces, or -1 for pages without a piece.
    static int pieceCodeOf(int page);
    // The text child a page shows.
    static const char* textOf(int page);

    int getPage() const { return page.load(); }
    int getCycleTicks() const { return cycleTicks.load(); }
    RipplePowerup* getPiece() const { return piece; }

private:
    void show(const char* name, bool visible);

    RipplePowerup* piece = nullptr;
    std::atomic<int32_t> page{generic};
    // -1 once the cycling is stopped.
    std::atomic<int32_t> cycleTicks{-1};
};

} // namespace ripple
