#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <string>
#include <vector>

namespace scores::testing {

struct ReplyEntry {
    std::string rank, name, score, level;
    bool operator==(const ReplyEntry&) const = default;
};

// A table reply read back the way the game reads it: libxml2's tree, the
// root's element children, the text of each field.
struct ReplyTable {
    bool parsed = false;
    std::vector<ReplyEntry> entries;
    std::string highlight;
};

inline std::string nodeText(xmlDoc* doc, xmlNode* node) {
    xmlChar* text = xmlNodeListGetString(doc, node->children, 1);
    std::string out = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return out;
}

inline ReplyTable readReply(const std::string& reply) {
    ReplyTable table;
    xmlDoc* doc = xmlReadMemory(reply.data(), static_cast<int>(reply.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        return table;
    }
    table.parsed = true;
    for (xmlNode* child = xmlDocGetRootElement(doc)->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) {
            continue;
        }
        if (std::string(reinterpret_cast<const char*>(child->name)) == "highlight") {
            table.highlight = nodeText(doc, child);
            continue;
        }
        ReplyEntry entry;
        for (xmlNode* f = child->children; f; f = f->next) {
            if (f->type != XML_ELEMENT_NODE) {
                continue;
            }
            std::string field = reinterpret_cast<const char*>(f->name);
            std::string text = nodeText(doc, f);
            (field == "rank"    ? entry.rank
             : field == "name"  ? entry.name
             : field == "score" ? entry.score
                                : entry.level) = text;
        }
        table.entries.push_back(entry);
    }
    xmlFreeDoc(doc);
    return table;
}

} // namespace scores::testing
