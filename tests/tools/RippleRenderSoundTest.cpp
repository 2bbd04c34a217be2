// Runs the ripple-render-sound tool built beside the test binary.
#include "support/SoundData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace {

std::string toolPath() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
            "ripple-render-sound")
        .string();
}

// Frames in the tool's 16-bit stereo output, from its data chunk's size; -1 when it failed.
long renderedFrames(const std::string& input, const std::string& arguments) {
    const std::string output = input + ".out.wav";
    const std::string command =
        "'" + toolPath() + "' '" + input + "' '" + output + "' " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(output, std::ios::binary);
    const testsound::Bytes wav{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    std::remove(output.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || wav.size() < 44)
        return -1;
    const uint32_t dataBytes = wav[40] | wav[41] << 8 | wav[42] << 16 | uint32_t(wav[43]) << 24;
    EXPECT_EQ(wav.size(), 44 + dataBytes);
    return static_cast<long>(dataBytes / 4);
}

} // namespace

// The output is exactly as long as asked for, or as the sound when it ends first: never
// rounded up to the mixer's chunk with silence.
TEST(RippleRenderSoundTest, OutputHasTheRequestedLength) {
    if (!std::filesystem::exists(toolPath()))
        GTEST_SKIP() << "ripple-render-sound is not built beside the tests";
    const std::string longSound = testsound::writeTemp(
        testsound::makeWav(testsound::constant(44100, 5000), 1, 22050), ".wav");
    const std::string shortSound =
        testsound::writeTemp(testsound::makeWav(testsound::constant(3000, 5000), 1, 22050), ".wav");
    const struct {
        const std::string& input;
        const char* arguments;
        long frames;
    } cases[] = {
        {longSound, "0.5", 11025}, {longSound, "1", 22050},    {longSound, "0.01", 221},
        {shortSound, "10", 3000},  {shortSound, "10 2", 1500},
    };
    for (const auto& c : cases)
        EXPECT_EQ(renderedFrames(c.input, c.arguments), c.frames) << c.arguments;
    std::remove(longSound.c_str());
    std::remove(shortSound.c_str());
}
