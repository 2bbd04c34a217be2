// Feeds arbitrary request targets to the score service's request reader, and
// arbitrary stored names to its reply writer. The first byte picks the form:
// below 128 the rest is a raw target; otherwise the rest is a name that gets a
// genuine token, so the accepting paths are reached as often as the refusing.
// Whatever is accepted must satisfy the table's rules, and every reply must
// parse as XML.

#include "ScoreRequest.h"
#include "TableReply.h"
#include "game/ScoreToken.h"

#include <libxml/parser.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const scores::RequestRules& rules() {
    static const scores::RequestRules r = [] {
        scores::RequestRules rules;
        rules.games = {"RIPPLE"};
        return rules;
    }();
    return r;
}

std::string encoded(std::string_view bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        out.push_back('%');
        out.push_back(hex[c >> 4]);
        out.push_back(hex[c & 15]);
    }
    return out;
}

void checkParses(const std::string& reply) {
    xmlDoc* doc = xmlReadMemory(reply.data(), static_cast<int>(reply.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        std::abort();
    }
    xmlFreeDoc(doc);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string target;
    if (data[0] < 128) {
        target = rest;
    } else {
        std::string_view name = rest.substr(0, 12);
        int level = data[0] & 63;
        int score = static_cast<int>(size) * 977 + data[0];
        target = "/addglobalhs.jsp?game=RIPPLE&mode=M";
        target.push_back(static_cast<char>('0' + data[0] % 4));
        target.append("&name=");
        target.append(encoded(name));
        target.append("&score=");
        target.append(ripple::makeScoreToken(0.5, name, "RIPPLE", level, score));
        target.append("&s=");
        target.append(std::to_string(score));
    }

    scores::ScoreRequest request = scores::parseScoreRequest(target, rules());
    if (request.kind == scores::ScoreRequest::Kind::Submit) {
        const scores::Submission& e = request.entry;
        if (e.name.empty() || e.score < 1 || e.score > rules().maxScore || e.level < 0 ||
            e.level > rules().maxLevel || e.mode < 0 || e.mode >= scores::modeCount) {
            std::abort();
        }
    }
    if (request.kind == scores::ScoreRequest::Kind::None &&
        (request.reason.empty() || (request.status != 400 && request.status != 404))) {
        std::abort();
    }

    std::vector<scores::ScoreRow> rows = {{1, request.entry.name, 10, 1},
                                          {2, std::string(rest), 9, 2}};
    checkParses(scores::tableReply("RIPPLE", request.entry.mode, rows, 2));
    return 0;
}
