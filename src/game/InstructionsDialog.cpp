#include "game/InstructionsDialog.h"

#include "core/Class.h"
#include "engine/ButtonSprite.h"
#include "game/DialogHelpers.h"
#include "gfx/Image.h"

#include <algorithm>
#include <string>

namespace ripple {

LANG_REGISTER_CLASS(InstructionsDialog);

InstructionsDialog::InstructionsDialog() = default;

InstructionsDialog::~InstructionsDialog() = default;

void InstructionsDialog::loaded(lang::Object* loader) {
    DialogSprite::loaded(loader);
    page = 1;
    pageCount = std::clamp(dialogs::layoutNumber(loader, 0, 1), 1, maxPages);
    updateButtons();
}

void InstructionsDialog::showFirstPage() {
    page = 1;
    showPage();
    updateButtons();
}

void InstructionsDialog::showPage() {
    auto* picture = dialogs::child<engine::Sprite>(*this, "instruct");
    if (!picture)
        return;
    std::string key = pageKeyPrefix + std::to_string(page.load());
    auto image = lang::adopt(new lang::Image(lang::String(key.c_str())));
    picture->setImage(image.get());
}

void InstructionsDialog::updateButtons() {
    dialogs::enable(dialogs::child<engine::ButtonSprite>(*this, "bnext"), page < pageCount);
    dialogs::enable(dialogs::child<engine::ButtonSprite>(*this, "bback"), page > 1);
}

int InstructionsDialog::mousePressed(lang::Event* event) {
    int answer = notForDialog;
    if (dialogs::pressedOutside(*this, event, answer))
        return answer;
    answer = DialogSprite::mousePressed(event);
    if (answer != buttonHit)
        return answer;
    if (resultName.equals("bclose")) {
        setVisible(false);
        resultName = closedResult;
        return closedItself;
    }
    bool next = resultName.equals("bnext");
    if (!next && !resultName.equals("bback"))
        return buttonHit;
    if (next && page < pageCount) {
        ++page;
        showPage();
    } else if (!next && page > 1) {
        --page;
        showPage();
    }
    updateButtons();
    return buttonHit;
}

} // namespace ripple
