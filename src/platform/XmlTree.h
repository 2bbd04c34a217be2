#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// One node of a parsed document, as far down as the caller asked for.
struct XmlNode {
    enum class Kind {
        element,
        blank, // text made only of spaces, tabs, carriage returns and line feeds
        other, // any other text, comments, processing instructions
    };
    Kind kind = Kind::other;
    // The element's name as written; empty for other kinds.
    std::string name;
    // The text content of an element's children in UTF-8 (entity references
    // written out), empty when it has none. Not filled for the root.
    std::string text;
    std::vector<XmlNode> children;
};

// Deepest element nesting a document may have.
inline constexpr int maxXmlNesting = 32;

// Parses a document that came from outside (the network): nothing is ever
// fetched, entities are not expanded and a document carrying a document type
// declaration is refused, as is one nested deeper than maxXmlNesting. On
// success `root` is the root element with its children filled `levels` deep
// (1: the root's children; 2: their children too). False when the text does
// not parse or is refused; `root` is then left empty. Any thread.
bool parseXmlTree(const char* data, size_t size, int levels, XmlNode& root);

} // namespace platform
