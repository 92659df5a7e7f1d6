#include "analysis/links.h"

#include "analysis/html_help.h"
#include "analysis/site_analyzer.h"
#include "base/ascii.h"
#include "base/cls_string_array.h"
#include "base/domain_helpers.h"
#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"
#include "base/url_resolve.h"
#include "base/utf8_text.h"
#include "markup/cls_xml.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <strings.h>

namespace {

// Country names sold for general use, which name no country: the old nine, the country codes
// search engines treat as generic, and ai and gg, taken for their letters.
const char* const kGenericUseTlds[] = {"tv", "ws", "nu", "cc", "to", "ac", "cx", "tk", "vu",
                                       "ad", "as", "bz", "cd", "co", "dj", "fm", "io", "la",
                                       "me", "ms", "sc", "sr", "su", "ai", "gg"};

// The refresh attribute spellings, tried in this order.
const char* const kRefreshAttributes[][2] = {
    {"http-equiv", "refresh"}, {"HTTP-EQUIV", "refresh"}, {"HTTP-EQUIV", "REFRESH"},
    {"http-equiv", "REFRESH"}, {"HTTP-EQUIV", "Refresh"}, {"http-equiv", "Refresh"},
};

// The elements of some tags below a node, in search order, gathered in one walk of the tree.
class Elements {
public:
    Elements(const ClsXml& tree, const char* tags) { tree.CollectTags(tags, m_list); }
    ~Elements() { m_list.removeAllObjects(); }
    Elements(const Elements&) = delete;
    Elements& operator=(const Elements&) = delete;

    // Visits those tagged `tag`, in order.
    template <typename Visit> void each(const char* tag, Visit visit) const {
        for (int i = 0; i < m_list.getSize(); ++i) {
            auto* element = static_cast<ClsXml*>(m_list.elementAt(i));
            if (std::strcmp(element->get_Tag(), tag) == 0)
                visit(*element);
        }
    }

private:
    ExtPtrArray m_list;
};

// The value of `name`, or of its upper-case spelling when that is empty.
void attributeEitherCase(const ClsXml& element, const char* lower, const char* upper, StringBuffer& out) {
    out.clear();
    element.GetAttrValue(lower, out);
    if (out.getSize() == 0)
        element.GetAttrValue(upper, out);
}

void appendWithBlank(StringBuffer& text, const char* piece) {
    if (text.getSize() > 0)
        text.appendChar(' ');
    text.append(piece);
}

// The href as the URL patterns see it: percent-escapes of bytes from 0x80 on decoded, so an
// escaped UTF-8 path meets the tables' own letters, then lower-cased by character.
void patternSubject(const StringBuffer& href, StringBuffer& out) {
    const char* t = href.getString();
    int n = href.getSize();
    auto hex = [](char h) {
        return h >= '0' && h <= '9'   ? h - '0'
               : h >= 'a' && h <= 'f' ? h - 'a' + 10
               : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                      : -1;
    };
    out.clear();
    for (int i = 0; i < n; ++i) {
        if (t[i] == '%' && i + 2 < n && hex(t[i + 1]) >= 8 && hex(t[i + 2]) >= 0) {
            out.appendChar(static_cast<char>(hex(t[i + 1]) * 16 + hex(t[i + 2])));
            i += 2;
            continue;
        }
        out.appendChar(t[i]);
    }
    lowerUtf8(out);
}

// The link with its host in A-label form, as the analysed domain is written: a page may name
// its own host in Unicode. (The URL parse lower-cases bytes, which would break the UTF-8.)
void withAsciiHost(const StringBuffer& href, StringBuffer& out) {
    out.setSb(href);
    const char* text = href.getString();
    const char* start = std::strstr(text, "//");
    if (start == nullptr)
        return;
    start += 2;
    size_t length = std::strcspn(start, "/?#:@");
    bool unicode = false;
    for (size_t i = 0; i < length; ++i)
        unicode = unicode || static_cast<unsigned char>(start[i]) >= 0x80;
    StringBuffer host, ascii;
    host.appendN(start, static_cast<int>(length));
    if (unicode && toAsciiHost(host.getString(), ascii)) {
        out.shorten(out.getSize() - static_cast<int>(start - text));
        out.appendSb(ascii);
        out.append(start + length);
    }
}

bool matchesAny(const ClsStringArray& patterns, const StringBuffer& href) {
    StringBuffer lower;
    patternSubject(href, lower);
    for (int i = 0; i < patterns.get_Count(); ++i) {
        if (lower.matchesWildcard(patterns.GetString(i), true))
            return true;
    }
    return false;
}

} // namespace

