#include "markup/xml_serializer.h"

#include "base/ascii.h"
#include "base/string_buffer.h"
#include "markup/tree_node.h"
#include "markup/xml_parser.h"

#include <cctype>
#include <cstring>

namespace {

constexpr char kLineEnd[] = "\r\n";
// Written in place of a missing tag.
constexpr char kNoTag[] = "nothing";

// Entity names after which an ampersand in content is taken as the start of a reference and
// copied unchanged; each needs its semicolon. Case as written: these are the HTML names of the
// Latin-1 characters and a few spellings pages use, since converted pages carry them as text.
// clang-format off
constexpr const char* kKeptEntityNames[] = {
    "amp", "lt", "gt", "quot", "apos",
    "nbsp", "iexcl", "cent", "pound", "curren", "yen", "sect", "uml", "copy", "ordf", "not", "shy", "reg",
    "deg", "plusmn", "sup1", "sup2", "sup3", "acute", "micro", "para", "middot", "cedil", "ordm", "raquo",
    "frac14", "frac12", "frac34", "iquest", "szlig",
    "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc",
    "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ograve", "Oacute", "Ocirc", "Otilde", "Ouml",
    "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "Yuml", "OElig",
    "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute", "ecirc",
    "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde",
    "ouml", "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml", "oelig",
    "bull", "hibar", "brkbar",
    "Cedil", "Cent", "Copy", "Curren", "Eth", "Iexcl", "Iquest", "Ordf", "Ordm", "Thorn", "Uml", "Yen",
    "Aelig", "aElig", "Oelig", "oElig", "eTH", "tHORN",
};
// clang-format on

// `p` is just behind an ampersand: a character reference, or a kept name and its semicolon.
bool startsKeptReference(const char* p) {
    if (*p == '#')
        return true;
    for (const char* name : kKeptEntityNames) {
        size_t n = std::strlen(name);
        if (std::strncmp(p, name, n) == 0 && p[n] == ';')
            return true;
    }
    return false;
}

// Content outside CDATA: the markup bytes become references, an ampersand too unless it starts
// a reference that is kept. Plain runs are copied in one piece.
void appendEscapedContent(StringBuffer& out, const char* text) {
    const char* run = text;
    for (const char* p = text; *p != '\0'; ++p) {
        const char* replacement = nullptr;
        switch (*p) {
        case '<':
            replacement = "&lt;";
            break;
        case '>':
            replacement = "&gt;";
            break;
        case '"':
            replacement = "&quot;";
            break;
        case '\'':
            replacement = "&apos;";
            break;
        case '&':
            if (!startsKeptReference(p + 1))
                replacement = "&amp;";
            break;
        default:
            break;
        }
        if (replacement != nullptr) {
            out.appendN(run, static_cast<int>(p - run));
            out.append(replacement);
            run = p + 1;
        }
    }
    out.append(run);
}

// A "]]>" inside CDATA content would end the section early; it is split across two sections
// ("]]" ends one, the next starts with ">"), which the parser joins back into the same content.
void appendCdataContent(StringBuffer& out, const char* text) {
    const char* run = text;
    for (const char* end = std::strstr(run, "]]>"); end != nullptr; end = std::strstr(run, "]]>")) {
        out.appendN(run, static_cast<int>(end - run));
        out.append("]]]]><![CDATA[>");
        run = end + 3;
    }
    out.append(run);
}

bool isNameStartByte(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80;
}

bool isNameByte(unsigned char c) {
    return isNameStartByte(c) || std::isdigit(c) || c == '-' || c == '.';
}

void appendTag(StringBuffer& out, const TreeNode* node) {
    const char* tag = node->getTag();
    if (*tag == '\0')
        out.append(kNoTag);
    else
        appendXmlName(out, tag, static_cast<int>(std::strlen(tag)));
}

void writeInstruction(const char* name, const TreeNode* node, StringBuffer& out) {
    out.append(name);
    node->writeAttributes(out);
    out.append(" ?>");
    out.append(kLineEnd);
}

void moveStandaloneLast(TreeNode* declaration) {
    StringBuffer standalone;
    if (declaration->getAttribute("standalone", standalone)) {
        declaration->removeAttribute("standalone");
        declaration->appendAttribute("standalone", standalone.getString());
    }
}

// The declaration, the stylesheet instruction and the prolog of a document's root.
void writeDocumentHead(const TreeInfo& info, StringBuffer& out) {
    if (TreeNode* declaration = info.getDeclaration()) {
        moveStandaloneLast(declaration);
        writeInstruction("<?xml", declaration, out);
    }
    if (const TreeNode* stylesheet = info.getStylesheet())
        writeInstruction("<?xml-stylesheet", stylesheet, out);
    if (*info.getProlog() != '\0') {
        out.append(info.getProlog());
        out.append(kLineEnd);
    }
}

// A line end before every first child, so each element's first child starts a new line.
void writeOpening(const TreeNode* node, bool firstAmongSiblings, StringBuffer& out) {
    if (firstAmongSiblings)
        out.append(kLineEnd);
    out.appendChar('<');
    appendTag(out, node);
    node->writeAttributes(out);
    out.appendChar('>');
    if (node->isCdata()) {
        out.append("<![CDATA[");
        appendCdataContent(out, node->getContent());
        out.append("]]>");
    } else {
        appendEscapedContent(out, node->getContent());
    }
}

void writeClosing(const TreeNode* node, StringBuffer& out) {
    out.append("</");
    appendTag(out, node);
    out.appendChar('>');
    out.append(kLineEnd);
}

} // namespace

