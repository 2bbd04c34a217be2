#include "engine/SceneInput.h"

#include "core/String.h"
#include "core/Vector.h"
#include "engine/ButtonSprite.h"
#include "engine/DialogSprite.h"
#include "gfx/Event.h"

#include <vector>

namespace engine {

using lang::Ref;
using lang::String;

namespace {

// A scene sprite that takes part in input.
struct Target {
    Ref<lang::Object> sprite;
    DialogSprite* dialog = nullptr;
    ButtonSprite* button = nullptr;
};

// The scene's dialogs and buttons, topmost first, held counted so that they
// outlive a change of the scene made while they are asked.
std::vector<Target> targets(lang::Vector* scene) {
    std::vector<Target> found;
    if (!scene)
        return found;
    lang::Synchronized guard(scene);
    for (int i = scene->size() - 1; i >= 0; --i) {
        lang::Object* o = scene->elementAtUnchecked(i);
        if (!o)
            continue;
        if (auto* dialog = lang::as<DialogSprite>(o))
            found.push_back({o, dialog, nullptr});
        else if (auto* button = lang::as<ButtonSprite>(o))
            found.push_back({o, nullptr, button});
    }
    return found;
}

Ref<String> text(const char* value) {
    return lang::adopt(new String(value));
}

Ref<String> text(const String& value) {
    return lang::adopt(new String(value));
}

} // namespace

bool SceneInput::mousePressed(lang::Vector* scene, lang::Event* e, Ref<lang::Object>& source,
                              Ref<String>& name) {
    if (!e)
        return false;
    for (const Target& t : targets(scene)) {
        if (t.dialog) {
            if (!t.dialog->isVisible())
                continue;
            int code = t.dialog->mousePressed(e);
            if (code < DialogSprite::buttonHit || code > DialogSprite::swallowed)
                continue;
            source = t.sprite;
            const String& result = t.dialog->getResultName();
            if (code == DialogSprite::swallowed)
                name = text("");
            // A dialog that closed itself names the command that reopens the
            // game behind it (its close button's); only one without a name
            // reports the bare close.
            else if (code == DialogSprite::closedItself && result.isEmpty())
                name = text(closedCommand);
            else
                name = text(result);
            return true;
        }
        if (t.button->hitEnabled(e->x, e->y)) {
            source = t.sprite;
            name = text(t.button->getName());
            return true;
        }
    }
    return false;
}

bool SceneInput::mouseReleased(lang::Vector* scene, lang::Event* e) {
    if (!e)
        return false;
    for (const Target& t : targets(scene)) {
        if (!t.dialog || !t.dialog->isVisible())
            continue;
        t.dialog->mouseReleased(e);
        if (t.dialog->isModal())
            break;
    }
    return false;
}

bool SceneInput::mouseMoved(lang::Vector* scene, lang::Event* e, bool handShown,
                            Ref<lang::Object>& source, Ref<String>& name) {
    if (!e)
        return false;
    bool buttonHovered = false;
    bool overDialog = false;
    for (const Target& t : targets(scene)) {
        if (t.button) {
            // A free button under a dialog the pointer is on never lights up.
            if (overDialog) {
                t.button->resetHover();
            } else if (t.button->hover(e->x, e->y) && !buttonHovered) {
                buttonHovered = true;
                source = t.sprite;
            }
            continue;
        }
        if (!t.dialog->isVisible())
            continue;
        if (t.dialog->mouseMoved(e) && !overDialog) {
            source = t.sprite;
            if (handShown)
                return false;
            name = text(handCursorCommand);
            return true;
        }
        if (t.dialog->isModal())
            break;
        if (t.dialog->contains(e->x, e->y))
            overDialog = true;
    }
    if (buttonHovered) {
        if (handShown)
            return false;
        name = text(handCursorCommand);
        return true;
    }
    if (!handShown)
        return false;
    source = nullptr;
    name = text(normalCursorCommand);
    return true;
}

bool SceneInput::keyTyped(lang::Vector* scene, lang::Event* e, Ref<lang::Object>& source,
                          Ref<String>& name) {
    if (!e)
        return false;
    for (const Target& t : targets(scene)) {
        if (!t.dialog || !t.dialog->isVisible())
            continue;
        if (t.dialog->wantsKeys()) {
            source = t.sprite;
            if (!t.dialog->keyTyped(e))
                return false;
            name = text(t.dialog->getResultName());
            return true;
        }
        if (t.dialog->isModal())
            return false;
    }
    return false;
}

} // namespace engine
