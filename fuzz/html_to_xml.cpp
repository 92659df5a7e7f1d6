// libFuzzer target for the HTML-to-XML conversion: every input is converted as an ANSI page and
// as a UTF-8 page, and the XML text is loaded back, which must give a document rooted at "root"
// holding as many elements as the tree the text was written from (anything else stops the run).
// The tree builder also runs on an exact-size copy of the input, so a read past the end of the
// text is caught.
//
// Seeds: `make fuzz-run` starts fuzz_html_to_xml on build-fuzz/corpus/fuzz_html_to_xml and the
// inputs kept in fuzz/seeds/fuzz_html_to_xml; when the first folder is empty it is seeded with
// the saved pages of ../shared/corpus/pages.
#include "base/x_string.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"
#include "markup/html_parse.h"
#include "markup/tree_node.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Along the links, so that a page nested a million deep is counted on a small stack.
int countElements(const TreeNode* root) {
    int count = 0;
    for (const TreeNode* node = root; node != nullptr;) {
        ++count;
        if (node->firstChild() != nullptr) {
            node = node->firstChild();
            continue;
        }
        while (node != root && node->nextSibling() == nullptr)
            node = node->getParent();
        node = node != root ? node->nextSibling() : nullptr;
    }
    return count;
}

void convertAndLoad(const char* text, bool utf8, int elements) {
    XString page;
    if (utf8)
        page.setFromUtf8(text);
    else
        page.setFromAnsi(text);
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    if (!converter.ToXml(xml))
        std::abort();
    ClsXml doc;
    if (!doc.LoadXml(xml.isAnsiCurrent() ? xml.getAnsi() : xml.getUtf8()))
        std::abort();
    if (std::strcmp(doc.get_Tag(), "root") != 0)
        std::abort();
    if (utf8 && countElements(doc.getNode()) != elements)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto* text = new char[size + 1];
    if (size > 0)
        std::memcpy(text, data, size);
    text[size] = '\0';

    HtmlParse parse;
    TreeNode* root = parse.htmlToTree(text, 65001);
    if (root == nullptr || std::strcmp(root->getTag(), "root") != 0)
        std::abort();
    TreeNode::destroyDocument(root);

    // The tree the UTF-8 conversion writes: the converter reads a bare "<a>" as a closing one.
    XString page;
    page.setFromUtf8(text);
    page.replaceAllUtf8("<a>", "</a>");
    page.replaceAllUtf8("<A>", "</a>");
    root = parse.htmlToTree(page.getUtf8(), 65001);
    int elements = countElements(root);
    TreeNode::destroyDocument(root);

    convertAndLoad(text, false, elements);
    convertAndLoad(text, true, elements);

    delete[] text;
    return 0;
}
