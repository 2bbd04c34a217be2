#pragma once

#include "engine/DialogSprite.h"
#include "game/Scores.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace lang {
class Color;
}

namespace engine {
class TextSprite;
class User;
} // namespace engine

namespace ripple {

class OnlineScores;

// The high-score tables: ten rows per difficulty ("M0" easy, "M1" normal,
// "M2" hard), with a tab per table, scrolling, clearing and, when the game
// offers on-line tables, a switch between the personal and on-line view.
//
// The personal tables live in the settings store. The row just added shows
// in yellow and shimmers through a red-yellow-green cycle while the dialog is
// visible, on the table it was added to only.
//
// The on-line view shows the service's table of the same mode (see
// OnlineScores for the service's address, the setting that names it, and the
// requests). Each mode's table is fetched once and then shown from the reply
// kept for it until a failure drops it or a submission replaces it. A failed
// submission is kept and sent again, with the same token, by "bretry" before
// any table of that mode is fetched. The console "message" shows what is
// going on: the texts fetchingText, submittingText, errorText and
// offlineText (entries of the data's texts).
//
// For the game canvas, at the end of a run that earned a place:
//   1. addPersonal(name, mode, level, score) records it in the personal
//      table and shows that table (any thread, canvas lock held or not);
//   2. only when isOnlineAvailable() (the "globalScores" setting is on and a
//      service address is set) ask whether to send it on line;
//   3. on yes: submitGlobal(name, mode, level, score) with the same values,
//      on the input thread (in command(), for example). It blocks until the
//      service answers or gives up (20 s at most), showing "globsubmit" in
//      the meantime; the canvas lock may be held, as it is given up for the
//      transfer and taken back before the table is shown, so the render
//      thread keeps animating. Hold no other lock while calling it.
// Stopping the canvas ends a waiting request at once.
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
    static constexpr const char* fetchingText = "getglob";
    static constexpr const char* submittingText = "globsubmit";
    static constexpr const char* errorText = "hserror";
    static constexpr const char* offlineText = "notconnect";

    HighScoreSprite();
    ~HighScoreSprite() override;

    // Keeps the store (counted) and reads whether on-line tables are on and
    // the score service's address.
    void setSettings(engine::User* settings);
    void loaded(lang::Object* loader) override;

    // Whether `score` earns a place in `mode`'s table. A run that did not
    // raise the score it started with never does.
    bool qualifies(const char* mode, int score);
    // Stores the score in its place, shows `mode` with the new row
    // highlighted and remembers the name as the last one entered.
    void addPersonal(const lang::String& name, const char* mode, int level, int score);
    void showMode(const char* mode);
    // false: the personal tables; true: the on-line ones, fetched first when
    // no reply is kept for the mode (blocks; input thread, no lock held).
    void showView(bool global);
    // Fetches the shown mode's table, or sends the kept failed submission
    // again. Blocks; input thread, no lock held. True when a reply arrived.
    bool fetch();
    // Sends a run's score to the service and shows the table it answers
    // with; see above. True when a reply arrived.
    bool submitGlobal(const lang::String& name, const char* mode, int level, int score);
    // On-line tables are on and a service address is set.
    bool isOnlineAvailable();
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
    // The failed submission kept for "bretry", empty for none.
    std::string getPendingSubmit();
    bool hasReply(const char* mode);
    // The service side: address, connected-state test (replaceable by tests).
    OnlineScores& getOnlineScores() { return *online; }
    // A cell: column 0 names, 1 levels, 2 scores, 3 ranks; row 0..9.
    engine::TextSprite* cell(int column, int row) const;

    // What the console shows for one of the message texts: the data's text
    // of that name, or a built-in English one when the data has none.
    static lang::String messageText(const char* key);

    // The colours a highlighted row cycles through.
    static const lang::Color& cycleColour(int index);

protected:
    // The rows of the on-line view of `mode`: the kept reply, parsed; its
    // highlight sets the highlighted rank and the scroll. Table lock held.
    virtual std::vector<lang::Ref<Scores>> globalRows(const lang::String& mode);

private:
    void refreshLocked(bool reload);
    void showModeLocked(const char* mode);
    // A button press's effect under the table lock; `showAfter` 0 or 1 asks
    // for showView(false/true) once the lock is let go.
    int pressed(int& showAfter);
    // The part of showView before the request; true when a fetch must follow.
    bool prepareView(bool global);
    void finishView(bool global, bool fetched);
    // Stores a reply for `forMode`, or shows the error and drops the kept one.
    bool applyReply(const std::string& reply, const lang::String& forMode);
    void say(const char* textKey);
    void hideMessage();
    void hideCells();
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
    lang::Ref<OnlineScores> online;
    std::map<std::string, std::string> replies;
    std::string pendingSubmit;
    lang::String pendingMode;
    lang::Ref<engine::TextSprite> cells[cellCount];
    int columnX[3] = {60, 360, 530};
    int topY = 140;
    bool isLoaded = false;
};

} // namespace ripple
