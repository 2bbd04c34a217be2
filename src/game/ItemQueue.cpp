#include "game/ItemQueue.h"

#include "core/Random.h"
#include "game/BalanceTable.h"
#include "game/BonusTable.h"
#include "game/ItemCodes.h"
#include "game/TrackBoard.h"

#include <algorithm>
#include <utility>

namespace ripple {

namespace {

constexpr int shufflePasses = 10;
constexpr size_t initialCapacity = 16;

int field(std::span<const int16_t> row, size_t index) {
    return index < row.size() ? row[index] : 0;
}

bool entersOrWaits(int state) {
    return state == trackstate::aboutToEnter || state == trackstate::waiting;
}

bool ballUp(int state) {
    return entersOrWaits(state) || state == trackstate::dropping || state == trackstate::rolling;
}

bool powerupOut(int state) {
    return entersOrWaits(state) || state == trackstate::powerupEntering ||
           state == trackstate::powerupTravelling;
}

bool heldWhileInPlay(int code) {
    return code == item::freeze || code == item::waterSpeed || code == item::fire;
}

bool inPlay(const TrackBoard& tracks, int code) {
    for (int t = 0; t < tracks.trackCount(); ++t)
        if (tracks.trackItem(t) == code && powerupOut(tracks.trackState(t)))
            return true;
    return false;
}

} // namespace

void ItemQueue::clear() {
    items.clear();
    readPos = 0;
}

void ItemQueue::setItems(std::span<const int> codes) {
    clear();
    for (int code : codes)
        append(code, 1);
}

void ItemQueue::reserveForOneMore() {
    size_t cap = items.capacity();
    if (items.size() < cap)
        return;
    items.reserve(cap < initialCapacity ? initialCapacity : cap + cap / 2);
}

void ItemQueue::append(int code, int count) {
    for (int i = 0; i < count; ++i) {
        reserveForOneMore();
        items.push_back(code);
    }
}

void ItemQueue::insert(size_t position, int code) {
    reserveForOneMore();
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(position), code);
}

// Ten passes that swap every entry with another one drawn at random. A queue
// of one entry has no other entry to swap with, so it is left as it is (and
// so is an empty one).
void ItemQueue::shuffle() {
    size_t length = items.size();
    if (length < 2)
        return;
    for (int pass = 0; pass < shufflePasses; ++pass)
        for (size_t i = 0; i < length; ++i) {
            size_t j;
            do
                j = static_cast<size_t>(lang::random() * static_cast<double>(length));
            while (j == i || j >= length);
            std::swap(items[i], items[j]);
        }
}

int ItemQueue::buildLevel(std::span<const int16_t> row) {
    clear();
    for (int colour = 0; colour <= item::wildBall; ++colour)
        append(colour, field(row, static_cast<size_t>(colour)));
    int remaining = size();
    append(item::points, field(row, BalanceTable::fieldPoints));
    append(item::colourBomb, field(row, BalanceTable::fieldColourBomb));
    append(item::freeze, field(row, BalanceTable::fieldFreeze));
    append(item::fire, field(row, BalanceTable::fieldFire));
    append(item::waterSpeed, field(row, BalanceTable::fieldWaterSpeed));
    shuffle();
    // Greed pieces go into the first half of the queue as it was before they
    // came. With fewer than two entries that half is empty and they go first.
    int half = size() / 2;
    int greed = field(row, BalanceTable::fieldGreed);
    for (int i = 0; i < greed; ++i) {
        int draw = static_cast<int>(lang::random() * 54321);
        insert(half > 0 ? static_cast<size_t>(draw % half) : 0, item::greed);
    }
    readPos = 0;
    return remaining;
}

int ItemQueue::buildBonus(std::span<const int16_t> row) {
    clear();
    for (int colour = 0; colour < item::wildBall - 1; ++colour)
        append(colour, field(row, static_cast<size_t>(colour)));
    append(item::wildBall, field(row, BonusTable::fieldWild));
    int remaining = size();
    append(item::greed, field(row, BonusTable::fieldGreed));
    shuffle();
    readPos = 0;
    return remaining;
}

template <class Accept>
int ItemQueue::firstLater(Accept accept) const {
    for (size_t j = readPos + 1; j < items.size(); ++j)
        if (accept(items[j]))
            return static_cast<int>(j);
    return -1;
}

int ItemQueue::bombColour(const TrackBoard& tracks) {
    int balls[item::wildBall + 1] = {};
    int bombs[item::wildBall] = {};
    for (int t = 0; t < tracks.trackCount(); ++t) {
        int state = tracks.trackState(t), code = tracks.trackItem(t);
        if (item::isBall(code) && ballUp(state))
            ++balls[code];
        else if (item::isColourBomb(code) && powerupOut(state))
            ++bombs[code - item::colourBomb];
    }
    int kept = -1, keptCount = -1;
    for (int colour = 0; colour < item::wildBall; ++colour) {
        if (bombs[colour] > 0 || (colour == 0 && balls[item::wildBall] > 0))
            continue;
        if (balls[colour] > keptCount) {
            kept = colour;
            keptCount = balls[colour];
        }
    }
    return keptCount >= 2 ? kept : -1;
}

int ItemQueue::next(const TrackBoard& tracks) {
    // Every swap brings a later entry forward that either comes out at once
    // or is a held piece that is then swapped with a ball, so this ends.
    for (;;) {
        if (readPos >= items.size())
            return -1;
        int code = items[readPos];
        int later = -1;
        if (code == item::colourBomb) {
            int colour = bombColour(tracks);
            if (colour >= 0) {
                ++readPos;
                return item::colourBomb + colour;
            }
            later = firstLater([](int c) { return c != item::colourBomb; });
        } else if (heldWhileInPlay(code) && inPlay(tracks, code)) {
            later = firstLater([](int c) { return c < item::colourBomb; });
        } else {
            ++readPos;
            return code;
        }
        if (later < 0)
            return -1;
        std::swap(items[readPos], items[static_cast<size_t>(later)]);
    }
}

bool ItemQueue::onlyBombsLeft() const {
    return std::all_of(items.begin() + static_cast<std::ptrdiff_t>(readPos), items.end(),
                       [](int c) { return c == item::colourBomb; });
}

} // namespace ripple
