#include "platform/XmlTree.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>
#include <mutex>

namespace platform {

namespace {

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

// Element nesting of the whole tree, walked without recursion so a deep
// document cannot exhaust the stack here.
int nestingOf(xmlNode* root) {
    int deepest = 0, depth = 1;
    xmlNode* node = root;
    while (node) {
        if (node->type == XML_ELEMENT_NODE && depth > deepest)
            deepest = depth;
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            ++depth;
            continue;
        }
        while (node && node != root && !node->next) {
            node = node->parent;
            --depth;
        }
        if (!node || node == root)
            break;
        node = node->next;
    }
    return deepest;
}

void fill(xmlDoc* doc, xmlNode* node, int levels, XmlNode& out) {
    for (xmlNode* child = node->children; child && levels > 0; child = child->next) {
        XmlNode item;
        if (child->type == XML_ELEMENT_NODE) {
            item.kind = XmlNode::Kind::element;
            item.name = reinterpret_cast<const char*>(child->name);
            if (xmlChar* text = xmlNodeListGetString(doc, child->children, 1)) {
                item.text = reinterpret_cast<const char*>(text);
                xmlFree(text);
            }
            fill(doc, child, levels - 1, item);
        } else if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) {
            item.kind = XmlNode::Kind::blank;
        }
        out.children.push_back(std::move(item));
    }
}

} // namespace

bool parseXmlTree(const char* data, size_t size, int levels, XmlNode& root) {
    root = XmlNode();
    if (!data || size == 0 || size > INT_MAX)
        return false;
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
    // No entity substitution, no DTD loading or validation, no network, no
    // messages on standard error.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::unique_ptr<xmlDoc, DocDeleter> doc(
        xmlReadMemory(data, static_cast<int>(size), "reply.xml", nullptr, options));
    if (!doc || doc->intSubset || doc->extSubset)
        return false;
    xmlNode* top = xmlDocGetRootElement(doc.get());
    if (!top || nestingOf(top) > maxXmlNesting)
        return false;
    root.kind = XmlNode::Kind::element;
    root.name = reinterpret_cast<const char*>(top->name);
    fill(doc.get(), top, levels, root);
    return true;
}

} // namespace platform
