// libFuzzer target for the XML parser and serializer: every input is parsed with content
// trimmed, with it kept, and with duplicate attributes replaced (as the HTML conversion parses);
// each document is then searched, written and destroyed. The input is copied into a block of
// exactly its size plus the terminator, so a read past the end of the text is caught.
#include "base/logger.h"
#include "base/string_buffer.h"
#include "markup/tree_node.h"
#include "markup/xml_parser.h"
#include "markup/xml_serializer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

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
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto* text = new char[size + 1];
    if (size > 0)
        std::memcpy(text, data, size);
    text[size] = '\0';

    XmlParseOptions trimmed;
    XmlParseOptions untrimmed;
    untrimmed.trimContent = false;
    XmlParseOptions replacing;
    replacing.replaceDuplicateAttributes = true;
    exercise(text, trimmed);
    exercise(text, untrimmed);
    exercise(text, replacing);

    delete[] text;
    return 0;
}
