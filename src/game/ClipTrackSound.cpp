#include "game/ClipTrackSound.h"

#include "core/String.h"

namespace ripple {

ClipTrackSound::ClipTrackSound(lang::AudioClip* hit, lang::AudioClip* rolling,
                               lang::AudioClip* ripple) {
    clips[ballHitTrack] = hit;
    clips[ballRolling] = rolling;
    clips[waterBigRipple] = ripple;
}

void ClipTrackSound::load() {
    static const char* const keys[] = {"+audioballhittrack", "+audioBallRolling",
                                       "+audiowaterbigripple"};
    for (int i = 0; i < 3; ++i) {
        clips[i] = lang::adopt(new lang::AudioClip());
        clips[i]->load(lang::String(keys[i]), lang::AudioClip::kindSample);
    }
}

lang::AudioClip* ClipTrackSound::clip(Sound sound) const {
    return sound >= 0 && sound < 3 ? clips[sound].get() : nullptr;
}

void ClipTrackSound::play(Sound sound) {
    if (lang::AudioClip* c = clip(sound))
        c->play();
}

void ClipTrackSound::loop(Sound sound) {
    if (lang::AudioClip* c = clip(sound))
        c->loop();
}

void ClipTrackSound::stop(Sound sound) {
    if (lang::AudioClip* c = clip(sound))
        c->stop();
}

void ClipTrackSound::pause(Sound sound) {
    if (lang::AudioClip* c = clip(sound))
        c->pause();
}

} // namespace ripple
