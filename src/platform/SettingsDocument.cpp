#include "platform/SettingsDocument.h"

#include "platform/Charset.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";
constexpr int bytesPerHexLine = 25;

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ansiFoldCase(a[i]) != ansiFoldCase(b[i]))
            return false;
    return true;
}

// Case-insensitive order of names; in paths the separator sorts below every
// other character, so "a\b" comes right after "a" and before "a!". This is
// the innermost loop of every lookup, hence the table.
bool foldedLess(std::string_view a, std::string_view b, bool paths) {
    static const auto weights = [] {
        std::array<std::array<unsigned short, 256>, 2> table;
        for (int c = 0; c < 256; ++c) {
            table[0][c] = ansiFoldCase(static_cast<unsigned char>(c));
            table[1][c] = c == '\\' ? 0 : table[0][c] + 1;
        }
        return table;
    }();
    const auto& weight = weights[paths ? 1 : 0];
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned short x = weight[static_cast<unsigned char>(a[i])];
        unsigned short y = weight[static_cast<unsigned char>(b[i])];
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

bool pathLess(std::string_view a, std::string_view b) {
    return foldedLess(a, b, true);
}

// True when path lies strictly below ancestor ("" is the root).
bool isBelow(std::string_view path, std::string_view ancestor) {
    if (ancestor.empty())
        return !path.empty();
    return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
           equalsIgnoreCase(path.substr(0, ancestor.size()), ancestor);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendHexByte(std::string& out, unsigned char b) {
    out += hexDigits[b >> 4];
    out += hexDigits[b & 15];
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            appendHexByte(out, c);
        } else {
            out += ch;
        }
    }
    out += '"';
}

void appendHeaderComponent(std::string& out, std::string_view component) {
    for (char ch : component) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '%' || c == '[' || c == ']' || c < 0x20 || c >= 0x7F) {
            out += '%';
            appendHexByte(out, c);
        } else {
            out += ch;
        }
    }
}

// Reads the text form one logical line at a time.
class Parser {
public:
    Parser(std::string_view text, SettingsDocument& doc) : text(text), doc(doc) {}

    bool run(std::string& error) {
        std::string line;
        while (nextLine(line)) {
            std::string_view rest = trimLeft(line);
            if (rest.empty() || rest[0] == ';' || rest[0] == '#')
                continue;
            bool ok = rest[0] == '[' ? header(rest) : valueLine(rest);
            if (!ok) {
                error = "line " + std::to_string(lineNumber) + ": " + fault;
                return false;
            }
        }
        return true;
    }

private:
    static std::string_view trimLeft(std::string_view s) {
        size_t i = s.find_first_not_of(" \t");
        return i == std::string_view::npos ? std::string_view() : s.substr(i);
    }
    static std::string_view trimRight(std::string_view s) {
        size_t i = s.find_last_not_of(" \t");
        return i == std::string_view::npos ? std::string_view() : s.substr(0, i + 1);
    }

    // Joins a line ending in "\" with the next one (comments never continue).
    // Sets lineNumber to the first physical line of the logical one.
    bool nextLine(std::string& line) {
        line.clear();
        if (pos >= text.size())
            return false;
        lineNumber = physicalLine + 1;
        for (bool first = true;; first = false) {
            size_t end = text.find('\n', pos);
            std::string_view physical =
                text.substr(pos, end == std::string_view::npos ? text.size() - pos : end - pos);
            pos = end == std::string_view::npos ? text.size() : end + 1;
            ++physicalLine;
            if (!physical.empty() && physical.back() == '\r')
                physical.remove_suffix(1);
            std::string_view trimmed = trimRight(physical);
            std::string_view lead = trimLeft(physical);
            bool comment = first && !lead.empty() && (lead[0] == ';' || lead[0] == '#');
            if (!comment && !trimmed.empty() && trimmed.back() == '\\' && pos < text.size()) {
                line.append(trimmed.substr(0, trimmed.size() - 1));
                continue;
            }
            line.append(physical);
            return true;
        }
    }

    bool fail(const char* what) {
        fault = what;
        return false;
    }

