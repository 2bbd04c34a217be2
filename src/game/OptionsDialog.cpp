#include "game/OptionsDialog.h"

#include "core/Class.h"
#include "engine/ButtonSprite.h"
#include "engine/TextSprite.h"
#include "engine/User.h"
#include "game/DialogHelpers.h"
#include "gfx/Color.h"
#include "gfx/Event.h"
#include "gfx/Font.h"
#include "gfx/Frame.h"
#include "platform/WindowMessages.h"
#include "sound/AudioClip.h"

#include <algorithm>

namespace ripple {

LANG_REGISTER_CLASS(OptionsDialog);

namespace {

enum Layout { knobStart, knobEnd, effectsOffset, effectsY, musicOffset, musicY };

constexpr const char* musicSetting = "VOLUMEMUSIC";
constexpr const char* effectsSetting = "VOLUMEFX";
constexpr const char* fullScreenSetting = "FULLSCREEN";

} // namespace

OptionsDialog::OptionsDialog() = default;

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::loaded(lang::Object* loader) {
    DialogSprite::loaded(loader);
    const int defaults[6] = {0, maxVolume, 0, 0, 0, 0};
    for (int i = 0; i < 6; ++i)
        layout[i] = dialogs::layoutNumber(loader, i, defaults[i]);
    if (auto* version = dialogs::child<engine::TextSprite>(*this, "version")) {
        auto font = lang::adopt(new lang::Font(14, lang::Font::BOLD));
        version->setFont(font.get());
        lang::Color white(255, 255, 255);
        version->setColours(white, white);
        version->setText(lang::String((std::string("v") + versionText).c_str()));
        version->setVisible(true);
    }
}

engine::Sprite* OptionsDialog::knob(Knob which) const {
    if (which == Knob::music)
        return dialogs::child<engine::Sprite>(*this, "sliderMusic");
    if (which == Knob::effects)
        return dialogs::child<engine::Sprite>(*this, "sliderFX");
    return nullptr;
}

int OptionsDialog::range() const {
    return std::clamp(layout[knobEnd] - layout[knobStart], 0, maxVolume);
}

int OptionsDialog::clampVolume(int v) const {
    return std::clamp(v, 0, range());
}

void OptionsDialog::placeKnobs(int musicX, int effectsX) {
    int music = clampVolume(settings ? settings->getInt(musicSetting, defaultMusicVolume)
                                     : defaultMusicVolume);
    int effects = clampVolume(settings ? settings->getInt(effectsSetting, defaultEffectsVolume)
                                       : defaultEffectsVolume);
    if (engine::Sprite* k = knob(Knob::music)) {
        k->setLocation(music + musicX, layout[musicY]);
        k->setVisible(true);
    }
    if (engine::Sprite* k = knob(Knob::effects)) {
        k->setLocation(effects + effectsX, layout[effectsY]);
        k->setVisible(true);
    }
}

void OptionsDialog::setSettings(engine::User* store) {
    settings = store;
    placeKnobs(layout[musicOffset], layout[effectsOffset]);
}

void OptionsDialog::setFrame(lang::Frame* mainFrame) {
    frame = mainFrame;
}

void OptionsDialog::setPreviewClips(lang::AudioClip* music, lang::AudioClip* effects) {
    musicClip = music;
    effectClip = effects;
}

void OptionsDialog::refresh() {
    setTick(frameFullScreen());
    placeKnobs(layout[knobStart], layout[knobStart]);
    setTick((settings ? settings->getInt(fullScreenSetting, 1) : 1) == 1);
}

bool OptionsDialog::frameFullScreen() const {
    return frame && frame->fullScreen;
}

void OptionsDialog::requestFullScreen(bool on) {
    // The window belongs to the main thread; this runs on the input thread.
    if (frame && frame->fullScreen != on)
        frame->postMessage(platform::msg::fullScreenRequest, on ? 1 : 0, 0);
}

void OptionsDialog::setTick(bool on) {
    if (auto* tick = dialogs::child<engine::Sprite>(*this, "bfullscreenX"))
        tick->setVisible(on);
}

bool OptionsDialog::tickShown() const {
    auto* tick = dialogs::child<engine::Sprite>(*this, "bfullscreenX");
    return tick && tick->isVisible();
}

int OptionsDialog::volumeOf(Knob which) {
    engine::Sprite* k = knob(which);
    return k ? clampVolume(k->getX() - layout[knobStart]) : 0;
}

int OptionsDialog::musicVolume() {
    return volumeOf(Knob::music);
}

int OptionsDialog::effectsVolume() {
    return volumeOf(Knob::effects);
}

void OptionsDialog::applyVolume(Knob which, bool store) {
    int v = volumeOf(which);
    if (which == Knob::music) {
        if (musicClip)
            musicClip->setVolume(v);
        if (store && settings)
            settings->setInt(musicSetting, v);
    } else if (which == Knob::effects) {
        lang::AudioClip::setMasterVolume(v);
        if (store && settings)
            settings->setInt(effectsSetting, v);
    }
}

int OptionsDialog::mousePressed(lang::Event* event) {
    int answer = notForDialog;
    if (dialogs::pressedOutside(*this, event, answer))
        return answer;
    DialogSprite::mousePressed(event);
    int px = event->x - getX(), py = event->y - getY();
    auto* close = dialogs::child<engine::ButtonSprite>(*this, "bclose");
    if (close && close->contains(px, py)) {
        if (settings)
            settings->setInt(fullScreenSetting, tickShown() ? 1 : 0);
        if (musicClip)
            musicClip->stop();
        if (effectClip)
            effectClip->stop();
        resultName = closedResult;
        setVisible(false);
        return closedItself;
    }
    for (Knob which : {Knob::effects, Knob::music}) {
        engine::Sprite* k = knob(which);
        if (!k || !k->contains(px, py))
            continue;
        dragging = which;
        grabOffset = px - k->getX();
        lang::AudioClip* preview = which == Knob::music ? musicClip.get() : effectClip.get();
        if (preview)
            preview->loop();
        return buttonHit;
    }
    auto* box = dialogs::child<engine::ButtonSprite>(*this, "bfullscreenrect");
    if (!box || !box->hitEnabled(px, py))
        return swallowed;
    bool on = !tickShown();
    if (settings)
        settings->setInt(fullScreenSetting, on ? 1 : 0);
    setTick(on);
    requestFullScreen(on);
    return buttonHit;
}

int OptionsDialog::mouseReleased(lang::Event*) {
    Knob released = dragging;
    dragging = Knob::none;
    if (released == Knob::effects && effectClip)
        effectClip->stop();
    if (released == Knob::music && musicClip)
        musicClip->stop();
    // One write per drag: the store is touched when the knob is let go.
    if (released != Knob::none)
        applyVolume(released, true);
    return 0;
}

bool OptionsDialog::mouseMoved(lang::Event* event) {
    if (!event)
        return false;
    int px = event->x - getX(), py = event->y - getY();
    if (dragging != Knob::none) {
        if (engine::Sprite* k = knob(dragging)) {
            int lowest = layout[knobStart];
            int highest = lowest + range();
            k->setLocation(std::clamp(px - grabOffset, lowest, highest), k->getY());
            applyVolume(dragging, false);
        }
        return true;
    }
    bool over = false;
    if (auto* close = dialogs::child<engine::ButtonSprite>(*this, "bclose")) {
        bool onClose = close->contains(px, py);
        if (close->getState() != engine::ButtonSprite::stateDisabled)
            close->setState(onClose ? engine::ButtonSprite::stateHover
                                    : engine::ButtonSprite::stateNormal);
        over = onClose;
    }
    for (Knob which : {Knob::effects, Knob::music})
        if (engine::Sprite* k = knob(which); k && k->contains(px, py))
            over = true;
    return DialogSprite::mouseMoved(event) || over;
}

bool OptionsDialog::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    if (isVisible() && frame)
        setTick(frameFullScreen());
    return DialogSprite::updateInto(time, rect, region);
}

} // namespace ripple