bool isGenericUseTld(const char* tld) {
    for (const char* generic : kGenericUseTlds) {
        if (std::strcmp(tld, generic) == 0)
            return true;
    }
    return false;
}

void collectLinks(ClsXml& tree, ClsStringArray& urls, ClsStringArray& texts) {
    urls.put_Unique(false);
    texts.put_Unique(false);
    Elements links(tree, "a|area");
    for (const char* tag : {"a", "area"}) {
        links.each(tag, [&](const ClsXml& element) {
            StringBuffer text;
            Elements inside(element, "text|img");
            inside.each("text", [&](const ClsXml& node) {
                StringBuffer content;
                node.GetContentSb(content);
                appendWithBlank(text, content.getString());
            });
            inside.each("img", [&](const ClsXml& image) {
                StringBuffer alt;
                attributeEitherCase(image, "alt", "ALT", alt);
                if (alt.getSize() > 0)
                    appendWithBlank(text, alt.getString());
            });
            StringBuffer href;
            attributeEitherCase(element, "href", "HREF", href);
            if (href.getSize() == 0)
                return;
            unescapeHref(href);
            href.trim();
            urls.Append(href.getString());
            text.replaceChar('\n', ' ');
            text.replaceChar('\r', ' ');
            collapseUtf8Whitespace(text);
            lowerUtf8(text);
            texts.Append(text.getString());
        });
    }
}

void pageLinks(const StringBuffer& html, ClsStringArray& texts, ClsStringArray& urls) {
    PageTree page(html);
    collectLinks(page.tree(), urls, texts);
}

void unescapeHref(StringBuffer& href) {
    const char* t = href.getString();
    int n = href.getSize();
    StringBuffer out;
    for (int i = 0; i < n; ++i) {
        char c = t[i];
        if (c == '%') {
            if (i + 1 >= n)
                continue; // a '%' at the very end is dropped
            if (t[i + 1] < '8' && i + 2 < n) {
                auto hex = [](char h) {
                    return h >= '0' && h <= '9'   ? h - '0'
                           : h >= 'a' && h <= 'f' ? h - 'a' + 10
                           : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                  : 0;
                };
                out.appendChar(static_cast<char>(hex(t[i + 1]) * 16 + hex(t[i + 2])));
                i += 2;
                continue;
            }
            out.appendChar('%');
            continue;
        }
        if (c == '&' && i + 2 < n && t[i + 1] == '#' && t[i + 2] >= '0' && t[i + 2] <= '9') {
            int value = 0;
            int k = i + 2;
            while (k < n && t[k] >= '0' && t[k] <= '9' && k < i + 12) {
                value = (value * 10 + (t[k] - '0')) % 256;
                ++k;
            }
            // The decoded byte, then the character after the digits (normally ';') is dropped.
            // A zero byte would cut the href short, so such a reference stays as written.
            if (value == 0) {
                out.appendN(t + i, k - i);
                i = k - 1;
                continue;
            }
            out.appendChar(static_cast<char>(value));
            i = k < n ? k : n - 1;
            continue;
        }
        out.appendChar(c);
    }
    href.setSb(out);
}

bool isFollowableHref(const StringBuffer& href) {
    if (href.beginsWith("#"))
        return false;
    // A scheme is a letter, then letters, digits, '+', '-' or '.', up to the first ':'. Only the
    // web's own lead to pages; tel:, javascript:, data:, mailto: and the like never do.
    const char* h = href.getString();
    const char* p = h;
    if (!std::isalpha(static_cast<unsigned char>(*p)))
        return true;
    while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-' || *p == '.')
        ++p;
    if (*p != ':')
        return true;
    return (p - h == 4 && strncasecmp(h, "http", 4) == 0) || (p - h == 5 && strncasecmp(h, "https", 5) == 0);
}

