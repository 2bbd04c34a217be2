#include "game/InputScript.h"

#include "app/GameCanvas.h"
#include "core/String.h"
#include "gfx/Event.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace ripple {

namespace {

using Kind = ScriptLine::Kind;

constexpr int maxCoordinate = 32767;
constexpr int maxModifiers = 0xFFFF;
constexpr int maxClicks = 1000;
constexpr int maxKey = 0x10FFFF + 1000;
constexpr int maxVirtualKey = 0xFFFF;

struct KindName {
    Kind kind;
    const char* name;
};

constexpr KindName inputNames[] = {
    {Kind::Move, "move"},       {Kind::Drag, "drag"},       {Kind::Press, "press"},
    {Kind::Release, "release"}, {Kind::Key, "key"},         {Kind::KeyCode, "keycode"},
    {Kind::Pause, "pause"},     {Kind::Command, "command"}, {Kind::End, "end"},
};

constexpr KindName expectNames[] = {
    {Kind::ExpectState, "state"}, {Kind::ExpectScore, "score"},     {Kind::ExpectLives, "lives"},
    {Kind::ExpectLevel, "level"}, {Kind::ExpectVisible, "visible"}, {Kind::ExpectHidden, "hidden"},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        size_t start = i;
        while (i < line.size() && !isBlank(line[i]) && line[i] != '#')
            ++i;
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

template <class T>
bool number(const std::string& word, T low, T high, T& out) {
    T value{};
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || value < low || value > high)
        return false;
    out = value;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads one line's words; `fail` records the first problem.
class LineReader {
public:
    LineReader(std::vector<std::string> words, std::string& problem)
        : words(std::move(words)), problem(problem) {}

    size_t count() const { return words.size(); }
    bool done() const { return next >= words.size(); }
    bool fail(const std::string& what) {
        if (problem.empty())
            problem = what;
        return false;
    }
    bool integer(const char* what, int low, int high, int& out) {
        if (done())
            return fail(std::string("missing ") + what);
        if (!number(words[next], low, high, out))
            return fail(std::string("bad ") + what + " \"" + words[next] + "\"");
        ++next;
        return true;
    }
    bool text(const char* what, std::string& out) {
        if (done())
            return fail(std::string("missing ") + what);
        if (!decodeScriptText(words[next], out) || out.empty() ||
            out.size() > InputScript::maxTextLength)
            return fail(std::string("bad ") + what + " \"" + words[next] + "\"");
        ++next;
        return true;
    }
    // Text that may be empty: the word "-" stands for it ("%2D" is a dash).
    bool optionalText(const char* what, std::string& out) {
        if (!done() && words[next] == "-") {
            out.clear();
            ++next;
            return true;
        }
        return text(what, out);
    }
    const std::string& peek() const { return words[next]; }
    void skip() { ++next; }
    bool end() {
        if (!done())
            return fail("unexpected \"" + words[next] + "\"");
        return true;
    }

private:
    std::vector<std::string> words;
    size_t next = 0;
    std::string& problem;
};

bool point(LineReader& in, ScriptLine& line) {
    line.hasPoint = true;
    return in.integer("x", -maxCoordinate, maxCoordinate, line.x) &&
           in.integer("y", -maxCoordinate, maxCoordinate, line.y);
}

bool optionalModifiers(LineReader& in, ScriptLine& line) {
    return in.done() || in.integer("modifiers", 0, maxModifiers, line.modifiers);
}

bool timedLine(LineReader& in, ScriptLine& line) {
    if (in.done())
        return in.fail("missing action");
    std::string action = in.peek();
    in.skip();
    if (action == "expect") {
        if (in.done())
            return in.fail("missing expectation");
        std::string what = in.peek();
        in.skip();
        for (const KindName& k : expectNames) {
            if (what != k.name)
                continue;
            line.kind = k.kind;
            if (k.kind == Kind::ExpectVisible || k.kind == Kind::ExpectHidden)
                return in.text("sprite name", line.text) && in.end();
            return in.integer("number", INT32_MIN, INT32_MAX, line.value) && in.end();
        }
        return in.fail("unknown expectation \"" + what + "\"");
    }
    bool known = false;
    for (const KindName& k : inputNames)
        if (action == k.name) {
            line.kind = k.kind;
            known = true;
        }
    if (!known)
        return in.fail("unknown action \"" + action + "\"");
    switch (line.kind) {
    case Kind::Move:
    case Kind::Drag:
        return point(in, line) && optionalModifiers(in, line) && in.end();
    case Kind::Press:
        if (in.done())
            return true;
        return point(in, line) && optionalModifiers(in, line) &&
               (in.done() || in.integer("click count", 0, maxClicks, line.clicks)) && in.end();
    case Kind::Release:
        if (in.done())
            return true;
        return point(in, line) && optionalModifiers(in, line) && in.end();
    case Kind::Key: {
        std::string c;
        if (!in.text("character", c))
            return false;
        if (c.size() != 1)
            return in.fail("a key is one character");
        line.key = static_cast<unsigned char>(c[0]);
        return in.end();
    }
    case Kind::KeyCode:
        if (!in.integer("key", 0, maxKey, line.key) ||
            !in.integer("virtual key", 0, maxVirtualKey, line.vkey) ||
            !in.integer("modifiers", 0, maxModifiers, line.modifiers))
            return false;
        return (in.done() || in.text("text", line.text)) && in.end();
    case Kind::Command:
        return in.text("command name", line.text) && in.end();
    default:
        return in.end();
    }
}

bool headerLine(LineReader& in, const std::string& directive, ReplayHeader& header) {
    in.skip();
    if (directive == "seed") {
        if (in.done())
            return in.fail("missing seed");
        if (!number(in.peek(), uint32_t(0), UINT32_MAX, header.seed))
            return in.fail("bad seed \"" + in.peek() + "\"");
        in.skip();
        header.hasSeed = true;
        return in.end();
    }
    if (directive == "data") {
        if (in.count() != 3)
            return in.fail("data needs a size and a hash");
        if (!number(in.peek(), uint64_t(0), UINT64_MAX, header.dataSize))
            return in.fail("bad data size \"" + in.peek() + "\"");
        in.skip();
        const std::string& hash = in.peek();
        uint64_t value = 0;
        if (hash.size() != 16)
            return in.fail("bad data hash \"" + hash + "\"");
        for (char c : hash) {
            int d = hexDigit(c);
            if (d < 0)
                return in.fail("bad data hash \"" + hash + "\"");
            value = value << 4 | uint64_t(d);
        }
        in.skip();
        header.dataHash = value;
        header.hasData = true;
        return in.end();
    }
    if (directive == "setting") {
        std::string name;
        int value = 0;
        if (!in.text("setting name", name) || !in.integer("value", INT32_MIN, INT32_MAX, value))
            return false;
        header.intSettings.emplace_back(name, value);
        return in.end();
    }
    if (directive == "text") {
        std::string name, value;
        if (!in.text("setting name", name) || !in.optionalText("value", value))
            return false;
        header.textSettings.emplace_back(name, value);
        return in.end();
    }
    if (directive == "score") {
        ScoreRow row;
        if (!in.text("mode", row.mode) || !in.integer("level", INT32_MIN, INT32_MAX, row.level) ||
            !in.integer("score", INT32_MIN, INT32_MAX, row.score) ||
            !in.integer("setting", INT32_MIN, INT32_MAX, row.setting) ||
            !in.optionalText("name", row.name))
            return false;
        header.scores.push_back(std::move(row));
        return in.end();
    }
    return in.fail("unknown line \"" + directive + "\"");
}

std::string numberText(int64_t n) {
    return std::to_string(n);
}

std::string optionalWord(const std::string& text) {
    if (text.empty())
        return "-";
    return text == "-" ? "%2D" : encodeScriptText(text);
}

const char* nameOf(Kind kind) {
    for (const KindName& k : inputNames)
        if (k.kind == kind)
            return k.name;
    for (const KindName& k : expectNames)
        if (k.kind == kind)
            return k.name;
    return "?";
}

} // namespace

std::string encodeScriptText(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '#' && c != '%') {
            out += ch;
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

bool decodeScriptText(const std::string& word, std::string& out) {
    out.clear();
    for (size_t i = 0; i < word.size(); ++i) {
        // A NUL byte is refused written raw as well as escaped, so whatever is accepted can be
        // written out and read back the same.
        if (word[i] == '\0')
            return false;
        if (word[i] != '%') {
            out += word[i];
            continue;
        }
        if (i + 2 >= word.size())
            return false;
        int high = hexDigit(word[i + 1]), low = hexDigit(word[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return false;
        out += static_cast<char>(high << 4 | low);
        i += 2;
    }
    return true;
}

std::string ScriptLine::format() const {
    std::string out = numberText(frame);
    out += ' ';
    if (isExpectation()) {
        out += "expect ";
        out += nameOf(kind);
        out += ' ';
        if (kind == Kind::ExpectVisible || kind == Kind::ExpectHidden)
            out += encodeScriptText(text);
        else
            out += numberText(value);
        return out;
    }
    out += nameOf(kind);
    auto add = [&out](int64_t n) {
        out += ' ';
        out += numberText(n);
    };
    switch (kind) {
    case Kind::Move:
    case Kind::Drag:
        add(x);
        add(y);
        if (modifiers)
            add(modifiers);
        break;
    case Kind::Press:
    case Kind::Release:
        if (!hasPoint)
            break;
        add(x);
        add(y);
        if (modifiers || (kind == Kind::Press && clicks != 1))
            add(modifiers);
        if (kind == Kind::Press && clicks != 1)
            add(clicks);
        break;
    case Kind::Key:
        out += ' ';
        out += encodeScriptText(std::string(1, static_cast<char>(key)));
        break;
    case Kind::KeyCode:
        add(key);
        add(vkey);
        add(modifiers);
        if (!text.empty()) {
            out += ' ';
            out += encodeScriptText(text);
        }
        break;
    case Kind::Command:
        out += ' ';
        out += encodeScriptText(text);
        break;
    default:
        break;
    }
    return out;
}

lang::Ref<lang::Event> ScriptLine::toEvent(lang::Object* source, int lastX, int lastY) const {
    using lang::Event;
    int px = hasPoint ? x : lastX, py = hasPoint ? y : lastY;
    lang::Ref<Event> e;
    switch (kind) {
    case Kind::Move:
        return lang::adopt(new Event(source, Event::mouseMove, x, y, modifiers));
    case Kind::Drag:
        return lang::adopt(new Event(source, Event::mouseDrag, x, y, modifiers));
    case Kind::Press:
        e = lang::adopt(new Event(source, Event::mouseDown, px, py, modifiers));
        e->clickCount = clicks;
        return e;
    case Kind::Release:
        return lang::adopt(new Event(source, Event::mouseUp, px, py, modifiers));
    case Kind::Key:
        e = lang::adopt(new Event(source, Event::keyPress, 0, 0, 0));
        e->key = key;
        return e;
    case Kind::KeyCode:
        e = lang::adopt(new Event(source, Event::keyPress, vkey, 0, modifiers));
        e->key = key;
        if (!text.empty())
            e->arg = lang::adopt(new lang::String(text.c_str()));
        return e;
    case Kind::Pause:
        return lang::adopt(new Event(source, GameCanvas::pauseRequestId, 0, 0, 0));
    case Kind::Command: {
        lang::Ref<lang::String> name = lang::adopt(new lang::String(text.c_str()));
        return lang::adopt(new Event(source, Event::namedCommand, name.get()));
    }
    default:
        return nullptr;
    }
}

bool ScriptLine::fromEvent(const lang::Event& e, int frameNumber, ScriptLine& out) {
    using lang::Event;
    ScriptLine line;
    line.frame = frameNumber;
    line.modifiers = e.modifiers;
    line.x = e.x;
    line.y = e.y;
    line.hasPoint = true;
    switch (e.id) {
    case Event::mouseMove:
        line.kind = Kind::Move;
        break;
    case Event::mouseDrag:
        line.kind = Kind::Drag;
        break;
    case Event::mouseDown:
        line.kind = Kind::Press;
        line.clicks = e.clickCount;
        break;
    case Event::mouseUp:
        line.kind = Kind::Release;
        break;
    case Event::keyPress: {
        line = ScriptLine();
        line.frame = frameNumber;
        auto* text = lang::as<lang::String>(e.arg.get());
        if (e.x == 0 && e.modifiers == 0 && !text && e.key > 0 && e.key < 256) {
            line.kind = Kind::Key;
            line.key = e.key;
        } else {
            line.kind = Kind::KeyCode;
            line.key = e.key;
            line.vkey = e.x;
            line.modifiers = e.modifiers;
            if (text)
                line.text = text->getChars();
        }
        break;
    }
    case Event::namedCommand: {
        auto* name = lang::as<lang::String>(e.arg.get());
        if (!name || name->isEmpty())
            return false;
        line = ScriptLine();
        line.frame = frameNumber;
        line.kind = Kind::Command;
        line.text = name->getChars();
        break;
    }
    case GameCanvas::pauseRequestId:
        line = ScriptLine();
        line.frame = frameNumber;
        line.kind = Kind::Pause;
        break;
    default:
        return false;
    }
    // Out of the parser's ranges, the line could not be read back.
    if (line.x < -maxCoordinate || line.x > maxCoordinate || line.y < -maxCoordinate ||
        line.y > maxCoordinate || line.modifiers < 0 || line.modifiers > maxModifiers ||
        line.clicks < 0 || line.clicks > maxClicks || line.key < 0 || line.key > maxKey ||
        line.vkey < 0 || line.vkey > maxVirtualKey || line.text.size() > InputScript::maxTextLength)
        return false;
    out = std::move(line);
    return true;
}

std::string ReplayHeader::format() const {
    std::string out;
    if (hasSeed) {
        out += "seed ";
        out += std::to_string(seed);
        out += '\n';
    }
    if (hasData) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016" PRIx64, dataHash);
        out += "data ";
        out += std::to_string(dataSize);
        out += ' ';
        out += hash;
        out += '\n';
    }
    for (const auto& [name, value] : intSettings) {
        out += "setting ";
        out += encodeScriptText(name);
        out += ' ';
        out += std::to_string(value);
        out += '\n';
    }
    for (const auto& [name, value] : textSettings) {
        out += "text ";
        out += encodeScriptText(name);
        out += ' ';
        out += optionalWord(value);
        out += '\n';
    }
    for (const ScoreRow& row : scores) {
        out += "score ";
        out += encodeScriptText(row.mode);
        for (int n : {row.level, row.score, row.setting}) {
            out += ' ';
            out += std::to_string(n);
        }
        out += ' ';
        out += optionalWord(row.name);
        out += '\n';
    }
    return out;
}

bool InputScript::parse(const std::string& text, InputScript& out, std::string& error) {
    InputScript script;
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t stop = text.find('\n', start);
        if (stop == std::string::npos)
            stop = text.size();
        ++lineNumber;
        std::string problem;
        std::vector<std::string> words = wordsOf(text.substr(start, stop - start));
        start = stop + 1;
        if (words.empty())
            continue;
        LineReader in(words, problem);
        bool timed = !words[0].empty() && words[0][0] >= '0' && words[0][0] <= '9';
        bool ok;
        if (timed) {
            ScriptLine line;
            line.lineNumber = lineNumber;
            ok = in.integer("frame", 0, maxFrame, line.frame) && timedLine(in, line);
            if (ok && !script.lines.empty() && line.frame < script.lines.back().frame)
                ok = in.fail("frame " + std::to_string(line.frame) + " comes before frame " +
                             std::to_string(script.lines.back().frame));
            if (ok)
                script.lines.push_back(std::move(line));
        } else if (!script.lines.empty()) {
            ok = in.fail("\"" + words[0] + "\" after the first timed line");
        } else {
            ok = headerLine(in, words[0], script.header);
        }
        if (!ok) {
            error = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
    }
    out = std::move(script);
    return true;
}

} // namespace ripple
