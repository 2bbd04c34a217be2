// The headless game's subcommands of ripple-sim, run as a user runs them.
#include "support/IoTestSupport.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using testsupport::ToolRun;

// Status -1 unless both the tool and the game's data it plays are built.
ToolRun runSim(const std::string& arguments) {
    if (!std::filesystem::exists(testsupport::builtFile("ripple.bin")))
        return {};
    return testsupport::runBuiltTool("ripple-sim", arguments);
}

TEST(RippleSimGameTest, ScriptsAndReplaysAreCheckedBeforeTheGameRuns) {
    iotest::TempDir dir;
    struct Row {
        const char* text;
        const char* command;
        int status;
        const char* said;
    };
    const Row rows[] = {
        {"seed 3\n10 move 1 2\n11 garbage here\n", "replay", 2, "line 3: unknown action"},
        {"10 move 1 2\n", "replay", 2, "not a recorded replay"},
        {"seed 3\n10 move 1 2\n5 press\n", "play", 2, "line 3: frame 5 comes before frame 10"},
        {"3 expect visible nosuchsprite\n", "play", 1, "line 1: expected nosuchsprite visible"},
    };
    for (const Row& row : rows) {
        std::string file = dir.write("s.txt", row.text);
        ToolRun run = runSim(std::string(row.command) + " '" + file + "'");
        if (run.status == -1)
            GTEST_SKIP() << "ripple-sim or ripple.bin not built";
        EXPECT_EQ(run.status, row.status) << row.text << run.output;
        EXPECT_NE(run.output.find(row.said), std::string::npos) << run.output;
    }
    ToolRun missing = runSim("replay '" + dir.path() + "/none'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(runSim("bot --difficulty impossible --levels 1 --seed 1").status, 2);
    EXPECT_EQ(runSim("bot --difficulty easy --levels 0 --seed 1").status, 2);
}

} // namespace
