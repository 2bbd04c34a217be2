#pragma once

#include "app/GameCanvas2.h"
#include "core/Ref.h"
#include "engine/DataLoader.h"
#include "engine/User.h"
#include "gfx/Frame.h"
#include "support/InputInjection.h"
#include "support/IoTestSupport.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A main window that only pretends to switch display modes: the request
// reaches it on the main thread as the real one's would, and it records it.
class StandInFrame : public lang::Frame {
public:
    void setFullScreen(bool on, bool) override {
        fullScreen = on;
        switches.push_back(on);
    }
    std::vector<bool> switches;
};

// A settings store that counts its integer writes by name.
class CountingUser : public engine::User {
public:
    bool setInt(const char* name, int value) override {
        ++writes[name];
        return User::setInt(name, value);
    }
    std::map<std::string, int> writes;
};

// Records every command the canvas issues, as "name@source".
class CommandCanvas : public ripple::GameCanvas2 {
public:
    void command(lang::Object* source, const lang::String& name) override;
    std::vector<std::string> take() { return std::exchange(commands, {}); }
    std::vector<std::string> commands;
};

// A stepped game canvas whose scene is read from small data files, with a
// settings store in a private data home. Events are injected as the window
// delivers them and travel the canvas's queue to the scene's dialogs.
//
// Pictures for the data files: "btn" (btn.png, three 10 x 10 cells: disabled,
// normal, hover) and "knob" (knob.png, 10 x 10).
class GameDialogBench {
public:
    // `mainSprites`: the "<sprites>" lines of the main file; `files`: further
    // data files (name, text) those lines name.
    GameDialogBench(const std::string& mainSprites,
                    const std::vector<std::pair<std::string, std::string>>& files);
    ~GameDialogBench();
    GameDialogBench(const GameDialogBench&) = delete;
    GameDialogBench& operator=(const GameDialogBench&) = delete;

    // The commands one injected mouse event produced.
    std::vector<std::string> send(int id, int x, int y);
    std::vector<std::string> click(int x, int y);
    // A key press as the window builds it (`text` travels with Control+V).
    std::vector<std::string> type(int key, int modifiers = 0, const char* text = nullptr);
    // A key pressed on the keyboard: the window turns it into the key event
    // (on this, the main thread) and the canvas dispatches it.
    std::vector<std::string> windowKey(Key key, int modifiers);
    // Runs the main thread's pending messages (posted window requests).
    void pump();
    void steps(int n);
    // A sprite of the main file, or a dialog's child as "dialog/name".
    template <class T>
    T* get(const char* path) {
        return lang::as<T>(find(path));
    }
    // Closes the store and opens it again from its file.
    void reopenStore();
    CountingUser& store() { return *user; }
    const std::string& dataHome() const { return home.path(); }

    lang::Ref<StandInFrame> frame;
    lang::Ref<CommandCanvas> canvas;

private:
    lang::Object* find(const char* path);

    iotest::TempDir home;
    iotest::TempDir dir;
    std::string oldHome;
    bool hadHome = false;
    lang::Ref<CountingUser> user;
    lang::Ref<engine::DataLoader> loader;
};

} // namespace testsupport