    bool header(std::string_view rest) {
        rest = trimRight(rest);
        if (rest.size() < 2 || rest.back() != ']')
            return fail("a key header must end with ']'");
        std::string_view inside = rest.substr(1, rest.size() - 2);
        std::string path;
        for (size_t i = 0; i < inside.size(); ++i) {
            char c = inside[i];
            if (c == '%') {
                int hi = i + 1 < inside.size() ? hexValue(inside[i + 1]) : -1;
                int lo = i + 2 < inside.size() ? hexValue(inside[i + 2]) : -1;
                if (hi < 0 || lo < 0)
                    return fail("'%' in a key name must be followed by two hex digits");
                c = static_cast<char>(hi * 16 + lo);
                if (c == '\0' || c == '\\')
                    return fail("a key name cannot hold that character");
                i += 2;
            } else if (c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20) {
                return fail("a key name cannot hold that character");
            }
            path += c;
        }
        // The first component names the root key itself, whatever it is called.
        size_t slash = path.find('\\');
        if (slash == 0 || path.empty())
            return fail("a key header must start with the root key's name");
        currentKey = slash == std::string::npos
                         ? std::string()
                         : SettingsDocument::normalizeKeyPath(std::string_view(path).substr(slash));
        // An empty section still names a key, as an empty registry key exists.
        doc.createKey(currentKey);
        return true;
    }

    // Reads a quoted text at the start of s; advances s past it.
    bool quoted(std::string_view& s, std::string& out) {
        if (s.empty() || s[0] != '"')
            return fail("expected '\"'");
        out.clear();
        size_t i = 1;
        for (;;) {
            if (i >= s.size())
                return fail("a quoted text is not closed");
            auto c = static_cast<unsigned char>(s[i]);
            if (c == '"')
                break;
            if (c == '\\') {
                if (i + 1 >= s.size())
                    return fail("a quoted text is not closed");
                char e = s[i + 1];
                if (e == '\\' || e == '"') {
                    out += e;
                    i += 2;
                } else if (e == 'x') {
                    int hi = i + 2 < s.size() ? hexValue(s[i + 2]) : -1;
                    int lo = i + 3 < s.size() ? hexValue(s[i + 3]) : -1;
                    if (hi < 0 || lo < 0)
                        return fail("'\\x' must be followed by two hex digits");
                    if (hi == 0 && lo == 0)
                        return fail("a text cannot hold a zero byte");
                    out += static_cast<char>(hi * 16 + lo);
                    i += 4;
                } else {
                    return fail("unknown escape in a quoted text");
                }
                continue;
            }
            if (c < 0x20 && c != '\t')
                return fail("a control character in a quoted text");
            out += static_cast<char>(c);
            ++i;
        }
        s.remove_prefix(i + 1);
        return true;
    }

    bool dword(std::string_view s, SettingsValue& value) {
        s = trimRight(s);
        if (s.empty() || s.size() > 8)
            return fail("a dword takes one to eight hex digits");
        uint32_t n = 0;
        for (char c : s) {
            int v = hexValue(c);
            if (v < 0)
                return fail("a dword takes one to eight hex digits");
            n = n * 16 + static_cast<uint32_t>(v);
        }
        value.type = SettingsType::Dword;
        value.number = n;
        return true;
    }

    bool hexBytes(std::string_view s, SettingsValue& value) {
        value.type = SettingsType::Binary;
        s = trimLeft(trimRight(s));
        while (!s.empty()) {
            size_t digits = 0;
            int byte = 0;
            while (digits < s.size() && digits <= 2 && hexValue(s[digits]) >= 0) {
                byte = byte * 16 + hexValue(s[digits]);
                ++digits;
            }
            if (digits == 0 || digits > 2)
                return fail("binary data is hex bytes separated by commas");
            value.bytes += static_cast<char>(byte);
            s = trimLeft(s.substr(digits));
            if (s.empty())
                break;
            if (s[0] != ',')
                return fail("binary data is hex bytes separated by commas");
            s = trimLeft(s.substr(1));
        }
        return true;
    }

