// libFuzzer target for the XML parser and serializer: every input is parsed with content
// trimmed, with it kept, and with duplicate attributes replaced (as the HTML conversion parses);
// each document is then searched and written, and what is written must load and settle. The
// input is an exact-size copy, so a read past the end of the text is caught.
#include "base/logger.h"
#include "base/string_buffer.h"
#include "fuzz_support.h"
#include "markup/tree_node.h"
#include "markup/xml_parser.h"
#include "markup/xml_serializer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void writtenAgain(const StringBuffer& xml, const XmlParseOptions& options, StringBuffer& out) {
    TreeNode* root = parseXml(xml.getString(), nullptr, options);
    fuzz::check(root != nullptr);
    serializeXml(root, out, 0);
    TreeNode::destroyDocument(root);
}

void exercise(const char* text, const XmlParseOptions& options) {
    Logger log;
    TreeNode* root = parseXml(text, &log, options);
    if (root == nullptr)
        return;
    root->searchForTag(nullptr, "a");
    StringBuffer content;
    root->accumulateTagContent("text", content, "script|style");
    StringBuffer encoding;
    if (getDeclarationEncoding(root, encoding))
        setDeclarationEncoding(root, "utf-8");
    StringBuffer xml;
    serializeXml(root, xml, 0);
    TreeNode::destroyDocument(root);

    // What the serializer writes is a document again, and writing it settles within one more
    // round (loading may trim or decode once). Content read untrimmed takes in the line breaks
    // the serializer lays out, a little more each round.
    if (!options.trimContent)
        return;
    StringBuffer again;
    writtenAgain(xml, options, again);
    if (!again.equalsSb(xml)) {
        StringBuffer third;
        writtenAgain(again, options, third);
        fuzz::check(third.equalsSb(again));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text text(data, size);

    XmlParseOptions trimmed;
    XmlParseOptions untrimmed;
    untrimmed.trimContent = false;
    XmlParseOptions replacing;
    replacing.replaceDuplicateAttributes = true;
    exercise(text.get(), trimmed);
    exercise(text.get(), untrimmed);
    exercise(text.get(), replacing);

    return 0;
}
