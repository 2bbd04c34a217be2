#include "engine/DialogSprite.h"

#include "core/Class.h"
#include "core/Hashtable.h"
#include "core/IntArray.h"
#include "core/Vector.h"
#include "engine/ButtonSprite.h"
#include "engine/DataLoader.h"
#include "gfx/Event.h"
#include "gfx/Image.h"

namespace engine {

using lang::Event;
using lang::Ref;
using lang::Synchronized;

LANG_REGISTER_CLASS(DialogSprite);

DialogSprite::DialogSprite() : FancyContainer(1, 1) {}

DialogSprite::~DialogSprite() = default;

void DialogSprite::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints || ints->size() < 4)
        return;
    FancyContainer::configure(objects, ints);
    if (ints->size() > 4)
        modal = ints->get(4) == 1;
    if (ints->size() > 5)
        setVisible(ints->get(5) == 1);
}

bool DialogSprite::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    if (!visible && imagesLoaded) {
        unloadAll();
        releaseOffscreen();
        imagesLoaded = false;
    }
    bool result = FancyContainer::updateInto(time, rect, region);
    if (wasVisible && !imagesLoaded) {
        reloadAll();
        imagesLoaded = true;
    }
    return result;
}

void DialogSprite::loaded(lang::Object* loader) {
    if (auto* dataLoader = lang::as<DataLoader>(loader))
        spriteTable = dataLoader->getSpriteTable();
    Synchronized guard(children.get());
    ownImages.clear();
    for (int i = 0; i < children->size(); ++i) {
        Ref<lang::Image> picture = lang::cast<Sprite>(children->elementAtUnchecked(i))->getImage();
        if (picture)
            ownImages.push_back(picture);
    }
}

bool DialogSprite::mayUnload(Sprite* child) {
    // Buttons only lose their hover look, and sprites without an image of
    // their own kind (text) free only what they can make again.
    if (lang::as<ButtonSprite>(child))
        return true;
    Ref<lang::Image> picture = child->getImage();
    if (!picture)
        return true;
    if (picture->getName().isEmpty())
        return false;
    for (const Ref<lang::Image>& own : ownImages)
        if (own == picture)
            return true;
    return false;
}

void DialogSprite::unloadAll() {
    Synchronized guard(children.get());
    for (int i = 0; i < children->size(); ++i) {
        auto* child = lang::cast<Sprite>(children->elementAtUnchecked(i));
        if (mayUnload(child))
            child->unloadImage();
    }
}

lang::Object* DialogSprite::getSprite(const char* name) const {
    return spriteTable ? spriteTable->get(name) : nullptr;
}

bool DialogSprite::wantsKeys() {
    return isVisible();
}

int DialogSprite::onCommand(const lang::String&) {
    return notForDialog;
}

bool DialogSprite::keyTyped(Event*) {
    return false;
}

int DialogSprite::mouseReleased(Event*) {
    return 0;
}

std::vector<Ref<lang::Object>> DialogSprite::childrenTopFirst() {
    std::vector<Ref<lang::Object>> list;
    Synchronized guard(children.get());
    list.reserve(static_cast<size_t>(children->size()));
    for (int i = children->size() - 1; i >= 0; --i)
        list.emplace_back(children->elementAtUnchecked(i));
    return list;
}

Ref<Event> DialogSprite::translated(Event* event, int dx, int dy) {
    Ref<Event> copy = lang::adopt(new Event());
    copy->id = event->id;
    copy->x = event->x + dx;
    copy->y = event->y + dy;
    copy->modifiers = event->modifiers;
    copy->key = event->key;
    copy->clickCount = event->clickCount;
    copy->when = event->when;
    copy->source = event->source;
    copy->target = event->target;
    copy->arg = event->arg;
    return copy;
}

int DialogSprite::mousePressed(Event* event) {
    resultName = "";
    if (!event || !isVisible())
        return notForDialog;
    if (!contains(event->x, event->y))
        return modal ? swallowed : notForDialog;
    if (isFadingOut())
        return swallowed;
    int ox = x, oy = y;
    int lx = event->x - ox, ly = event->y - oy;
    for (const Ref<lang::Object>& held : childrenTopFirst()) {
        lang::Object* child = held.get();
        if (auto* button = lang::as<ButtonSprite>(child)) {
            if (button->hitEnabled(lx, ly)) {
                resultName = button->getName();
                return buttonHit;
            }
            continue;
        }
        auto* nested = lang::as<DialogSprite>(child);
        if (!nested || !nested->isVisible() || (!nested->contains(lx, ly) && !nested->isModal()))
            continue;
        Ref<Event> local = translated(event, -ox, -oy);
        if (nested->mousePressed(local.get()) != notForDialog) {
            resultName = nested->getResultName();
            return buttonHit;
        }
        // A nested dialog under the pointer covers whatever lies below it; a
        // modal one covers the whole dialog.
        break;
    }
    return swallowed;
}

bool DialogSprite::mouseMoved(Event* event) {
    if (!event)
        return false;
    int ox = x, oy = y;
    int lx = event->x - ox, ly = event->y - oy;
    Ref<Event> local;
    bool result = false;
    bool covered = false;
    for (const Ref<lang::Object>& held : childrenTopFirst()) {
        lang::Object* child = held.get();
        if (auto* button = lang::as<ButtonSprite>(child)) {
            // A button hidden by a nested dialog loses its hover look and
            // never takes one: the pointer is on the dialog, not on it.
            if (covered)
                button->resetHover();
            else if (button->hover(lx, ly))
                result = true;
        } else if (auto* nested = covered ? nullptr : lang::as<DialogSprite>(child)) {
            if (!nested->isVisible())
                continue;
            bool inside = nested->contains(lx, ly);
            if (inside || nested->isModal()) {
                if (!local)
                    local = translated(event, -ox, -oy);
                if (nested->mouseMoved(local.get()))
                    result = true;
            }
            if (nested->isModal())
                break;
            if (inside)
                covered = true;
        }
    }
    return result;
}

} // namespace engine
