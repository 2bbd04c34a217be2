#pragma once

#include "app/GameCanvas.h"
#include "game/InputScript.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace ripple {

// Writes a session's input to a replay file as the canvas dispatches it:
// first the header (seed, data identity, the settings and score tables the
// game reads), then one line per input with the frame it was handled in, and
// when the canvas stops the final state and score as expectations and the
// end. Each line is on disk when the call returns, so a session that crashed
// still leaves its input behind.
//
// The header is taken at the first input (or the stop, without any): by then
// the settings are open and the game has read nothing a player changed.
class ReplayRecorder : public GameCanvas::InputObserver {
public:
    static constexpr const char* environmentVariable = "RIPPLE_RECORD";

    ReplayRecorder() = default;
    ~ReplayRecorder() override;
    ReplayRecorder(const ReplayRecorder&) = delete;
    ReplayRecorder& operator=(const ReplayRecorder&) = delete;

    // Creates (or truncates) `path`; false with `error` when it cannot.
    // The threads of the recorded game must start from `seed`.
    bool open(const std::string& path, uint32_t seed, std::string& error);

    // For the real game: when RIPPLE_RECORD names a file, a recorder writing
    // it, with every thread not yet seeded seeded from the tick count taken
    // here. Null when the variable is unset or empty, or the file cannot be
    // made (said on standard error; the game runs unrecorded).
    static std::shared_ptr<ReplayRecorder> fromEnvironment();

    // What the header says for `canvas`: its settings, score tables and data.
    static ReplayHeader captureHeader(GameCanvas& canvas, uint32_t seed);

    void inputDispatched(GameCanvas& canvas, int frame, const lang::Event& event) override;
    void canvasStopped(GameCanvas& canvas, int frame) override;

    // Input lines written so far.
    int getInputCount();
    uint32_t getSeed() const { return seed; }

private:
    void writeLine(const std::string& line);
    void writeHeader(GameCanvas& canvas);

    std::mutex lock;
    FILE* file = nullptr;
    uint32_t seed = 0;
    bool headerWritten = false;
    bool ended = false;
    int inputs = 0;
};

} // namespace ripple
