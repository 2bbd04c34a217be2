// Runs the ripple-image tool built beside the test binary.
#include "gfx/Image.h"
#include "io/ResourceFileWriter.h"
#include "support/ImageEncoders.h"
#include "support/TempFolder.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>

using lang::adopt;
using lang::Image;
using testimages::Bytes;

namespace {

using testsupport::ToolRun;

ToolRun runTool(const std::string& arguments) {
    return testsupport::runBuiltTool("ripple-image", arguments);
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

class RippleImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(testsupport::builtFile("ripple-image")))
            GTEST_SKIP() << "ripple-image is not built beside the tests";
    }
    testsupport::TempFolder dir;
};

} // namespace

TEST_F(RippleImageTest, WritesOpaqueRgbaForImagesWithoutAlpha) {
    // A GIF without transparency whose palette entry 0 would be alpha 0 if
    // alpha were copied blindly: the output must be opaque.
    testimages::GifSpec gif;
    gif.screenWidth = gif.width = 2;
    gif.screenHeight = gif.height = 1;
    gif.indices = {0, 1};
    gif.globalTable = {0x000000, 0x336699};
    ASSERT_TRUE(testimages::writeFile(dir.file("a.gif"), testimages::writeGif(gif)));
    ToolRun run = runTool(quoted(dir.file("a.gif")) + " " + quoted(dir.file("out.png")));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "2x1 alpha=0\n");
    auto written = adopt(new Image(dir.file("out.png").c_str()));
    ASSERT_TRUE(written->hasPixels());
    EXPECT_EQ(written->getPixels()[0], 0xFF000000u);
    EXPECT_EQ(written->getPixels()[1], 0xFF336699u);
}

TEST_F(RippleImageTest, LoadsKeysFromPacksInOrderWithMasks) {
    const Bytes first = testimages::writePngArgb(1, 1, {0xFF112233});
    const Bytes second = testimages::writePngArgb(1, 1, {0xFF445566});
    const Bytes mask = testimages::writePngArgb(1, 1, {0xFF000040});
    lang::ResourceFileWriter a, b;
    a.addEntry("ball", first.data(), int(first.size()));
    b.addEntry("ball", second.data(), int(second.size()));
    b.addEntry("mask", mask.data(), int(mask.size()));
    ASSERT_TRUE(a.writeTo(dir.file("a.bin").c_str()));
    ASSERT_TRUE(b.writeTo(dir.file("b.bin").c_str()));

    ToolRun run =
        runTool("--pack " + quoted(dir.file("a.bin")) + " --pack " + quoted(dir.file("b.bin")) +
                " '+ball|+mask' " + quoted(dir.file("out.png")));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "1x1 alpha=1\n");
    auto written = adopt(new Image(dir.file("out.png").c_str()));
    ASSERT_TRUE(written->hasPixels());
    EXPECT_EQ(written->getPixels()[0], 0xBF112233u);

    run = runTool("--pack " + quoted(dir.file("b.bin")) + " --pack " + quoted(dir.file("a.bin")) +
                  " +ball " + quoted(dir.file("out.png")));
    EXPECT_EQ(run.output, "1x1 alpha=1\n");
    EXPECT_EQ(adopt(new Image(dir.file("out.png").c_str()))->getPixels()[0], 0xFF445566u);
}

TEST_F(RippleImageTest, FailuresAreReportedByStatus) {
    ToolRun run = runTool(quoted(dir.file("missing.png")) + " " + quoted(dir.file("out.png")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output.rfind("empty\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));

    EXPECT_EQ(
        runTool("--pack " + quoted(dir.file("nopack.bin")) + " +x " + quoted(dir.file("o.png")))
            .status,
        2);
    EXPECT_EQ(runTool("onlyone").status, 2);
    EXPECT_EQ(runTool("--pack").status, 2);

    ASSERT_TRUE(
        testimages::writeFile(dir.file("a.png"), testimages::writePngArgb(1, 1, {0xFF000000})));
    EXPECT_EQ(
        runTool(quoted(dir.file("a.png")) + " " + quoted(dir.file("no/such/dir/o.png"))).status, 2);
}

// An image that loads nothing comes with the reason, found the way the game looks the name up.
TEST_F(RippleImageTest, EmptyResultsSayWhy) {
    testimages::GifSpec huge;
    huge.screenWidth = 20000;
    huge.screenHeight = 20000;
    huge.width = huge.height = 1;
    huge.indices = {0};
    huge.globalTable = {0, 0xFFFFFF};
    const Bytes jpeg = testimages::writeJpeg(8, 8, 3, Bytes(8 * 8 * 3, 128));
    const Bytes png = testimages::writePngArgb(4, 4, std::vector<uint32_t>(16, 0xFF102030));
    ASSERT_TRUE(testimages::writeFile(dir.file("huge.gif"), testimages::writeGif(huge)));
    ASSERT_TRUE(testimages::writeFile(dir.file("cut.jpg"), Bytes(jpeg.begin(), jpeg.begin() + 40)));
    ASSERT_TRUE(testimages::writeFile(dir.file("cut.png"), Bytes(png.begin(), png.end() - 30)));
    ASSERT_TRUE(testimages::writeFile(dir.file("text.txt"), Bytes(40, 'x')));
    std::filesystem::create_directory(dir.file("folder"));
    lang::ResourceFileWriter pack;
    pack.addEntry("cut", png.data(), int(png.size() - 30));
    ASSERT_TRUE(pack.writeTo(dir.file("p.bin").c_str()));

    const struct {
        std::string name;
        const char* reason;
    } cases[] = {
        {quoted(dir.file("missing.png")), "cannot read"},
        {quoted(dir.file("folder")), "not a regular file"},
        {quoted(dir.file("text.txt")), "unknown format"},
        {quoted(dir.file("huge.gif")), "too large: 20000x20000"},
        {quoted(dir.file("cut.jpg")), "damaged data"},
        {quoted(dir.file("cut.png")) + "'|+nomask'", "damaged data"},
        {"+nokey", "no entry nokey"},
        {"+cut", "damaged data"},
    };
    for (const auto& c : cases) {
        ToolRun run = runTool("--pack " + quoted(dir.file("p.bin")) + " " + c.name + " " +
                              quoted(dir.file("out.png")));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.output.rfind("empty\n", 0), 0u) << c.name;
        EXPECT_NE(run.output.find(c.reason), std::string::npos) << c.name << ": " << run.output;
    }
}
