#include "analysis/html_help.h"

#include "analysis/parse_engine.h"
#include "base/log_base.h"
#include "base/string_buffer.h"
#include "markup/cls_html_to_xml.h"
#include "markup/html_entities.h"
#include "markup/html_tag_text.h"

#include <cstring>
#include <string>
#include <strings.h>

namespace {

// Reads the next meta tag at or after the cursor into `cleaned`; false when there is none.
bool nextMetaTag(ParseEngine& cursor, StringBuffer& cleaned) {
    if (!cursor.seekTo("<meta"))
        return false;
    StringBuffer raw;
    cursor.captureToCharOutsideQuotes('>', raw);
    raw.appendChar('>');
    HtmlHelp::cleanTag(raw.getString(), cleaned, nullptr);
    if (cursor.current() == '>')
        cursor.step();
    return true;
}

// Whether `p` (at a '<') opens the element `name`, attributes allowed.
bool startsTag(const char* p, const char* name) {
    size_t n = std::strlen(name);
    if (strncasecmp(p + 1, name, n) != 0)
        return false;
    char after = p[1 + n];
    return after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\r' || after == '\n' ||
           after == '\f';
}

const char* findNoCase(const char* text, const char* needle) {
    size_t n = std::strlen(needle);
    for (const char* p = std::strchr(text, '<'); p != nullptr; p = std::strchr(p + 1, '<')) {
        if (strncasecmp(p, needle, n) == 0)
            return p;
    }
    return nullptr;
}

} // namespace

void HtmlHelp::getTitle(const char* html, StringBuffer& out) {
    const char* p = html;
    while ((p = std::strchr(p, '<')) != nullptr) {
        if (std::strncmp(p, "<!--", 4) == 0) {
            p = std::strstr(p + 4, "-->");
            if (p == nullptr)
                return;
            continue;
        }
        if (startsTag(p, "title")) {
            const char* start = std::strchr(p, '>');
            const char* end = start == nullptr ? nullptr : findNoCase(start + 1, "</title");
            if (end == nullptr)
                return;
            StringBuffer raw;
            raw.appendN(start + 1, static_cast<int>(end - start - 1));
            decodeHtmlReferences(raw.getString(), static_cast<size_t>(raw.getSize()), out);
            return;
        }
        const char* skipped = nullptr;
        for (const char* container : {"script", "style", "svg"}) {
            if (startsTag(p, container)) {
                std::string closing = std::string("</") + container;
                skipped = findNoCase(p + 1, closing.c_str());
                if (skipped == nullptr)
                    return;
                break;
            }
        }
        p = skipped != nullptr ? skipped + 2 : p + 1;
    }
}

void HtmlHelp::getMetaDescription(const char* html, StringBuffer& out) {
    getMetaContent(html, "description", out);
}

void HtmlHelp::getMetaKeywords(const char* html, StringBuffer& out) {
    getMetaContent(html, "keywords", out);
}

void HtmlHelp::getMetaContent(const char* html, const char* name, StringBuffer& out) {
    out.clear();
    ParseEngine cursor;
    cursor.setText(html);
    StringBuffer cleaned;
    while (nextMetaTag(cursor, cleaned)) {
        StringBuffer v;
        getAttributeValue(cleaned.getString(), "NAME", v);
        if (v.getSize() > 0 && v.equalsIgnoreCase(name)) {
            getAttributeValue(cleaned.getString(), "content", out);
            if (out.getSize() > 0)
                return;
        }
        v.clear();
        getAttributeValue(cleaned.getString(), "HTTP-EQUIV", v);
        if (v.getSize() > 0 && v.equalsIgnoreCase(name)) {
            getAttributeValue(cleaned.getString(), "content", out);
            if (out.getSize() > 0)
                return;
        }
    }
}

void HtmlHelp::getAttributeValue(const char* tagText, const char* attributeName, StringBuffer& out) {
    HtmlTagText::getAttributeValue(tagText, attributeName, out);
}

void HtmlHelp::cleanTag(const char* tagText, StringBuffer& out, LogBase* log) {
    if (log != nullptr)
        log->LogData("cleaning_tag", tagText == nullptr ? "" : tagText);
    HtmlTagText::TagEnding ending =
        HtmlTagText::cleanTag(tagText, tagText == nullptr ? 0 : std::strlen(tagText), out);
    if (log != nullptr) {
        std::string name = "clean_tag_" + std::to_string(static_cast<int>(ending));
        log->LogData(name.c_str(), out.getString());
    }
}

ClsXml& PageTree::tree() {
    if (m_tree.has_value())
        return *m_tree;
    // A fresh document each time: a failed conversion would leave an older page's tree in place.
    // A page that cannot be converted reads as an empty page, never as a part of one.
    m_tree.emplace();
    ClsHtmlToXml converter;
    converter.put_HtmlUtf8(m_html.getString());
    (void)converter.ToTree(*m_tree);
    return *m_tree;
}
