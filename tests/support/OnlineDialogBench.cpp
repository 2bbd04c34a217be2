#include "support/OnlineDialogBench.h"

#include "engine/ButtonSprite.h"
#include "engine/RichTTYSprite.h"
#include "engine/TextSprite.h"
#include "game/OnlineScores.h"

namespace testsupport {

namespace {

const char* const buttonNames[] = {"itabeasy", "itabnormal", "itabhard", "bsup",      "bsdown",
                                   "clear",    "close",      "bglobals", "bpersonal", "bretry"};
constexpr int buttonCount = static_cast<int>(std::size(buttonNames));

std::string tableFile() {
    std::string file = "<data> 20 40 120 180\n<sprites>\n"
                       "global Sprite knob 180 0\npersonal Sprite knob 180 0\n"
                       "message RichTTYSprite 0 0 1200 40 14 16777215\n";
    for (int n = 0; n < buttonCount; ++n)
        file += std::string(buttonNames[n]) + " ButtonSprite btn " + std::to_string(10 + 12 * n) +
                " 130 3 1 2 1 0 1\n";
    return file;
}

} // namespace

OnlineDialogBench::OnlineDialogBench(const std::string& base, int timeoutMs)
    : bench("HighScores HighScoreSprite:HighScores.txt 100 100 200 150 1 1\n",
            {{"HighScores.txt", tableFile()}}) {
    table = bench.get<ripple::HighScoreSprite>("HighScores");
    bench.store().setString(ripple::OnlineScores::serviceSetting, base.c_str());
    table->setSettings(&bench.store());
    ripple::OnlineScores& online = table->getOnlineScores();
    online.setTimeouts(timeoutMs, timeoutMs);
    online.setReleasedLock(bench.canvas.get());
    online.setAbortFlag(bench.canvas->stoppingFlag());
    table->showMode("M0");
}

void OnlineDialogBench::press(const char* name) {
    for (int n = 0; n < buttonCount; ++n)
        if (std::string(name) == buttonNames[n])
            bench.click(115 + 12 * n, 235);
}

bool OnlineDialogBench::enabled(const char* name) {
    return bench.get<engine::ButtonSprite>((std::string("HighScores/") + name).c_str())
               ->getState() != engine::ButtonSprite::stateDisabled;
}

std::string OnlineDialogBench::message() {
    auto* console = bench.get<engine::RichTTYSprite>("HighScores/message");
    if (!console->isVisible())
        return "";
    std::string text;
    for (int r = 0; r < console->getStoredRowCount(); ++r)
        text += console->getRowText(r);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string OnlineDialogBench::firstName() {
    return table->cell(0, 0)->getText().getChars();
}

std::string OnlineDialogBench::row(int row) {
    if (!table->cell(0, row)->isVisible())
        return "";
    std::string text = table->cell(3, row)->getText().getChars();
    for (int column : {0, 1, 2}) {
        text += '|';
        text += table->cell(column, row)->getText().getChars();
    }
    return text;
}

std::string shownText(const char* key) {
    return ripple::HighScoreSprite::messageText(key).getChars();
}

} // namespace testsupport
