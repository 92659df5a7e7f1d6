#include "analysis/html_help.h"

#include "analysis/parse_engine.h"
#include "base/log_base.h"
#include "base/string_buffer.h"
#include "base/x_string.h"
#include "markup/cls_html_to_xml.h"
#include "markup/html_entities.h"
#include "markup/html_tag_text.h"

#include <cstring>
#include <string>
#include <strings.h>

namespace {

// Attributes after which a tag that never reaches its '>' is given up.
constexpr int kMaxValuedAttributes = 100;

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

// The CR/LF rule of the endings that may have captured line breaks inside values.
void removeLineBreaks(StringBuffer& out) {
    out.removeChar('\r');
    out.replaceChar('\n', ' ');
}

void logEnding(LogBase* log, const char* tag, const StringBuffer& out) {
    if (log != nullptr)
        log->LogData(tag, out.getString());
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
    out.clear();
    if (log != nullptr)
        log->LogData("cleaning_tag", tagText == nullptr ? "" : tagText);
    ParseEngine cursor;
    cursor.setText(tagText);
    cursor.skipToChar('<');
    if (cursor.atEnd()) {
        logEnding(log, "clean_tag_1", out);
        return;
    }
    out.appendChar('<');
    cursor.step();
    cursor.skipAny4(' ', '\t', '\r', '\n');
    cursor.captureUntilAnyOf(" \t\r\n", out);
    cursor.skipAny4(' ', '\t', '\r', '\n');
    if (cursor.current() == '>') {
        out.appendChar('>');
        logEnding(log, "clean_tag_2", out);
        return;
    }
    int valued = 0;
    for (;;) {
        StringBuffer name(" ");
        while (cursor.current() == '"' || cursor.current() == '\'')
            cursor.step();
        cursor.captureUntilAnyOf(" \t\n\r>=", name);
        cursor.skipAny4(' ', '\t', '\r', '\n');
        char c = cursor.current();
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            out.appendSb(name);
            continue;
        }
        if (c == '>') {
            out.appendSb(name);
            out.appendChar('>');
            logEnding(log, "clean_tag_6", out);
            return;
        }
        if (c != '=') {
            out.trim();
            if (out.lastChar() != '>')
                out.appendChar('>');
            removeLineBreaks(out);
            logEnding(log, "clean_tag_3", out);
            return;
        }
        out.appendSb(name);
        out.appendChar('=');
        cursor.step();
        cursor.skipAny4(' ', '\t', '\r', '\n');
        if (cursor.current() == '\\')
            cursor.step();
        char q = cursor.current();
        if (q == '"' || q == '\'') {
            cursor.step();
            out.appendChar(q);
            const char until[2] = {q, 0};
            cursor.captureUntilAnyOf(until, out);
        } else {
            StringBuffer value;
            cursor.captureUntilAnyOf("\r\n >", value);
            q = value.containsChar('"') ? '\'' : '"';
            out.appendChar(q);
            out.appendSb(value);
        }
        cursor.skipAny4(' ', '\t', '\r', '\n');
        if (cursor.current() == '"' || cursor.current() == '\'')
            cursor.step();
        if (out.lastChar() == '\\')
            out.shorten(1);
        out.appendChar(q);
        cursor.skipAny4(' ', '\t', '\r', '\n');
        if (cursor.current() == '>') {
            out.appendChar('>');
            removeLineBreaks(out);
            logEnding(log, "clean_tag_4", out);
            return;
        }
        if (++valued > kMaxValuedAttributes) {
            removeLineBreaks(out);
            logEnding(log, "clean_tag_5", out);
            return;
        }
    }
}

ClsXml& PageTree::tree() {
    if (m_tree.has_value())
        return *m_tree;
    // A fresh document each time: a failed load would leave an older page's tree in place.
    m_tree.emplace();
    XString page;
    page.setFromUtf8(m_html.getString());
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    if (converter.ToXml(xml))
        m_tree->LoadXml(xml.getUtf8());
    return *m_tree;
}
