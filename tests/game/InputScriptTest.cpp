// Scripts and replays: the line forms read back as written, every kind of
// input survives the trip through an event, garbage is refused with its line
// number, and the recorder sees dispatched input at the frame it was handled.

#include "game/InputScript.h"
#include "app/GameCanvas2.h"
#include "core/Random.h"
#include "game/ReplayRecorder.h"
#include "gfx/Event.h"
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using ripple::InputScript;
using ripple::ScriptLine;
using Kind = ScriptLine::Kind;

InputScript parsed(const std::string& text) {
    InputScript script;
    std::string error;
    EXPECT_TRUE(InputScript::parse(text, script, error)) << error;
    return script;
}

std::string formatted(const InputScript& script) {
    std::string out = script.header.format();
    for (const ScriptLine& line : script.lines)
        out += line.format() + "\n";
    return out;
}

TEST(InputScriptTest, EveryFormReadsBackAsWritten) {
    const std::string text = "# a replay\n"
                             "seed 4294967295\n"
                             "data 123 00ff00ff00ff00fA\n"
                             "setting CURRENTLEVELPLAYINGEASY 4   # saved level\n"
                             "text MRUHSNAME A%20B%23\n"
                             "text EMPTY -\n"
                             "score M0 3 105000 0 Ann%20Lee\n"
                             "\n"
                             "0 move 400 520\n"
                             "0 drag -5 600 2\n"
                             "3 press\n"
                             "3 press 10 20 0 2\n"
                             "4 release 10 20\n"
                             "4 release\n"
                             "5 key p\n"
                             "5 key %23\n"
                             "6 keycode 118 86 1 pasted%20text\n"
                             "6 keycode 1037 37 0\n"
                             "7 pause\n"
                             "8 command start_easy\n"
                             "9 expect state 7\n"
                             "9 expect score -35000\n"
                             "9 expect lives 2\n"
                             "9 expect level 1\n"
                             "9 expect visible menubtn\n"
                             "9 expect hidden pause\n"
                             "12 end\n";
    InputScript script = parsed(text);
    ASSERT_EQ(script.lines.size(), 19u);
    EXPECT_EQ(script.header.seed, 4294967295u);
    EXPECT_EQ(script.header.dataHash, 0x00ff00ff00ff00faull);
    EXPECT_EQ(script.header.textSettings[0].second, "A B#");
    EXPECT_EQ(script.header.textSettings[1].second, "");
    EXPECT_EQ(script.header.scores[0].name, "Ann Lee");
    EXPECT_EQ(script.lines[2].kind, Kind::Press);
    EXPECT_FALSE(script.lines[2].hasPoint);
    EXPECT_EQ(script.lines[3].clicks, 2);
    EXPECT_EQ(script.lines[7].key, '#');
    EXPECT_EQ(script.lines[8].text, "pasted text");
    EXPECT_EQ(script.lines[12].value, 7);
    EXPECT_EQ(script.lines[0].lineNumber, 9);
    EXPECT_EQ(script.lastFrame(), 12);
    // Written out and read again, nothing changes.
    EXPECT_EQ(formatted(parsed(formatted(script))), formatted(script));
}

TEST(InputScriptTest, GarbageIsRefusedWithItsLineNumber) {
    struct Row {
        const char* text;
        const char* error;
    };
    const Row rows[] = {
        {"1 move 1 2\n2 jump\n", "line 2: unknown action \"jump\""},
        {"\n\nhello world\n", "line 3: unknown line \"hello\""},
        {"5 move 1\n", "line 1: missing y"},
        {"5 move 1 2 3 4\n", "line 1: unexpected \"4\""},
        {"5 move 1 99999\n", "line 1: bad y \"99999\""},
        {"5 key ab\n", "line 1: a key is one character"},
        {"5 key %zz\n", "line 1: bad character \"%zz\""},
        {"5 command a%00b\n", "line 1: bad command name \"a%00b\""},
        {"5 command\n", "line 1: missing command name"},
        {"3 expect colour 2\n", "line 1: unknown expectation \"colour\""},
        {"3 expect score lots\n", "line 1: bad number \"lots\""},
        {"9 press\n8 release\n", "line 2: frame 8 comes before frame 9"},
        {"1 press\nseed 3\n", "line 2: \"seed\" after the first timed line"},
        {"seed -1\n", "line 1: bad seed \"-1\""},
        {"data 12 xyz\n", "line 1: bad data hash \"xyz\""},
        {"-1 move 0 0\n", "line 1: unknown line \"-1\""},
        {"100000001 press\n", "line 1: bad frame \"100000001\""},
        {"1 press \x01\n", "line 1: bad x \"\x01\""},
    };
    for (const Row& row : rows) {
        InputScript script;
        script.lines.resize(3);
        std::string error;
        EXPECT_FALSE(InputScript::parse(row.text, script, error)) << row.text;
        EXPECT_EQ(error, row.error) << row.text;
        EXPECT_EQ(script.lines.size(), 3u) << "a refused text changes nothing";
    }
}

