#include "game/WaterPool.h"

namespace ripple {

void WaterPool::add(engine::AnimateSprite* piece, bool fast) {
    if (!piece)
        return;
    piece->setVisible(false);
    pieces[fast ? 1 : 0].push_back(
        Piece{lang::Ref<engine::AnimateSprite>(piece), piece->getFrameStep()});
    piece->setAnimation(0, true);
}

engine::AnimateSprite* WaterPool::take(bool fast) {
    int kind = fast ? 1 : 0;
    std::vector<Piece>& list = pieces[kind];
    // Pieces are taken and given back in streams, so the search starts after
    // the last piece taken and usually ends at once.
    for (size_t n = 0; n < list.size(); ++n) {
        size_t i = (next[kind] + n) % list.size();
        if (!list[i].sprite->isVisible()) {
            next[kind] = (i + 1) % list.size();
            list[i].sprite->setAnimation(list[i].frameStep, true);
            return list[i].sprite.get();
        }
    }
    return nullptr;
}

void WaterPool::giveBack(engine::AnimateSprite* piece) {
    if (!piece)
        return;
    piece->setVisible(false);
    piece->setAnimation(0, true);
}

void WaterPool::clear() {
    for (auto& list : pieces)
        for (Piece& piece : list)
            giveBack(piece.sprite.get());
}

} // namespace ripple
