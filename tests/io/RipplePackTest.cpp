#include "core/String.h"
#include "platform/Files.h"
#include "support/IoTestSupport.h"

#include <cstdlib>
#include <filesystem>
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
    // The timeout turns a tool that reads an endless input into a failure instead of a hang.
    std::string command =
        "cd '" + dir.path() + "' && timeout -k 5 30 '" + tool() + "' " + args + " >out 2>err";
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

// Inputs that are not regular files, or that pass the size limit, are refused with a message and
// status 1 without reading them through: /dev/zero would otherwise fill memory, and a folder
// used to end the tool with an uncaught exception.
TEST(RipplePackTest, InputsMustBeRegularFilesWithinTheLimits) {
    TempDir dir;
    dir.write("a", "A");
    dir.write("folder/x", "X");
    ASSERT_EQ(run(dir, "create out.bin a=a"), 0);
    ASSERT_EQ(std::system(("mkfifo '" + dir.path() + "/pipe'").c_str()), 0);
    // Sparse files: their size costs no disk space and no time unless they are read.
    ASSERT_EQ(std::system(("truncate -s 10000001 '" + dir.path() + "/big' && truncate -s 2148M '" +
                           dir.path() + "/huge' && truncate -s 17M '" + dir.path() + "/biglist'")
                              .c_str()),
              0);
    struct Case {
        const char* args;
        const char* message;
    } cases[] = {
        {"create bad.bin x=folder", "folder"},
        {"create bad.bin x=/dev/zero", "not a regular file"},
        {"create bad.bin x=pipe", "not a regular file"},
        {"create bad.bin x=huge", "2 GiB"},
        {"create bad.bin @folder", "folder"},
        {"create bad.bin @/dev/zero", "not a regular file"},
        {"create bad.bin @biglist", "16 MiB"},
        {"imagepack bad.bin k=folder", "folder"},
        {"imagepack bad.bin k=/dev/zero", "not a regular file"},
        {"imagepack bad.bin k=big", "10,000,000"},
        {"imagepack bad.bin k=a k2=big", "10,000,000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(dir, c.args), 1) << c.args;
        EXPECT_NE(slurp(dir.path() + "/err").find(c.message), std::string::npos)
            << c.args << ": " << slurp(dir.path() + "/err");
        EXPECT_FALSE(std::filesystem::exists(dir.path() + "/bad.bin")) << c.args;
    }
}

TEST(RipplePackTest, TextSaysWhenTheGameCutsItShort) {
    TempDir dir;
    dir.write("short.txt", std::string(lang::String::maxLength, 's'));
    dir.write("long.txt", std::string(lang::String::maxLength + 1, 'l'));
    ASSERT_EQ(run(dir, "create out.bin --text short=short.txt --text long=long.txt"), 0);
    ASSERT_EQ(run(dir, "text out.bin short"), 0);
    EXPECT_EQ(slurp(dir.path() + "/out").size(), size_t(lang::String::maxLength));
    EXPECT_EQ(slurp(dir.path() + "/err"), "");
    ASSERT_EQ(run(dir, "text out.bin long"), 0);
    EXPECT_EQ(slurp(dir.path() + "/out").size(), size_t(lang::String::maxLength));
    EXPECT_NE(slurp(dir.path() + "/err").find("65519"), std::string::npos);
}
