// Runs the ripple-sim tool built beside the test binary.
#include "support/IoTestSupport.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testsupport::ToolRun;

ToolRun runSim(const std::string& arguments) {
    return testsupport::runBuiltTool("ripple-sim", arguments);
}

// The released stream shows its tail and falling pressure; the line format
// is what level designers' scripts read.
TEST(RippleSimTest, PrintsOneLinePerTick) {
    iotest::TempDir dir;
    std::string scenario = dir.write("s.json", R"({"length": 300, "code": 2, "ticks": 3, "seed": 0,
                      "events": [{"tick": 0, "op": "water", "on": true},
                                 {"tick": 1, "op": "water", "on": false}]})");
    ToolRun run = runSim("track '" + scenario + "'");
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ("T=0 S=0 D=0 V=0.0000 R=0.0000 STEP=0 C=0 W=[240:-:-60.0000:128] OUT=-1\n"
              "T=1 S=0 D=0 V=0.0000 R=0.0000 STEP=0 C=0 W=[187:247:-45.9375:98] OUT=-1\n"
              "T=2 S=0 D=0 V=0.0000 R=0.0000 STEP=0 C=0 W=[141:201:-38.9062:83] OUT=-1\n",
              run.output);
}

TEST(RippleSimTest, RejectsBadScenarios) {
    iotest::TempDir dir;
    const char* bad[] = {R"({"length": 10, "code": 2})", R"({"length": 10, "code": 2, "ticks": 1)",
                         R"({"length": 10, "code": 30, "ticks": 1})",
                         R"({"length": 9, "code": 1, "ticks": 1, "events": [{"op": "spin"}]})"};
    for (const char* text : bad) {
        ToolRun run = runSim("track '" + dir.write("bad.json", text) + "'");
        EXPECT_EQ(2, run.status) << text;
    }
    EXPECT_EQ(2, runSim("nosuch").status);
}

// The queues and combos come from the game's own rules: the level queue is
// the shuffled [0 0 1 8 19 9 17] with greed at 0 and 2; the chain red, red,
// wild, blue scores 500, 500, 1500, 3000.
TEST(RippleSimTest, QueuesAndCombos) {
    struct Case {
        const char* arguments;
        const char* output;
    };
    const Case cases[] = {
        {"queue --seed 0 --row '2 1 0 0 0 0 0 0 1 2 1 1 0 0 1 3 0 0 1 1'",
         "queue=18,9,18,19,1,8,17,0,0 remaining=4\n"},
        {"bonus-queue --seed 7 --row '1 1 0 0 0 0 0 1 2 3 1 1'", "queue=18,8,0,1,18 remaining=3\n"},
        {"queue --seed 5 --row '1 0 0 0 0 0 0 0 0 1 0 0 0 0 0 1 0 0 1 1'",
         "queue=18,0 remaining=1\n"},
        {"combo --remaining 5 --balls '0 0 8 2 5 5'",
         "combo=0 points=500\ncombo=1 points=500\ncombo=2 points=1500\ncombo=3 points=3000\n"
         "combo=0 points=500\ncombo=0 points=0\nscore=6000\n"},
    };
    for (const Case& c : cases) {
        ToolRun run = runSim(c.arguments);
        EXPECT_EQ(0, run.status) << c.arguments;
        EXPECT_EQ(c.output, run.output);
    }
    for (const char* bad : {"queue --seed 0 --row '1 2 3'", "queue --row '1'",
                            "bonus-queue --seed x --row '1 1 0 0 0 0 0 1 2 3 1 1'",
                            "combo --remaining 3 --balls '0 9'", "combo --balls '0'"})
        EXPECT_EQ(2, runSim(bad).status) << bad;
}

} // namespace