bool isOnSite(const char* domain, const StringBuffer& href) {
    if (!isFollowableHref(href))
        return false;
    // Links resolve as browsers resolve them, so "//host/x" and "HTTP://host/x" leave the site
    // as surely as "http://host/x" does.
    const char* h = href.getString();
    if (strncasecmp(h, "http:", 5) != 0 && strncasecmp(h, "https:", 6) != 0 && !href.beginsWith("//"))
        return true;
    if (domain == nullptr || *domain == 0)
        return false;
    StringBuffer link;
    withAsciiHost(href, link);
    if (containsNoCase(link.getString(), domain))
        return true;
    StringBuffer bare(domain);
    bare.replaceFirst("www.", "");
    return bare.getSize() > 0 && containsNoCase(link.getString(), bare.getString());
}

void resolveUrl(const char* domain, const StringBuffer& basePath, const StringBuffer& href,
                StringBuffer& url) {
    StringBuffer base("http://");
    base.append(domain == nullptr ? "" : domain);
    if (!basePath.beginsWith("/"))
        base.appendChar('/');
    base.appendSb(basePath);
    resolveUrlReference(base.getString(), href.getString(), url);
}

void getRefreshUrl(ClsXml& tree, StringBuffer& target) {
    std::unique_ptr<ClsXml> meta;
    for (const auto& pair : kRefreshAttributes) {
        meta.reset(tree.SearchForAttribute(nullptr, "meta", pair[0], pair[1]));
        if (meta)
            break;
    }
    if (!meta)
        return;
    StringBuffer content;
    attributeEitherCase(*meta, "content", "CONTENT", content);
    if (content.getSize() == 0)
        return;
    // "URL=", "url=" and "Url=" alike.
    const char* text = content.getString();
    for (const char* p = text; *p != 0; ++p) {
        if (strncasecmp(p, "url=", 4) == 0) {
            content.removeChunk(static_cast<int>(p - text), 4);
            break;
        }
    }
    const char* semicolon = std::strchr(content.getString(), ';');
    if (semicolon == nullptr)
        return;
    target.setString(semicolon + 1);
    target.trim();
}

void collectEmails(const ClsStringArray& urls, ClsStringArray& emails) {
    for (int i = 0; i < urls.get_Count(); ++i) {
        StringBuffer e(urls.GetString(i));
        e.toLowerCase();
        if (!e.beginsWith("mailto:") && !e.beginsWith("MAILTO:"))
            continue;
        e.replaceFirst("mailto:", "");
        e.replaceFirst("MAILTO:", "");
        e.trim();
        e.replaceChar('\n', ' ');
        e.replaceChar('\t', ' ');
        e.replaceChar('\r', ' ');
        // The query ("?subject=...") is no part of the address.
        e.truncateAtChar('?');
        if (!e.containsChar(' ') && e.containsChar('@'))
            emails.Append(e.getString());
    }
}

bool SiteAnalyzer::isContactUrl(const StringBuffer& href) const {
    return matchesAny(contactUrlPatterns, href);
}

bool SiteAnalyzer::isAboutUrl(const StringBuffer& href) const {
    return matchesAny(aboutUrlPatterns, href);
}

bool SiteAnalyzer::isSitemapUrl(const StringBuffer& href) const {
    return matchesAny(sitemapUrlPatterns, href);
}

void SiteAnalyzer::countryFromEmails(const ClsStringArray& addresses) {
    for (int i = 0; i < addresses.get_Count(); ++i) {
        const char* address = addresses.GetString(i);
        const char* dot = std::strrchr(address, '.');
        if (dot == nullptr || std::strlen(dot + 1) != 2 || isGenericUseTld(dot + 1))
            continue;
        country.setString(dot + 1);
        return;
    }
}
