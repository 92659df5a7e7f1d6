// libFuzzer target for the HTML-to-XML conversion: every input is converted as an ANSI page and
// as a UTF-8 page, and the XML text is loaded back, which must give a document rooted at "root"
// (anything else stops the run). The tree builder also runs on an exact-size copy of the input,
// so a read past the end of the text is caught.
//
// Seeds: `make fuzz-run` starts fuzz_html_to_xml on build-fuzz/corpus/fuzz_html_to_xml; when that
// folder is empty it is seeded with the saved pages of ../shared/corpus/pages.
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

void convertAndLoad(const char* text, bool utf8) {
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

    convertAndLoad(text, false);
    convertAndLoad(text, true);

    delete[] text;
    return 0;
}
