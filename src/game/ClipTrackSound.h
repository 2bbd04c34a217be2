#pragma once

#include "core/Ref.h"
#include "game/TrackSound.h"
#include "sound/AudioClip.h"

namespace ripple {

// The tracks' sounds played through audio clips: "+audioballhittrack",
// "+audioBallRolling" and "+audiowaterbigripple". A clip that is missing or
// failed to load stays silent.
class ClipTrackSound : public TrackSound {
public:
    ClipTrackSound() = default;
    // Uses the given clips (counted; any may be null).
    ClipTrackSound(lang::AudioClip* hit, lang::AudioClip* rolling, lang::AudioClip* ripple);

    // Loads the three samples by their resource keys.
    void load();

    void play(Sound sound) override;
    void loop(Sound sound) override;
    void stop(Sound sound) override;
    void pause(Sound sound) override;

    lang::AudioClip* clip(Sound sound) const;

private:
    lang::Ref<lang::AudioClip> clips[3];
};

} // namespace ripple
