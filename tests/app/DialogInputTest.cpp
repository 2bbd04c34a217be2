#include "app/GameCanvas2.h"
#include "core/Class.h"
#include "core/Vector.h"
#include "engine/ButtonSprite.h"
#include "engine/DialogSprite.h"
#include "gfx/Cursor.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "gfx/PngEncoder.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "support/DialogScene.h"
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using engine::ButtonSprite;
using engine::DialogSprite;
using lang::adopt;
using lang::Event;
using lang::Rectangle;
using lang::Ref;
using lang::String;
using testsupport::DialogScene;

// A dialog as the game's derive from it: it closes itself on any of its
// buttons, takes keys when asked to, counts releases and consumes one command.
class ScriptedDialog : public DialogSprite {
    LANG_CLASS(ScriptedDialog, DialogSprite);

    int mousePressed(Event* e) override {
        int code = DialogSprite::mousePressed(e);
        return code == buttonHit && closes ? closedItself : code;
    }
    int mouseReleased(Event*) override { return ++releases, 0; }
    bool wantsKeys() override { return isVisible() && keys; }
    bool keyTyped(Event* e) override {
        resultName = String(("typed " + std::to_string(e->key)).c_str());
        return true;
    }
    int onCommand(const String& name) override {
        offered.emplace_back(name.getChars());
        return name.equals(consumes.c_str()) ? 1 : 0;
    }
    bool closes = false;
    bool keys = false;
    int releases = 0;
    std::string consumes;
    std::vector<std::string> offered;
};
LANG_REGISTER_CLASS(ScriptedDialog);

namespace {

// Records every command with the name of its source.
class RecordingCanvas : public ripple::GameCanvas2 {
public:
    void command(lang::Object* source, const String& name) override {
        std::string from = "-";
        if (source && source->instanceOf("SpriteBase"))
            from = static_cast<engine::SpriteBase*>(source)->getName().getChars();
        commands.push_back(std::string(name.getChars()) + "@" + from);
        GameCanvas2::command(source, name);
    }
    std::vector<std::string> take() { return std::exchange(commands, {}); }
    std::vector<std::string> commands;
};

// Two scripted dialogs above the scene: `closing` (buttons: bclosemenudlg and
// an anonymous one) and `keysdlg` on top of it, neither modal.
const char* const scriptedSprites = "closing ScriptedDialog:closing.txt 450 350 100 100 0 1\n"
                                    "keysdlg ScriptedDialog:keys.txt 700 400 50 50 0 1\n";
const std::vector<std::pair<std::string, std::string>> scriptedFiles = {
    {"closing.txt", "<sprites> bclosemenudlg RectButtonSprite 0 0 10 10 1\n"
                    "\"\" RectButtonSprite 20 0 10 10 1\n"},
    {"keys.txt", "<sprites>\n"},
};

// A stepped canvas whose scene is the dialog scene plus the scripted
// dialogs. Events are injected as the window delivers them and travel the
// canvas's queue and dispatch.
class Bench {
public:
    Bench() {
        EXPECT_TRUE(platform::initVideo());
        frame = adopt(new lang::Frame());
        EXPECT_TRUE(frame->create(nullptr, Rectangle(0, 0, 800, 600)));
        canvas = adopt(new RecordingCanvas());
        EXPECT_TRUE(canvas->create(frame.get(), Rectangle(0, 0, 800, 600)));
        platform::pumpMessages(0);
        lang::Vector* created = scene.loader().getCreated();
        for (int i = 0; i < created->size(); ++i) {
            auto* sprite = static_cast<engine::SpriteBase*>(created->elementAt(i));
            canvas->addToScene(sprite->getName(), sprite, -1);
        }
        canvas->startStepped();
    }
    ~Bench() {
        canvas->releaseResources();
        if (frame->getWindow())
            frame->getWindow()->destroy();
        platform::quitVideo();
    }

