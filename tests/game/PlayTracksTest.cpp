#include "game/PlayTracks.h"
#include "core/Random.h"
#include "engine/NumberSprite.h"
#include "game/GameTestBoard.h"
#include "game/LevelPlay.h"
#include "game/RippleBall.h"
#include "game/RipplePowerup.h"
#include "game/Track.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using lang::adopt;
using lang::Ref;
using ripple::LevelPlay;
using ripple::PlayTracks;
using ripple::Track;
using testsupport::solidImage;

namespace {

// Three real tracks on straight paths with real balls, pieces and markers,
// played through the item rules as the canvas does.
struct Field {
    static constexpr int tracks = 3;
    std::vector<ripple::PathPoint> path = std::vector<ripple::PathPoint>(200);
    std::vector<std::unique_ptr<Track>> track;
    std::vector<Ref<ripple::RippleBall>> ball;
    std::vector<Ref<ripple::RipplePowerup>> piece;
    std::vector<Ref<engine::NumberSprite>> number;
    std::vector<Ref<engine::AnimateSprite>> marker;
    PlayTracks board;
    testsupport::TestSounds sounds;
    LevelPlay play{board, sounds};

    Field() {
        for (int i = 0; i < 200; ++i)
            path[static_cast<size_t>(i)] = {100, static_cast<int16_t>(50 + i), 0, 0};
        for (int t = 0; t < tracks; ++t) {
            track.push_back(std::make_unique<Track>(t));
            ball.push_back(adopt(new ripple::RippleBall()));
            piece.push_back(adopt(new ripple::RipplePowerup()));
            piece.back()->setImage(solidImage(8, 26, 0xFFFFFFFF).get(), 4, 13);
            number.push_back(adopt(new engine::NumberSprite()));
            piece.back()->setAttachments(nullptr, number.back().get());
            marker.push_back(adopt(new engine::AnimateSprite()));
            marker.back()->setImage(solidImage(80, 10, 0xFFFFFFFF).get(), 8, 1);
            Track::Parts parts;
            parts.ball = ball.back();
            parts.piece = piece.back().get();
            track.back()->setParts(parts);
            track.back()->setLength(path.data(), 200);
            track.back()->setLayoutPoint();
            board.setTrack(t, track.back().get(), piece.back().get(), marker.back().get());
        }
        board.setTrackCount(tracks);
    }
    void roll(int t, int colour) {
        track[static_cast<size_t>(t)]->assignItem(colour);
        track[static_cast<size_t>(t)]->setState(Track::rollingDown);
    }
};

TEST(PlayTracksTest, ReleasesAndEffectsReachTheTracks) {
    Field f;
    std::vector<int16_t> row(20, 0);
    row[3] = 3;
    row[11] = 1;
    row[15] = 3;
    lang::seed(3);
    f.play.startLevel(row);
    f.play.spawn();
    int freezeTrack = -1, ballTrack = -1;
    for (int t = 0; t < Field::tracks; ++t) {
        int item = f.board.trackItem(t);
        if (item == 17)
            freezeTrack = t;
        else if (item == 3)
            ballTrack = t;
    }
    ASSERT_GE(freezeTrack, 0);
    ASSERT_GE(ballTrack, 0);
    EXPECT_EQ(f.board.trackState(freezeTrack), Track::waiting);
    EXPECT_EQ(f.piece[static_cast<size_t>(freezeTrack)]->getType(), 17);
    EXPECT_EQ(f.board.trackState(ballTrack), Track::aboutToEnter);
    EXPECT_EQ(f.board.topX(ballTrack), 100);

    // A colour bomb bursts both balls of its colour, the second 3 ticks later.
    for (int t = 0; t < Field::tracks; ++t)
        f.track[static_cast<size_t>(t)]->reset();
    f.roll(0, 2);
    f.roll(2, 2);
    f.roll(1, 5);
    f.play.handleResult(1, 11);
    EXPECT_EQ(f.board.trackState(0), Track::colourBombBurst);
    EXPECT_EQ(f.board.trackState(2), Track::waiting);
    EXPECT_EQ(f.board.trackState(1), Track::rollingDown);
    EXPECT_EQ(f.play.getRemaining(), 1);

    // Top targets show the colour that continues the chain.
    EXPECT_TRUE(f.marker[1]->isVisible());
    EXPECT_EQ(f.marker[1]->getFrame(), 2);
    f.play.resetCombo();
    f.play.handleResult(0, 8);
    EXPECT_FALSE(f.marker[0]->isVisible());
}

TEST(PlayTracksTest, CollectedPiecesScoreTheirNumber) {
    Field f;
    f.track[1]->assignItem(18);
    f.number[1]->setValue(-3150);
    EXPECT_EQ(f.board.trackItem(1), 18);
    EXPECT_EQ(f.board.powerupValue(1), 3150);
    std::vector<int16_t> row(20, 0);
    row[0] = 5;
    f.play.startLevel(row);
    f.play.handleResult(1, 18);
    EXPECT_EQ(f.play.getScore(), 3150);
    // Tracks beyond the layout's usable ones are left alone.
    f.board.setTrackCount(1);
    f.board.releaseItem(2, 4, 0);
    EXPECT_EQ(f.track[2]->getState(), Track::idle);
    EXPECT_EQ(f.board.trackItem(2), -1);
}

} // namespace
