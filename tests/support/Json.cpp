#include "support/Json.h"

#include <cstdlib>

namespace testsupport {

namespace {

class Parser {
public:
    explicit Parser(const std::string& s) : s(s) {}

    bool document(Json& out, std::string& error) {
        bool ok = value(out, 0) && (skip(), pos == s.size());
        if (!ok)
            error = "malformed JSON near offset " + std::to_string(pos);
        return ok;
    }

private:
    void skip() {
        while (pos < s.size() &&
               (s[pos] == ' ' || s[pos] == '\n' || s[pos] == '\r' || s[pos] == '\t'))
            ++pos;
    }
    bool literal(const char* word) {
        std::string w(word);
        if (s.compare(pos, w.size(), w) != 0)
            return false;
        pos += w.size();
        return true;
    }
    bool string(std::string& out) {
        if (s[pos] != '"')
            return false;
        for (++pos; pos < s.size(); ++pos) {
            char c = s[pos];
            if (c == '"') {
                ++pos;
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++pos >= s.size())
                return false;
            switch (s[pos]) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                // Only the lists' own ASCII escapes are expected; anything
                // beyond one byte is written as UTF-8.
                if (pos + 4 >= s.size())
                    return false;
                unsigned code =
                    static_cast<unsigned>(std::strtoul(s.substr(pos + 1, 4).c_str(), nullptr, 16));
                pos += 4;
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                break;
            }
            default:
                out += s[pos];
                break;
            }
        }
        return false;
    }
    bool value(Json& out, int depth) {
        skip();
        if (pos >= s.size() || depth > 64)
            return false;
        char c = s[pos];
        if (c == '{') {
            out.kind = Json::Kind::Object;
            ++pos;
            skip();
            if (pos < s.size() && s[pos] == '}')
                return ++pos, true;
            for (;;) {
                skip();
                std::string key;
                if (pos >= s.size() || !string(key))
                    return false;
                skip();
                if (pos >= s.size() || s[pos++] != ':')
                    return false;
                if (!value(out.members[key], depth + 1))
                    return false;
                skip();
                if (pos >= s.size())
                    return false;
                if (s[pos] == '}')
                    return ++pos, true;
                if (s[pos++] != ',')
                    return false;
            }
        }
        if (c == '[') {
            out.kind = Json::Kind::Array;
            ++pos;
            skip();
            if (pos < s.size() && s[pos] == ']')
                return ++pos, true;
            for (;;) {
                out.items.emplace_back();
                if (!value(out.items.back(), depth + 1))
                    return false;
                skip();
                if (pos >= s.size())
                    return false;
                if (s[pos] == ']')
                    return ++pos, true;
                if (s[pos++] != ',')
                    return false;
            }
        }
        if (c == '"') {
            out.kind = Json::Kind::String;
            return string(out.text);
        }
        if (literal("true")) {
            out.kind = Json::Kind::Bool;
            out.boolean = true;
            return true;
        }
        if (literal("false")) {
            out.kind = Json::Kind::Bool;
            return true;
        }
        if (literal("null"))
            return true;
        char* end = nullptr;
        out.number = std::strtod(s.c_str() + pos, &end);
        if (end == s.c_str() + pos)
            return false;
        out.kind = Json::Kind::Number;
        pos = static_cast<size_t>(end - s.c_str());
        return true;
    }

    const std::string& s;
    size_t pos = 0;
};

} // namespace

const Json& Json::operator[](const std::string& key) const {
    static const Json none;
    auto it = members.find(key);
    return it == members.end() ? none : it->second;
}

std::string Json::str(const std::string& key, const std::string& fallback) const {
    const Json& v = (*this)[key];
    return v.kind == Kind::String ? v.text : fallback;
}

int Json::integer(const std::string& key, int fallback) const {
    const Json& v = (*this)[key];
    return v.kind == Kind::Number ? static_cast<int>(v.number) : fallback;
}

bool Json::flag(const std::string& key) const {
    const Json& v = (*this)[key];
    return v.kind == Kind::Bool && v.boolean;
}

bool Json::parse(const std::string& source, Json& out, std::string& error) {
    out = Json();
    return Parser(source).document(out, error);
}

} // namespace testsupport
