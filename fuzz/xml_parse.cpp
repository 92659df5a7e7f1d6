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

// The most "amp;" that follow one ampersand in `xml`.
int longestAmpersandChain(const StringBuffer& xml) {
    const char* p = xml.getString();
    const char* end = p + xml.getSize();
    int longest = 0;
    for (; p < end; ++p) {
        if (*p != '&')
            continue;
        int chain = 0;
        while (end - p > 4 && std::memcmp(p + 1, "amp;", 4) == 0) {
            p += 4;
            ++chain;
        }
        longest = chain > longest ? chain : longest;
    }
    return longest;
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

    // What the serializer writes is a document again, and writing it settles (loading may trim
    // or decode once). The serializer keeps a reference it finds in content as written while
    // loading decodes "&amp;" once, so a round takes one "amp;" off a chain like "&amp;amp;amp;":
    // it settles within one round more than the longest chain. Content read untrimmed takes in
    // the line breaks the serializer lays out, a little more each round.
    if (!options.trimContent)
        return;
    int rounds = 2 + longestAmpersandChain(xml);
    StringBuffer current;
    current.setSb(xml);
    for (int round = 0; round < rounds; ++round) {
        StringBuffer next;
        writtenAgain(current, options, next);
        if (next.equalsSb(current))
            return;
        current.setSb(next);
    }
    fuzz::check(false);
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
