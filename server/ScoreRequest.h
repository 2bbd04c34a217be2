#pragma once

#include "ScoreTypes.h"

#include <set>
#include <string>
#include <string_view>

namespace scores {

// What the service accepts besides the fixed shape of a request.
struct RequestRules {
    std::set<std::string, std::less<>> games;
    int maxScore = 100000000;
    int maxLevel = 99;
};

// Longest request target (path and query) looked at; anything longer is refused.
constexpr size_t maxTargetLength = 1024;

// Longest name: the game's name prompt takes at most 7 characters.
constexpr size_t maxNameLength = 7;

// A request target read and checked. kind None means refused: status tells
// 404 (no such page) or 400 (a page of ours asked badly), reason says why.
struct ScoreRequest {
    enum class Kind { None, Table, Submit };
    Kind kind = Kind::None;
    int status = 400;
    std::string reason;
    // Table and Submit: the table asked for. Submit: every field of the entry,
    // address left for the caller.
    Submission entry;
};

// Reads a request target as it arrived ("/globalhs.jsp?game=...&mode=M1").
// The page is recognised by the last segment of the path, so the service may sit
// below any base path. Query values are percent-decoded ("+" is a space); a name
// must pass the game's name check byte by byte, and a submission's token must
// carry the submitted score and name and a level in range.
ScoreRequest parseScoreRequest(std::string_view target, const RequestRules& rules);

// Decodes %XX escapes and "+" into out; false on a broken escape, a NUL byte or
// a byte that may not appear raw in a query (controls, space, 8-bit bytes).
bool percentDecode(std::string_view in, std::string& out);

// The characters a player may type into a name: letters, digits, space, "-",
// "." and the code page's letters 192..255 (the game's prompt uses the same rule).
bool isNameByte(unsigned char c);

// Code page 1252 name bytes (already checked with isNameByte) as UTF-8.
std::string nameToUtf8(std::string_view nameBytes);

} // namespace scores
