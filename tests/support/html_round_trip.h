// The HTML-to-XML conversion checked end to end, by the corpus tests and the fuzz target alike:
// the XML text written for a page loads back into a document rooted at "root" that serializes to
// that text (or, where loading trimmed or decoded, to a text that settles when written and loaded
// again). For a UTF-8 page the loaded document holds the elements of the tree the text was written
// from, in order, at the same depth, under the names the writer mends them to, and every text byte
// of that tree is still there, in order (blanks and character references aside, which the writer
// and the loader may fold or decode). The document ToTree hands over is, node for node and byte
// for byte, the one the text loads into.
#pragma once

#include "base/string_buffer.h"
#include "base/x_string.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"
#include "markup/html_parse.h"
#include "markup/tree_node.h"
#include "markup/xml_serializer.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <string>

namespace html_round_trip {

// Visits every node in document order along the links, with its depth below `root`, so a page
// nested a million deep is walked on a small stack.
template <typename Visit> void walk(const TreeNode* root, Visit visit) {
    size_t depth = 0;
    for (const TreeNode* node = root; node != nullptr;) {
        visit(node, depth);
        if (node->firstChild() != nullptr) {
            node = node->firstChild();
            ++depth;
            continue;
        }
        while (node != root && node->nextSibling() == nullptr) {
            node = node->getParent();
            --depth;
        }
        node = node != root ? node->nextSibling() : nullptr;
    }
}

// Each element as its depth and name, one a line; `mend` writes the names as the XML text has them.
inline std::string elements(const TreeNode* root, bool mend) {
    std::string out;
    walk(root, [&](const TreeNode* node, size_t depth) {
        StringBuffer name;
        if (mend && *node->getTag() == '\0')
            name.append("nothing"); // what the writer calls an element the page gave no name
        else if (mend)
            appendXmlName(name, node->getTag(), static_cast<int>(std::strlen(node->getTag())));
        else
            name.append(node->getTag());
        out += std::to_string(depth) + " " + name.getString() + "\n";
    });
    return out;
}

// The text bytes of every node in order, without blanks, the markup characters and character
// references. Loading decodes once more what the page's decoding left written as a reference
// ("&amp;lt;" ends up "<"), taking one "amp;" off a chain, so a chain counts as one reference.
inline std::string textBytes(const TreeNode* root) {
    std::string bytes;
    walk(root, [&bytes](const TreeNode* node, size_t) {
        for (const char* p = node->getContent(); *p != '\0'; ++p) {
            if (*p == '&') {
                // "&", the "amp;" links of a chain, a name and its ';'.
                const char* name = p + 1;
                while (std::strncmp(name, "amp;", 4) == 0)
                    name += 4;
                const char* end = name;
                while (std::isalnum(static_cast<unsigned char>(*end)) || *end == '#')
                    ++end;
                p = *end == ';' ? end : name - 1;
            }
            if (!std::isspace(static_cast<unsigned char>(*p)) && std::strchr("&;<>\"'", *p) == nullptr)
                bytes.push_back(*p);
        }
    });
    return bytes;
}

inline std::string serialized(const TreeNode* root) {
    StringBuffer out;
    serializeXml(const_cast<TreeNode*>(root), out, 0);
    return out.getString();
}

// Every node as it stands, unmended: depth, tag, CDATA mark, attributes and content.
inline std::string nodes(const TreeNode* root) {
    std::string out;
    walk(root, [&out](const TreeNode* node, size_t depth) {
        out += std::to_string(depth) + (node->isCdata() ? " cdata <" : " <") + node->getTag() + ">";
        const char* name;
        const char* value;
        int nameLength;
        int valueLength;
        for (int i = 0; node->attributeAt(i, name, nameLength, value, valueLength); ++i)
            out += " [" + std::string(name, nameLength) + "]=[" + std::string(value, valueLength) + "]";
        out += std::string(" [") + node->getContent() + "]\n";
    });
    return out;
}

// What differs between the document ToTree of `converter` hands over and `loaded`, the one its
// XML text loads into (`loads` tells whether it did); empty when nothing does.
inline std::string directFault(ClsHtmlToXml& converter, ClsXml& loaded, bool loads) {
    ClsXml direct;
    if (converter.ToTree(direct) != loads)
        return loads ? "no direct tree" : "a direct tree where the text does not load";
    std::string got = nodes(direct.getNode()) + serialized(direct.getNode());
    std::string expected = nodes(loaded.getNode()) + serialized(loaded.getNode());
    return got == expected ? "" : "the direct tree differs:\n" + got + "\nloaded:\n" + expected;
}

// Converts `text` as a UTF-8 page (else as an ANSI one) and loads the XML text into `doc`; what
// broke, or empty when all held.
inline std::string fault(const char* text, bool utf8, ClsXml& doc) {
    XString page;
    if (utf8)
        page.setFromUtf8(text);
    else
        page.setFromAnsi(text);
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    if (!converter.ToXml(xml))
        return "the conversion failed";
    const char* xmlText = xml.isAnsiCurrent() ? xml.getAnsi() : xml.getUtf8();
    bool loads = doc.LoadXml(xmlText);
    if (std::string direct = directFault(converter, doc, loads); !direct.empty())
        return direct;
    if (!loads || std::strcmp(doc.get_Tag(), "root") != 0)
        return std::string("the XML text does not load into a root:\n") + xmlText;
    // Loading decodes a reference the writer keeps, so a round takes one "amp;" off a chain such as
    // "&amp;amp;amp;": the text settles within one round more than it has such links.
    std::string written = xmlText;
    std::string again = serialized(doc.getNode());
    size_t rounds = 1;
    for (size_t at = again.find("amp;"); at != std::string::npos; at = again.find("amp;", at + 1))
        ++rounds;
    for (; again != written; --rounds) {
        ClsXml reloaded;
        if (rounds == 0 || !reloaded.LoadXml(again.c_str()))
            return "written again, the XML text does not settle:\n" + again;
        written = again;
        again = serialized(reloaded.getNode());
    }
    if (!utf8)
        return "";
    // The tree the converter wrote from: it reads a bare "<a>" as a closing one.
    page.replaceAllUtf8("<a>", "</a>");
    page.replaceAllUtf8("<A>", "</a>");
    HtmlParse parse;
    std::unique_ptr<TreeNode, void (*)(TreeNode*)> built(parse.htmlToTree(page.getUtf8(), 65001),
                                                         &TreeNode::destroyDocument);
    if (built == nullptr)
        return "no tree was built";
    std::string got = elements(doc.getNode(), false);
    std::string expected = elements(built.get(), true);
    if (got != expected)
        return "the elements differ:\n" + got + "expected\n" + expected;
    if (textBytes(doc.getNode()) != textBytes(built.get()))
        return "text is lost:\n" + textBytes(doc.getNode()) + "\nexpected\n" + textBytes(built.get());
    return "";
}

} // namespace html_round_trip
