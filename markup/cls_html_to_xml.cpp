#include "markup/cls_html_to_xml.h"

#include "charset/code_page_names.h"
#include "charset/code_pages.h"
#include "charset/encoding_finder.h"
#include "http/limits.h"
#include "markup/cls_xml.h"
#include "markup/tree_node.h"
#include "markup/xml_serializer.h"

#include <algorithm>
#include <cstring>

namespace {

// Room for the declaration and the line ends the XML text adds to a small page.
constexpr int kXmlHeadRoom = 4096;
// Larger pages let the text grow as it goes.
constexpr size_t kMaxReservedBytes = 256u << 20;

// One pass over the `<` bytes for both spellings.
bool holdsBareAnchor(const char* text) {
    for (const char* lt = std::strchr(text, '<'); lt != nullptr; lt = std::strchr(lt + 1, '<')) {
        if ((lt[1] == 'a' || lt[1] == 'A') && lt[2] == '>')
            return true;
    }
    return false;
}

} // namespace

void ClsHtmlToXml::put_Html(const XString& html) {
    m_html.copyFrom(html);
    replaceBareAnchors();
}

void ClsHtmlToXml::put_HtmlUtf8(const char* html) {
    m_html.setFromUtf8(html);
    replaceBareAnchors();
}

void ClsHtmlToXml::replaceBareAnchors() {
    // The search runs on the 8-bit form at hand, where "<a>" has the same bytes in both, so a
    // page without one is neither converted to UTF-8 nor searched twice just to look.
    const char* text = nullptr;
    if (m_html.isAnsiCurrent())
        text = m_html.getAnsi();
    else if (m_html.isUtf8Current())
        text = m_html.getUtf8();
    if (text != nullptr && !holdsBareAnchor(text))
        return;
    m_html.replaceAllUtf8("<a>", "</a>");
    m_html.replaceAllUtf8("<A>", "</a>");
}

TreeNode* ClsHtmlToXml::buildDocument(bool& ansi, const char*& text) {
    // 1. The form to convert and its code page; US-ASCII is read as its superset ISO-8859-1.
    ansi = m_html.isAnsiCurrent();
    unsigned codePage = CodePages::kUtf8;
    if (ansi) {
        codePage = CodePages::SystemAnsiCodePage();
        if (codePage == CodePages::kUsAscii)
            codePage = CodePages::kIsoLatin1;
        text = m_html.getAnsi();
    } else {
        text = m_html.getUtf8();
    }

    // 2.
    TreeNode* root = m_parse.htmlToTree(text, codePage);
    if (root == nullptr) {
        log().LogError("Failed to parse HTML");
        return nullptr;
    }

    // 3.
    StringBuffer encoding(m_outputCharset);
    if (encoding.getSize() == 0)
        EncodingFinder::prescan(reinterpret_cast<const unsigned char*>(text),
                                strnlen(text, HttpLimits::kEncodingPrescanBytes), encoding);
    // A name taken from the page with any other byte (a line end, a quote) would end the
    // declaration early when the text is loaded: the code page names the encoding instead.
    if (!isPlainXmlToken(encoding.getString(), encoding.getSize()))
        encoding.clear();
    if (encoding.getSize() == 0)
        NameFromCodePage(codePage, encoding);
    setDeclarationEncoding(root, encoding.getString());
    return root;
}

bool ClsHtmlToXml::ToXml(XString& out) {
    enterMethod("ToXml");
    bool ansi = false;
    const char* text = nullptr;
    TreeNode* root = buildDocument(ansi, text);
    if (root == nullptr) {
        leaveMethod();
        return false;
    }

    // 4.
    // The XML text is about as long as the page; room for that is taken at once.
    StringBuffer xml;
    xml.expectNumBytes(static_cast<int>(std::min(std::strlen(text), kMaxReservedBytes)) + kXmlHeadRoom);
    serializeXml(root, xml, 0);
    TreeNode::destroyDocument(root);
    if (ansi)
        out.setFromAnsi(xml.getString());
    else
        out.setFromUtf8(xml.getString());
    leaveMethod();
    return true;
}

bool ClsHtmlToXml::ToTree(ClsXml& out) {
    enterMethod("ToTree");
    bool ansi = false;
    const char* text = nullptr;
    TreeNode* root = buildDocument(ansi, text);
    if (root != nullptr) {
        root = reloadAsWritten(root, &log());
        if (root != nullptr)
            out.takeDocument(root);
        else
            log().LogError("No XML element found");
    }
    leaveMethod();
    return root != nullptr;
}
