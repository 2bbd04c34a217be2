#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ripple {

class TrackBoard;

// The items of a level or bonus round in the order they come down, with the
// read position of the next one to release. Built from a level row (20
// fields) or a bonus row (14 fields, table form) with the thread's random
// generator, so a seeded thread builds the same queue again.
class ItemQueue {
public:
    static constexpr int levelRowFields = 20;
    static constexpr int bonusRowFields = 14;

    // Empties the queue and fills it from the row; returns the number of
    // balls (codes 0..8) put in, the level's remaining items.
    int buildLevel(std::span<const int16_t> row);
    int buildBonus(std::span<const int16_t> row);

    // The next item to release, advancing the read position; -1 when the
    // queue is exhausted or its next entries must wait. A colour bomb gets a
    // colour from the balls in play (9 + colour) or goes behind the next
    // entry that is not a bomb; a freeze, water-speed or fire piece goes
    // behind the next ball while one of its kind is on a track.
    int next(const TrackBoard& tracks);
    // The colour for a new colour bomb, or -1 when no colour has at least two
    // balls in play without a bomb of its own.
    static int bombColour(const TrackBoard& tracks);

    bool isExhausted() const { return readPos >= items.size(); }
    // True when every entry not yet released is an uncoloured bomb (or none
    // is left).
    bool onlyBombsLeft() const;
    int size() const { return static_cast<int>(items.size()); }
    int at(int index) const { return items.at(static_cast<size_t>(index)); }
    int readPosition() const { return static_cast<int>(readPos); }
    int capacity() const { return static_cast<int>(items.capacity()); }
    void clear();
    // Replaces the entries as given, read position 0 (replays and tests).
    void setItems(std::span<const int> codes);

private:
    void append(int code, int count);
    void insert(size_t position, int code);
    void reserveForOneMore();
    void shuffle();
    // The first entry after the read position that `accept` takes, or -1.
    template <class Accept>
    int firstLater(Accept accept) const;

    std::vector<int32_t> items;
    size_t readPos = 0;
};

} // namespace ripple
