#include "game/WaterPool.h"

namespace ripple {

void WaterPool::add(engine::AnimateSprite* piece, bool fast) {
    if (!piece)
        return;
    piece->setVisible(false);
    pieces[fast ? 1 : 0].emplace_back(piece);
}

engine::AnimateSprite* WaterPool::take(bool fast) {
    int kind = fast ? 1 : 0;
    std::vector<lang::Ref<engine::AnimateSprite>>& list = pieces[kind];
    // Pieces are taken and given back in streams, so the search starts after
    // the last piece taken and usually ends at once.
    for (size_t n = 0; n < list.size(); ++n) {
        size_t i = (next[kind] + n) % list.size();
        if (!list[i]->isVisible()) {
            next[kind] = (i + 1) % list.size();
            return list[i].get();
        }
    }
    return nullptr;
}

void WaterPool::clear() {
    for (auto& list : pieces)
        for (auto& piece : list)
            piece->setVisible(false);
}

} // namespace ripple
