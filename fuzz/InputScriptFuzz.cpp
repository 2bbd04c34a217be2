// Feeds arbitrary text to the script and replay parser. A text it accepts
// must read back the same after being written out, and every input line
// must survive the trip through an event.

#include "core/Object.h"
#include "core/String.h"
#include "game/InputScript.h"
#include "gfx/Event.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool sameEvent(const lang::Event& a, const lang::Event& b) {
    auto* ta = lang::as<lang::String>(a.arg.get());
    auto* tb = lang::as<lang::String>(b.arg.get());
    return a.id == b.id && a.x == b.x && a.y == b.y && a.modifiers == b.modifiers &&
           a.key == b.key && a.clickCount == b.clickCount && (ta == nullptr) == (tb == nullptr) &&
           (!ta || ta->equals(*tb));
}

std::string written(const ripple::InputScript& script) {
    std::string out = script.header.format();
    for (const ripple::ScriptLine& line : script.lines)
        out += line.format() + "\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ripple::InputScript script;
    std::string error;
    if (!ripple::InputScript::parse(text, script, error)) {
        if (error.rfind("line ", 0) != 0)
            std::abort();
        return 0;
    }
    std::string once = written(script);
    ripple::InputScript again;
    if (!ripple::InputScript::parse(once, again, error) || written(again) != once)
        std::abort();
    auto source = lang::adopt(new lang::Object());
    for (const ripple::ScriptLine& line : script.lines) {
        if (!line.isInput())
            continue;
        lang::Ref<lang::Event> e = line.toEvent(source.get(), 0, 0);
        ripple::ScriptLine back;
        if (!e || !ripple::ScriptLine::fromEvent(*e, line.frame, back))
            std::abort();
        lang::Ref<lang::Event> again = back.toEvent(source.get(), 0, 0);
        if (!again || !sameEvent(*e, *again))
            std::abort();
    }
    return 0;
}
