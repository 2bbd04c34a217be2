// The program's entry: finds the game data, opens the main window and runs
// the message loop until the window closes.

#include "app/MyFrame.h"
#include "app/StartupTrace.h"
#include "core/String.h"
#include "game/RippleCanvas.h"
#include "gfx/Cursor.h"
#include "gfx/Rectangle.h"
#include "io/DataFolder.h"
#include "io/ResourceFile.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/WindowMessages.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* resourceFileName = "ripple.bin";
constexpr const char* errorTitle = "Ripple";

// SIGINT and SIGTERM (Ctrl+C in a terminal, the session ending) are taken by
// a thread of their own, blocked everywhere else; it wakes the main loop,
// which turns the request into a normal close, so the settings record a
// normal exit. The main loop can then sleep until there is work: polling for
// a flag would wake it many times a second on a screen standing still.
class CloseSignals {
public:
    // Before any other thread starts: the threads inherit the mask.
    CloseSignals() {
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        thread = std::thread([this] { run(); });
    }
    ~CloseSignals() {
        ending.store(true);
        pthread_kill(thread.native_handle(), SIGTERM);
        thread.join();
    }
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

    bool received() const { return closeRequested.load(); }

private:
    void run() {
        for (;;) {
            int signal = 0;
            if (sigwait(&signals, &signal) != 0)
                continue;
            if (ending.load())
                return;
            closeRequested.store(true);
            platform::postPaintWake();
        }
    }

    sigset_t signals{};
    std::atomic<bool> closeRequested{false};
    std::atomic<bool> ending{false};
    std::thread thread;
};

// Built by erase and assign: GCC 12's -Wrestrict misreads the equivalent
// substr/operator= chain in optimised builds.
std::string folderOf(const std::string& path) {
    std::string folder(path);
    size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos)
        folder.assign(1, '.');
    else
        folder.erase(slash);
    return folder;
}

} // namespace

int main() {
    CloseSignals closeSignals;
    std::vector<std::string> folders = lang::DataFolder::searchFolders();
    std::string resourcePath = lang::DataFolder::find(folders, resourceFileName);
    if (resourcePath.empty()) {
        std::string text = std::string("The game data file \"") + resourceFileName +
                           "\" was not found. Looked in:";
        for (const std::string& folder : folders)
            text += "\n  " + folder;
        text += "\nReinstall the game, or set RIPPLE_DATA_DIR to the folder that holds it.";
        platform::initVideo();
        platform::showMessageBox(errorTitle, text.c_str());
        platform::quitPlatform();
        return 1;
    }
    // Plain data names (image files, sound files) are relative to the data
    // folder, as they are for a program started from its own folder.
    std::string dataFolder = folderOf(resourcePath);
    if (chdir(dataFolder.c_str()) != 0)
        dataFolder.assign(1, '.');
    lang::registerResourceFile(lang::String(resourcePath.c_str()));
    ripple::traceStartup("resources");

    lang::Ref<ripple::MyFrame> frame = lang::adopt(new ripple::MyFrame());
    frame->setDataFolder(lang::String(dataFolder.c_str()));
    frame->setCanvasFactory([]() -> ripple::GameCanvas* { return new ripple::RippleCanvas(); });
    // A test hook: slows each loading step so the loading screen can be watched.
    if (const char* pause = std::getenv("RIPPLE_TEST_LOAD_STEP_MS"))
        frame->setLoadStepPause(std::atoi(pause));
    int status = 0;
    if (frame->create(nullptr, lang::Rectangle(0, 0, 800, 600))) {
        ripple::traceStartup("window");
        bool closeAsked = false;
        while (platform::pumpMessages(-1)) {
            if (closeSignals.received() && !closeAsked) {
                closeAsked = true;
                frame->postMessage(platform::msg::close, 0, 0);
            }
        }
        if (frame->hasLoadFailed())
            status = 1;
    }
    ripple::traceStartup("closed");
    frame = nullptr;
    lang::Cursor::releaseAll();
    platform::quitPlatform();
    return status;
}
