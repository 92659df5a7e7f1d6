// ClsHtmlToXml: the public HTML-to-XML converter. It holds one page at a time; ToXml turns it
// into XML text (through HtmlParse and the XML serializer) that a caller may load into a ClsXml,
// and ToTree hands over that very document without the text, so the site analysis can search
// the page with the tree operations. Each conversion builds its own document. Like every API
// object it keeps the log of its last call. One converter belongs to one thread.
#pragma once

#include "base/cls_base.h"
#include "base/string_buffer.h"
#include "base/x_string.h"
#include "markup/html_parse.h"

class ClsXml;

class ClsHtmlToXml : public ClsBase {
public:
    ClsHtmlToXml() = default;

    // Stores a copy of the page. Every "<a>" and "<A>" in it, an anchor tag without attributes,
    // is taken for a misspelt end tag and replaced by "</a>".
    void put_Html(const XString& html);
    // The same for a page in UTF-8, without an XString of it first.
    void put_HtmlUtf8(const char* html);

    // Converts the stored page. The page's ANSI form is converted when that is its current form
    // (in the system's ANSI code page), otherwise its UTF-8 form; `out` receives the XML text in
    // the same form. The declaration names the output charset when one is set, else the charset
    // the page's meta content-type tag names, else the code page the page was read in. False,
    // with "Failed to parse HTML" in the log, only when no document could be built.
    [[nodiscard]] bool ToXml(XString& out);
    // Moves `out` to the document that loading ToXml's text with ClsXml::LoadXml gives (its text
    // in the form ToXml writes), built without the text. False, with `out` left as it is, when
    // no document could be built or that text would hold no element.
    [[nodiscard]] bool ToTree(ClsXml& out);

    // The encoding to declare in the XML text; empty (the default) lets the page decide.
    void put_OutputCharset(const char* name) { m_outputCharset.setString(name != nullptr ? name : ""); }
    const char* get_OutputCharset() const { return m_outputCharset.getString(); }

    // The reader's settings: dropped tags and the decoding of "&nbsp;".
    HtmlParse& parser() { return m_parse; }

private:
    void replaceBareAnchors();
    // The document of the stored page with its declaration, or null, logged, when none could be
    // built; `ansi` tells which form of the page was converted, `text` is that form.
    TreeNode* buildDocument(bool& ansi, const char*& text);

    HtmlParse m_parse;
    StringBuffer m_outputCharset;
    XString m_html;
};
