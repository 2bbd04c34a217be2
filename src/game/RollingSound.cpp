#include "game/RollingSound.h"

namespace ripple {

void RollingSound::up() {
    if (++rolling == 1 && sound)
        sound->loop(TrackSound::ballRolling);
}

void RollingSound::down() {
    if (rolling <= 1) {
        rolling = 0;
        if (sound)
            sound->stop(TrackSound::ballRolling);
        return;
    }
    --rolling;
}

void RollingSound::setPaused(bool paused) {
    if (!sound)
        return;
    if (paused)
        sound->pause(TrackSound::ballRolling);
    else if (rolling > 0)
        sound->loop(TrackSound::ballRolling);
}

} // namespace ripple
