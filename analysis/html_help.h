// HtmlHelp: text-level readers of a page's head, straight from the raw HTML without building a
// tree: the title, the meta description and keywords, one attribute of a tag, and the normal
// form of one start tag. Tag and attribute names compare without regard to ASCII case.
// Stateless: every operation is static.
#pragma once

class LogBase;
class StringBuffer;

class HtmlHelp {
public:
    virtual ~HtmlHelp() = default;

    // Appends the text of the first <title> element (attributes allowed) that is not inside a
    // comment, script, style or svg, character references decoded to UTF-8; nothing when that
    // element is never closed.
    static void getTitle(const char* html, StringBuffer& out);
    static void getMetaDescription(const char* html, StringBuffer& out);
    static void getMetaKeywords(const char* html, StringBuffer& out);
    // The content of the first meta tag whose NAME, or else HTTP-EQUIV, equals `name`.
    static void getMetaContent(const char* html, const char* name, StringBuffer& out);
    // The quoted value of `attributeName` in a tag, trimmed, with backslashes made slashes.
    static void getAttributeValue(const char* tagText, const char* attributeName, StringBuffer& out);
    // Rewrites one start tag to the regular form: name, then each attribute as a blank, its name
    // and, when valued, '=' and a quoted value.
    static void cleanTag(const char* tagText, StringBuffer& out, LogBase* log);
};
