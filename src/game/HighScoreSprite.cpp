#include "game/HighScoreSprite.h"

#include "core/Class.h"
#include "core/Random.h"
#include "engine/ButtonSprite.h"
#include "engine/CanvasLoop.h"
#include "engine/DataLoader.h"
#include "engine/DataLoaderOwner.h"
#include "engine/RichTTYSprite.h"
#include "engine/TextSprite.h"
#include "engine/User.h"
#include "game/DialogHelpers.h"
#include "game/OnlineScores.h"
#include "game/ScoreReply.h"
#include "gfx/Color.h"
#include "gfx/Event.h"
#include "gfx/Font.h"
#include "io/ResourceFile.h"

#include <algorithm>

namespace ripple {

LANG_REGISTER_CLASS(HighScoreSprite);

namespace {

enum Column { names, levels, scores, ranks };

const lang::Color& white() {
    static const lang::Color colour(255, 255, 255);
    return colour;
}
const lang::Color& yellow() {
    static const lang::Color colour(255, 255, 0);
    return colour;
}
const lang::Color& black() {
    static const lang::Color colour(0, 0, 0);
    return colour;
}

engine::ButtonSprite* buttonOf(const engine::DialogSprite& dialog, const char* name) {
    return dialogs::child<engine::ButtonSprite>(dialog, name);
}

// Shown when the data carries no text of that name.
const char* fallbackText(const char* key) {
    struct Text {
        const char* key;
        const char* text;
    };
    static const Text texts[] = {
        {HighScoreSprite::fetchingText, "Fetching the on-line scores..."},
        {HighScoreSprite::submittingText, "Sending your score..."},
        {HighScoreSprite::errorText, "The score service did not answer. Press Retry to try again."},
        {HighScoreSprite::offlineText, "There is no network connection."},
    };
    for (const Text& t : texts)
        if (std::string(t.key) == key)
            return t.text;
    return "";
}

} // namespace

HighScoreSprite::HighScoreSprite() : online(lang::adopt(new OnlineScores())) {}

HighScoreSprite::~HighScoreSprite() = default;

const lang::Color& HighScoreSprite::cycleColour(int index) {
    static const lang::Color table[cycleLength] = {
        {238, 0, 0},   {238, 34, 0},  {238, 68, 0},  {238, 102, 0}, {238, 136, 0},
        {238, 170, 0}, {238, 204, 0}, {238, 238, 0}, {204, 238, 0}, {170, 238, 0},
        {136, 221, 0}, {102, 204, 0}, {68, 204, 0},  {68, 170, 0},  {102, 136, 0},
        {136, 102, 0}, {170, 68, 0},  {204, 34, 0},  {238, 0, 0}};
    return table[((index % cycleLength) + cycleLength) % cycleLength];
}

void HighScoreSprite::setSettings(engine::User* store) {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    settings = store;
    globalEnabled = !settings || settings->getInt("globalScores", 1) != 0;
    lang::Ref<lang::String> address =
        settings ? settings->getString(OnlineScores::serviceSetting, "") : nullptr;
    online->setServiceUrl(address ? *address : lang::String());
    if (isLoaded)
        applyGlobalEnabled();
}

bool HighScoreSprite::isOnlineAvailable() {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return globalEnabled && online->isConfigured();
}

void HighScoreSprite::applyGlobalEnabled() {
    if (globalEnabled && online->isConfigured())
        return;
    for (const char* label : {"global", "personal"})
        if (auto* sprite = dialogs::child<engine::Sprite>(*this, label))
            sprite->setVisible(false);
    dialogs::enable(buttonOf(*this, "bglobals"), false);
    dialogs::enable(buttonOf(*this, "bpersonal"), false);
}

void HighScoreSprite::loaded(lang::Object* loader) {
    DialogSprite::loaded(loader);
    // The canvas this dialog was loaded for: its lock is given up while a
    // request waits, and its stopping ends the request.
    if (auto* dataLoader = lang::as<engine::DataLoader>(loader))
        if (auto* canvas = dynamic_cast<engine::CanvasLoop*>(dataLoader->getOwner())) {
            online->setReleasedLock(&canvas->frameLock());
            online->setAbortFlag(canvas->stoppingFlag());
        }
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    topY = dialogs::layoutNumber(loader, 0, topY);
    for (int c = 0; c < 3; ++c)
        columnX[c] = dialogs::layoutNumber(loader, c + 1, columnX[c]);
    auto font = lang::adopt(new lang::Font(14, lang::Font::BOLD));
    int lineHeight = font->getHeight() * 6 / 5;
    for (int i = 0; i < cellCount; ++i) {
        cells[i] = lang::adopt(new engine::TextSprite(font.get(), white(), black(), false, false));
        int x = i < 30 ? columnX[i / 10] : columnX[0];
        cells[i]->setLocation(x, topY + (i % 10) * lineHeight);
        cells[i]->setVisible(false);
        add(cells[i].get());
    }
    if (auto* prompt = dialogs::child<engine::Sprite>(*this, "prompt")) {
        add(prompt);
        prompt->setVisible(false);
    }
    isLoaded = true;
    applyGlobalEnabled();
}

engine::TextSprite* HighScoreSprite::cell(int column, int row) const {
    if (column < 0 || column > 3 || row < 0 || row >= rowsShown)
        return nullptr;
    return cells[column * rowsShown + row].get();
}

void HighScoreSprite::setRunStartScore(int score) {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    runStartScore = score;
}

bool HighScoreSprite::qualifies(const char* tableMode, int score) {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    if (runStartScore >= score || !settings)
        return false;
    for (int i = 0; i < rowsShown; ++i)
        if (settings->getScore(tableMode, i) < score)
            return true;
    return false;
}

void HighScoreSprite::addPersonal(const lang::String& name, const char* tableMode, int level,
                                  int score) {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    mode = tableMode;
    lastAddedMode = tableMode;
    highlightRow = -1;
    highlightRank = -1;
    if (score != 0 && settings) {
        for (int i = 0; i < rowsShown; ++i) {
            if (settings->getScore(tableMode, i) >= score)
                continue;
            settings->addScore(name.getChars(), tableMode, level, score, 0);
            settings->setString("MRUHSNAME", name.getChars());
            highlightRank = i + 1;
            highlightScore = score;
            scroll = 0;
            break;
        }
    }
    refreshLocked(true);
}

void HighScoreSprite::showMode(const char* tableMode) {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    showModeLocked(tableMode);
}

void HighScoreSprite::showModeLocked(const char* tableMode) {
    mode = tableMode;
    refreshLocked(true);
}

void HighScoreSprite::hideCells() {
    for (auto& c : cells)
        if (c)
            c->setVisible(false);
}

lang::String HighScoreSprite::messageText(const char* key) {
    lang::Ref<lang::String> text = lang::loadText(key);
    return text && text->getLength() > 0 ? *text : lang::String(fallbackText(key));
}

void HighScoreSprite::say(const char* textKey) {
    auto* message = dialogs::child<engine::RichTTYSprite>(*this, "message");
    if (!message)
        return;
    message->clear();
    message->print(messageText(textKey));
    message->setVisible(true);
}

void HighScoreSprite::hideMessage() {
    if (auto* message = dialogs::child<engine::Sprite>(*this, "message"))
        message->setVisible(false);
}

void HighScoreSprite::showView(bool global) {
    bool needsFetch;
    {
        std::lock_guard<std::recursive_mutex> guard(tableLock);
        needsFetch = prepareView(global);
    }
    // The request runs with the table lock free: the render thread's
    // update takes it every frame.
    bool fetched = needsFetch && fetch();
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    finishView(global, fetched);
}

bool HighScoreSprite::prepareView(bool global) {
    hideCells();
    dialogs::enable(buttonOf(*this, "bretry"), false);
    hideMessage();
    if (!global || replies.count(mode.getChars()))
        return false;
    say(fetchingText);
    return true;
}

void HighScoreSprite::finishView(bool global, bool fetched) {
    if (fetched)
        hideMessage();
    globalView = global;
    refreshLocked(true);
}

bool HighScoreSprite::fetch() {
    std::string url;
    lang::String forMode;
    {
        std::lock_guard<std::recursive_mutex> guard(tableLock);
        if (!online->isConfigured() || !online->isConnected()) {
            say(offlineText);
            return false;
        }
        if (pendingSubmit.empty()) {
            url = online->fetchUrl(mode);
            forMode = mode;
        } else {
            url = pendingSubmit;
            forMode = pendingMode;
            say(submittingText);
        }
    }
    std::string reply = online->request(url, online->getFetchTimeout());
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    bool arrived = applyReply(reply, forMode);
    if (arrived && pendingSubmit == url) {
        pendingSubmit.clear();
        // The reply to a submission is its own mode's table: shown there,
        // whichever tab was open when it was sent again.
        mode = forMode;
    }
    return arrived;
}

bool HighScoreSprite::applyReply(const std::string& reply, const lang::String& forMode) {
    if (!reply.empty()) {
        replies[forMode.getChars()] = reply;
        return true;
    }
    say(errorText);
    dialogs::enable(buttonOf(*this, "bretry"), true);
    replies.erase(forMode.getChars());
    return false;
}

bool HighScoreSprite::submitGlobal(const lang::String& name, const char* tableMode, int level,
                                   int score) {
    std::string url;
    lang::String forMode(tableMode);
    bool connected;
    {
        std::lock_guard<std::recursive_mutex> guard(tableLock);
        mode = tableMode;
        hideCells();
        pendingSubmit.clear();
        say(submittingText);
        // Switched off, a submission is never sent; a name that may not be
        // sent is never sent either, and nothing is kept to send again.
        if (globalEnabled)
            url = online->submitUrl(name, forMode, level, score, lang::random());
        connected = url.empty() || online->isConnected();
    }
    std::string reply =
        connected ? online->request(url, online->getSubmitTimeout()) : std::string();
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    bool arrived = applyReply(reply, forMode);
    if (!arrived) {
        if (!connected)
            say(offlineText);
        pendingSubmit = url;
        pendingMode = forMode;
    } else {
        hideMessage();
    }
    globalView = true;
    refreshLocked(true);
    return arrived;
}

std::vector<lang::Ref<Scores>> HighScoreSprite::globalRows(const lang::String& tableMode) {
    auto reply = replies.find(tableMode.getChars());
    if (reply == replies.end())
        return {};
    ScoreReply table = parseScoreReply(reply->second);
    scroll = 0;
    if (table.highlightRank != -1) {
        highlightRank = table.highlightRank;
        scroll = table.scroll;
    }
    return std::move(table.rows);
}

void HighScoreSprite::refresh(bool reload) {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    refreshLocked(reload);
}

void HighScoreSprite::refreshLocked(bool reload) {
    if (reload) {
        if (globalView) {
            rows = globalRows(mode);
        } else {
            rows.clear();
            for (int i = 0; settings && i < rowsShown; ++i) {
                const char* m = mode.getChars();
                int score = settings->getScore(m, i);
                if (score <= 0)
                    continue;
                lang::Ref<lang::String> name = settings->getScoreName(m, i);
                rows.push_back(lang::adopt(new Scores(name ? *name : lang::String(), score,
                                                      settings->getScoreLevel(m, i), i + 1)));
            }
        }
    }
    int count = static_cast<int>(rows.size());
    if (count < scroll + rowsShown)
        scroll = count - rowsShown;
    scroll = std::max(scroll, 0);

    if (globalEnabled && online->isConfigured()) {
        if (auto* label = dialogs::child<engine::Sprite>(*this, "global"))
            label->setVisible(globalView);
        if (auto* label = dialogs::child<engine::Sprite>(*this, "personal"))
            label->setVisible(!globalView);
        dialogs::enable(buttonOf(*this, "bglobals"), !globalView);
        dialogs::enable(buttonOf(*this, "bpersonal"), globalView);
    }
    const char* tabs[] = {"itabeasy", "itabnormal", "itabhard"};
    char last = mode.getLength() > 0 ? mode.charAt(mode.getLength() - 1) : 0;
    for (int t = 0; t < 3; ++t)
        dialogs::enable(buttonOf(*this, tabs[t]), last != '0' + t);
    dialogs::enable(buttonOf(*this, "bsup"), scroll > 0);
    dialogs::enable(buttonOf(*this, "bsdown"), scroll < count - rowsShown);

    // The added row is known by its rank: a row of equal score above it is
    // an older entry, and another table's row of that rank is not it. On
    // line the service names the rank; that row shimmers on any table and
    // is yellow on the table of the last score added.
    bool onAddedTable = lastAddedMode.equals(mode);
    highlightRow = -1;
    int widestLevel = 0, widestScore = 0;
    bool anyShown = false;
    for (int j = 0; j < rowsShown; ++j) {
        engine::TextSprite* row[4] = {cell(names, j), cell(levels, j), cell(scores, j),
                                      cell(ranks, j)};
        if (!row[0] || !row[1] || !row[2] || !row[3])
            continue;
        int index = scroll + j;
        if (index >= count) {
            for (engine::TextSprite* c : row)
                c->setVisible(false);
            continue;
        }
        const Scores& e = *rows[static_cast<size_t>(index)];
        anyShown = true;
        bool marked = (onAddedTable || globalView) && e.rank == highlightRank;
        if (marked)
            highlightRow = j;
        for (engine::TextSprite* c : row)
            c->setColours(marked && onAddedTable ? yellow() : white(), black());
        row[3]->setText(lang::String((std::to_string(e.rank) + ".").c_str()));
        row[3]->setAlign(2);
        row[3]->setLocation(columnX[0] - 3, row[3]->getY());
        row[3]->setVisible(true);
        row[0]->setText(e.name);
        row[0]->setAlign(0);
        row[0]->setLocation(columnX[0], row[0]->getY());
        row[0]->setVisible(true);
        row[1]->setText(lang::String(std::to_string(e.level).c_str()));
        row[1]->setAlign(2);
        row[1]->setLocation(columnX[1], row[1]->getY());
        row[1]->setVisible(e.level >= 1);
        if (e.level >= 1)
            widestLevel = std::max(widestLevel, row[1]->getWidth() - 4);
        row[2]->setText(lang::String(std::to_string(e.score).c_str()));
        row[2]->setAlign(2);
        row[2]->setLocation(columnX[2], row[2]->getY());
        row[2]->setVisible(e.score >= 0);
        if (e.score >= 0)
            widestScore = std::max(widestScore, row[2]->getWidth() - 4);
    }
    // Right-aligned, then moved by half the widest text: each column is
    // centred on its x.
    for (int j = 0; j < rowsShown; ++j) {
        if (engine::TextSprite* c = cell(levels, j); c && c->isVisible())
            c->setLocation(c->getX() + widestLevel / 2, c->getY());
        if (engine::TextSprite* c = cell(scores, j); c && c->isVisible())
            c->setLocation(c->getX() + widestScore / 2, c->getY());
    }
    dialogs::enable(buttonOf(*this, "clear"), anyShown && !globalView);
    dialogs::enable(buttonOf(*this, "close"), true);
}

void HighScoreSprite::scrollBy(int delta) {
    scroll += delta;
    refreshLocked(false);
}

int HighScoreSprite::mousePressed(lang::Event* event) {
    if (!event || !isVisible())
        return notForDialog;
    if (!contains(event->x, event->y))
        return swallowed;
    int answer = DialogSprite::mousePressed(event);
    if (answer != buttonHit)
        return answer;
    // Set when the press asks for the on-line view, shown after the table
    // lock is let go because it may wait for the service.
    int showAfter = -1;
    {
        std::lock_guard<std::recursive_mutex> guard(tableLock);
        answer = pressed(showAfter);
    }
    if (showAfter != -1)
        showView(showAfter != 0);
    return answer;
}

int HighScoreSprite::pressed(int& showAfter) {
    const lang::String& name = resultName;
    if (name.equals("clear")) {
        if (settings && !globalView)
            settings->removeScoreMode(mode.getChars());
        refreshLocked(true);
    } else if (name.equals("itabeasy") || name.equals("itabnormal") || name.equals("itabhard")) {
        showModeLocked(name.equals("itabeasy") ? "M0" : name.equals("itabnormal") ? "M1" : "M2");
        if (!lastAddedMode.equals(mode))
            highlightRow = -1;
        if (globalView)
            showAfter = 1;
    } else if (name.equals("close")) {
        setVisible(false);
        resultName = closedResult;
        return closedItself;
    } else if (name.equals("bmode")) {
        mode = "M0";
        showAfter = globalView ? 1 : 0;
    } else if (name.equals("bretry")) {
        showAfter = 1;
    } else if (name.equals("bglobals") || name.equals("bpersonal")) {
        highlightRank = -1;
        showAfter = name.equals("bglobals") ? 1 : 0;
    } else if (name.equals("bsup") || name.equals("bsdown")) {
        bool up = name.equals("bsup");
        if (!up || scroll > 0) {
            scrollingUp = up;
            scrollRepeat = true;
            scrollDelay = scrollRepeatDelay;
            scrollBy(up ? -1 : 1);
        }
    }
    return buttonHit;
}

int HighScoreSprite::mouseReleased(lang::Event* event) {
    {
        std::lock_guard<std::recursive_mutex> guard(tableLock);
        scrollRepeat = false;
    }
    resultName = "";
    return DialogSprite::mouseReleased(event);
}

bool HighScoreSprite::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    {
        std::lock_guard<std::recursive_mutex> guard(tableLock);
        if (isVisible() && highlightRow != -1) {
            int k = time % cycleLength;
            const Column order[] = {names, levels, scores, ranks};
            for (int i = 0; i < 4; ++i)
                if (engine::TextSprite* c = cell(order[i], highlightRow))
                    c->setColours(cycleColour(k + i), black());
        }
        if (scrollRepeat) {
            int count = static_cast<int>(rows.size());
            if (scrollDelay < 1) {
                if (scrollingUp && scroll > 0)
                    scrollBy(-1);
                else if (!scrollingUp && scroll < count - rowsShown)
                    scrollBy(1);
            } else {
                --scrollDelay;
            }
        }
    }
    return DialogSprite::updateInto(time, rect, region);
}

lang::String HighScoreSprite::getMode() {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return mode;
}

int HighScoreSprite::getScroll() {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return scroll;
}

int HighScoreSprite::getRowCount() {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return static_cast<int>(rows.size());
}

int HighScoreSprite::getHighlightRow() {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return highlightRow;
}

bool HighScoreSprite::isGlobalView() {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return globalView;
}

std::string HighScoreSprite::getPendingSubmit() {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return pendingSubmit;
}

bool HighScoreSprite::hasReply(const char* tableMode) {
    std::lock_guard<std::recursive_mutex> guard(tableLock);
    return replies.count(tableMode) != 0;
}

} // namespace ripple