    bool valueLine(std::string_view s) {
        SettingsValue value;
        if (!s.empty() && s[0] == '@') {
            s.remove_prefix(1);
        } else if (!quoted(s, value.name)) {
            return false;
        }
        s = trimLeft(s);
        if (s.empty() || s[0] != '=')
            return fail("expected '=' after the value name");
        s = trimLeft(s.substr(1));
        if (s.starts_with("dword:")) {
            if (!dword(s.substr(6), value))
                return false;
        } else if (s.starts_with("hex:")) {
            if (!hexBytes(s.substr(4), value))
                return false;
        } else if (s.starts_with("\"")) {
            if (!quoted(s, value.bytes))
                return false;
            if (!trimLeft(s).empty())
                return fail("unexpected text after the closing '\"'");
            value.type = SettingsType::String;
        } else {
            return fail("a value is dword:, hex: or a quoted text");
        }
        doc.set(currentKey, std::move(value));
        return true;
    }

    std::string_view text;
    SettingsDocument& doc;
    size_t pos = 0;
    int physicalLine = 0;
    int lineNumber = 0;
    std::string currentKey;
    const char* fault = "";
};

} // namespace

std::string SettingsDocument::normalizeKeyPath(std::string_view path) {
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            if (!out.empty())
                out += '\\';
            out.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

bool SettingsDocument::parse(std::string_view text, std::string* error) {
    keys.clear();
    std::string message;
    bool ok = false;
    if (text.size() > maxTextSize)
        message = "the file is too large";
    else if (text.find('\0') != std::string_view::npos)
        message = "the file holds a zero byte";
    else
        ok = Parser(text, *this).run(message);
    // The root key always exists in a file, as it is always written out.
    if (ok)
        createKey("");
    if (!ok) {
        keys.clear();
        if (error)
            *error = message;
    }
    return ok;
}

std::string SettingsDocument::serialize(std::string_view rootName) const {
    std::string out = "; Settings kept by the game; one value a line under its [key]:\n"
                      ";   \"NAME\"=dword:0000002a   a 32-bit number in hex\n"
                      ";   \"NAME\"=\"text\"           \\\\ \\\" and \\xHH are escapes\n"
                      ";   \"NAME\"=hex:01,ff        bytes in hex; a line ending in \\ goes on\n";
    auto writeHeader = [&](std::string_view path) {
        out += "\n[";
        appendHeaderComponent(out, rootName);
        size_t start = 0;
        while (start < path.size()) {
            size_t end = std::min(path.find('\\', start), path.size());
            out += '\\';
            appendHeaderComponent(out, path.substr(start, end - start));
            start = end + 1;
        }
        out += "]\n";
    };
    if (keys.empty() || !keys.begin()->second.path.empty())
        writeHeader("");
    for (const auto& entry : keys) {
        const Key& key = entry.second;
        writeHeader(key.path);
        for (const SettingsValue* value : key.inOrder()) {
            const SettingsValue& v = *value;
            if (v.name.empty())
                out += '@';
            else
                appendQuoted(out, v.name);
            out += '=';
            switch (v.type) {
            case SettingsType::Dword:
                out += "dword:";
                for (int shift = 28; shift >= 0; shift -= 4)
                    out += hexDigits[(v.number >> shift) & 15];
                break;
            case SettingsType::String:
                appendQuoted(out, v.bytes);
                break;
            case SettingsType::Binary:
                out += "hex:";
                for (size_t i = 0; i < v.bytes.size(); ++i) {
                    if (i > 0) {
                        out += ',';
                        if (i % bytesPerHexLine == 0)
                            out += "\\\n  ";
                    }
                    appendHexByte(out, static_cast<unsigned char>(v.bytes[i]));
                }
                break;
            }
            out += '\n';
        }
    }
    return out;
}

bool SettingsDocument::NameLess::operator()(std::string_view a, std::string_view b) const {
    return foldedLess(a, b, false);
}

bool SettingsDocument::PathLess::operator()(std::string_view a, std::string_view b) const {
    return pathLess(a, b);
}

std::vector<const SettingsValue*> SettingsDocument::Key::inOrder() const {
    std::vector<const Slot*> slots;
    slots.reserve(values.size());
    for (const auto& entry : values)
        slots.push_back(&entry.second);
    std::sort(slots.begin(), slots.end(),
              [](const Slot* a, const Slot* b) { return a->order < b->order; });
    std::vector<const SettingsValue*> out;
    out.reserve(slots.size());
    for (const Slot* slot : slots)
        out.push_back(&slot->value);
    return out;
}

bool SettingsDocument::operator==(const SettingsDocument& other) const {
    if (keys.size() != other.keys.size())
        return false;
    for (auto a = keys.begin(), b = other.keys.begin(); a != keys.end(); ++a, ++b) {
        if (a->second.path != b->second.path)
            return false;
        std::vector<const SettingsValue*> mine = a->second.inOrder();
        std::vector<const SettingsValue*> theirs = b->second.inOrder();
        if (!std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end(),
                        [](const SettingsValue* x, const SettingsValue* y) { return *x == *y; }))
            return false;
    }
    return true;
}

