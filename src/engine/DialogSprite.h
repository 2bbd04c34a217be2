#pragma once

#include "engine/FancyContainer.h"

#include <atomic>
#include <vector>

namespace lang {
class Event;
class Hashtable;
class Image;
} // namespace lang

namespace engine {

// A container of buttons and nested dialogs, created with its children from a
// data file, that routes mouse and key input to them. The canvas offers each
// event to its dialogs from the topmost down and turns the answer into a
// command (see mousePressed).
//
// While hidden, a dialog frees its children's images and its off-screen
// buffer; they are loaded again on the first update after it is shown.
//
// Derived dialogs (menus, prompts) override the input operations below. They
// are called on the input thread, which also owns `resultName`, without any
// lock held, so an override may take the canvas lock.
class DialogSprite : public FancyContainer {
    LANG_CLASS(DialogSprite, FancyContainer);

    // Answers of mousePressed.
    static constexpr int notForDialog = 0; // the canvas tries the next sprite below
    static constexpr int buttonHit = 1;    // the command is resultName
    static constexpr int closedItself = 2; // the command is resultName, or "CLOSED" without one
    static constexpr int swallowed = 3;    // the command is the empty name

    DialogSprite();
    ~DialogSprite() override;

    // Container arguments (x, y, width, height); ints[4] = 1 makes the dialog
    // modal; ints[5] shows it when 1 and hides it otherwise.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    // Frees the images while hidden and loads them again once visible.
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;
    // Keeps the loader's sprite table so the dialog finds its children by name.
    void loaded(lang::Object* loader) override;
    // Unloads the children's images that are the dialog's own and can be
    // loaded again. Only images of the children its data file made count as
    // its own: a sprite added later may share its image with sprites outside
    // the dialog (a copy of a scene sprite), which would go blank while the
    // dialog is hidden. An image decoded from memory (an image pack's) has no
    // name to reload from and is kept, or the dialog would come back without
    // it.
    void unloadAll() override;

    // Whether keys typed now are for this dialog: while it is visible.
    virtual bool wantsKeys();
    // A command the canvas offers to every visible dialog, topmost first.
    // 0 leaves it to the next dialog; derived dialogs answer 1 to 3 when they
    // consumed it.
    virtual int onCommand(const lang::String& name);
    // A key for this dialog (wantsKeys() was true). True sets resultName and
    // makes it the command; false issues nothing.
    virtual bool keyTyped(lang::Event* event);
    // A press at the event's point (in the dialog's parent space). Returns one
    // of the answers above and sets resultName: the hit button's name, or the
    // answer of the nested dialog that took the press.
    //
    // Not visible: not for the dialog. Outside it: swallowed when modal (a
    // modal dialog lets nothing below it be clicked), else not for it. Inside:
    // the topmost enabled button or nested dialog under the point takes it; a
    // nested dialog under the point hides everything below it, and a modal
    // nested dialog takes every press. Anything else inside is swallowed.
    virtual int mousePressed(lang::Event* event);
    // A release; the dialog does nothing with it and answers 0.
    virtual int mouseReleased(lang::Event* event);
    // The pointer moved to the event's point: every button follows it with
    // its hover look (a button hidden by a nested dialog under the pointer
    // loses it), nested dialogs as for presses. True when an enabled button
    // not hidden by a nested dialog is under the pointer. The caller tests
    // that the dialog is visible.
    virtual bool mouseMoved(lang::Event* event);

    const lang::String& getResultName() const { return resultName; }
    void setResultName(const lang::String& name) { resultName = name; }
    bool isModal() const { return modal; }
    void setModal(bool value) { modal = value; }
    // Whether the children's images are loaded (false while hidden).
    bool isImagesLoaded() const { return imagesLoaded; }
    // The table of the data file that created the children, or null.
    lang::Hashtable* getSpriteTable() const { return spriteTable.get(); }
    // The child of that name from the table, or null (borrowed).
    lang::Object* getSprite(const char* name) const;

protected:
    // A copy of `event` moved by (dx, dy), for handing it on to a child.
    static lang::Ref<lang::Event> translated(lang::Event* event, int dx, int dy);
    // The children, topmost first, held counted. Input is handed on from
    // this copy rather than under the children lock, so a nested dialog's
    // handler may take the canvas lock (which comes before the children lock).
    std::vector<lang::Ref<lang::Object>> childrenTopFirst();

    lang::String resultName;

private:
    // Whether unloadAll may free `child`'s image (children lock held).
    bool mayUnload(Sprite* child);

    lang::Ref<lang::Hashtable> spriteTable;
    // The images of the children the data file made; guarded by the
    // children lock.
    std::vector<lang::Ref<lang::Image>> ownImages;
    std::atomic<bool> imagesLoaded{true};
    std::atomic<bool> modal{false};
};

} // namespace engine
