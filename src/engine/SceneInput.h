#pragma once

#include "core/Ref.h"

namespace lang {
class Event;
class Object;
class String;
class Vector;
} // namespace lang

namespace engine {

// The canvas's input handlers over its scene: which dialog or button a
// press, move, release or key is for, and the command it produces. Each
// scans the scene's dialogs and buttons from the topmost (last) down and
// answers whether there is a command, with its source and name.
//
// Called on the input thread. The scene is read under its lock (its
// monitor), but the dialogs and buttons are asked afterwards without it, so
// a dialog's answer may change the scene.
class SceneInput {
public:
    static constexpr const char* handCursorCommand = "handCursor";
    static constexpr const char* normalCursorCommand = "normalCursor";
    static constexpr const char* closedCommand = "CLOSED";

    // The first visible dialog that does not pass the press on, or the first
    // enabled button under it (hidden ones too), decides: a button's name; a
    // dialog's result name; for a dialog that closed itself its result name,
    // or "CLOSED" when it has none; the empty name for a swallowed press.
    static bool mousePressed(lang::Vector* scene, lang::Event* e, lang::Ref<lang::Object>& source,
                             lang::Ref<lang::String>& name);
    // Every visible dialog down to the first modal one sees the release; no
    // command results.
    static bool mouseReleased(lang::Vector* scene, lang::Event* e);
    // Buttons follow the pointer; "handCursor" when it comes onto an enabled
    // button (a free one or a dialog's) and `handShown` is false,
    // "normalCursor" when it left every such button and `handShown` is true,
    // so each change of cursor is asked for once.
    static bool mouseMoved(lang::Vector* scene, lang::Event* e, bool handShown,
                           lang::Ref<lang::Object>& source, lang::Ref<lang::String>& name);
    // The topmost visible dialog that wants keys gets the key and, when it
    // takes it, its result name is the command. A modal dialog that does not
    // want keys keeps them from the dialogs below.
    static bool keyTyped(lang::Vector* scene, lang::Event* e, lang::Ref<lang::Object>& source,
                         lang::Ref<lang::String>& name);
};

} // namespace engine
