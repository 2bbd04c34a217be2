#include "support/DialogScene.h"

#include "core/Hashtable.h"
#include "engine/DialogSprite.h"
#include "gfx/PngEncoder.h"

#include <gtest/gtest.h>

namespace testsupport {

namespace {

std::vector<uint8_t> strip(const std::vector<uint32_t>& cells, int cell) {
    int w = cell * static_cast<int>(cells.size());
    std::vector<uint32_t> pixels(static_cast<size_t>(w * cell));
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < w; ++x)
            pixels[static_cast<size_t>(y * w + x)] = cells[static_cast<size_t>(x / cell)];
    return lang::PngEncoder::encode(pixels.data(), w, cell, true);
}

} // namespace

DialogScene::DialogScene(const std::string& extraSprites,
                         const std::vector<std::pair<std::string, std::string>>& extraFiles) {
    for (const auto& [name, text] : extraFiles)
        dir.write(name, text);
    dir.write("btn.png", strip({grey, blue, green}, 10));
    dir.write("pic.png", strip({red}, 4));
    const char* button = "ButtonSprite btn";
    const char* frames = "3 1 2 1 0"; // columns, rows, hover, normal, disabled
    auto entry = [&](const char* name, int x, int y, const char* state) {
        return std::string(name) + " " + button + " " + std::to_string(x) + " " +
               std::to_string(y) + " " + frames + " " + state + "\n";
    };
    dir.write("main.txt", "<images> btn btn.png pic pic.png\n<sprites>\n"
                          "scenery Sprite pic 0 580\n" +
                              entry("behind", 370, 270, "1") + entry("free", 500, 500, "1") +
                              "hot RectButtonSprite 20 30 40 50 1\n" + entry("plain", 0, 0, "") +
                              "outer DialogSprite:outer.txt 100 100 300 200 0 1\n"
                              "modaldlg DialogSprite:modal.txt 600 20 100 100 1 0\n" +
                              extraSprites);
    dir.write("outer.txt", "<images> btn btn.png pic pic.png\n<sprites>\n"
                           "pic Sprite pic 250 10\n" +
                               entry("ok", 10, 10, "1") + entry("off", 10, 40, "0") +
                               entry("under", 170, 70, "1") +
                               "inner DialogSprite:inner.txt 140 40 100 100 0 1\n"
                               "top DialogSprite:top.txt 200 80 80 80 0 1\n");
    dir.write("inner.txt", "<images> btn btn.png\n<sprites>\n" + entry("innerbtn", 10, 10, "1") +
                               entry("covered", 70, 50, "1"));
    dir.write("top.txt", "<images> btn btn.png\n<sprites>\n" + entry("topbtn", 30, 30, "1"));
    dir.write("modal.txt", "<sprites> mbtn RectButtonSprite 5 5 10 10 1\n");
    dataLoader =
        lang::adopt(new engine::DataLoader(lang::String(dir.path().c_str()), nullptr, nullptr));
    EXPECT_TRUE(dataLoader->load("main.txt"));
}

lang::Object* DialogScene::find(const char* path) {
    std::string rest(path);
    lang::Hashtable* table = dataLoader->getSpriteTable();
    for (;;) {
        size_t slash = rest.find('/');
        lang::Object* found = table ? table->get(rest.substr(0, slash).c_str()) : nullptr;
        if (slash == std::string::npos || !found)
            return found;
        table = static_cast<engine::DialogSprite*>(found)->getSpriteTable();
        rest = rest.substr(slash + 1);
    }
}

} // namespace testsupport
