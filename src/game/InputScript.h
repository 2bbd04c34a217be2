#pragma once

#include "core/Ref.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lang {
class Event;
class Object;
} // namespace lang

namespace ripple {

// One timed line of an input script or a replay: an input handed to the game
// when the canvas's frame counter reaches `frame`, or an expectation checked
// then. Lines of one frame run in file order.
//
//   <frame> move X Y [MODS]          pointer motion (drag: with a button held)
//   <frame> drag X Y [MODS]
//   <frame> press [X Y [MODS [CLICKS]]]   button down, at the last pointer
//   <frame> release [X Y [MODS]]          position when X Y are left out
//   <frame> key C                    a typed character (%XX for '#', '%', space)
//   <frame> keycode KEY VKEY MODS [TEXT]  any key press as the window builds it
//   <frame> pause                    the window lost the focus
//   <frame> command NAME             a named command through the event queue
//   <frame> expect state|score|lives|level N
//   <frame> expect visible|hidden NAME
//   <frame> end                      the session ended here
struct ScriptLine {
    enum class Kind {
        Move,
        Drag,
        Press,
        Release,
        Key,
        KeyCode,
        Pause,
        Command,
        ExpectState,
        ExpectScore,
        ExpectLives,
        ExpectLevel,
        ExpectVisible,
        ExpectHidden,
        End
    };

    int lineNumber = 0;
    int frame = 0;
    Kind kind = Kind::End;
    bool hasPoint = false;
    int x = 0;
    int y = 0;
    int modifiers = 0;
    int clicks = 1;
    int key = 0;
    int vkey = 0;
    // The number of an expectation.
    int value = 0;
    // A command or sprite name, or a key press's text (Control+V).
    std::string text;

    bool isInput() const { return kind <= Kind::Command; }
    bool isExpectation() const { return kind >= Kind::ExpectState && kind <= Kind::ExpectHidden; }
    // The line as the parser reads it back (without its line number).
    std::string format() const;
    // The event the window would have built for this input, from `source`;
    // null for expectations and the end. `lastX`/`lastY`: where a press or
    // release without a point happens.
    lang::Ref<lang::Event> toEvent(lang::Object* source, int lastX, int lastY) const;
    // The line for a dispatched event; false for an event no script can carry.
    static bool fromEvent(const lang::Event& event, int frame, ScriptLine& out);
};

// A high-score table entry carried by a replay header.
struct ScoreRow {
    std::string mode;
    int level = 0;
    int score = 0;
    int setting = 0;
    std::string name;
};

// What a replay needs besides its input: the generator's seed, the identity
// of the data it was recorded with, and the stored settings and score tables
// the game reads while it runs.
//
//   seed N
//   data SIZE HASH        ripple.bin's size and FNV-1a 64 hash (16 hex digits)
//   setting NAME N
//   text NAME VALUE
//   score MODE LEVEL SCORE SETTING NAME
struct ReplayHeader {
    bool hasSeed = false;
    uint32_t seed = 0;
    bool hasData = false;
    uint64_t dataSize = 0;
    uint64_t dataHash = 0;
    std::vector<std::pair<std::string, int>> intSettings;
    std::vector<std::pair<std::string, std::string>> textSettings;
    std::vector<ScoreRow> scores;

    // The header lines, each ending in a newline.
    std::string format() const;
};

// A parsed script or replay. Comments run from '#' to the end of a line;
// words are separated by blanks; text words are percent-encoded.
struct InputScript {
    static constexpr int maxFrame = 100000000;
    static constexpr size_t maxTextLength = 1023;

    ReplayHeader header;
    std::vector<ScriptLine> lines;

    // False, with `error` as "line N: what is wrong", for any line that is not
    // one of the forms above, a frame before an earlier line's, or a number
    // out of range. Nothing of a refused text is kept.
    static bool parse(const std::string& text, InputScript& out, std::string& error);
    // The frame of the last line, 0 for none.
    int lastFrame() const { return lines.empty() ? 0 : lines.back().frame; }
};

// A word that survives the script's word and comment rules.
std::string encodeScriptText(const std::string& text);
// The inverse; false for a broken escape.
bool decodeScriptText(const std::string& word, std::string& out);

} // namespace ripple
