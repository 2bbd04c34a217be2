#include "TableReply.h"

#include <cstdint>

namespace scores {

namespace {

// Length of the well-formed UTF-8 sequence at the start of text that encodes an
// XML character, or 0.
size_t xmlCharLength(std::string_view text) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(0);
    if (lead < 0x80) {
        return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
    }
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length) {
        return 0;
    }
    uint32_t code = lead & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    bool shortest =
        (length == 3 && code >= 0x800) || (length == 4 && code >= 0x10000) || length == 2;
    bool xmlChar = (code < 0xD800 || (code > 0xDFFF && code < 0xFFFE) ||
                    (code >= 0x10000 && code <= 0x10FFFF));
    return shortest && xmlChar ? length : 0;
}

void appendElement(std::string& out, const char* name, std::string_view text) {
    out.append("<");
    out.append(name);
    out.append(">");
    appendXmlText(out, text);
    out.append("</");
    out.append(name);
    out.append(">");
}

} // namespace

void appendXmlText(std::string& out, std::string_view text) {
    while (!text.empty()) {
        char c = text[0];
        switch (c) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '"':
            out.append("&quot;");
            break;
        case '\'':
            out.append("&apos;");
            break;
        default: {
            size_t length = xmlCharLength(text);
            if (length == 0) {
                out.push_back('?');
                length = 1;
            } else {
                out.append(text.substr(0, length));
            }
            text.remove_prefix(length);
            continue;
        }
        }
        text.remove_prefix(1);
    }
}

std::string tableReply(std::string_view game, int mode, const std::vector<ScoreRow>& rows,
                       int highlightRank) {
    std::string out;
    out.reserve(160 + rows.size() * 96);
    out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<highscores game=\"");
    appendXmlText(out, game);
    out.append("\" mode=\"M");
    out.append(std::to_string(mode));
    out.append("\">\n");
    int rank = 0;
    for (const ScoreRow& row : rows) {
        ++rank;
        out.append("<entry>");
        appendElement(out, "rank", std::to_string(rank));
        appendElement(out, "name", row.name);
        appendElement(out, "score", std::to_string(row.score));
        appendElement(out, "level", std::to_string(row.level));
        out.append("</entry>\n");
    }
    if (highlightRank > 0) {
        appendElement(out, "highlight", std::to_string(highlightRank));
        out.append("\n");
    }
    out.append("</highscores>\n");
    return out;
}

} // namespace scores
