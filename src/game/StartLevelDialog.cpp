#include "game/StartLevelDialog.h"

#include "core/Class.h"
#include "engine/NumberSprite.h"
#include "game/DialogHelpers.h"
#include "game/ItemCodes.h"
#include "game/RipplePowerup.h"

namespace ripple {

LANG_REGISTER_CLASS(StartLevelDialog);

namespace {

constexpr int colourBombPage = 2;
constexpr int firstHintPage = 7;
constexpr int bombColours = 7;

struct Page {
    const char* text;
    int pieceCode; // -1: no piece
};

constexpr Page pages[StartLevelDialog::pageCount] = {
    {"slgenerictxt", -1},
    {"slbonustxt", item::points},
    {"slcolorbombtxt", item::colourBomb},
    {"slgreedtxt", item::greed},
    {"slicetxt", item::freeze},
    {"slfiretxt", item::fire},
    {"slwaterspeedtxt", item::waterSpeed},
    {"slhint1", -1},
    {"slhint2", -1},
    {"slhint3", -1},
    {"slhint4", -1},
};

constexpr const char* hintBackground = "slhintbg";
constexpr const char* slide = "slslide";

} // namespace

StartLevelDialog::StartLevelDialog() = default;
StartLevelDialog::~StartLevelDialog() = default;

int StartLevelDialog::pieceCodeOf(int n) {
    return n >= 0 && n < pageCount ? pages[n].pieceCode : -1;
}

const char* StartLevelDialog::textOf(int n) {
    return pages[n >= 0 && n < pageCount ? n : generic].text;
}

void StartLevelDialog::setPiece(RipplePowerup* example) {
    piece = example;
    if (piece) {
        piece->setPaused(false);
        piece->setVisible(false);
    }
}

void StartLevelDialog::show(const char* name, bool visible) {
    if (auto* child = dialogs::child<engine::Sprite>(*this, name))
        child->setVisible(visible);
}

void StartLevelDialog::showPage(int n) {
    for (const Page& p : pages)
        show(p.text, false);
    show(hintBackground, false);
    // A page the game does not know explains the game in general rather than
    // leaving the dialog blank.
    if (n < 0 || n >= pageCount)
        n = generic;
    page = n;
    cycleTicks = 0;

    int code = pages[n].pieceCode;
    if (code >= 0) {
        if (piece) {
            piece->setType(code);
            piece->setVisible(true);
            if (n == 1 && piece->getNumber())
                piece->getNumber()->setValue(bonusNumber);
            piece->setLocation(getX() + pieceDx, getY() + pieceDy);
            piece->startPulse();
        }
        show(pages[n].text, true);
        show(slide, true);
        return;
    }
    if (piece)
        piece->setVisible(false);
    if (n >= firstHintPage)
        show(hintBackground, true);
    show(pages[n].text, true);
    show(slide, false);
}

int StartLevelDialog::mousePressed(lang::Event* event) {
    int answer;
    if (dialogs::pressedOutside(*this, event, answer))
        return answer;
    int r = DialogSprite::mousePressed(event);
    if (r == buttonHit) {
        cycleTicks = -1;
        if (resultName.equals(goButton)) {
            resultName.assign(startResult);
            if (piece)
                piece->setVisible(false);
        }
    }
    return r;
}

bool StartLevelDialog::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    if (isVisible() && piece && page == colourBombPage && cycleTicks >= 0) {
        int ticks = ++cycleTicks;
        if (ticks % cycleEvery == 0) {
            piece->setType((piece->getType() + 1) % bombColours + item::colourBomb);
            piece->setVisible(true);
        }
    }
    return DialogSprite::updateInto(time, rect, region);
}

} // namespace ripple
