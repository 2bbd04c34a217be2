// The program's start and close: the display-mode choice and the normal-exit
// handshake in the frame, and the real executable started, closed by signals,
// killed, and given missing or broken data.

#include "app/GameCanvas2.h"
#include "app/MyFrame.h"
#include "engine/User.h"
#include "io/ResourceFileWriter.h"
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using lang::adopt;
using lang::Ref;
namespace fs = std::filesystem;

int depthForTest = 32;
int testDepth() {
    return depthForTest;
}

// Points the settings store at a folder of its own for the test's lifetime.
class SettingsHome {
public:
    SettingsHome() {
        const char* old = std::getenv("XDG_DATA_HOME");
        oldHome = old ? old : "";
        hadHome = old != nullptr;
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    }
    ~SettingsHome() {
        if (hadHome)
            setenv("XDG_DATA_HOME", oldHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    const std::string& path() const { return dir.path(); }
    Ref<engine::User> open() const {
        Ref<engine::User> user = adopt(new engine::User());
        user->open(ripple::MyFrame::programName);
        return user;
    }

private:
    iotest::TempDir dir;
    std::string oldHome;
    bool hadHome = false;
};

struct ProbeFrame : ripple::MyFrame {
    void useSettings(engine::User* user) { settings = user; }
    void useCanvas(ripple::GameCanvas* c) { canvas = c; }
    using LoaderFrame2::chooseDisplayMode;
    using MyFrame::startLoadingTimer;
};

struct ProbeCanvas : ripple::GameCanvas2 {
    int pauses = 0;
    void pauseRequested() override { ++pauses; }
    void setProgress(int total, int done) {
        progressTotal.store(total);
        resetProgress();
        for (int i = 0; i < done; ++i)
            advanceProgress();
    }
};

TEST(StartupDisplayMode, FirstRunAndAfterACrash) {
    struct Row {
        int depth;
        int storedFullScreen; // -1: never written
        int storedNormalExit; // -1: never written
        bool fullScreen;
        int fullScreenAfter; // -1: still unwritten
    };
    const Row rows[] = {
        {24, -1, -1, true, -1},  {32, -1, -1, false, -1}, {16, -1, -1, false, -1},
        {15, -1, -1, false, -1}, {8, -1, -1, true, -1},   {32, 1, 1, true, 1},
        {24, 0, 1, false, 0},    {8, 0, 1, true, 0},      {24, 1, 0, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("depth " + std::to_string(row.depth) + " stored full screen " +
                     std::to_string(row.storedFullScreen) + " normal exit " +
                     std::to_string(row.storedNormalExit));
        SettingsHome home;
        Ref<engine::User> user = home.open();
        if (row.storedFullScreen >= 0)
            user->setInt(ripple::LoaderFrame2::fullScreenSetting, row.storedFullScreen);
        if (row.storedNormalExit >= 0)
            user->setInt(ripple::LoaderFrame2::normalExitSetting, row.storedNormalExit);
        depthForTest = row.depth;
        Ref<ProbeFrame> frame = adopt(new ProbeFrame());
        frame->setDepthQuery(testDepth);
        frame->useSettings(user.get());
        frame->chooseDisplayMode();
        EXPECT_EQ(frame->fullScreen, row.fullScreen);
        Ref<engine::User> reread = home.open();
        EXPECT_EQ(reread->getInt(ripple::LoaderFrame2::fullScreenSetting, -1), row.fullScreenAfter);
        // A start always leaves 0 behind; only a normal close writes 1.
        EXPECT_EQ(reread->getInt(ripple::LoaderFrame2::normalExitSetting, -1), 0);
    }
}

TEST(StartupFrame, EscapeLeavesFullScreenOnlyAndDeactivationPauses) {
    Ref<ProbeFrame> frame = adopt(new ProbeFrame());
    EXPECT_FALSE(frame->keyDown(nullptr, ripple::LoaderFrame2::escapeKey));
    frame->fullScreen = true;
    EXPECT_TRUE(frame->keyDown(nullptr, ripple::LoaderFrame2::escapeKey));
    EXPECT_FALSE(frame->fullScreen);

    Ref<ProbeCanvas> canvas = adopt(new ProbeCanvas());
    frame->useCanvas(canvas.get());
    canvas->startStepped();
    frame->onActivate(false);
    canvas->dispatchQueuedEvents();
    EXPECT_EQ(canvas->pauses, 1);
    // Losing activation in full screen also leaves it and minimises.
    frame->fullScreen = true;
    frame->onActivate(false);
    canvas->dispatchQueuedEvents();
    EXPECT_EQ(canvas->pauses, 2);
    EXPECT_FALSE(frame->fullScreen);
    EXPECT_TRUE(frame->wasFullScreenBeforeMinimise());
    canvas->stop();
    frame->useCanvas(nullptr);
}

TEST(StartupFrame, LoadingTimerRunsAtLeast31PaintsEvenWhenLoadedAtOnce) {
    Ref<ProbeFrame> frame = adopt(new ProbeFrame());
    Ref<ProbeCanvas> canvas = adopt(new ProbeCanvas());
    frame->useCanvas(canvas.get());
    canvas->setProgress(5, 5);
    frame->startLoadingTimer();
    for (int paint = 1; paint <= 31; ++paint) {
        frame->paint(nullptr);
        ASSERT_TRUE(frame->isLoadingTimerRunning()) << "after paint " << paint;
    }
    frame->paint(nullptr);
    EXPECT_FALSE(frame->isLoadingTimerRunning());
    frame->useCanvas(nullptr);
}

#ifdef RIPPLE_GAME_EXE

// The real program in a process of its own, its standard error collected.
class GameProcess {
public:
    GameProcess(const std::string& exe, const std::vector<std::string>& env,
                const std::string& workDir, const std::string& errPath)
        : errorPath(errPath) {
        pid = fork();
        if (pid == 0) {
            int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0)
                dup2(fd, 2);
            if (chdir(workDir.c_str()) != 0)
                _exit(126);
            for (const std::string& e : env)
                putenv(const_cast<char*>(e.c_str()));
            execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~GameProcess() {
        if (pid > 0 && !reaped) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    std::string errors() const {
        std::ifstream in(errorPath);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Waits for a start-up phase line; false when the process ended first or
    // the bound passed.
    bool waitFor(const std::string& phase) {
        for (int i = 0; i < 600; ++i) {
            if (errors().find("startup: " + phase + " ") != std::string::npos)
                return true;
            if (reaped || waitpid(pid, &status, WNOHANG) == pid) {
                reaped = true;
                return errors().find("startup: " + phase + " ") != std::string::npos;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    void signal(int sig) { kill(pid, sig); }
    // The exit status, or -1 when it did not end within the bound (or died of a signal).
    int finish() {
        for (int i = 0; i < 600 && !reaped; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid)
                reaped = true;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!reaped)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid = -1;
    int status = 0;
    bool reaped = false;
    std::string errorPath;
};

class StartupProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The program must not find the build's own data beside itself: it
        // runs from a copy in a folder of its own.
        fs::create_directories(dir.path() + "/bin");
        exe = dir.path() + "/bin/ripple";
        fs::copy_file(RIPPLE_GAME_EXE, exe);
        fs::create_directories(dir.path() + "/data");
        fs::create_directories(dir.path() + "/work");
    }
    // With the scene, the data the build made (the game needs every sprite
    // and level file of it); without, a container holding only the title.
    void writeData(bool withScene) {
        std::string data = dir.path() + "/data";
        if (withScene) {
            fs::path built = RIPPLE_DATA_DIR;
            ASSERT_TRUE(fs::exists(built / "ripple.bin"));
            for (const char* name : {"ripple.bin", "balancedataeasy.dat", "balancedatanormal.dat",
                                     "balancedatahard.dat", "mappoints.dat"})
                fs::copy_file(built / name, fs::path(data) / name);
            fs::copy(built / "tracks", fs::path(data) / "tracks", fs::copy_options::recursive);
            return;
        }
        lang::ResourceFileWriter writer;
        std::string title = "Ripple test";
        writer.addEntry("IDS_GAMETITLE", reinterpret_cast<const uint8_t*>(title.data()),
                        int(title.size()), true);
        ASSERT_TRUE(writer.writeTo((data + "/ripple.bin").c_str()));
    }
    GameProcess* start(bool withDataDir = true) {
        env = {"XDG_DATA_HOME=" + home.path(), "RIPPLE_TRACE_STARTUP=1", "SDL_VIDEODRIVER=dummy",
               "SDL_AUDIODRIVER=dummy"};
        env.push_back(withDataDir ? "RIPPLE_DATA_DIR=" + dir.path() + "/data" : "RIPPLE_DATA_DIR=");
        // A file per run, so a run never reads the one before it.
        process =
            std::make_unique<GameProcess>(exe, env, dir.path() + "/work",
                                          dir.path() + "/errors" + std::to_string(++runs) + ".txt");
        return process.get();
    }
    int setting(const char* name) { return home.open()->getInt(name, -1); }

    iotest::TempDir dir;
    SettingsHome home;
    std::string exe;
    std::vector<std::string> env;
    std::unique_ptr<GameProcess> process;
    int runs = 0;
};

TEST_F(StartupProcessTest, SignalsCloseNormallyAndAKillMakesTheNextStartWindowed) {
    writeData(true);
    for (int sig : {SIGTERM, SIGINT}) {
        GameProcess* game = start();
        ASSERT_TRUE(game->waitFor("running")) << game->errors();
        EXPECT_EQ(setting("NORMALEXIT"), 0);
        game->signal(sig);
        EXPECT_EQ(game->finish(), 0) << game->errors();
        EXPECT_EQ(setting("NORMALEXIT"), 1);
    }

    home.open()->setInt("FULLSCREEN", 1);
    GameProcess* killed = start();
    ASSERT_TRUE(killed->waitFor("running")) << killed->errors();
    killed->signal(SIGKILL);
    killed->finish();
    EXPECT_EQ(setting("NORMALEXIT"), 0);
    EXPECT_EQ(setting("FULLSCREEN"), 1);

    GameProcess* next = start();
    ASSERT_TRUE(next->waitFor("running")) << next->errors();
    EXPECT_EQ(setting("FULLSCREEN"), 0);
    next->signal(SIGTERM);
    EXPECT_EQ(next->finish(), 0);
    EXPECT_EQ(setting("NORMALEXIT"), 1);
}

TEST_F(StartupProcessTest, MissingOrBrokenDataEndsWithAMessageAndAFailureStatus) {
    GameProcess* missing = start(false);
    EXPECT_EQ(missing->finish(), 1);
    std::string said = missing->errors();
    EXPECT_NE(said.find("\"ripple.bin\" was not found"), std::string::npos) << said;
    EXPECT_NE(said.find(dir.path() + "/bin"), std::string::npos) << said;
    EXPECT_EQ(said.find("startup: window"), std::string::npos) << said;

    // The container is there but holds no scene: the load fails, the window
    // closes the normal way (so the exit counts as normal) and the status says so.
    writeData(false);
    GameProcess* broken = start();
    EXPECT_EQ(broken->finish(), 1) << broken->errors();
    EXPECT_NE(broken->errors().find("startup: window"), std::string::npos);
    EXPECT_EQ(broken->errors().find("startup: running"), std::string::npos);
    EXPECT_EQ(setting("NORMALEXIT"), 1);
}

#endif

} // namespace
