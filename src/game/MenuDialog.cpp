#include "game/MenuDialog.h"

#include "core/Class.h"
#include "game/DialogHelpers.h"

namespace ripple {

LANG_REGISTER_CLASS(MenuDialog);

MenuDialog::MenuDialog() = default;

MenuDialog::~MenuDialog() = default;

int MenuDialog::mousePressed(lang::Event* event) {
    int answer = notForDialog;
    if (dialogs::pressedOutside(*this, event, answer))
        return answer;
    answer = DialogSprite::mousePressed(event);
    if (answer != buttonHit)
        return answer;
    if (resultName.equals(closeButton)) {
        setVisible(false);
        resultName = closedResult;
        return closedItself;
    }
    return buttonHit;
}

} // namespace ripple