bool isXmlName(const char* name, int length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    if (length > 0 && !isNameStartByte(bytes[0]))
        return false;
    for (int i = 1; i < length; ++i) {
        if (!isNameByte(bytes[i]))
            return false;
    }
    return true;
}

void appendXmlName(StringBuffer& out, const char* name, int length) {
    if (length <= 0)
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    if (isNameByte(bytes[0]) && !isNameStartByte(bytes[0]))
        out.appendChar('_');
    const char* run = name;
    for (int i = 0; i < length; ++i) {
        if (isNameByte(bytes[i]))
            continue;
        out.appendN(run, static_cast<int>(name + i - run));
        out.appendChar('_');
        run = name + i + 1;
    }
    out.appendN(run, static_cast<int>(name + length - run));
}

void serializeXml(TreeNode* node, StringBuffer& out, int index) {
    if (node == nullptr)
        return;
    if (node->isDocumentRoot())
        writeDocumentHead(*node->getInfo(), out);

    // Depth first along the links: down to the first child, else across to the next sibling
    // after closing, else up, closing each parent, until the starting node is closed.
    TreeNode* current = node;
    bool first = index == 0;
    for (;;) {
        writeOpening(current, first, out);
        if (TreeNode* child = current->firstChild()) {
            current = child;
            first = true;
            continue;
        }
        for (;;) {
            writeClosing(current, out);
            if (current == node)
                return;
            if (TreeNode* next = current->nextSibling()) {
                current = next;
                first = false;
                break;
            }
            current = current->getParent();
        }
    }
}

// Reading an instruction's value stops at a line end or a quote, and the markup bytes come back
// only through references.
bool isPlainXmlToken(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        char c = text[i];
        if (!isAsciiAlnum(c) && c != '-' && c != '.' && c != '_' && c != ':')
            return false;
    }
    return true;
}

namespace {

bool readsBackAsWritten(const TreeNode* declaration) {
    const char* name;
    const char* value;
    int nameLen;
    int valueLen;
    for (int i = 0; declaration->attributeAt(i, name, nameLen, value, valueLen); ++i) {
        if (!isPlainXmlToken(name, nameLen) || !isPlainXmlToken(value, valueLen))
            return false;
    }
    return declaration->tagEquals("xml");
}

// Text content as loading reads it: without the blanks at its ends, its references decoded once
// (the escaping of writing and that decoding leave every byte but the references of the
// content). CDATA content reads back as it stands.
void settleContent(TreeNode* node, StringBuffer& scratch) {
    if (node->isCdata() || !node->hasContent())
        return;
    StringBuffer& content = node->contentSb();
    const char* text = content.getString();
    int end = content.getSize();
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    int start = 0;
    while (start < end && isBlank(text[start]))
        ++start;
    if (start == end) {
        node->setContent(nullptr);
        return;
    }
    content.shorten(content.getSize() - end);
    if (start > 0)
        content.removeChunk(0, start);
    decodeXmlReferences(content, scratch);
}

TreeNode* nextInDocumentOrder(TreeNode* node) {
    if (TreeNode* child = node->firstChild())
        return child;
    for (; node != nullptr; node = node->getParent()) {
        if (TreeNode* next = node->nextSibling())
            return next;
    }
    return nullptr;
}

} // namespace

TreeNode* reloadAsWritten(TreeNode* root, LogBase* log) {
    if (root == nullptr)
        return nullptr;
    const TreeInfo& info = *root->getInfo();
    TreeNode* declaration = info.getDeclaration();
    if (info.getStylesheet() != nullptr || *info.getProlog() != '\0' ||
        (declaration != nullptr && !readsBackAsWritten(declaration))) {
        StringBuffer text;
        serializeXml(root, text, 0);
        TreeNode::destroyDocument(root);
        return parseXml(text.getString(), log, true);
    }
    if (declaration != nullptr) {
        moveStandaloneLast(declaration);
        declaration->mendAttributeNames();
    }
    StringBuffer scratch;
    for (TreeNode* node = root; node != nullptr; node = nextInDocumentOrder(node)) {
        const char* tag = node->getTag();
        if (*tag == '\0' || !isXmlName(tag, static_cast<int>(std::strlen(tag)))) {
            StringBuffer written;
            appendTag(written, node);
            node->setTag(written.getString());
        }
        node->mendAttributeNames();
        settleContent(node, scratch);
    }
    return root;
}

void setDeclarationEncoding(TreeNode* root, const char* name) {
    if (root == nullptr || root->getInfo() == nullptr)
        return;
    root->getInfo()->ensureDeclaration()->addAttribute("encoding", name);
}

namespace {

bool getDeclarationAttribute(const TreeNode* root, const char* attrName, StringBuffer& out) {
    out.clear();
    if (root == nullptr || root->getInfo() == nullptr)
        return false;
    const TreeNode* declaration = root->getInfo()->getDeclaration();
    return declaration != nullptr && declaration->getAttribute(attrName, out);
}

} // namespace

bool getDeclarationEncoding(const TreeNode* root, StringBuffer& out) {
    return getDeclarationAttribute(root, "encoding", out);
}

bool getDeclarationStandalone(const TreeNode* root, StringBuffer& out) {
    return getDeclarationAttribute(root, "standalone", out);
}
