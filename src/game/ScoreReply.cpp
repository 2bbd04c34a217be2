#include "game/ScoreReply.h"

#include "platform/Charset.h"
#include "platform/XmlTree.h"

#include <algorithm>
#include <climits>
#include <string>

namespace ripple {

namespace {

bool nameIs(const platform::XmlNode& node, const char* name) {
    if (node.kind != platform::XmlNode::Kind::element)
        return false;
    size_t i = 0;
    for (; name[i]; ++i) {
        if (i >= node.name.size())
            return false;
        char c = node.name[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != name[i])
            return false;
    }
    return i == node.name.size();
}

lang::String inCodePage(const std::string& utf8) {
    std::string text = platform::utf8ToAnsi(reinterpret_cast<const uint8_t*>(utf8.data()),
                                            static_cast<int>(utf8.size()), '?');
    return lang::String(text.c_str());
}

} // namespace

int32_t replyNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t(INT_MAX) + 1);
    value = negative ? -value : value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

ScoreReply parseScoreReply(std::string_view text) {
    ScoreReply reply;
    platform::XmlNode root;
    if (!platform::parseXmlTree(text.data(), text.size(), 2, root))
        return reply;
    int position = 1;
    for (const platform::XmlNode& child : root.children) {
        if (nameIs(child, "entry")) {
            lang::String name;
            int32_t score = 0, level = 0, rank = position;
            for (const platform::XmlNode& field : child.children) {
                if (nameIs(field, "name"))
                    name = inCodePage(field.text);
                else if (nameIs(field, "score"))
                    score = replyNumber(field.text);
                else if (nameIs(field, "level"))
                    level = replyNumber(field.text);
                else if (nameIs(field, "rank"))
                    rank = replyNumber(field.text);
            }
            reply.rows.push_back(lang::adopt(new Scores(name, score, level, rank)));
            ++position;
        } else if (nameIs(child, "highlight")) {
            reply.highlightRank = replyNumber(child.text);
            int64_t scroll = int64_t(reply.highlightRank) - 5;
            scroll = std::min<int64_t>(scroll, int64_t(reply.rows.size()) - 1);
            reply.scroll = static_cast<int>(std::max<int64_t>(scroll, 0));
        }
    }
    return reply;
}

} // namespace ripple