TEST(InputScriptTest, InputsSurviveTheTripThroughAnEvent) {
    InputScript script = parsed("0 move 400 520 1\n0 drag 3 4\n1 press 5 6 0 2\n1 release 5 6\n"
                                "2 key %23\n2 key %20\n3 keycode 118 86 1 a%23b\n3 keycode 27 27 0\n"
                                "4 pause\n4 command bexitgame\n");
    auto source = lang::adopt(new lang::Object());
    for (const ScriptLine& line : script.lines) {
        lang::Ref<lang::Event> e = line.toEvent(source.get(), 0, 0);
        ASSERT_TRUE(e) << line.format();
        ScriptLine back;
        ASSERT_TRUE(ScriptLine::fromEvent(*e, line.frame, back)) << line.format();
        EXPECT_EQ(back.format(), line.format());
    }
    // A press without a point happens where the pointer was last seen.
    lang::Ref<lang::Event> press = parsed("0 press\n").lines[0].toEvent(source.get(), 77, 88);
    EXPECT_EQ(press->x, 77);
    EXPECT_EQ(press->y, 88);
    // Events no script can carry are not recorded.
    lang::Event release(source.get(), lang::Event::keyRelease, 1, 0, 0);
    ScriptLine ignored;
    EXPECT_FALSE(ScriptLine::fromEvent(release, 0, ignored));
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The hook in the canvas's dispatch: what the window queued between two
// frames is recorded with the frame it was handled in, and the stop ends the
// file, which then reads as a script.
TEST(InputScriptTest, RecorderWritesDispatchedInputWithItsFrame) {
    iotest::TempDir dir;
    std::string path = dir.path() + "/session.replay";
    auto recorder = std::make_shared<ripple::ReplayRecorder>();
    std::string error;
    ASSERT_TRUE(recorder->open(path, 1234, error)) << error;
    auto canvas = lang::adopt(new ripple::GameCanvas2());
    canvas->startStepped();
    canvas->setInputObserver(recorder);
    auto send = [&](int id, int x, int y) {
        auto e = lang::adopt(new lang::Event(canvas.get(), id, x, y, 0));
        if (id == lang::Event::mouseDown)
            canvas->mouseDown(e.get(), x, y);
        else
            canvas->mouseMove(e.get(), x, y);
    };
    send(lang::Event::mouseMove, 10, 20);
    canvas->dispatchQueuedEvents();
    canvas->stepFrame();
    canvas->stepFrame();
    send(lang::Event::mouseDown, 11, 21);
    canvas->requestPause();
    // Queued but not yet handled: not recorded.
    EXPECT_EQ(recorder->getInputCount(), 1);
    canvas->stepFrame();
    canvas->dispatchQueuedEvents();
    canvas->stop();
    canvas->stop();

    std::string text = readAll(path);
    InputScript script = parsed(text);
    EXPECT_TRUE(script.header.hasSeed);
    EXPECT_EQ(script.header.seed, 1234u);
    ASSERT_EQ(script.lines.size(), 4u) << text;
    EXPECT_EQ(script.lines[0].format(), "0 move 10 20");
    EXPECT_EQ(script.lines[1].format(), "3 press 11 21 0 0");
    EXPECT_EQ(script.lines[2].format(), "3 pause");
    EXPECT_EQ(script.lines[3].format(), "3 end");
}

TEST(InputScriptTest, RecordingFromTheEnvironmentSeedsTheGameThreads) {
    iotest::TempDir dir;
    unsetenv(ripple::ReplayRecorder::environmentVariable);
    EXPECT_FALSE(ripple::ReplayRecorder::fromEnvironment());
    setenv(ripple::ReplayRecorder::environmentVariable, (dir.path() + "/no/such/dir/r").c_str(), 1);
    EXPECT_FALSE(ripple::ReplayRecorder::fromEnvironment());
    setenv(ripple::ReplayRecorder::environmentVariable, (dir.path() + "/r").c_str(), 1);
    std::shared_ptr<ripple::ReplayRecorder> recorder = ripple::ReplayRecorder::fromEnvironment();
    unsetenv(ripple::ReplayRecorder::environmentVariable);
    ASSERT_TRUE(recorder);
    double expected[3], drawn[3];
    std::thread([&] {
        lang::seed(recorder->getSeed());
        for (double& d : expected)
            d = lang::random();
    }).join();
    std::thread([&] {
        for (double& d : drawn)
            d = lang::random();
    }).join();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(drawn[i], expected[i]);
}

} // namespace
