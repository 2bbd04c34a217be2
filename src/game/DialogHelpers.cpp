#include "game/DialogHelpers.h"

#include "core/IntArray.h"
#include "engine/ButtonSprite.h"
#include "engine/DataLoader.h"
#include "gfx/Event.h"

namespace ripple::dialogs {

bool pressedOutside(engine::DialogSprite& dialog, lang::Event* event, int& answer) {
    if (!event || !dialog.isVisible()) {
        answer = engine::DialogSprite::notForDialog;
        return true;
    }
    if (dialog.contains(event->x, event->y))
        return false;
    answer =
        dialog.isModal() ? engine::DialogSprite::swallowed : engine::DialogSprite::notForDialog;
    return true;
}

void enable(engine::ButtonSprite* button, bool on) {
    if (button)
        button->setEnabled(on);
}

int layoutNumber(lang::Object* loader, int index, int fallback) {
    auto* dataLoader = lang::as<engine::DataLoader>(loader);
    lang::IntArray* data = dataLoader ? dataLoader->getData() : nullptr;
    if (!data || index < 0 || index >= data->size())
        return fallback;
    return data->get(index);
}

} // namespace ripple::dialogs
