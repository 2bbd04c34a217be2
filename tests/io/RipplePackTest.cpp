#include "platform/Files.h"
#include "support/IoTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>

using iotest::TempDir;

namespace {

// The tool is built beside the test binary's folder.
std::string tool() {
    return platform::programDirectory() + "/../ripple-pack";
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tool in dir with the given arguments; returns its exit status and
// leaves its output in dir/out and dir/err.
int run(const TempDir& dir, const std::string& args) {
    std::string command = "cd '" + dir.path() + "' && '" + tool() + "' " + args + " >out 2>err";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(RipplePackTest, CreateListExtractAndText) {
    TempDir dir;
    dir.write("hello.txt", "Hello");
    dir.write("cafe.txt", "caf\xC3\xA9");
    dir.write("blob", std::vector<uint8_t>{0, 255, 1, 254});
    dir.write("assets/list.txt", "# art and text\n\n--text greeting=../hello.txt\r\n"
                                 "blob=../blob  \n");
    ASSERT_EQ(run(dir, "create out.bin --text cafe=cafe.txt @assets/list.txt"), 0)
        << slurp(dir.path() + "/err");

    ASSERT_EQ(run(dir, "list out.bin"), 0);
    EXPECT_EQ(slurp(dir.path() + "/out"), "cafe 55 6\ngreeting 61 6\nblob 67 4\n");
    ASSERT_EQ(run(dir, "extract out.bin blob copy"), 0);
    EXPECT_EQ(slurp(dir.path() + "/copy"), slurp(dir.path() + "/blob"));
    ASSERT_EQ(run(dir, "extract out.bin +greeting"), 0);
    EXPECT_EQ(slurp(dir.path() + "/out"), std::string("Hello\0", 6));
    ASSERT_EQ(run(dir, "text out.bin cafe"), 0);
    EXPECT_EQ(slurp(dir.path() + "/out"), "caf\xE9");
    ASSERT_EQ(run(dir, "text out.bin greeting"), 0);
    EXPECT_EQ(slurp(dir.path() + "/out"), "Hello");
}

TEST(RipplePackTest, FailuresExitWithAMessage) {
    TempDir dir;
    dir.write("a", "A");
    ASSERT_EQ(run(dir, "create out.bin a=a"), 0);
    EXPECT_EQ(run(dir, "extract out.bin b"), 1);
    EXPECT_NE(slurp(dir.path() + "/err").find("no entry b"), std::string::npos);
    EXPECT_EQ(run(dir, "text out.bin b"), 1);
    EXPECT_EQ(run(dir, "list missing.bin"), 1);
    EXPECT_EQ(run(dir, "list a"), 1); // one byte: not a container
    EXPECT_NE(slurp(dir.path() + "/err").find("not a resource container"), std::string::npos);

    std::string whole = slurp(dir.path() + "/out.bin");
    dir.write("cut.bin", whole.substr(0, whole.size() - 1));
    EXPECT_EQ(run(dir, "list cut.bin"), 1); // the entry now runs past the end
    EXPECT_EQ(slurp(dir.path() + "/out"), "a 22 1\n");

    EXPECT_EQ(run(dir, "create bad.bin a"), 1);
    EXPECT_EQ(run(dir, "create bad.bin x=missing"), 1);
    EXPECT_EQ(run(dir, "create bad.bin a=a --text"), 1);
    EXPECT_EQ(run(dir, "create bad.bin " + std::string(256, 'n') + "=a"), 1);
    EXPECT_EQ(run(dir, "create bad.bin @nolist"), 1);
    EXPECT_EQ(run(dir, "frobnicate"), 2);
    EXPECT_TRUE(slurp(dir.path() + "/bad.bin").empty());
}