    // The commands the event produced.
    std::vector<std::string> send(int id, int x, int y) {
        Ref<Event> e = adopt(new Event(canvas.get(), id, x, y, 0));
        if (id == Event::mouseDown)
            canvas->mouseDown(e.get(), x, y);
        else if (id == Event::mouseUp)
            canvas->mouseUp(e.get(), x, y);
        else if (id == Event::mouseMove)
            canvas->mouseMove(e.get(), x, y);
        else
            canvas->mouseDrag(e.get(), x, y);
        canvas->dispatchQueuedEvents();
        return canvas->take();
    }
    std::vector<std::string> type(int key) {
        Ref<Event> e = adopt(new Event(canvas.get(), Event::keyPress, 0, 0, 0));
        e->key = key;
        canvas->keyDown(e.get(), key);
        canvas->dispatchQueuedEvents();
        return canvas->take();
    }
    template <class T>
    T* get(const char* path) {
        return scene.get<T>(path);
    }

    DialogScene scene{scriptedSprites, scriptedFiles};
    Ref<lang::Frame> frame;
    Ref<RecordingCanvas> canvas;
};

using Commands = std::vector<std::string>;

TEST(DialogInputTest, PressesBecomeTheCommandOfWhatTheyHit) {
    struct Case {
        const char* what;
        std::function<void(Bench&)> setup;
        int x, y;
        Commands expected;
    };
    auto nothing = [](Bench&) {};
    auto show = [](const char* path) {
        return [=](Bench& t) { t.get<DialogSprite>(path)->setVisible(true); };
    };
    auto hide = [](const char* path) {
        return [=](Bench& t) { t.get<DialogSprite>(path)->setVisible(false); };
    };
    const Case cases[] = {
        {"a free button outside every dialog", nothing, 505, 505, {"free@free"}},
        {"a free invisible hot rectangle", nothing, 25, 35, {"hot@hot"}},
        {"a dialog's button: its name, from the dialog", nothing, 115, 115, {"ok@outer"}},
        {"a nested dialog's button", nothing, 255, 155, {"innerbtn@outer"}},
        {"a dialog on top of another hides the buttons below it", nothing, 275, 175, {"@outer"}},
        {"the topmost of two overlapping nested dialogs", nothing, 315, 195, {"@outer"}},
        {"inside a non-modal dialog on no button: swallowed", nothing, 375, 275, {"@outer"}},
        {"the button under a hidden dialog", hide("outer"), 375, 275, {"behind@behind"}},
        {"nothing at all", nothing, 790, 590, {}},
        {"a modal dialog swallows a click outside it", show("modaldlg"), 505, 505, {"@modaldlg"}},
        {"a modal dialog's own button", show("modaldlg"), 605, 25, {"mbtn@modaldlg"}},
        {"a dialog that closed itself gives its result name",
         [](Bench& t) { t.get<ScriptedDialog>("closing")->closes = true; },
         455,
         355,
         {"bclosemenudlg@closing"}},
        {"one without a result name gives CLOSED",
         [](Bench& t) { t.get<ScriptedDialog>("closing")->closes = true; },
         475,
         355,
         {"CLOSED@closing"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        c.setup(bench);
        EXPECT_EQ(bench.send(Event::mouseDown, c.x, c.y), c.expected);
    }
}

TEST(DialogInputTest, TheCursorChangesOncePerTransition) {
    Bench bench;
    auto* ok = bench.get<ButtonSprite>("outer/ok");
    EXPECT_EQ(bench.send(Event::mouseMove, 505, 505), Commands{"handCursor@free"});
    EXPECT_EQ(bench.send(Event::mouseMove, 506, 506), Commands{});
    EXPECT_EQ(bench.send(Event::mouseMove, 700, 300), Commands{"normalCursor@-"});
    EXPECT_EQ(bench.send(Event::mouseMove, 701, 300), Commands{});
    EXPECT_EQ(bench.send(Event::mouseMove, 115, 115), Commands{"handCursor@outer"});
    EXPECT_EQ(bench.canvas->getCursor(), lang::Cursor::getSystemCursor(lang::Cursor::System::hand))
        << "without a hand picture in the data, the system's hand";
    EXPECT_EQ(ok->getState(), ButtonSprite::stateHover);
    EXPECT_EQ(bench.send(Event::mouseDrag, 116, 116), Commands{});
    EXPECT_EQ(bench.send(Event::mouseDrag, 380, 280), Commands{"normalCursor@-"});
    EXPECT_EQ(ok->getState(), ButtonSprite::stateNormal);
    // The free button under the dialog stays dark while the pointer is on it.
    EXPECT_EQ(bench.send(Event::mouseMove, 375, 275), Commands{});
    EXPECT_EQ(bench.get<ButtonSprite>("behind")->getState(), ButtonSprite::stateNormal);
}

TEST(DialogInputTest, TheHandCursorIsTheDataHandPictureWhenThereIsOne) {
    iotest::TempDir dir;
    std::vector<uint32_t> pixels(32 * 32, 0xFF000000u);
    std::vector<uint8_t> png = lang::PngEncoder::encode(pixels.data(), 32, 32, true);
    lang::ResourceFileWriter writer;
    writer.addEntry("handCursor", png.data(), static_cast<int>(png.size()));
    std::string path = dir.path() + "/res.bin";
    ASSERT_TRUE(writer.writeTo(path.c_str()));
    lang::registerResourceFile(String(path.c_str()));
    {
        Bench bench;
        EXPECT_EQ(bench.send(Event::mouseMove, 505, 505), Commands{"handCursor@free"});
        lang::Cursor* shown = bench.canvas->getCursor();
        EXPECT_NE(shown, nullptr);
        EXPECT_NE(shown, lang::Cursor::getSystemCursor(lang::Cursor::System::hand));
        EXPECT_EQ(bench.send(Event::mouseMove, 506, 506), Commands{}) << "it counts as shown";
    }
    lang::clearResourceFiles();
}

TEST(DialogInputTest, KeysGoToTheTopmostDialogThatWantsThemAndStopAtAModalOne) {
    Bench bench;
    auto* closing = bench.get<ScriptedDialog>("closing");
    auto* keys = bench.get<ScriptedDialog>("keysdlg");
    // The plain outer dialog, visible below both, wants keys but takes none.
    EXPECT_EQ(bench.type('a'), Commands{});
    closing->keys = true;
    EXPECT_EQ(bench.type('b'), Commands{"typed 98@closing"});
    keys->keys = true;
    EXPECT_EQ(bench.type('c'), Commands{"typed 99@keysdlg"});
    keys->setVisible(false);
    EXPECT_EQ(bench.type('d'), Commands{"typed 100@closing"});
    keys->setVisible(true);
    keys->keys = false;
    keys->setModal(true);
    EXPECT_EQ(bench.type('e'), Commands{});
}

TEST(DialogInputTest, ReleasesAndCommandsReachVisibleDialogsTopmostFirst) {
    Bench bench;
    auto* closing = bench.get<ScriptedDialog>("closing");
    auto* keys = bench.get<ScriptedDialog>("keysdlg");
    EXPECT_EQ(bench.send(Event::mouseUp, 1, 1), Commands{});
    EXPECT_EQ(keys->releases, 1);
    EXPECT_EQ(closing->releases, 1);
    keys->setModal(true);
    bench.send(Event::mouseUp, 1, 1);
    EXPECT_EQ(keys->releases, 2);
    EXPECT_EQ(closing->releases, 1) << "a modal dialog keeps releases from those below";

    keys->consumes = "go";
    bench.canvas->command(nullptr, String("go"));
    bench.canvas->command(nullptr, String("other"));
    EXPECT_EQ(keys->offered, (Commands{"go", "other"}));
    EXPECT_EQ(closing->offered, Commands{"other"});
}

} // namespace