SettingsDocument::Key* SettingsDocument::findKey(std::string_view normalizedPath) {
    auto it = keys.find(normalizedPath);
    return it == keys.end() ? nullptr : &it->second;
}

const SettingsDocument::Key* SettingsDocument::findKey(std::string_view normalizedPath) const {
    return const_cast<SettingsDocument*>(this)->findKey(normalizedPath);
}

SettingsDocument::Key& SettingsDocument::ensureKey(std::string_view normalizedPath) {
    if (Key* key = findKey(normalizedPath))
        return *key;
    std::string path(normalizedPath);
    return keys.emplace(path, Key{path, {}}).first->second;
}

const SettingsValue* SettingsDocument::find(std::string_view keyPath, std::string_view name) const {
    const Key* key = findKey(normalizeKeyPath(keyPath));
    if (!key)
        return nullptr;
    auto it = key->values.find(name);
    return it == key->values.end() ? nullptr : &it->second.value;
}

void SettingsDocument::set(std::string_view keyPath, SettingsValue value) {
    Key& key = ensureKey(normalizeKeyPath(keyPath));
    auto it = key.values.find(std::string_view(value.name));
    if (it != key.values.end()) {
        // Keep the name as first written and the place, as a registry does.
        value.name = it->second.value.name;
        it->second.value = std::move(value);
        return;
    }
    std::string name = value.name;
    key.values.emplace(std::move(name), Slot{nextOrder++, std::move(value)});
}

void SettingsDocument::createKey(std::string_view keyPath) {
    ensureKey(normalizeKeyPath(keyPath));
}

bool SettingsDocument::removeValue(std::string_view keyPath, std::string_view name) {
    Key* key = findKey(normalizeKeyPath(keyPath));
    if (!key)
        return false;
    auto it = key->values.find(name);
    if (it == key->values.end())
        return false;
    key->values.erase(it);
    return true;
}

bool SettingsDocument::removeKey(std::string_view keyPath) {
    std::string path = normalizeKeyPath(keyPath);
    if (path.empty())
        return false;
    auto first = keys.lower_bound(std::string_view(path));
    auto last = first;
    while (last != keys.end() &&
           (equalsIgnoreCase(last->second.path, path) || isBelow(last->second.path, path)))
        ++last;
    if (first == last)
        return false;
    keys.erase(first, last);
    return true;
}

bool SettingsDocument::hasKey(std::string_view keyPath) const {
    std::string path = normalizeKeyPath(keyPath);
    if (path.empty())
        return true;
    auto it = keys.lower_bound(std::string_view(path));
    return it != keys.end() &&
           (equalsIgnoreCase(it->second.path, path) || isBelow(it->second.path, path));
}

std::vector<std::string> SettingsDocument::subKeyNames(std::string_view keyPath) const {
    std::string path = normalizeKeyPath(keyPath);
    std::vector<std::string> names;
    // Descendants follow the key in path order, children in name order.
    for (auto it = keys.upper_bound(std::string_view(path)); it != keys.end(); ++it) {
        const std::string& p = it->second.path;
        if (!isBelow(p, path))
            break;
        std::string_view rest = std::string_view(p).substr(path.empty() ? 0 : path.size() + 1);
        std::string_view child = rest.substr(0, rest.find('\\'));
        if (names.empty() || !equalsIgnoreCase(names.back(), child))
            names.emplace_back(child);
    }
    return names;
}

} // namespace platform
