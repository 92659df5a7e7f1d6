// HtmlHelp: text-level readers of a page's head, straight from the raw HTML without building a
// tree: the title, the meta description and keywords, one attribute of a tag, and the normal
// form of one start tag. Tag and attribute names compare without regard to ASCII case.
// Stateless: every operation is static. PageTree is the one way analysis turns a page into a tree.
#pragma once

#include "markup/cls_xml.h"

#include <optional>

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

// The XML tree of one page, converted when first asked for and then shared by every reader of the
// page (text, links, ad codes, refresh, frames, geography, word vector). The page's text must
// outlive the tree; after the text changes, changed() makes the next tree() convert it afresh.
class PageTree {
public:
    explicit PageTree(const StringBuffer& html) : m_html(html) {}
    PageTree(const PageTree&) = delete;
    PageTree& operator=(const PageTree&) = delete;

    // The tree; an empty document when the page cannot be converted.
    ClsXml& tree();
    void changed() { m_tree.reset(); }

private:
    const StringBuffer& m_html;
    std::optional<ClsXml> m_tree;
};
