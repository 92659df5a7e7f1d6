// The forgiving XML parser: turns 8-bit XML text into a TreeNode document in one forward pass.
// It never rejects a document; what it does not understand it logs and skips, and it builds the
// best tree it can. Its callers are ClsXml (text in memory and files) and the HTML conversion,
// which parses the start tags it produces with duplicate attributes replaced. Every parse keeps
// its state, options included, to itself, so parses on different threads never meet.
#pragma once

class LogBase;
class StringBuffer;
class TreeNode;

// The settings of one parse.
struct XmlParseOptions {
    // Drop the whitespace around each piece of text content.
    bool trimContent = true;
    // An attribute repeated in a start tag replaces the earlier one instead of standing beside it.
    bool replaceDuplicateAttributes = false;
    // Decode the references in attribute values; the HTML reader decodes them by HTML's rules.
    bool decodeAttributeValues = true;
};

// Parses the NUL-terminated `text`. Answers the root of a new document, which belongs to the
// caller (normally handed to a ClsXml, otherwise freed with TreeNode::destroyDocument), or null
// when the text holds no element. Problems go to `log` as errors; a null log discards them.
TreeNode* parseXml(const char* text, LogBase* log, bool trimContent);
TreeNode* parseXml(const char* text, LogBase* log, const XmlParseOptions& options);

// One decoding of the five references in `text`, as an attribute value, or the content of an
// element that was read in one piece, gets: "&amp;" becomes "&" and is not read again, "&lt;",
// "&gt;", "&quot;" and "&apos;" their characters; any other ampersand stays. `scratch` is room
// for the work.
void decodeXmlReferences(StringBuffer& text, StringBuffer& scratch);
