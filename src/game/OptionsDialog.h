#pragma once

#include "engine/DialogSprite.h"

#include <atomic>

namespace lang {
class AudioClip;
class Frame;
} // namespace lang

namespace engine {
class Sprite;
class User;
} // namespace engine

namespace ripple {

// The options: full screen, and the music and effects volumes as two knobs
// dragged along their grooves.
//
// A knob's x inside the dialog is its volume plus the groove's start, so the
// volume ranges over the groove's length (held within the engine's 0..255).
// While a knob is dragged its preview clip loops at the volume under the
// pointer; the setting is written once, when the drag ends.
//
// The full-screen box switches the main window at once. The switch itself is
// posted to the main thread, which owns the window; the tick then follows the
// window's actual mode on every update.
//
// Layout numbers, from the data section of the dialog's own file: the knob x
// at volume 0 and at the loudest, then the x offset and y of the effects knob
// and of the music knob. A groove whose end lies before its start is a fixed
// knob.
class OptionsDialog : public engine::DialogSprite {
    LANG_CLASS(OptionsDialog, engine::DialogSprite);

    static constexpr const char* closedResult = "closeoptionsdialog";
    static constexpr const char* versionText = "1.00";
    static constexpr int defaultMusicVolume = 128;
    static constexpr int defaultEffectsVolume = 255;
    static constexpr int maxVolume = 255;

    OptionsDialog();
    ~OptionsDialog() override;

    void loaded(lang::Object* loader) override;
    // Keeps the store (counted) and places both knobs at its volumes.
    void setSettings(engine::User* settings);
    // The main window (not counted); null leaves full screen alone.
    void setFrame(lang::Frame* frame);
    // The clips that preview the volumes while a knob is dragged (counted).
    void setPreviewClips(lang::AudioClip* music, lang::AudioClip* effects);
    // Places the knobs and the tick from the store; the canvas calls it when
    // it opens the dialog.
    void refresh();

    int mousePressed(lang::Event* event) override;
    int mouseReleased(lang::Event* event) override;
    bool mouseMoved(lang::Event* event) override;
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;

    // The volume a knob's place stands for.
    int musicVolume();
    int effectsVolume();

private:
    enum class Knob { none, music, effects };

    engine::Sprite* knob(Knob which) const;
    // The longest volume the groove can show.
    int range() const;
    // A stored volume held within what the groove and the engine allow.
    int clampVolume(int v) const;
    void placeKnobs(int musicOffset, int effectsOffset);
    int volumeOf(Knob which);
    // The dragged knob's volume to its clip (true: also to the store).
    void applyVolume(Knob which, bool store);
    bool frameFullScreen() const;
    void requestFullScreen(bool on);
    void setTick(bool on);
    bool tickShown() const;

    lang::Ref<engine::User> settings;
    lang::Frame* frame = nullptr;
    lang::Ref<lang::AudioClip> musicClip;
    lang::Ref<lang::AudioClip> effectClip;
    // Input thread only.
    Knob dragging = Knob::none;
    int grabOffset = 0;
    int layout[6] = {0, maxVolume, 0, 0, 0, 0};
};

} // namespace ripple
