#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The value types of the settings store; the numbers are the registry's type
// codes, so code that tests "type 4" reads the same on every platform.
enum class SettingsType : uint8_t { String = 1, Binary = 3, Dword = 4 };

struct SettingsValue {
    std::string name;
    SettingsType type = SettingsType::Binary;
    uint32_t number = 0; // a Dword's value
    std::string bytes;   // a String's characters (no terminator) or a Binary's bytes

    bool operator==(const SettingsValue&) const = default;
};

// The content of one settings file: a tree of keys, each holding named typed
// values. A key is named by its path below the root key, components joined by
// "\" ("" is the root). Key paths and value names compare without regard to
// case (code page 1252) and keep the case they were first written with.
//
// The text form is meant for a person to read and mend:
//
//   [Ripple]
//   "FULLSCREEN"=dword:00000001
//   "MRUHSNAME"="Ann \"the ace\""
//   [Ripple\SAVE]
//   "0"=hex:00,01,fe,ff
//
// A section header names a key by the root's name followed by its path; "%HH"
// escapes a byte that cannot stand in a header. Inside quotes "\\", "\"" and
// "\xHH" are the escapes. A line ending in "\" continues on the next one;
// lines starting with ";" or "#" are comments.
class SettingsDocument {
public:
    // Largest text parse() accepts; a settings file never comes near it, and
    // the cap bounds what a broken or hostile file can make us allocate.
    static constexpr size_t maxTextSize = 16u << 20;

    // Replaces the content by the parsed text. On failure the document is left
    // empty, false is returned and *error (when given) tells the line and the
    // fault. Duplicate values in a key keep the last one.
    bool parse(std::string_view text, std::string* error = nullptr);
    // The text form, the root key written as rootName.
    std::string serialize(std::string_view rootName) const;

    // The value, or null. The pointer lives until the document next changes.
    const SettingsValue* find(std::string_view keyPath, std::string_view name) const;
    // Stores the value in the key (created when absent), replacing one of the
    // same name.
    void set(std::string_view keyPath, SettingsValue value);
    void createKey(std::string_view keyPath);
    // False when there was no such value.
    bool removeValue(std::string_view keyPath, std::string_view name);
    // Removes a key below the root together with the keys below it; false when
    // there was none (the root itself is never removed).
    bool removeKey(std::string_view keyPath);
    // True for the root, a key that was written and any key above one.
    bool hasKey(std::string_view keyPath) const;
    // Names of the keys directly below a key, sorted without regard to case.
    std::vector<std::string> subKeyNames(std::string_view keyPath) const;
    void clear() { keys.clear(); }
    bool isEmpty() const { return keys.empty(); }

    // "a\\b\" -> "a\b": empty components are dropped, so "" and "\" both name
    // the root.
    static std::string normalizeKeyPath(std::string_view path);

    // Same keys and values, values in the same order; names compare exactly.
    bool operator==(const SettingsDocument& other) const;

private:
    // Case-insensitive orders; in paths the separator sorts below every other
    // character, so a key's descendants follow it directly.
    struct NameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct PathLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Slot {
        uint64_t order; // values are written in the order they were created
        SettingsValue value;
    };
    struct Key {
        std::string path;
        std::map<std::string, Slot, NameLess> values;
        std::vector<const SettingsValue*> inOrder() const;
    };
    Key* findKey(std::string_view normalizedPath);
    const Key* findKey(std::string_view normalizedPath) const;
    Key& ensureKey(std::string_view normalizedPath);

    // Maps keep lookups cheap however many values a (possibly hostile) file
    // holds.
    std::map<std::string, Key, PathLess> keys;
    uint64_t nextOrder = 0;
};

} // namespace platform
