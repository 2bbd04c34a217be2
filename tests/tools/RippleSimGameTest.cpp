// The headless game's subcommands of ripple-sim, run as a user runs them.
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int status;
    std::string output;
};

ToolRun runSim(const std::string& arguments) {
    std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    ToolRun run{-1, ""};
    if (!std::filesystem::exists(folder / "ripple-sim") ||
        !std::filesystem::exists(folder / "ripple.bin"))
        return run;
    std::string command = "'" + (folder / "ripple-sim").string() + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        run.output += buffer;
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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
