#pragma once

#include "engine/DialogSprite.h"

namespace ripple {

// The in-game menu. Its buttons are the canvas's to act on; only its own
// close button is handled here, closing the menu with "bclosemenudlg".
class MenuDialog : public engine::DialogSprite {
    LANG_CLASS(MenuDialog, engine::DialogSprite);

    static constexpr const char* closeButton = "bclosemenu";
    static constexpr const char* closedResult = "bclosemenudlg";

    MenuDialog();
    ~MenuDialog() override;

    int mousePressed(lang::Event* event) override;
};

} // namespace ripple
