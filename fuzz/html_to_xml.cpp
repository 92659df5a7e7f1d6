// libFuzzer target for the HTML-to-XML conversion. Every input is converted as an ANSI page and as
// a UTF-8 page; the XML text must load back into a document rooted at "root" that serializes to
// that text (or, where loading trimmed or decoded, to a text that then stays the same). For the UTF-8 page
// the loaded document holds as many elements as the tree the text was written from, and every text byte of
// that tree is still there, in order (blanks and character references aside, which the writer and the loader
// may fold or decode). The tree builder also runs on an exact-size copy of the input, so a read past the end
// is caught.
#include "base/x_string.h"
#include "fuzz_support.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"
#include "markup/html_parse.h"
#include "markup/tree_node.h"
#include "markup/xml_serializer.h"

#include <string>

namespace {

// Visits every node in document order along the links, so a page nested a million deep is walked
// on a small stack.
template <typename Visit> void walk(const TreeNode* root, Visit visit) {
    for (const TreeNode* node = root; node != nullptr;) {
        visit(node);
        if (node->firstChild() != nullptr) {
            node = node->firstChild();
            continue;
        }
        while (node != root && node->nextSibling() == nullptr)
            node = node->getParent();
        node = node != root ? node->nextSibling() : nullptr;
    }
}

int countElements(const TreeNode* root) {
    int count = 0;
    walk(root, [&count](const TreeNode*) { ++count; });
    return count;
}

// The text bytes of every node in order, without blanks and without character references.
std::string textBytes(const TreeNode* root) {
    std::string bytes;
    walk(root, [&bytes](const TreeNode* node) {
        for (const char* p = node->getContent(); *p != '\0'; ++p) {
            if (*p == '&') {
                const char* end = p + 1;
                while (std::isalnum(static_cast<unsigned char>(*end)) || *end == '#')
                    ++end;
                if (*end == ';') {
                    p = end;
                    continue;
                }
            }
            if (!std::isspace(static_cast<unsigned char>(*p)) && *p != '&' && *p != ';')
                bytes.push_back(*p);
        }
    });
    return bytes;
}

void convertAndLoad(const char* text, bool utf8, TreeNode* built) {
    XString page;
    if (utf8)
        page.setFromUtf8(text);
    else
        page.setFromAnsi(text);
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    fuzz::check(converter.ToXml(xml));
    const char* xmlText = xml.isAnsiCurrent() ? xml.getAnsi() : xml.getUtf8();
    ClsXml doc;
    fuzz::check(doc.LoadXml(xmlText));
    fuzz::check(std::strcmp(doc.get_Tag(), "root") == 0);
    // Written again, the text is the same; or, when loading trimmed or decoded something, the
    // same after one more round.
    StringBuffer again;
    serializeXml(doc.getNode(), again, 0);
    if (!again.equals(xmlText)) {
        ClsXml reloaded;
        fuzz::check(reloaded.LoadXml(again.getString()));
        StringBuffer third;
        serializeXml(reloaded.getNode(), third, 0);
        fuzz::check(third.equalsSb(again));
    }
    if (utf8) {
        fuzz::check(countElements(doc.getNode()) == countElements(built));
        fuzz::check(textBytes(doc.getNode()) == textBytes(built));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text text(data, size);
    HtmlParse parse;
    TreeNode* root = parse.htmlToTree(text.get(), 65001);
    fuzz::check(root != nullptr && std::strcmp(root->getTag(), "root") == 0);
    TreeNode::destroyDocument(root);

    // The tree the UTF-8 conversion writes: the converter reads a bare "<a>" as a closing one.
    XString page;
    page.setFromUtf8(text.get());
    page.replaceAllUtf8("<a>", "</a>");
    page.replaceAllUtf8("<A>", "</a>");
    TreeNode* built = parse.htmlToTree(page.getUtf8(), 65001);
    convertAndLoad(text.get(), false, built);
    convertAndLoad(text.get(), true, built);
    TreeNode::destroyDocument(built);
    return 0;
}
