// RippleCanvas: the scene set-up, the sounds the item rules play and the
// read-only views for tools and tests.

#include "game/RippleCanvas.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "core/Random.h"
#include "core/Vector.h"
#include "engine/AnimateSprite.h"
#include "engine/ButtonSprite.h"
#include "engine/DataLoader.h"
#include "engine/DialogSprite.h"
#include "engine/NumberSprite.h"
#include "engine/User.h"
#include "game/ChooseDifficultyDialog.h"
#include "game/HighScorePrompt.h"
#include "game/HighScoreSprite.h"
#include "game/InstructionsDialog.h"
#include "game/OptionsDialog.h"
#include "game/RippleBall.h"
#include "game/RippleMap.h"
#include "game/RipplePowerup.h"
#include "game/RippleSprayer.h"
#include "game/StartLevelDialog.h"
#include "game/Track.h"
#include "game/WaterCollisionSprite.h"
#include "platform/MessageBox.h"
#include "sound/AudioClip.h"

#include <algorithm>

using lang::adopt;
using lang::Ref;
using lang::String;
using lang::Synchronized;

namespace ripple {

namespace {

constexpr const char* loadErrorTitle = "Error";
constexpr int waterPieces = 150;
constexpr int consoleShadows = 3;
constexpr int livesX = 92;
constexpr int levelX = 217;
constexpr int numbersY = 5;
constexpr int mapWidth = 800;
constexpr int mapHeight = 600;

// A dialog child the game reads or changes, with the class it must be.
struct NeededChild {
    const char* dialog;
    const char* name;
    const char* className;
};

const NeededChild neededChildren[] = {
    {"tryagaindlg", "livesleftnum", "NumberSprite"},
    {"finishbonusleveldlg", "fbltotal", "NumberSprite"},
    {"mainmenudlg", "link", "ButtonSprite"},
};

Ref<lang::AudioClip> loadClip(const char* key, int kind) {
    auto clip = adopt(new lang::AudioClip());
    clip->load(String(key), kind);
    return clip;
}

} // namespace

const std::vector<RippleCanvas::NeededSprite>& RippleCanvas::neededSprites() {
    static const std::vector<NeededSprite> list = {
        {"scorenumbers", "NumberSprite"},
        {"combotext", "AnimateSprite"},
        {"combopoints", "NumberSprite"},
        {"congratstext", "AnimateSprite"},
        {"gameovertext", "AnimateSprite"},
        {"bonusroundtimeroverlay", "Sprite"},
        {"bonusroundtimeranim", "AnimateSprite"},
        {"bonusroundtimernum", "NumberSprite"},
        {"maphighlight", "AnimateSprite"},
        {"mappoint", "AnimateSprite"},
        {"map", "Sprite"},
        {"bglow", "Sprite"},
        {"menubtn", "ButtonSprite"},
        {"optionsdlg", "OptionsDialog"},
        {"HighScores", "HighScoreSprite"},
        {"hsprompt", "HighScorePrompt"},
        {"globalask", "DialogSprite"},
        {"choosediffdlg", "ChooseDifficultyDialog"},
        {"mainmenudlg", "DialogSprite"},
        {"menudlg", "MenuDialog"},
        {"startleveldlg", "StartLevelDialog"},
        {"startbonusleveldlg", "DialogSprite"},
        {"finishbonusleveldlg", "DialogSprite"},
        {"tryagaindlg", "DialogSprite"},
        {"gameoverdlg", "DialogSprite"},
        {"congrats", "DialogSprite"},
        {"instructionsdlg", "InstructionsDialog"},
        {"menudifficultys", "AnimateSprite"},
        {"piece", "RippleBall"},
        {"sprayer", "AnimateSprite"},
        {"fishspray", "AnimateSprite"},
        {"console", "Sprite"},
        {"ballshadow", "AnimateSprite"},
        {"ballglare", "AnimateSprite"},
        {"ballmagicexplosion", "AnimateSprite"},
        {"ballcolorexplosion", "AnimateSprite"},
        {"ballfireexplosion", "AnimateSprite"},
        {"ballfreeze", "AnimateSprite"},
        {"ballclosetobottom", "AnimateSprite"},
        {"snowsparkle", "AnimateSprite"},
        {"bigripple", "AnimateSprite"},
        {"tracktoptarget", "AnimateSprite"},
        {"watercollision", "Sprite"},
        {"poweruppiece", "RipplePowerup"},
        {"powerupglows", "AnimateSprite"},
        {"greednumbers", "NumberSprite"},
        {"trackhighlightsmall", "Sprite"},
        {"trackramps", "AnimateSprite"},
        {"waterpiece", "WaterSprite"},
        {"waterpiecefast", "WaterSprite"},
        {"levelcomplete", "AnimateSprite"},
        {"pause", "Sprite"},
        {"grayoutback", "AnimateSprite"},
        {"blackoutback", "AnimateSprite"},
        {"bgoverlay1", "Sprite"},
        {"bgoverlay2", "Sprite"},
        {"bgoverlay3", "Sprite"},
    };
    return list;
}

RippleCanvas::RippleCanvas() {
    for (int t = 0; t < trackSlots; ++t)
        tracks[size_t(t)] = std::make_unique<Track>(t);
}

RippleCanvas::~RippleCanvas() {
    // The threads call this object's operations until they end.
    stopThreads();
}

// --- Scene set-up.

bool RippleCanvas::loadScene() {
    setupFailed = false;
    if (!GameCanvas2::loadScene())
        return false;
    if (setupFailed) {
        loaded.store(false);
        return false;
    }
    return true;
}

engine::SpriteBase* RippleCanvas::sprite(const char* name) {
    return getSprite(String(name));
}

bool RippleCanvas::checkScene(std::string& error) {
    for (const NeededSprite& needed : neededSprites()) {
        // A class this program does not have yet cannot be in the data
        // either: the loader drops its entries.
        if (!lang::Class::forName(needed.className))
            continue;
        engine::SpriteBase* found = sprite(needed.name);
        if (!found) {
            error = std::string("The data has no sprite \"") + needed.name + "\".";
            return false;
        }
        if (!found->instanceOf(needed.className)) {
            error = std::string("The sprite \"") + needed.name + "\" is not a " + needed.className +
                    ".";
            return false;
        }
    }
    for (const NeededChild& needed : neededChildren) {
        auto* dialog = find<engine::DialogSprite>(needed.dialog);
        lang::Object* child = dialog ? dialog->getSprite(needed.name) : nullptr;
        if (!child || !child->instanceOf(needed.className)) {
            error = std::string("The dialog \"") + needed.dialog + "\" has no " + needed.className +
                    " \"" + needed.name + "\".";
            return false;
        }
    }
    return true;
}

Ref<engine::Sprite> RippleCanvas::copyAfter(engine::Sprite* prototype, int offset) {
    if (!prototype)
        return nullptr;
    Ref<engine::Sprite> made = prototype->copy();
    int at = indexOfSprite(prototype);
    addToScene(String(), made.get(), at < 0 ? -1 : at + offset);
    return made;
}

void RippleCanvas::sceneLoaded(engine::DataLoader*) {
    Synchronized canvas(this);
    std::string error;
    if (!checkScene(error)) {
        setupFailed = true;
        platform::postMessageBox(loadErrorTitle, error.c_str());
        return;
    }
    lang::Rectangle area = canvasArea();
    resizeBackBuffer(area.width, area.height);
    if (!programDirectory.isEmpty())
        tables.folders.insert(tables.folders.begin(), programDirectory.getChars());
    if (!tables.loadScene(getIntegerData().get(), problems)) {
        setupFailed = true;
        std::string text = problems.messages().empty() ? std::string("The level data is missing.")
                                                       : problems.messages().back();
        platform::postMessageBox(loadErrorTitle, text.c_str());
        return;
    }
    findSprites();
    buildMap();
    wireDialogs();
    buildTracks();
    buildWater();

    music = loadClip("+audiomusic", lang::AudioClip::kindMusic);
    bonusMusic = loadClip("+audiomusicbonus", lang::AudioClip::kindMusic);
    trackSound.load();
    if (optionsDialog)
        optionsDialog->setPreviewClips(music.get(), sprayer ? sprayer->getSprayClip() : nullptr);
    applyMusicVolume();

    setLevelNumber(0);
    setState(stateMainMenu);
    invalidateArea(nullptr);
}

void RippleCanvas::findSprites() {
    for (const char* name : {"combotext", "combopoints", "congratstext", "gameovertext",
                             "bonusroundtimeroverlay", "bonusroundtimeranim"})
        if (engine::SpriteBase* s = sprite(name))
            s->setVisible(false);
    congratsText = find<engine::AnimateSprite>("congratstext");
    gameOverText = find<engine::AnimateSprite>("gameovertext");
    timerOverlay = find<engine::Sprite>("bonusroundtimeroverlay");
    timerAnim = find<engine::AnimateSprite>("bonusroundtimeranim");
    if (timerAnim)
        timerAnim->setFrameRange(0, 5);
    timerNumber = find<engine::NumberSprite>("bonusroundtimernum");
    // The clock's number is shown only by a timed round's go button; the scene file may leave it
    // visible, and it would then sit over the bar of every normal level.
    if (timerNumber)
        timerNumber->setVisible(false);
    play.setBonusTimerSprite(timerNumber.get());

    // The combo slots.
    auto* comboText = find<engine::AnimateSprite>("combotext");
    auto* comboPoints = find<engine::NumberSprite>("combopoints");
    play.setListener(this);
    for (int slot = 0; slot < LevelPlay::comboSlots; ++slot) {
        auto text =
            Ref<engine::AnimateSprite>(lang::as<engine::AnimateSprite>(copyAfter(comboText)));
        auto points =
            Ref<engine::NumberSprite>(lang::as<engine::NumberSprite>(copyAfter(comboPoints)));
        if (text)
            text->setVisible(false);
        if (points)
            points->setVisible(false);
        play.setComboSlot(slot, text.get(), points.get());
    }

    // Score, lives and level number.
    scoreNumber = find<engine::NumberSprite>("scorenumbers");
    if (scoreNumber) {
        livesNumber = lang::as<engine::NumberSprite>(copyAfter(scoreNumber.get()));
        levelNumberSprite = lang::as<engine::NumberSprite>(copyAfter(scoreNumber.get()));
        if (livesNumber)
            livesNumber->setLocation(livesX, numbersY);
        if (levelNumberSprite)
            levelNumberSprite->setLocation(levelX, numbersY);
    }
    setLives(startingLives);
    play.setScoreSprite(scoreNumber.get());

    background = find<engine::Sprite>("bglow");
    for (int k = 0; k < 3; ++k)
        overlays[size_t(k)] =
            find<engine::Sprite>((std::string("bgoverlay") + char('1' + k)).c_str());
    menuButton = find<engine::ButtonSprite>("menubtn");
    blackout = find<engine::AnimateSprite>("blackoutback");
    grayout = find<engine::AnimateSprite>("grayoutback");
    levelComplete = find<engine::AnimateSprite>("levelcomplete");
    pauseSprite = find<engine::Sprite>("pause");
    if (pauseSprite)
        pauseSprite->setVisible(false);
    difficultyFrame = find<engine::AnimateSprite>("menudifficultys");

    // Three shadows under the console.
    auto* shadow = find<engine::Sprite>("ballshadow");
    auto* console = find<engine::Sprite>("console");
    for (int i = 0; shadow && console && i < consoleShadows; ++i) {
        Ref<engine::Sprite> copy = shadow->copy();
        copy->setVisible(false);
        addToScene(String(), copy.get(), indexOfSprite(console));
    }

    // The sprayer moves and animates the fish and its jet, a copy of
    // "fishspray" just above the fish.
    auto* body = find<engine::AnimateSprite>("sprayer");
    auto jet = Ref<engine::AnimateSprite>(
        lang::as<engine::AnimateSprite>(copyAfter(find<engine::Sprite>("fishspray"))));
    sprayer = adopt(new RippleSprayer());
    sprayer->setParts(body, jet.get());
    sprayer->setEventListener(this);
    sprayer->setSoundHost(this);
    addToScene(String(), sprayer.get(), indexOfSprite(body) + 1);
    sprayer->setVisible(false);

    // The start-of-level dialog's example piece, with its own glow and
    // number, drawn above the dialog.
    startLevelDialog = find<StartLevelDialog>("startleveldlg");
    auto* piecePrototype = find<engine::Sprite>("poweruppiece");
    auto* glowPrototype = find<engine::Sprite>("powerupglows");
    auto* numberPrototype = find<engine::Sprite>("greednumbers");
    if (startLevelDialog && piecePrototype && glowPrototype && numberPrototype) {
        int at = indexOfSprite(startLevelDialog.get()) + 1;
        Ref<engine::Sprite> glow = glowPrototype->copy();
        Ref<engine::Sprite> example = piecePrototype->copy();
        Ref<engine::Sprite> number = numberPrototype->copy();
        addToScene(String(), glow.get(), at);
        addToScene(String(), example.get(), at + 1);
        addToScene(String(), number.get(), at + 2);
        glow->setVisible(false);
        number->setVisible(false);
        if (auto* piece = lang::as<RipplePowerup>(example)) {
            piece->setAttachments(lang::as<engine::AnimateSprite>(glow),
                                  lang::as<engine::NumberSprite>(number));
            startLevelDialog->setPiece(piece);
        }
    }
}

void RippleCanvas::buildMap() {
    auto* mapBackground = find<engine::Sprite>("map");
    auto* marker = find<engine::AnimateSprite>("maphighlight");
    auto* dot = find<engine::AnimateSprite>("mappoint");
    if (!mapBackground || !marker || !dot)
        return;
    std::array<RippleMap::Point, RippleMap::pointCount> points{};
    for (int k = 1; k <= RippleMap::pointCount; ++k) {
        MapPoints::Point p = tables.mapPoints.point(k);
        points[size_t(k - 1)] = {p.x, p.y};
    }
    dot->setVisible(false);
    RippleMap::setMapPoints(points, dot);
    map = adopt(new RippleMap());
    auto bounds = adopt(new lang::IntArray(4));
    bounds->set(2, mapWidth);
    bounds->set(3, mapHeight);
    map->configure(nullptr, bounds.get());
    int at = indexOfSprite(mapBackground);
    {
        // The map's background becomes its first child; the map takes its
        // place (and its name) in the drawing order.
        lang::Vector* list = getScene();
        Synchronized guard(list);
        list->removeElement(mapBackground);
    }
    Ref<engine::Sprite> keepBackground = mapBackground;
    map->add(mapBackground);
    mapBackground->setVisible(true);
    map->setMarker(marker);
    map->setEventListener(this);
    addToScene(String("map"), map.get(), at);
    map->setVisible(false);
    marker->setVisible(false);
}

void RippleCanvas::wireDialogs() {
    engine::User* settings = getSettings();
    optionsDialog = find<OptionsDialog>("optionsdlg");
    if (optionsDialog) {
        optionsDialog->setSettings(settings);
        optionsDialog->setFrame(getFrame());
    }
    highScores = find<HighScoreSprite>("HighScores");
    if (highScores)
        highScores->setSettings(settings);
    prompt = find<HighScorePrompt>("hsprompt");
    chooseDialog = find<ChooseDifficultyDialog>("choosediffdlg");
    if (chooseDialog)
        chooseDialog->attach(settings, this);
    instructions = find<InstructionsDialog>("instructionsdlg");
    globalAsk = find<engine::DialogSprite>("globalask");
}

void RippleCanvas::buildTracks() {
    auto* piece = find<engine::Sprite>("piece");
    auto copyOf = [&](const char* name) {
        return Ref<engine::AnimateSprite>(
            lang::as<engine::AnimateSprite>(copyAfter(find<engine::Sprite>(name))));
    };
    if (auto* spray = find<engine::Sprite>("watercollision"))
        WaterCollisionSprite::setPrototype(spray);
    auto* highlightPrototype = find<engine::Sprite>("trackhighlightsmall");
    for (int t = 0; t < trackSlots; ++t) {
        Track::Parts parts;
        parts.ball = lang::as<RippleBall>(copyAfter(piece));
        RippleBall::Companions companions;
        companions.shadow = copyOf("ballshadow");
        companions.glare = copyOf("ballglare");
        companions.clearBurst = copyOf("ballmagicexplosion");
        companions.colourBurst = copyOf("ballcolorexplosion");
        companions.fireBurst = copyOf("ballfireexplosion");
        companions.freeze = copyOf("ballfreeze");
        companions.warning = copyOf("ballclosetobottom");
        companions.sparkle = copyOf("snowsparkle");
        companions.ripple = copyOf("bigripple");
        if (parts.ball) {
            parts.ball->setCompanions(companions);
            parts.ball->setColour(static_cast<int>(lang::random() * 8));
            parts.ball->setVisible(false);
        }
        Ref<engine::AnimateSprite> topTarget = copyOf("tracktoptarget");
        if (topTarget)
            topTarget->setVisible(false);

        auto collision = adopt(new WaterCollisionSprite());
        collision->init();
        collision->setActive(false);
        collision->setVisible(false);
        addToScene(String(), collision.get(),
                   indexOfSprite(find<engine::Sprite>("watercollision")) + 1);
        keep.push_back(collision);
        parts.spray = collision.get();

        auto powerup = Ref<RipplePowerup>(
            lang::as<RipplePowerup>(copyAfter(find<engine::Sprite>("poweruppiece"))));
        Ref<engine::AnimateSprite> glow = copyOf("powerupglows");
        auto number = Ref<engine::NumberSprite>(
            lang::as<engine::NumberSprite>(copyAfter(find<engine::Sprite>("greednumbers"))));
        if (powerup) {
            powerup->setAttachments(glow.get(), number.get());
            powerup->setVanishListener(this);
            powerup->reset();
            keep.push_back(powerup);
        }
        if (glow)
            glow->setVisible(false);
        if (number)
            number->setVisible(false);
        parts.piece = powerup.get();

        for (int k = 0; k < Track::markerCount && highlightPrototype; ++k) {
            Ref<engine::Sprite> marker = copyAfter(highlightPrototype);
            marker->setVisible(false);
            parts.markers.push_back(marker);
        }
        parts.ramp = copyOf("trackramps");
        if (parts.ramp)
            parts.ramp->setVisible(false);
        parts.sound = &trackSound;
        parts.rolling = &rolling;
        parts.pool = &waterPool;
        tracks[size_t(t)]->setParts(parts);
        board.setTrack(t, tracks[size_t(t)].get(), powerup.get(), topTarget.get());
    }
    board.setTrackCount(0);
}

void RippleCanvas::buildWater() {
    for (bool fast : {false, true}) {
        auto* prototype = find<engine::AnimateSprite>(fast ? "waterpiecefast" : "waterpiece");
        if (!prototype)
            continue;
        for (int i = 0; i < waterPieces; ++i) {
            auto piece =
                Ref<engine::AnimateSprite>(lang::as<engine::AnimateSprite>(copyAfter(prototype)));
            if (!piece)
                break;
            piece->setAnimation(1, true);
            waterPool.add(piece.get(), fast);
        }
    }
}

// --- Sounds of the item rules.

void RippleCanvas::Sounds::playSound(int index) {
    canvas.GameCanvas::playSound(index);
}

void RippleCanvas::Sounds::setSoundRate(int index, double rate) {
    if (Ref<lang::AudioClip> clip = canvas.soundAt(index))
        clip->setPitch(static_cast<float>(rate));
}

void RippleCanvas::Sounds::setMusicPitch(double pitch) {
    for (lang::AudioClip* clip : {canvas.music.get(), canvas.bonusMusic.get()})
        if (clip)
            clip->setPitch(static_cast<float>(pitch));
}

// --- Inspection.

int RippleCanvas::getScore() const {
    return static_cast<int>(play.getScore());
}

int RippleCanvas::getBonusKind() const {
    return play.getBonusKind();
}

int RippleCanvas::getTrackCount() const {
    return board.trackCount();
}

Track* RippleCanvas::getTrack(int index) const {
    return index >= 0 && index < trackSlots ? tracks[size_t(index)].get() : nullptr;
}

std::vector<RippleCanvas::TrackView> RippleCanvas::getTrackViews() const {
    std::vector<TrackView> views;
    for (int t = 0; t < board.trackCount(); ++t) {
        const Track& track = *tracks[size_t(t)];
        TrackView view;
        view.bottomX = bottomX(t);
        view.state = track.getState();
        bool carrying = track.getState() != Track::idle;
        view.powerup = carrying && track.isItemPowerup();
        view.itemColour = carrying && !track.isItemPowerup() ? track.getBallColour() : -1;
        int length = track.getLength();
        view.progress = carrying && length > 1
                            ? std::clamp(double(track.getItemDistance()) / (length - 1), 0.0, 1.0)
                            : 0.0;
        views.push_back(view);
    }
    return views;
}

bool RippleCanvas::isSpriteVisible(const String& name) {
    engine::SpriteBase* s = getSprite(name);
    return s && s->isVisible();
}

void RippleCanvas::setStateListener(std::function<void(int, int)> listener) {
    Synchronized canvas(this);
    stateListener = std::move(listener);
}

void RippleCanvas::seedRandom(int64_t seed) {
    lang::seed(static_cast<uint32_t>(seed));
}

} // namespace ripple
