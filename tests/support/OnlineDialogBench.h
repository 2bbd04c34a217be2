#pragma once

#include "game/HighScoreSprite.h"
#include "support/GameDialogBench.h"

#include <string>

namespace testsupport {

// The high-score dialog of a stepped canvas, pointed at the score service at
// `base` and wired to the canvas as loading for the game wires it (the canvas
// lock given up around a request, its stopping flag ending one). Its buttons
// are a row of small pictures, pressed by name.
struct OnlineDialogBench {
    explicit OnlineDialogBench(const std::string& base, int timeoutMs = 300);

    void press(const char* name);
    bool enabled(const char* name);
    // The console's text, or "" while it is hidden.
    std::string message();
    // The name in the first row shown.
    std::string firstName();
    // The row shown `row` places below the first one, as
    // "rank|name|level|score"; "" when hidden.
    std::string row(int row);

    GameDialogBench bench;
    ripple::HighScoreSprite* table;
};

// What the console shows for one of the dialog's message texts.
std::string shownText(const char* key);

} // namespace testsupport
