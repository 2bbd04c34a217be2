#include "ScoreRequest.h"

#include "TokenCheck.h"

#include <array>
#include <optional>

namespace scores {

namespace {

constexpr std::string_view tablePage = "globalhs.jsp";
constexpr std::string_view submitPage = "addglobalhs.jsp";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

ScoreRequest refuse(std::string reason, int status = 400) {
    ScoreRequest r;
    r.status = status;
    r.reason = std::move(reason);
    return r;
}

// The query's values by key; a key missing from the query stays empty.
struct Query {
    static constexpr std::array<std::string_view, 5> keys = {"game", "mode", "name", "score", "s"};
    std::array<std::optional<std::string>, keys.size()> values;

    const std::optional<std::string>& operator[](std::string_view key) const {
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == key) {
                return values[i];
            }
        }
        static const std::optional<std::string> none;
        return none;
    }
};

// Splits and decodes the query; returns a reason on failure, empty on success.
std::string readQuery(std::string_view query, Query& out) {
    while (!query.empty()) {
        size_t amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty()) {
            continue;
        }
        size_t eq = pair.find('=');
        if (eq == std::string_view::npos) {
            return "query item without a value";
        }
        std::string_view key = pair.substr(0, eq);
        size_t index = 0;
        while (index < Query::keys.size() && Query::keys[index] != key) {
            ++index;
        }
        if (index == Query::keys.size()) {
            return "unknown query key";
        }
        if (out.values[index]) {
            return "repeated query key";
        }
        std::string value;
        if (!percentDecode(pair.substr(eq + 1), value)) {
            return "bad escape in query";
        }
        out.values[index] = std::move(value);
    }
    return {};
}

// A plain decimal without sign, spaces or leading zeros, at most nine digits.
std::optional<int> plainNumber(std::string_view text) {
    if (text.empty() || text.size() > 9 || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

bool percentDecode(std::string_view in, std::string& out) {
    out.clear();
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        auto c = static_cast<unsigned char>(in[i]);
        if (c == '%') {
            if (i + 2 >= in.size()) {
                return false;
            }
            int high = hexValue(in[i + 1]);
            int low = hexValue(in[i + 2]);
            if (high < 0 || low < 0 || (high == 0 && low == 0)) {
                return false;
            }
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else if (c == '+') {
            out.push_back(' ');
        } else if (c <= ' ' || c >= 0x7f) {
            return false;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return true;
}

bool isNameByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '-' || c == '.' || c >= 192;
}

std::string nameToUtf8(std::string_view nameBytes) {
    std::string out;
    out.reserve(nameBytes.size() * 2);
    for (char ch : nameBytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

ScoreRequest parseScoreRequest(std::string_view target, const RequestRules& rules) {
    if (target.size() > maxTargetLength) {
        return refuse("request too long");
    }
    size_t question = target.find('?');
    std::string_view path = target.substr(0, question);
    std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    std::string_view page = path.substr(path.rfind('/') + 1);
    if (path.empty() || path[0] != '/') {
        return refuse("not a page of this service", 404);
    }

    ScoreRequest request;
    if (page == tablePage) {
        request.kind = ScoreRequest::Kind::Table;
    } else if (page == submitPage) {
        request.kind = ScoreRequest::Kind::Submit;
    } else {
        return refuse("not a page of this service", 404);
    }

    Query q;
    if (std::string reason = readQuery(query, q); !reason.empty()) {
        return refuse(std::move(reason));
    }
    bool submit = request.kind == ScoreRequest::Kind::Submit;
    if (!q["game"] || !q["mode"]) {
        return refuse("game or mode missing");
    }
    if (!submit && (q["name"] || q["score"] || q["s"])) {
        return refuse("submission keys on a table request");
    }
    if (rules.games.find(*q["game"]) == rules.games.end()) {
        return refuse("unknown game");
    }
    const std::string& mode = *q["mode"];
    if (mode.size() != 2 || mode[0] != 'M' || mode[1] < '0' || mode[1] >= '0' + modeCount) {
        return refuse("unknown mode");
    }
    request.entry.game = *q["game"];
    request.entry.mode = mode[1] - '0';
    request.status = 200;
    if (!submit) {
        return request;
    }

    if (!q["name"] || !q["score"] || !q["s"]) {
        return refuse("name, token or score missing");
    }
    const std::string& name = *q["name"];
    if (name.empty() || name.size() > maxNameLength) {
        return refuse("name length");
    }
    for (char c : name) {
        if (!isNameByte(static_cast<unsigned char>(c))) {
            return refuse("character not allowed in a name");
        }
    }
    std::optional<int> score = plainNumber(*q["s"]);
    if (!score || *score < 1 || *score > rules.maxScore) {
        return refuse("score out of range");
    }
    std::optional<int> level = tokenLevel(name, request.entry.game, *q["score"], *score);
    if (!level) {
        return refuse("token does not match score and name");
    }
    if (*level < 0 || *level > rules.maxLevel) {
        return refuse("token carries a level out of range");
    }
    request.entry.name = nameToUtf8(name);
    request.entry.score = *score;
    request.entry.level = *level;
    request.entry.token = *q["score"];
    return request;
}

} // namespace scores
