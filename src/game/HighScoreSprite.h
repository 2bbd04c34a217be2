#pragma once

#include "engine/DialogSprite.h"
#include "game/Scores.h"

#include <mutex>
#include <vector>

namespace lang {
class Color;
}

namespace engine {
class TextSprite;
class User;
} // namespace engine

namespace ripple {

// The high-score tables: ten rows per difficulty ("M0" easy, "M1" normal,
// "M2" hard), with a tab per table, scrolling, clearing and, when the game
// offers on-line tables, a switch between the personal and on-line view.
//
// The personal tables live in the settings store. The row just added shows
// in yellow and shimmers through a red-yellow-green cycle while the dialog is
// visible, on the table it was added to only.
//
// The on-line view is a subclass's: it overrides requestGlobalTable (start
// fetching the shown mode's table) and globalRows (the rows of the reply
// stored for a mode). Here the on-line view shows no rows.
//
// Layout numbers, from the data section of the dialog's own file: the y of
// the first row, then the x of the name, level and score columns.
//
// Presses come on the input thread, updates on the render thread and the
// game's calls under the canvas lock; the table state is guarded by the
// dialog's own mutex, taken before any child sprite's lock.
class HighScoreSprite : public engine::DialogSprite {
    LANG_CLASS(HighScoreSprite, engine::DialogSprite);

    static constexpr int rowsShown = 10;
    static constexpr int cellCount = 40;
    static constexpr int scrollRepeatDelay = 10;
    static constexpr int cycleLength = 19;
    static constexpr const char* closedResult = "bclosehighscoresdlg";

    HighScoreSprite();
    ~HighScoreSprite() override;

    // Keeps the store (counted) and reads whether on-line tables are on.
    void setSettings(engine::User* settings);
    void loaded(lang::Object* loader) override;

    // Whether `score` earns a place in `mode`'s table. A run that did not
    // raise the score it started with never does.
    bool qualifies(const char* mode, int score);
    // Stores the score in its place, shows `mode` with the new row
    // highlighted and remembers the name as the last one entered.
    void addPersonal(const lang::String& name, const char* mode, int level, int score);
    void showMode(const char* mode);
    // false: the personal tables; true: the on-line ones.
    void showView(bool global);
    // Rebuilds the rows from their source when `reload`, then lays out the
    // cells and buttons for the current scroll.
    void refresh(bool reload);
    void setRunStartScore(int score);

    int mousePressed(lang::Event* event) override;
    int mouseReleased(lang::Event* event) override;
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;

    lang::String getMode();
    int getScroll();
    int getRowCount();
    int getHighlightRow();
    bool isGlobalView();
    // A cell: column 0 names, 1 levels, 2 scores, 3 ranks; row 0..9.
    engine::TextSprite* cell(int column, int row) const;

    // The colours a highlighted row cycles through.
    static const lang::Color& cycleColour(int index);

protected:
    virtual void requestGlobalTable(const lang::String& mode);
    virtual std::vector<lang::Ref<Scores>> globalRows(const lang::String& mode);

private:
    void refreshLocked(bool reload);
    void showModeLocked(const char* mode);
    void showViewLocked(bool global);
    void applyGlobalEnabled();
    void scrollBy(int delta);

    std::recursive_mutex tableLock;
    lang::Ref<engine::User> settings;
    bool globalEnabled = true;
    lang::String mode{"S"};
    lang::String lastAddedMode{"S"};
    int runStartScore = 0;
    int highlightRank = -1;
    int highlightScore = -1;
    int highlightRow = -1;
    std::vector<lang::Ref<Scores>> rows;
    int scroll = 0;
    bool scrollRepeat = false;
    bool scrollingUp = false;
    int scrollDelay = 0;
    bool globalView = false;
    lang::Ref<engine::TextSprite> cells[cellCount];
    int columnX[3] = {60, 360, 530};
    int topY = 140;
    bool isLoaded = false;
};

} // namespace ripple
