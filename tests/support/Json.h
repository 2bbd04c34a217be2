#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// A parsed JSON value, enough to read the project's own data lists in tests.
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    bool has(const std::string& key) const { return members.count(key) != 0; }
    // The member `key`, or a null value when absent.
    const Json& operator[](const std::string& key) const;
    std::string str(const std::string& key, const std::string& fallback = "") const;
    int integer(const std::string& key, int fallback = 0) const;
    bool flag(const std::string& key) const;

    // Parses `source`; on malformed input returns false and describes the
    // place in `error`.
    static bool parse(const std::string& source, Json& out, std::string& error);
};

} // namespace testsupport
