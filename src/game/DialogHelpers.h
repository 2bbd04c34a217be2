#pragma once

#include "engine/DialogSprite.h"

namespace engine {
class ButtonSprite;
}

// What the game's dialogs share: the answer to a press outside them, and
// finding their children and layout numbers once the data file made them.
namespace ripple::dialogs {

// True when the press lies outside `dialog`, with `answer` what it is then:
// swallowed when the dialog is modal (nothing below it may be clicked), else
// not for the dialog. A hidden dialog takes nothing.
bool pressedOutside(engine::DialogSprite& dialog, lang::Event* event, int& answer);

// The dialog's child of that name when it is a T, else null (borrowed).
template <class T>
T* child(const engine::DialogSprite& dialog, const char* name) {
    return lang::as<T>(dialog.getSprite(name));
}

// Enables (a selected button stays selected) or disables; null is ignored.
void enable(engine::ButtonSprite* button, bool on);

// The number at `index` of the data section of the dialog's own data file
// (the loader given to loaded()), or `fallback` when the file has none
// there. The dialog's entry in the main file keeps its integers for its
// position and size.
int layoutNumber(lang::Object* loader, int index, int fallback);

} // namespace ripple::dialogs
