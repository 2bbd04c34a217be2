#include "game/HighScorePrompt.h"

#include "core/Class.h"
#include "engine/NewFontSprite.h"
#include "engine/TextSprite.h"
#include "game/DialogHelpers.h"
#include "gfx/Event.h"
#include "gfx/Font.h"
#include "io/ResourceFile.h"

#include <string>

namespace ripple {

LANG_REGISTER_CLASS(HighScorePrompt);

namespace {

constexpr int backspaceKey = 8;
constexpr int enterKey = 13;

} // namespace

HighScorePrompt::HighScorePrompt() = default;

HighScorePrompt::~HighScorePrompt() = default;

void HighScorePrompt::loaded(lang::Object* loader) {
    DialogSprite::loaded(loader);
    if (auto* prompt = dialogs::child<engine::TextSprite>(*this, "prompt")) {
        auto font = lang::adopt(new lang::Font(14, lang::Font::BOLD));
        prompt->setFont(font.get());
        prompt->setText(*lang::loadText(promptTextKey));
    }
    if (auto* name = dialogs::child<engine::NewFontSprite>(*this, "name"))
        name->setCaret(true);
}

std::string HighScorePrompt::withoutControls(const std::string& text) {
    std::string kept;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte != 127)
            kept += c;
    }
    return kept;
}

void HighScorePrompt::setName(const lang::String& preset) {
    if (auto* name = dialogs::child<engine::NewFontSprite>(*this, "name"))
        name->setText(
            lang::String(withoutControls(preset.getChars()).substr(0, maxNameLength).c_str()));
}

lang::String HighScorePrompt::getName() {
    auto* name = dialogs::child<engine::NewFontSprite>(*this, "name");
    return name ? name->getText() : lang::String();
}

bool HighScorePrompt::keyTyped(lang::Event* event) {
    resultName = "";
    auto* name = dialogs::child<engine::NewFontSprite>(*this, "name");
    if (!event || !name)
        return false;
    std::string text = name->getText().getChars();
    int key = event->key;
    if (key == backspaceKey) {
        if (!text.empty()) {
            text.pop_back();
            name->setText(lang::String(text.c_str()));
        }
        return false;
    }
    if (key == enterKey) {
        resultName = submitResult;
        return true;
    }
    if ((event->modifiers & lang::Event::controlMask) && (key == 'v' || key == 'V')) {
        if (auto* pasted = lang::as<lang::String>(event->arg.get()))
            text += withoutControls(pasted->getChars());
        name->setText(lang::String(text.substr(0, maxNameLength).c_str()));
        return false;
    }
    if (name->getBounds().width < maxNameWidth && static_cast<int>(text.size()) < maxNameLength &&
        lang::isNameChar(key)) {
        text += static_cast<char>(key);
        name->setText(lang::String(text.c_str()));
    }
    return false;
}

} // namespace ripple
