// Feeds arbitrary bytes to the settings file parser. Whatever parses must
// write out to a text that parses to the same content and writes out the same
// again, so a person's edits and our own writes never drift apart.
#include "platform/SettingsDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::SettingsDocument doc;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!doc.parse(text))
        return 0;
    std::string form = doc.serialize("Ripple");
    platform::SettingsDocument again;
    if (!again.parse(form) || !(again == doc) || again.serialize("Ripple") != form)
        abort();
    // Lookups and changes on whatever the text held.
    for (const std::string& name : doc.subKeyNames("")) {
        doc.find(name, "0");
        doc.removeKey(name);
    }
    doc.serialize("");
    return 0;
}
