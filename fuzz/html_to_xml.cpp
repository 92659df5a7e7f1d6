// libFuzzer target for the HTML-to-XML conversion. Every input is converted as an ANSI page and as
// a UTF-8 page and must keep the round trip of tests/support/html_round_trip.h: the XML text loads
// back and settles, the document ToTree hands over without the text is the one the text loads into,
// and for the UTF-8 page no element and no text byte of the tree is lost. The tree builder also runs
// on an exact-size copy of the input, so a read past the end is caught.
#include "fuzz_support.h"
#include "tests/support/html_round_trip.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text text(data, size);
    HtmlParse parse;
    TreeNode* root = parse.htmlToTree(text.get(), 65001);
    fuzz::check(root != nullptr && std::strcmp(root->getTag(), "root") == 0);
    TreeNode::destroyDocument(root);
    for (bool utf8 : {false, true}) {
        ClsXml doc;
        std::string fault = html_round_trip::fault(text.get(), utf8, doc);
        if (!fault.empty())
            std::fprintf(stderr, "%s\n", fault.c_str());
        fuzz::check(fault.empty());
    }
    return 0;
}
