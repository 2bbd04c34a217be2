#pragma once

#include "engine/DialogSprite.h"

namespace ripple {

// Asks for the name that goes with a new high score. Letters, digits, space,
// "-", "." and accented letters are typed into the "name" child, up to
// maxNameLength characters; Backspace takes the last one back, Enter submits
// ("bsubmiths", as the dialog's submit button), and Control+V pastes the
// clipboard's text, which the window attached to the key event.
class HighScorePrompt : public engine::DialogSprite {
    LANG_CLASS(HighScorePrompt, engine::DialogSprite);

    static constexpr int maxNameLength = 7;
    // A name sprite this wide takes no more typed characters.
    static constexpr int maxNameWidth = 325;
    static constexpr const char* submitResult = "bsubmiths";
    static constexpr const char* promptTextKey = "STR_HSPROMPT";

    HighScorePrompt();
    ~HighScorePrompt() override;

    void loaded(lang::Object* loader) override;
    // True (with resultName "bsubmiths") only for Enter.
    bool keyTyped(lang::Event* event) override;

    // Presets the name (the last one entered, from the settings file): cut
    // to the name length, without control characters.
    void setName(const lang::String& name);
    lang::String getName();

    // `text` without control characters (below 32, and 127), so a paste or a
    // stored name cannot put line breaks or escapes into a name.
    static std::string withoutControls(const std::string& text);
};

} // namespace ripple
